#include "export/Exporter.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include "engine/XSound.h"
#include "export/CsvSink.h"
#include "export/JumpFilter.h"
#include "export/OgrSink.h"
#include "export/PingPositions.h"
#include "export/Projection.h"
#include "export/StagedOutput.h"
#include "export/XyzSink.h"

namespace {

std::unique_ptr<RowSink> SinkFor(ExportFormat format, bool track) {
    if (format == ExportFormat::kXyz) return std::make_unique<XyzSink>();
    if (format == ExportFormat::kCsv) return std::make_unique<CsvSink>();
    return std::make_unique<OgrSink>(format, track);
}

// The files a format writes beside its own name.
std::vector<std::string> Siblings(ExportFormat format) {
    if (format == ExportFormat::kShapefile) return {".shx", ".dbf", ".prj", ".cpg"};
    return {};
}

void Count(ExportSummary& s, const ExportRow& row) {
    if (s.exported == 1) {
        s.firstMs = s.lastMs = row.timeMs;
    }
    s.firstMs = std::min(s.firstMs, row.timeMs);
    s.lastMs = std::max(s.lastMs, row.timeMs);
    if (!row.HasPosition()) return;
    const PingPosition& p = row.position;
    if (++s.placed == 1) {
        s.south = s.north = p.latitude;
        s.west = s.east = p.longitude;
        s.minEasting = s.maxEasting = row.easting;
        s.minNorthing = s.maxNorthing = row.northing;
    }
    s.south = std::min(s.south, p.latitude), s.north = std::max(s.north, p.latitude);
    s.west = std::min(s.west, p.longitude), s.east = std::max(s.east, p.longitude);
    s.minEasting = std::min(s.minEasting, row.easting);
    s.maxEasting = std::max(s.maxEasting, row.easting);
    s.minNorthing = std::min(s.minNorthing, row.northing);
    s.maxNorthing = std::max(s.maxNorthing, row.northing);
}

// One recording, ping by ping, into the sink.
ExportStatus ExportOne(const ExportRequest& request, std::uint32_t index, RowSink& sink,
                       const Projection& projection, ExportSummary& summary,
                       const ExportProgress& progress, std::uint64_t& done, std::uint64_t total,
                       RowHook* hook) {
    const std::string& path = request.recordings[index];
    PingPositions positions;
    ExportStatus status = positions.Open(path, request.recompute);
    if (!status.Ok()) return status;
    JumpFilter jumps;
    XSound engine;
    sink.BeginRecording(std::filesystem::path(path).stem().string());
    bool stop = false;
    // Each record as forward playback processes it (engine/Replay), until
    // the end or a stop.
    const EngineStatus opened = engine.OpenRecording(path);
    if (!opened.Ok())
        return Failure(ExportProblem::kRecording, path, 0, opened.systemError, {}, opened);
    const auto each = [&](std::uint32_t record, bool ok) {
        ++done;
        if (progress.report && done % 4096 == 0) progress.report(done, total);
        if (progress.cancel != nullptr && progress.cancel->load(std::memory_order_relaxed)) {
            status = Failure(ExportProblem::kCancelled);
            stop = true;
            return;
        }
        ++summary.pings;
        if (!ok) {
            ++summary.unreadable;
            return;
        }
        if (record % request.every != 0) return;
        ExportRow row;
        row.recording = index;
        row.record = record;
        row.timeMs = engine.PingTime() * 1000;
        PositionFormat::PingLine line;
        if (positions.Next(record, &line, &status)) {
            row.timeMs = line.timeMs;
            row.position = line.position;
        } else if (!status.Ok()) {
            stop = true;
            return;
        }
        if (jumps.Jumped(row.timeMs, row.position)) {
            row.position.flag = PositionFlag::kStale;  // placed, but not to be charted
            ++summary.jumped;
        }
        if (row.HasPosition() && !projection.Forward(row.position.latitude, row.position.longitude,
                                                     &row.easting, &row.northing))
            row.position.flag = PositionFlag::kNone;
        if (engine.BottomFound()) row.depth = engine.Depth();
        if (engine.SmoothedDepth() > 0.0) row.smoothed = engine.SmoothedDepth();  // 0: none yet
        const PingSettings settings = engine.CurrentPingSettings();
        row.draft = settings.m_draft;
        row.soundSpeed = settings.m_soundSpeed;
        if (engine.MarkFlag() != 0) row.mark = engine.MarkNumber();
        if (hook != nullptr && !hook->Apply(row)) {
            ++summary.leftOut;
            return;
        }
        if (!row.HasPosition()) ++summary.withoutPosition;
        if (!row.HasPosition() && sink.NeedsPosition()) return;
        if (!sink.Write(row)) {
            stop = true;
            return;
        }
        ++summary.exported;
        Count(summary, row);
    };
    for (std::uint32_t record = 0; !stop && record < engine.RecordTotal(); ++record) {
        engine.SetRecordIndex(record);
        each(record, engine.ProcessPlaybackPing() != 0);
    }
    engine.EndPlayback();
    sink.EndRecording();
    return status;
}

// The track of a format that takes it after the points: each recording's
// positions again, as the points had them (the same pings, the same jumps;
// a ping the hook dropped stays on the track).
ExportStatus WriteTrackAfterwards(const ExportRequest& request,
                                  const std::vector<std::uint32_t>& records, RowSink& sink) {
    if (!sink.BeginTrack()) return {};  // Finish says why
    for (std::uint32_t i = 0; i < request.recordings.size(); ++i) {
        PingPositions positions;
        ExportStatus status = positions.Open(request.recordings[i], request.recompute);
        if (!status.Ok()) return status;
        JumpFilter jumps;
        sink.BeginRecording(std::filesystem::path(request.recordings[i]).stem().string());
        for (std::uint32_t record = 0; record < records[i]; record += request.every) {
            ExportRow row;
            PositionFormat::PingLine line;
            if (!positions.Next(record, &line, &status)) {
                if (!status.Ok()) return status;
                continue;
            }
            row.record = record;
            row.timeMs = line.timeMs;
            row.position = line.position;
            if (!jumps.Jumped(row.timeMs, row.position) && row.HasPosition() &&
                !sink.WriteTrack(row))
                break;
        }
        sink.EndRecording();
    }
    return {};
}

}  // namespace

