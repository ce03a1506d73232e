#include "export/OgrSink.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cerrno>
#include <cmath>

#include "survey/PositionFormat.h"

namespace {

// Said in each file that keeps a description.
constexpr const char* kDescription =
    "Marevox soundings: depths in metres below the water surface (draft included), positive "
    "down; times UTC; latitude and longitude WGS 84";

// The fields of a ping, in this order.
enum Field {
    kRecording,
    kRecord,
    kTime,
    kLatitude,
    kLongitude,
    kEasting,
    kNorthing,
    kDepth,
    kSmoothed,
    kDraft,
    kSoundSpeed,
    kQuality,
    kError,
    kFlag,
    kMark,
    kFieldCount
};
struct FieldSpec {
    const char* name;  // at most 10 characters: a Shapefile's limit
    OGRFieldType type;
    int width, precision;
};
constexpr FieldSpec kFields[kFieldCount] = {
    {"recording", OFTString, 64, 0}, {"record", OFTInteger, 9, 0},  {"time_utc", OFTString, 24, 0},
    {"latitude", OFTReal, 13, 9},    {"longitude", OFTReal, 14, 9}, {"easting", OFTReal, 14, 3},
    {"northing", OFTReal, 14, 3},    {"depth_m", OFTReal, 8, 3},    {"smoothed_m", OFTReal, 8, 3},
    {"draft_m", OFTReal, 6, 2},      {"sound_mps", OFTReal, 7, 1},  {"quality", OFTString, 9, 0},
    {"error_m", OFTReal, 10, 3},     {"flag", OFTString, 12, 0},    {"mark", OFTInteger, 9, 0},
};

// A track line is cut into features of at most this many points, so it is
// never held whole, and where pings are further apart than the gap.
constexpr int kTrackPointsMax = 10000;
constexpr std::int64_t kTrackGapMs = 10000;
// A GeoPackage takes its features in transactions of this many.
constexpr std::uint64_t kTransactionRows = 100000;

// The first failure GDAL reports while the sink works, with the system's
// error at that moment.
struct GdalFailure {
    std::string message;
    int systemError = 0;
};

void CPL_STDCALL CatchFailure(CPLErr level, CPLErrorNum, const char* message) {
    auto* failure = static_cast<GdalFailure*>(CPLGetErrorHandlerUserData());
    if (level < CE_Failure || failure == nullptr || !failure->message.empty()) return;
    failure->systemError = errno;
    failure->message = message != nullptr ? message : "GDAL";
}

thread_local GdalFailure t_failure;

void SetReal(OGRFeature& feature, int field, double value) {
    if (std::isfinite(value)) {
        feature.SetField(field, value);
    } else {
        feature.SetFieldNull(field);
    }
}

}  // namespace

OgrSink::OgrSink(ExportFormat format) : m_info(FormatInfo(format)) {}

OgrSink::~OgrSink() {
    if (m_feature != nullptr) OGRFeature::DestroyFeature(m_feature);
    if (m_dataset != nullptr) GDALClose(m_dataset);
    if (m_dataset != nullptr || !m_path.empty()) CPLPopErrorHandler();
}

bool OgrSink::Failed() {
    return !t_failure.message.empty();
}

ExportStatus OgrSink::Open(const std::string& path, int epsg) {
    GDALAllRegister();
    m_path = path;
    t_failure = {};
    CPLPushErrorHandlerEx(CatchFailure, &t_failure);
    GDALDriver* driver =
        GetGDALDriverManager()->GetDriverByName(std::string(m_info.driver).c_str());
    if (driver == nullptr)
        return Failure(ExportProblem::kWriteFailed, path, 0, 0, "no GDAL driver");
    m_dataset = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    if (m_dataset == nullptr)
        return Failure(ExportProblem::kWriteFailed, path, 0, t_failure.systemError,
                       t_failure.message);

    OGRSpatialReference srs;
    srs.importFromEPSG(m_info.wgs84Geometry ? 4326 : epsg);
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    CPLStringList options;
    if (m_info.format == ExportFormat::kGeoJson) {
        options.SetNameValue("RFC7946", "YES");
        options.SetNameValue("WRITE_NAME", "NO");
    }
    if (m_info.format == ExportFormat::kGeoJson || m_info.format == ExportFormat::kGeoPackage)
        options.SetNameValue("DESCRIPTION", kDescription);
    if (m_info.format == ExportFormat::kShapefile) options.SetNameValue("ENCODING", "UTF-8");
    if (m_info.format == ExportFormat::kCsv) {
        options.SetNameValue("LINEFORMAT", "LF");
        options.SetNameValue("STRING_QUOTING", "IF_NEEDED");
    }
    m_points = m_dataset->CreateLayer("soundings", m_info.table ? nullptr : &srs,
                                      m_info.table ? wkbNone : wkbPoint, options.List());
    if (m_points == nullptr)
        return Failure(ExportProblem::kWriteFailed, path, 0, t_failure.systemError,
                       t_failure.message);
    CreateFields();
    if (m_info.track) {
        CPLStringList trackOptions;
        trackOptions.SetNameValue("DESCRIPTION",
                                  "Marevox survey track: each recording's charted pings as lines");
        m_track = m_dataset->CreateLayer("track", &srs, wkbLineString, trackOptions.List());
        for (const FieldSpec& f : {kFields[kRecording], FieldSpec{"first_rec", OFTInteger, 9, 0},
                                   FieldSpec{"last_rec", OFTInteger, 9, 0}}) {
            OGRFieldDefn field(f.name, f.type);
            if (m_track != nullptr) m_track->CreateField(&field);
        }
    }
    if (m_info.format == ExportFormat::kGeoPackage)
        m_dataset->SetMetadataItem("DESCRIPTION", kDescription);
    if (Failed() || (m_info.track && m_track == nullptr))
        return Failure(ExportProblem::kWriteFailed, path, 0, t_failure.systemError,
                       t_failure.message);
    m_feature = OGRFeature::CreateFeature(m_points->GetLayerDefn());
    if (m_info.format == ExportFormat::kGeoPackage) m_dataset->StartTransaction();
    return {};
}

