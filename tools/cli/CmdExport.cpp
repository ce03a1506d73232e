// marevox-cli export FILE.sd [FILE2.sd ...] --format gpkg|shp|geojson|kml|csv|xyz [--crs
// utm|EPSG:n]
//                    [--latency MS] [--antenna-forward M] [--antenna-starboard M] [--every N]
//                    [--out FILE] [--force] [--no-track] [--edited]:
// the recordings' pings with their depths and positions, into one file.
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/EngineMessages.h"
#include "edit/EditSession.h"
#include "export/Exporter.h"
#include "survey/PositionFormat.h"
#include "survey/PositionRecording.h"
#include "tools/cli/Commands.h"
#include "tools/cli/EditMessages.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli export FILE.sd [FILE2.sd ...] --format gpkg|shp|geojson|kml|csv|xyz\n"
    "           [--crs utm|EPSG:n] [--latency MS] [--antenna-forward M] [--antenna-starboard M]\n"
    "           [--every N] [--out FILE] [--force] [--no-track] [--edited]\n";

std::string SystemText(int error) {
    return error != 0 ? std::strerror(error) : "";
}

std::string ProblemText(const ExportStatus& s) {
    const std::string why = s.systemError != 0 ? SystemText(s.systemError) : s.detail;
    switch (s.problem) {
        case ExportProblem::kNone:
            return "";
        case ExportProblem::kBadFormat:
            return "unknown format \"" + s.detail + "\" (gpkg, shp, geojson, kml, csv, xyz)";
        case ExportProblem::kUnknownCrs:
            return "--crs " + s.detail +
                   ": not a coordinate system PROJ knows (give utm or EPSG:n)";
        case ExportProblem::kCrsNotProjected:
            return "--crs " + s.detail +
                   ": not a projected coordinate system (easting and northing need one)";
        case ExportProblem::kRecording:
            return EngineMessageText(s.engine);
        case ExportProblem::kNoPositionFiles:
            return s.path + ": no position file (" + SystemText(s.systemError) +
                   "): the recording was made without a position source";
        case ExportProblem::kNoRawLog:
            return s.path + ": no raw position log (" + SystemText(s.systemError) +
                   "): the pings cannot be placed again with another latency or offset";
        case ExportProblem::kDamagedPositions:
            return s.path + ":" + std::to_string(s.line) + ": damaged position file (" +
                   (s.detail == "header" ? "not its header line"
                    : s.systemError != 0 ? SystemText(s.systemError)
                                         : "not a position line") +
                   ")";
        case ExportProblem::kNoPositions:
            return s.path +
                   ": no ping has a position, so no UTM zone can be chosen "
                   "(give --crs EPSG:n)";
        case ExportProblem::kOutputExists:
            return s.path + ": exists; not overwritten without --force";
        case ExportProblem::kOutputFolder:
            return s.path + ": cannot write in this folder (" + why + ")";
        case ExportProblem::kWriteFailed:
            return s.path + ": writing failed (" + why + "); nothing was left behind";
        case ExportProblem::kCancelled:
            return "interrupted; nothing was left behind";
    }
    return "";
}

void PrintSummary(const ExportRequest& request, const ExportSummary& s) {
    std::fprintf(stderr,
                 "marevox-cli export: %llu pings, %llu exported, %llu without position "
                 "(%llu of them jumping; %s), %llu unreadable\n",
                 static_cast<unsigned long long>(s.pings),
                 static_cast<unsigned long long>(s.exported),
                 static_cast<unsigned long long>(s.withoutPosition),
                 static_cast<unsigned long long>(s.jumped),
                 FormatInfo(request.format).table ? "exported with empty coordinates" : "left out",
                 static_cast<unsigned long long>(s.unreadable));
    if (s.exported > 0)
        std::fprintf(stderr, "  time %s to %s\n", PositionFormat::UtcText(s.firstMs).c_str(),
                     PositionFormat::UtcText(s.lastMs).c_str());
    if (s.placed > 0)
        std::fprintf(stderr,
                     "  latitude %.7f to %.7f, longitude %.7f to %.7f\n"
                     "  EPSG:%d easting %.3f to %.3f, northing %.3f to %.3f\n",
                     s.south, s.north, s.west, s.east, s.epsg, s.minEasting, s.maxEasting,
                     s.minNorthing, s.maxNorthing);
    for (const std::string& file : s.files) std::fprintf(stderr, "  wrote %s\n", file.c_str());
}

// --edited: each recording's edit file (BASE.edits.csv) over its depths,
// as replay --edited takes it: a rejected ping is left out, a depth set by
// hand or detected again replaces the detected one.
class EditsHook : public RowHook {
public:
    // Every recording's edits, before anything is written; false with the
    // problem said.
    bool Open(const std::vector<std::string>& recordings) {
        for (const std::string& recording : recordings) {
            auto session = std::make_unique<EditSession>();
            const EngineStatus opened = session->OpenRecording(recording);
            if (!opened.Ok()) return Say(EngineMessageText(opened));
            const EditStatus loaded = session->LoadEdits();
            if (!loaded.Ok()) return Say(EditStatusText(loaded));
            for (const EditStatus& notice : session->Notices()) Say(EditStatusText(notice));
            m_sessions.push_back(std::move(session));
        }
        return true;
    }
    bool Apply(ExportRow& row) override {
        const EditedDepths& depths = m_sessions[row.recording]->Depths();
        if (row.record >= depths.Count()) return true;
        const EditedPing ping = depths.For(row.record);
        if (ping.Rejected()) return false;
        if (ping.state != EditState::kKept) row.depth = ping.depth;
        return true;
    }

private:
    static bool Say(const std::string& text) {
        std::fprintf(stderr, "marevox-cli export: %s\n", text.c_str());
        return false;
    }
    std::vector<std::unique_ptr<EditSession>> m_sessions;
};

