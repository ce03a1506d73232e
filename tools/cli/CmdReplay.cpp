// marevox-cli replay FILE.sd [--ini FILE] [--csv] [--png OUT.png]
// [--edited [--edits PATH]]: every record of a recording through the engine,
// as forward playback processes it, and optionally its echogram as
// pictures; with --edited also each ping as its edit file leaves it (and
// the edited bottom line on the pictures).
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DepthSentence.h"
#include "app/EngineMessages.h"
#include "app/Settings.h"
#include "edit/EditSession.h"
#include "engine/EngineHost.h"
#include "engine/RecordFile.h"
#include "engine/Replay.h"
#include "engine/XSound.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/EchogramPng.h"
#include "tools/cli/EditMessages.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

// Catches what processing a record sends out: whether smoothing produced a
// new depth and the depth sentence it was sent as.
class ReplayHost : public EngineHost {
public:
    ReplayHost(XSound& engine, const AppSettings& settings)
        : m_engine(engine), m_settings(settings) {}

    void OutputDepth() override {
        m_output = BuildDepthSentence(m_settings, m_engine);
        m_hasOutput = !m_output.empty();
        m_updated = true;
    }
    void RefreshDepthMonitor() override { m_updated = true; }

    // Forgets what the previous record sent.
    void NextRecord() {
        m_updated = false;
        m_hasOutput = false;
    }
    bool Updated() const { return m_updated; }
    const std::string* Output() const { return m_hasOutput ? &m_output : nullptr; }

private:
    XSound& m_engine;
    const AppSettings& m_settings;
    std::string m_output;
    bool m_hasOutput = false;
    bool m_updated = false;
};

void Print(JsonWriter& line) {
    const std::string& text = line.Finish();
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// The ping as edited, when the edits are asked for.
const EditedPing* EditedFor(const EditSession* edits, std::uint32_t record, EditedPing& out) {
    if (edits == nullptr || record >= edits->Depths().Count()) return nullptr;
    out = edits->Depths().For(record);
    return &out;
}

void PrintJson(JsonWriter& line, XSound& engine, const ReplayHost& host, std::uint32_t record,
               bool processed, const EditSession* edits) {
    line.Reset();
    line.UInt("record", record);
    if (!processed) {
        line.String("error", "unreadable record");
        Print(line);
        return;
    }
    line.Int("time", engine.PingTime())
        .Double("depth", engine.Depth())
        .Double("smoothed", engine.SmoothedDepth())
        .Bool("smoothedUpdated", host.Updated())
        .Int("rangeIndex", engine.Sounding().RangeIndex())
        .Int("rangeOffset", engine.Sounding().RangeOffset())
        .Int("gain", engine.Sounding().Gain())
        .Int("markFlag", engine.MarkFlag())
        .Int("markNumber", engine.MarkNumber());
    if (const std::string* output = host.Output()) {
        line.String("output", *output);
    } else {
        line.Null("output");
    }
    EditedPing ping;
    if (const EditedPing* edited = EditedFor(edits, record, ping)) {
        if (edited->Rejected()) {
            line.Null("edited");
        } else {
            line.Double("edited", edited->depth);
        }
        line.String("state", std::string(StateName(edited->state)));
    }
    Print(line);
}

// With the edits, a rejected ping is left out and an edited one has its
// edited depth.
void PrintCsv(XSound& engine, bool processed, std::uint32_t record, const EditSession* edits) {
    if (!processed) return;
    EditedPing ping;
    const EditedPing* edited = EditedFor(edits, record, ping);
    if (edited != nullptr && edited->Rejected()) return;
    char time[64];
    if (!RecordFile::FormatLocalTime(engine.PingTime(), time, sizeof time)) return;
    std::printf("%s,%.2f\n", time, edited != nullptr ? edited->depth : engine.Depth());
}

// Opens the recording's edits for --edited; false with a message when they
// cannot be used.
bool OpenEdits(const std::string& recording, const CliArgs& args, EditSession& edits) {
    const EngineStatus opened = edits.OpenRecording(recording);
    if (!opened.Ok()) {
        std::fprintf(stderr, "marevox-cli replay: %s\n", EngineMessageText(opened).c_str());
        return false;
    }
    const EditStatus loaded = edits.LoadEdits(args.Value("edits").value_or(""));
    if (!loaded.Ok()) {
        std::fprintf(stderr, "marevox-cli replay: %s\n", EditStatusText(loaded).c_str());
        return false;
    }
    for (const EditStatus& notice : edits.Notices())
        std::fprintf(stderr, "marevox-cli replay: %s\n", EditStatusText(notice).c_str());
    return true;
}

}  // namespace

