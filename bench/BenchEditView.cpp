// The edit window on a 100,000-ping line over a sloping bottom with fish,
// 1920 x 1080: opening the line with 5,000 edits in its edit file, and a
// paint of the view (rebuilding the picture after an edit, and the frame of
// a drag that only moves the selection over the kept picture), the whole
// line in view and zoomed in to a ping a pixel. A display frame is 16.7 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>

#include "edit/EditSession.h"
#include "editor/CEditWindow.h"
#include "tests/support/SimulatedLine.h"

namespace {

constexpr std::uint32_t kPings = 100000;

// The line and its edit file, made once for every benchmark.
const std::string& Line() {
    static const std::string path = [] {
        const std::string base = (std::filesystem::temp_directory_path() /
                                  ("bench-edit-view-" + std::to_string(::getpid())))
                                     .string();
        Sea::Config config;
        config.fishRate = 0.01;
        config.depthMin = 5.0;
        config.depthMax = 40.0;
        SimulatedLine::Truth truth;
        if (!SimulatedLine::Make(base, config, 7, kPings, truth)) std::abort();
        EditSession session;
        if (!session.OpenRecording(base + ".sd").Ok() || !session.LoadEdits().Ok()) std::abort();
        std::vector<Edit> edits;
        for (std::uint32_t record = 0; record < kPings; record += 20)
            edits.push_back({record, session.Depths().Detected(record).time, EditAction::kReject});
        session.Commit(edits);
        return base + ".sd";
    }();
    return path;
}

void Cleanup() {
    const std::string base = Line().substr(0, Line().size() - 3);
    for (const char* extension : {".sd", ".idx", ".txt", ".edits.csv"})
        std::filesystem::remove(base + extension);
}

void OpenLineWithEdits(benchmark::State& state) {
    Line();
    for (auto _ : state) {
        CEditWindow window;
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        if (!window.Open(Line()).Ok()) state.SkipWithError("cannot open the line");
        benchmark::DoNotOptimize(window.Session().Depths().Count());
    }
}
BENCHMARK(OpenLineWithEdits)->Unit(benchmark::kMillisecond)->Iterations(5);

// range(0): 0 the whole line in view, 1 a ping a pixel; range(1): 1 the
// picture rebuilt (after an edit), 0 a drag's frame over the kept picture.
void PaintEditView(benchmark::State& state) {
    CEditWindow window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    if (!window.Open(Line()).Ok()) state.SkipWithError("cannot open the line");
    // The view at the size of the screen, painted as the window system's
    // backing store gets it.
    CEditView& view = window.View();
    view.resize(1920, 1080);
    view.ShowAll();
    if (state.range(0) == 1) view.ShowStretch(kPings / 2.0, 1.0);
    QImage screen(1920, 1080, QImage::Format_RGB32);
    view.render(&screen);
    for (auto _ : state) {
        if (state.range(1) == 1) view.EditsChanged();
        view.render(&screen);
    }
    state.SetLabel(std::string(state.range(0) == 1 ? "a ping a pixel" : "whole line") +
                   (state.range(1) == 1 ? ", picture rebuilt" : ", drag frame"));
}
BENCHMARK(PaintEditView)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Cleanup();
    return 0;
}