// Interrupted (Ctrl-C) or told to end: the export stops as a cancel does,
// removing what it wrote.
std::atomic<bool> s_interrupted{false};
extern "C" void Interrupted(int) {
    s_interrupted.store(true, std::memory_order_relaxed);
}

bool Fail(const std::string& problem) {
    std::fprintf(stderr, "marevox-cli export: %s\n%s", problem.c_str(), kUsage);
    return false;
}

bool ParseRequest(const CliArgs& args, ExportRequest* request) {
    const std::vector<std::string> valued = {
        "format", "crs", "latency", "antenna-forward", "antenna-starboard", "every", "out"};
    std::string error = args.Error();
    if (error.empty() && !args.Unknown(valued).empty())
        error = "unknown option --" + args.Unknown(valued);
    if (!error.empty()) return Fail(error);
    if (args.Positional().empty()) return Fail("one or more recordings (FILE.sd) are needed");
    request->recordings = args.Positional();
    const auto format = FormatNamed(args.Value("format").value_or(""));
    if (!format) return Fail("--format is needed: gpkg, shp, geojson, kml, csv or xyz");
    request->format = *format;
    request->crs = args.Value("crs").value_or("utm");
    long long every = 1;
    if (args.Has("every") && !args.Int("every", 1, 1000000, &every, &error)) return Fail(error);
    request->every = static_cast<std::uint32_t>(every);
    if (args.Has("latency") || args.Has("antenna-forward") || args.Has("antenna-starboard")) {
        PositionSettings settings;
        long long latency = 0;
        if (args.Has("latency") && !args.Int("latency", -1000, 10000, &latency, &error))
            return Fail(error);
        settings.latencyMs = static_cast<std::int32_t>(latency);
        for (const auto& [name, value] :
             {std::pair{"antenna-forward", &settings.antennaForward},
              std::pair{"antenna-starboard", &settings.antennaStarboard}}) {
            if (!args.Has(name)) continue;
            if (!args.Double(name, value, &error)) return Fail(error);
            if (std::abs(*value) > 100.0) return Fail(std::string("--") + name + ": at most 100 m");
        }
        request->recompute = settings;
    }
    std::string out = args.Value("out").value_or("");
    if (out.empty()) {
        out = PositionRecording::PathsFor(request->recordings[0]).pings;
        out.resize(out.size() - std::strlen(".pos.csv"));
        out += FormatInfo(request->format).extension;
    }
    request->output = out;
    request->overwrite = args.Has("force");
    request->track = !args.Has("no-track");
    return true;
}

}  // namespace

int CmdExport(int argc, char** argv, int first) {
#ifdef SIGXFSZ
    // A file size limit fails the write, as a full disk does, instead of
    // ending the program with the partial file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const CliArgs args(argc, argv, first, {"force", "no-track", "edited"});
    ExportRequest request;
    if (!ParseRequest(args, &request)) return 2;
    if (request.recompute) {
        std::fprintf(stderr,
                     "marevox-cli export: positions placed again from the raw position log with "
                     "latency %d ms, antenna %.3f m forward, %.3f m starboard\n",
                     request.recompute->latencyMs, request.recompute->antennaForward,
                     request.recompute->antennaStarboard);
    } else {
        // The recording keeps its positions, not the settings they were
        // placed with.
        std::fprintf(stderr,
                     "marevox-cli export: positions as recorded (BASE.pos.csv); the recording does "
                     "not keep its latency and antenna offset: give --latency, --antenna-forward, "
                     "--antenna-starboard to place the pings again from BASE.gnss.csv\n");
    }
    EditsHook edits;
    if (args.Has("edited") && !edits.Open(request.recordings)) return 1;
    ExportSummary summary;
    ExportProgress progress;
    progress.cancel = &s_interrupted;
    std::signal(SIGINT, Interrupted);
    std::signal(SIGTERM, Interrupted);
    const ExportStatus status =
        ExportRecordings(request, &summary, progress, args.Has("edited") ? &edits : nullptr);
    if (!status.Ok()) {
        std::fprintf(stderr, "marevox-cli export: %s\n", ProblemText(status).c_str());
        return 1;
    }
    PrintSummary(request, summary);
    if (summary.leftOut > 0)
        std::fprintf(stderr, "marevox-cli export: %llu pings left out by their edits\n",
                     static_cast<unsigned long long>(summary.leftOut));
    if (summary.jumped > 0)
        std::fprintf(stderr,
                     "marevox-cli export: %llu pings' positions jumped (a bad fix) and were left "
                     "uncharted (flag stale)\n",
                     static_cast<unsigned long long>(summary.jumped));
    return 0;
}
