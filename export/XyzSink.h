#pragma once

#include <cstdio>
#include <string>

#include "export/RowSink.h"

// Plain XYZ text: "easting northing depth", one point per line, metres,
// depth positive down. Pings without a position or a depth are left out.
class XyzSink : public RowSink {
public:
    ~XyzSink() override;
    ExportStatus Open(const std::string& path, int epsg) override;
    void BeginRecording(const std::string&) override {}
    bool Write(const ExportRow& row) override;
    void EndRecording() override {}
    ExportStatus Finish() override;
    bool NeedsPosition() const override { return true; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_line;
    int m_error = 0;
};