void OgrSink::CreateFields() {
    for (const FieldSpec& spec : kFields) {
        OGRFieldDefn field(spec.name, spec.type);
        field.SetWidth(spec.width);
        field.SetPrecision(spec.precision);
        m_points->CreateField(&field);
    }
    // Each field by its place in the layer (a format may reorder or rename).
    for (const FieldSpec& spec : kFields)
        m_fields.push_back(m_points->GetLayerDefn()->GetFieldIndex(spec.name));
}

void OgrSink::BeginRecording(const std::string& name) {
    m_recording = name;
}

bool OgrSink::Commit() {
    if (m_info.format != ExportFormat::kGeoPackage || ++m_inTransaction < kTransactionRows)
        return true;
    m_inTransaction = 0;
    return m_dataset->CommitTransaction() == OGRERR_NONE &&
           m_dataset->StartTransaction() == OGRERR_NONE;
}

bool OgrSink::FlushTrack() {
    if (!m_line || m_line->getNumPoints() < 2) {
        m_line.reset();
        return true;
    }
    OGRFeature feature(m_track->GetLayerDefn());
    feature.SetField(0, m_recording.c_str());
    feature.SetField(1, static_cast<int>(m_lineFirst));
    feature.SetField(2, static_cast<int>(m_lineLast));
    feature.SetGeometryDirectly(m_line.release());
    return m_track->CreateFeature(&feature) == OGRERR_NONE && Commit();
}

bool OgrSink::Write(const ExportRow& row) {
    if (Failed()) return false;
    const bool placed = row.HasPosition();
    if (!placed && !m_info.table) return true;
    OGRFeature& f = *m_feature;
    f.SetFID(OGRNullFID);
    f.SetField(m_fields[kRecording], m_recording.c_str());
    f.SetField(m_fields[kRecord], static_cast<int>(row.record));
    std::string time = PositionFormat::UtcText(row.timeMs);
    f.SetField(m_fields[kTime], time.c_str());
    const PingPosition& p = row.position;
    SetReal(f, m_fields[kLatitude], placed ? p.latitude : Fix::kNone);
    SetReal(f, m_fields[kLongitude], placed ? p.longitude : Fix::kNone);
    SetReal(f, m_fields[kEasting], placed ? row.easting : Fix::kNone);
    SetReal(f, m_fields[kNorthing], placed ? row.northing : Fix::kNone);
    SetReal(f, m_fields[kDepth], row.depth);
    SetReal(f, m_fields[kSmoothed], row.smoothed);
    SetReal(f, m_fields[kDraft], row.draft);
    SetReal(f, m_fields[kSoundSpeed], row.soundSpeed);
    if (p.flag == PositionFlag::kNone) {
        f.SetFieldNull(m_fields[kQuality]);
    } else {
        f.SetField(m_fields[kQuality], std::string(QualityName(p.quality)).c_str());
    }
    SetReal(f, m_fields[kError], p.error);
    f.SetField(m_fields[kFlag], std::string(FlagName(p.flag)).c_str());
    if (row.mark >= 0) {
        f.SetField(m_fields[kMark], row.mark);
    } else {
        f.SetFieldNull(m_fields[kMark]);
    }
    const double x = m_info.wgs84Geometry ? p.longitude : row.easting;
    const double y = m_info.wgs84Geometry ? p.latitude : row.northing;
    if (!m_info.table) f.SetGeometryDirectly(new OGRPoint(x, y));
    if (m_points->CreateFeature(&f) != OGRERR_NONE || !Commit()) {
        if (!Failed()) t_failure = {"a feature could not be written", errno};
        return false;
    }
    if (m_track == nullptr || !placed) return !Failed();

    if (m_line &&
        (row.timeMs - m_lineLastMs > kTrackGapMs || m_line->getNumPoints() >= kTrackPointsMax)) {
        const OGRPoint last = [&] {
            OGRPoint point;
            m_line->getPoint(m_line->getNumPoints() - 1, &point);
            return point;
        }();
        const bool gap = row.timeMs - m_lineLastMs > kTrackGapMs;
        const std::uint32_t lastRecord = m_lineLast;
        if (!FlushTrack()) return false;
        if (!gap) {  // the next piece goes on from the last point
            m_line = std::make_unique<OGRLineString>();
            m_line->addPoint(&last);
            m_lineFirst = lastRecord;
        }
    }
    if (!m_line) {
        m_line = std::make_unique<OGRLineString>();
        m_lineFirst = row.record;
    }
    m_line->addPoint(x, y);
    m_lineLast = row.record;
    m_lineLastMs = row.timeMs;
    return !Failed();
}

void OgrSink::EndRecording() {
    if (m_track != nullptr) FlushTrack();
}

ExportStatus OgrSink::Finish() {
    if (m_dataset != nullptr) {
        if (m_info.format == ExportFormat::kGeoPackage && !Failed()) m_dataset->CommitTransaction();
        if (m_feature != nullptr) OGRFeature::DestroyFeature(m_feature);
        m_feature = nullptr;
        GDALClose(m_dataset);
        m_dataset = nullptr;
    }
    if (Failed())
        return Failure(ExportProblem::kWriteFailed, m_path, 0, t_failure.systemError,
                       t_failure.message);
    return {};
}
