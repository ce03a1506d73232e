#include "export/OgrSink.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cerrno>
#include <cmath>

#include "export/ExportFields.h"
#include "export/TextFields.h"

namespace {

// Said in each file that keeps a description.
constexpr const char* kDescription =
    "Marevox soundings: depths in metres below the water surface (draft included), positive "
    "down; times UTC; latitude and longitude WGS 84";

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

}  // namespace

OgrSink::OgrSink(ExportFormat format, bool track)
    : m_info(FormatInfo(format)), m_withTrack(track && m_info.track) {}

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
    // No spatial index on the points: keeping one took two thirds of a
    // GeoPackage's export (12 s a million pings); a GIS builds it on demand.
    if (m_info.format == ExportFormat::kGeoPackage) options.SetNameValue("SPATIAL_INDEX", "NO");
    m_points = m_dataset->CreateLayer("soundings", &srs, wkbPoint, options.List());
    if (m_points == nullptr)
        return Failure(ExportProblem::kWriteFailed, path, 0, t_failure.systemError,
                       t_failure.message);
    CreateFields();
    if (m_withTrack && !TrackAfterPoints()) CreateTrack(&srs);
    if (m_info.format == ExportFormat::kGeoPackage)
        m_dataset->SetMetadataItem("DESCRIPTION", kDescription);
    if (Failed() || (m_withTrack && !TrackAfterPoints() && m_track == nullptr))
        return Failure(ExportProblem::kWriteFailed, path, 0, t_failure.systemError,
                       t_failure.message);
    m_feature = OGRFeature::CreateFeature(m_points->GetLayerDefn());
    if (m_info.format == ExportFormat::kGeoPackage) m_dataset->StartTransaction();
    return {};
}

bool OgrSink::CreateTrack(OGRSpatialReference* srs) {
    CPLStringList options;
    options.SetNameValue("DESCRIPTION",
                         "Marevox survey track: each recording's charted pings as lines");
    m_track = m_dataset->CreateLayer("track", srs, wkbLineString, options.List());
    for (const auto& [name, type] :
         {std::pair{"recording", OFTString}, {"first_rec", OFTInteger}, {"last_rec", OFTInteger}}) {
        OGRFieldDefn field(name, type);
        if (m_track != nullptr) m_track->CreateField(&field);
    }
    return m_track != nullptr && !Failed();
}

bool OgrSink::BeginTrack() {
    const OGRSpatialReference* srs = m_points->GetSpatialRef();
    OGRSpatialReference copy;
    if (srs != nullptr) copy = *srs;
    if (srs != nullptr && CreateTrack(&copy)) return true;
    if (!Failed()) t_failure = {"the track layer could not be created", 0};
    return false;
}

void OgrSink::CreateFields() {
    for (const ExportFieldInfo& info : kExportFields) {
        OGRFieldDefn field(info.name, info.kind == FieldKind::kText    ? OFTString
                                      : info.kind == FieldKind::kWhole ? OFTInteger
                                                                       : OFTReal);
        field.SetWidth(info.width);
        field.SetPrecision(info.decimals);
        m_points->CreateField(&field);
    }
    // Each field by its place in the layer (a format may reorder or rename).
    for (const ExportFieldInfo& info : kExportFields)
        m_fields.push_back(m_points->GetLayerDefn()->GetFieldIndex(info.name));
}

void OgrSink::SetReal(int field, double value) {
    const int index = m_fields[static_cast<std::size_t>(field)];
    if (std::isfinite(value)) {
        m_feature->SetField(index, value);
    } else {
        m_feature->SetFieldNull(index);
    }
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
    if (!placed) return true;
    OGRFeature& f = *m_feature;
    f.SetFID(OGRNullFID);
    f.SetField(m_fields[kRecording], m_recording.c_str());
    f.SetField(m_fields[kRecord], static_cast<int>(row.record));
    f.SetField(m_fields[kTime], m_utc.Of(row.timeMs).c_str());
    const PingPosition& p = row.position;
    SetReal(kLatitude, p.latitude);
    SetReal(kLongitude, p.longitude);
    SetReal(kEasting, row.easting);
    SetReal(kNorthing, row.northing);
    SetReal(kDepth, row.depth);
    SetReal(kSmoothed, row.smoothed);
    SetReal(kDraft, row.draft);
    SetReal(kSoundSpeed, row.soundSpeed);
    if (p.flag == PositionFlag::kNone) {
        f.SetFieldNull(m_fields[kQuality]);
    } else {
        f.SetField(m_fields[kQuality], QualityName(p.quality).data());  // literals: terminated
    }
    SetReal(kError, p.error);
    f.SetField(m_fields[kFlag], FlagName(p.flag).data());
    if (row.mark >= 0) {
        f.SetField(m_fields[kMark], row.mark);  // an integer's text is quick
    } else {
        f.SetFieldNull(m_fields[kMark]);
    }
    const double x = m_info.wgs84Geometry ? p.longitude : row.easting;
    const double y = m_info.wgs84Geometry ? p.latitude : row.northing;
    f.SetGeometryDirectly(new OGRPoint(x, y));
    if (m_points->CreateFeature(&f) != OGRERR_NONE || !Commit()) {
        if (!Failed()) t_failure = {"a feature could not be written", errno};
        return false;
    }
    if (m_track == nullptr) return !Failed();
    return WriteTrack(row);
}

bool OgrSink::WriteTrack(const ExportRow& row) {
    const double x = m_info.wgs84Geometry ? row.position.longitude : row.easting;
    const double y = m_info.wgs84Geometry ? row.position.latitude : row.northing;
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