ExportStatus ExportRecordings(const ExportRequest& request, ExportSummary* summary,
                              const ExportProgress& progress, RowHook* hook) {
    *summary = {};
    if (request.recordings.empty()) return Failure(ExportProblem::kRecording, {}, 0, 0, "none");
    // Every recording and its position files there; its records, for the
    // progress.
    std::uint64_t total = 0;
    std::vector<std::uint32_t> records;
    for (const std::string& path : request.recordings) {
        XSound engine;
        const EngineStatus opened = engine.OpenRecording(path);
        if (!opened.Ok())
            return Failure(ExportProblem::kRecording, path, 0, opened.systemError, {}, opened);
        total += engine.RecordTotal();
        records.push_back(engine.RecordTotal());
        engine.EndPlayback();
        PingPositions positions;
        if (ExportStatus status = positions.Open(path, request.recompute); !status.Ok())
            return status;
    }

    // The coordinate system, from the first place where it is a UTM zone.
    double latitude = 0.0, longitude = 0.0;
    if (request.crs == "utm" || request.crs == "UTM") {
        std::optional<std::pair<double, double>> place;
        for (const std::string& path : request.recordings)
            if ((place = PingPositions::FirstPlace(path))) break;
        if (!place) return Failure(ExportProblem::kNoPositions, request.recordings[0]);
        std::tie(latitude, longitude) = *place;
    }
    const std::optional<int> code = Projection::CodeFor(request.crs, latitude, longitude);
    Projection projection;
    const Projection::Opened opened = code ? projection.Open(*code) : Projection::Opened::kUnknown;
    if (opened != Projection::Opened::kOk)
        return Failure(opened == Projection::Opened::kUnknown ? ExportProblem::kUnknownCrs
                                                              : ExportProblem::kCrsNotProjected,
                       {}, 0, 0, request.crs);
    summary->epsg = *code;

    StagedOutput staged;
    ExportStatus status = staged.Begin(request.output, Siblings(request.format), request.overwrite);
    if (!status.Ok()) return status;
    std::unique_ptr<RowSink> sink = SinkFor(request.format, request.track);
    status = sink->Open(staged.WorkPath(), *code);
    std::uint64_t done = 0;
    for (std::uint32_t i = 0; status.Ok() && i < request.recordings.size(); ++i)
        status = ExportOne(request, i, *sink, projection, *summary, progress, done, total, hook);
    if (status.Ok() && sink->TrackAfterPoints())
        status = WriteTrackAfterwards(request, records, *sink);
    const ExportStatus finished = sink->Finish();
    if (status.Ok()) status = finished;
    if (status.Ok()) status = staged.Commit();
    if (!status.Ok()) {
        // Paths inside the staging folder name the output instead.
        if (status.path.rfind(staged.WorkPath(), 0) == 0) status.path = request.output;
        staged.Discard();
        return status;
    }
    if (progress.report) progress.report(done, total);
    summary->files.push_back(request.output);
    return status;
}
