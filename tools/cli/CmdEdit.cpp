// marevox-cli edit FILE.sd --filter FILTER [--from N] [--to M] [--dry-run]
// [--edits PATH], or --list: a filter over a recording's depths as edits in
// its edit file, and the depths as edited. The recording itself is only read.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/EngineMessages.h"
#include "edit/DepthWindowFilter.h"
#include "edit/EditSession.h"
#include "edit/Restore.h"
#include "tools/cli/Commands.h"
#include "tools/cli/EditFilterChoice.h"
#include "tools/cli/EditMessages.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli edit FILE.sd --filter spike[:neighbours=N,amount=M,share=S]|"
    "window:MIN:MAX|redetect:draft=M,speed=V,antijam=0|1|2,depth=M|restore\n"
    "                        [--from N] [--to M] [--dry-run] [--edits PATH]\n"
    "       marevox-cli edit FILE.sd --list [--edits PATH]\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "marevox-cli edit: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

void Print(JsonWriter& line) {
    const std::string& text = line.Finish();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintDepths(const EditedDepths& depths) {
    JsonWriter line;
    for (std::uint32_t record = 0; record < depths.Count(); ++record) {
        const PingDepth& detected = depths.Detected(record);
        const EditedPing edited = depths.For(record);
        line.Reset();
        line.UInt("record", record)
            .Int("time", detected.time)
            .Double("detected", detected.depth)
            .Bool("found", detected.found);
        if (edited.Rejected()) {
            line.Null("depth");
        } else {
            line.Double("depth", edited.depth);
        }
        line.String("state", std::string(StateName(edited.state)));
        Print(line);
    }
}

// Each edit with the ping as it was before.
void PrintEdits(const EditedDepths& depths, const std::vector<Edit>& edits) {
    JsonWriter line;
    for (const Edit& edit : edits) {
        const EditedPing before = depths.For(edit.record);
        line.Reset();
        line.UInt("record", edit.record)
            .Int("time", edit.time)
            .String("action", std::string(ActionName(edit.action)));
        if (edit.action == EditAction::kSetDepth) {
            line.Double("depth", edit.depth);
        } else {
            line.Null("depth");
        }
        line.String("source", std::string(SourceName(edit.source)))
            .Double("was", before.depth)
            .String("wasState", std::string(StateName(before.state)));
        Print(line);
    }
}

bool Stretched(const CliArgs& args, Stretch& stretch, std::string& error) {
    long long n = 0;
    if (args.Has("from")) {
        if (!args.Int("from", 0, 0xFFFFFFFFLL, &n, &error)) return false;
        stretch.first = static_cast<std::uint32_t>(n);
    }
    if (args.Has("to")) {
        if (!args.Int("to", stretch.first, 0xFFFFFFFFLL, &n, &error)) return false;
        stretch.last = static_cast<std::uint32_t>(n);
    }
    return true;
}

}  // namespace

int CmdEdit(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {"dry-run", "list"});
    std::string problem = args.Error();
    const std::vector<std::string> values = {"filter", "from", "to", "edits"};
    if (problem.empty() && !args.Unknown(values).empty())
        problem = "unknown option --" + args.Unknown(values);
    if (problem.empty() && args.Positional().size() != 1)
        problem = "one recording (FILE.sd) is needed";
    if (problem.empty() && args.Has("list") == args.Value("filter").has_value())
        problem = "either --filter or --list is needed";
    EditFilterChoice choice;
    Stretch stretch;
    if (problem.empty() && args.Value("filter"))
        ParseEditFilter(*args.Value("filter"), choice, problem);
    if (problem.empty()) Stretched(args, stretch, problem);
    if (!problem.empty()) return Usage(problem);

    const std::string& recording = args.Positional()[0];
    EditSession session;
    const EngineStatus opened = session.OpenRecording(recording);
    if (!opened.Ok()) {
        std::fprintf(stderr, "marevox-cli edit: %s\n", EngineMessageText(opened).c_str());
        return 1;
    }
    const EditStatus loaded = session.LoadEdits(args.Value("edits").value_or(""));
    if (!loaded.Ok()) {
        std::fprintf(stderr, "marevox-cli edit: %s\n", EditStatusText(loaded).c_str());
        return 1;
    }
    for (const EditStatus& notice : session.Notices())
        std::fprintf(stderr, "marevox-cli edit: %s\n", EditStatusText(notice).c_str());
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
    if (args.Has("list")) {
        PrintDepths(session.Depths());
        return 0;
    }

    const std::int64_t now = std::time(nullptr);
    const EditedDepths& depths = session.Depths();
    std::vector<Edit> edits;
    const char* name = "restore";
    switch (choice.kind) {
        case EditFilterChoice::Kind::kSpike:
            name = "spike";
            edits = SpikeFilter(depths, choice.spike, stretch, now);
            break;
        case EditFilterChoice::Kind::kWindow:
            name = "window";
            edits = DepthWindowFilter(depths, choice.min, choice.max, stretch, now);
            break;
        case EditFilterChoice::Kind::kRedetect: {
            name = "redetect";
            const EngineStatus status =
                Redetect(recording, depths, choice.redetect, stretch, now, edits);
            if (!status.Ok()) {
                std::fprintf(stderr, "marevox-cli edit: %s\n", EngineMessageText(status).c_str());
                return 1;
            }
            break;
        }
        case EditFilterChoice::Kind::kRestore:
            edits = RestoreStretch(depths, stretch, now);
            break;
    }
    PrintEdits(depths, edits);
    std::fflush(stdout);
    const bool dryRun = args.Has("dry-run");
    std::fprintf(stderr, "marevox-cli edit: %s: %zu of %u pings %s%s\n", name, edits.size(),
                 depths.Count(), dryRun ? "would change" : "changed",
                 dryRun ? " (dry run: nothing written)" : "");
    if (dryRun || edits.empty()) return 0;
    session.Commit(edits);
    if (!session.SaveStatus().Ok()) {
        std::fprintf(stderr,
                     "marevox-cli edit: %s\nmarevox-cli edit: the edits were not kept; give "
                     "another edit file with --edits PATH\n",
                     EditStatusText(session.SaveStatus()).c_str());
        return 1;
    }
    return 0;
}