int CmdReplay(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {"csv", "edited"});
    std::string problem = args.Error();
    const std::vector<std::string> values = {"ini", "png", "edits"};
    if (problem.empty() && !args.Unknown(values).empty())
        problem = "unknown option --" + args.Unknown(values);
    if (problem.empty() && args.Has("edits") && !args.Has("edited"))
        problem = "--edits goes with --edited";
    if (!problem.empty() || args.Positional().size() != 1) {
        std::fprintf(stderr,
                     "marevox-cli replay: %s\nusage: marevox-cli replay FILE.sd "
                     "[--ini FILE] [--csv] [--png OUT.png] [--edited [--edits PATH]]\n",
                     problem.empty() ? "one recording (FILE.sd) is needed" : problem.c_str());
        return 2;
    }
    std::unique_ptr<EditSession> edits;
    if (args.Has("edited")) {
        edits = std::make_unique<EditSession>();
        if (!OpenEdits(args.Positional()[0], args, *edits)) return 1;
    }
    XSound engine;
    AppSettings settings;
    ReplayHost host(engine, settings);
    engine.SetHost(&host);
    if (!LoadSettingsOption(args, "replay", engine, settings)) return 1;

    // What happens after each record, in order: the printed line, then any
    // further consumers of the processed ping (an echogram picture, say).
    std::vector<std::function<void(std::uint32_t record, bool processed)>> consumers;
    // One line at a time in a large buffer: the output is written in big blocks.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
    JsonWriter line;
    if (args.Has("csv")) {
        consumers.push_back(
            [&](std::uint32_t record, bool ok) { PrintCsv(engine, ok, record, edits.get()); });
    } else {
        consumers.push_back([&](std::uint32_t record, bool ok) {
            PrintJson(line, engine, host, record, ok, edits.get());
        });
    }

    std::unique_ptr<EchogramPng> png;
    if (auto pngPath = args.Value("png")) {
        std::string pngError;
        png = EchogramPng::Create(*pngPath, &pngError);
        if (!png) {
            std::fprintf(stderr, "marevox-cli replay: %s\n", pngError.c_str());
            return 2;
        }
        consumers.push_back([&](std::uint32_t record, bool ok) {
            if (!ok) return;
            png->AddColumn(engine, engine.RecordTotal());
            EditedPing ping;
            const EditedPing* edited = EditedFor(edits.get(), record, ping);
            if (edited != nullptr && !edited->Rejected()) png->MarkDepth(engine, edited->depth);
        });
    }

    const EngineStatus opened =
        ReplayRecording(engine, args.Positional()[0], [&](std::uint32_t record, bool ok) {
            for (const auto& consumer : consumers) consumer(record, ok);
            host.NextRecord();
        });
    if (!opened.Ok()) {
        std::fprintf(stderr, "marevox-cli replay: %s\n", EngineMessageText(opened).c_str());
        return 1;
    }
    // Opened without its index file, by scanning the data file.
    if (!engine.PlaybackNotice().Ok())
        std::fprintf(stderr, "marevox-cli replay: %s\n",
                     EngineMessageText(engine.PlaybackNotice()).c_str());
    std::string error;
    if (png && !png->Finish(&error)) {
        std::fprintf(stderr, "marevox-cli replay: --png: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
