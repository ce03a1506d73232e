#pragma once

#include <cstdio>
#include <string>

#include "export/RowSink.h"
#include "export/TextFields.h"

// CSV: a header line naming the fields, then a line for every ping, comma
// separated, dot decimals, "\n" at the ends; a value not known (the
// coordinates of a ping without a position) is an empty field. Written
// here rather than through GDAL's CSV writer, whose formatting of each
// field took four times the whole playback of a ping.
class CsvSink : public RowSink {
public:
    ~CsvSink() override;
    ExportStatus Open(const std::string& path, int epsg) override;
    void BeginRecording(const std::string& name) override;
    bool Write(const ExportRow& row) override;
    void EndRecording() override {}
    ExportStatus Finish() override;
    bool NeedsPosition() const override { return false; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_recording;  // quoted where it needs to be
    std::string m_line;
    UtcText m_utc;
    int m_error = 0;
};
