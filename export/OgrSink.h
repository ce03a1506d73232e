#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/ExportFormat.h"
#include "export/RowSink.h"
#include "export/TextFields.h"

class GDALDataset;
class OGRFeature;
class OGRLayer;
class OGRLineString;
class OGRSpatialReference;

// A vector file written through GDAL/OGR: GeoPackage, Shapefile, GeoJSON
// (RFC 7946) and KML. One layer "soundings" with a point per placed ping;
// in a GeoPackage and KML also a layer "track", each recording's charted
// pings as lines. The coordinate system is written where the format keeps one.
class OgrSink : public RowSink {
public:
    // track: the track layer too, where the format holds one.
    OgrSink(ExportFormat format, bool track);
    ~OgrSink() override;
    ExportStatus Open(const std::string& path, int epsg) override;
    void BeginRecording(const std::string& name) override;
    bool Write(const ExportRow& row) override;
    void EndRecording() override;
    ExportStatus Finish() override;
    bool NeedsPosition() const override { return true; }
    bool TrackAfterPoints() const override {
        return m_withTrack && m_info.format == ExportFormat::kKml;
    }
    bool BeginTrack() override;
    bool WriteTrack(const ExportRow& row) override;

private:
    void CreateFields();
    bool Commit();
    bool CreateTrack(OGRSpatialReference* srs);
    bool FlushTrack();
    bool Failed();
    void SetReal(int field, double value);

    const ExportFormatInfo& m_info;
    const bool m_withTrack;
    std::string m_path;
    GDALDataset* m_dataset = nullptr;
    OGRLayer* m_points = nullptr;
    OGRLayer* m_track = nullptr;
    OGRFeature* m_feature = nullptr;  // reused for every ping
    std::unique_ptr<OGRLineString> m_line;
    std::string m_recording;
    std::uint32_t m_lineFirst = 0, m_lineLast = 0;
    std::int64_t m_lineLastMs = 0;
    std::uint64_t m_inTransaction = 0;
    std::vector<int> m_fields;
    UtcText m_utc;
    std::string m_number;
};
