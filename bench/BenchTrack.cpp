// The track window on a long recording, on the UI thread: reading its
// per-ping position file when playback opens it (against reading the
// file's bytes), and one paint of the whole track.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "display/CTrackWindow.h"
#include "display/TrackModel.h"
#include "engine/XSound.h"
#include "survey/FixHistory.h"
#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "tests/support/SyntheticRecording.h"

namespace {

// A survey of `pings` pings, ten a second, on 500 m lines 20 m apart at
// 2 m/s: the recording and its per-ping position file.
struct Survey {
    explicit Survey(std::uint32_t pings)
        : base((std::filesystem::temp_directory_path() / "marevox-bench-track").string()) {
        Synthetic::MakeRecording(base, pings, 1'800'000'000);
        std::string text(PositionFormat::kPingHeader);
        for (std::uint32_t record = 0; record < pings; ++record) {
            const double along = std::fmod(0.2 * record, 500.0);
            const auto line = static_cast<int>(0.2 * record / 500.0);
            const LatLon at =
                Displaced({31.2, 121.5}, {line % 2 ? 500.0 - along : along, 20.0 * line});
            PositionFormat::AppendPingLine(
                text, {record,
                       1'800'000'000'000 + 100 * std::int64_t{record},
                       {PositionFlag::kInterpolated, FixQuality::kRtkFixed, at.latitude,
                        at.longitude, 0.02, line % 2 ? 270.0 : 90.0, 2.0}});
        }
        std::FILE* file = std::fopen(PositionsPath().c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    ~Survey() {
        for (const char* end : {".sd", ".idx", ".pos.csv"}) std::filesystem::remove(base + end);
    }
    std::string PositionsPath() const { return base + ".pos.csv"; }

    const std::string base;
};

constexpr std::uint32_t kPings = 100'000;  // 2.8 hours

// Floor: the file's bytes into memory.
void ReadFileFloor(benchmark::State& state) {
    const Survey survey(kPings);
    char buffer[65536];
    for (auto _ : state) {
        std::string text;
        std::FILE* file = std::fopen(survey.PositionsPath().c_str(), "rb");
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(ReadFileFloor)->Unit(benchmark::kMillisecond);

void ReadPingFile(benchmark::State& state) {
    const Survey survey(kPings);
    for (auto _ : state) {
        TrackModel track;
        track.Assign(*TrackModel::ReadPingFile(survey.PositionsPath()));
        benchmark::DoNotOptimize(track.Size());
    }
}
BENCHMARK(ReadPingFile)->Unit(benchmark::kMillisecond);

// One paint of the window (480 x 420) with the whole recording played and a
// depth at every record: fitted (most points share a pixel) and zoomed in
// on the boat (/1, every point its own).
void PaintTrack(benchmark::State& state) {
    const Survey survey(kPings);
    XSound engine;
    FixHistory fixes;
    CTrackWindow window(engine, fixes);
    window.resize(480, 420);
    engine.OpenRecording(survey.base + ".sd");
    for (std::uint32_t record = 1; record <= kPings; record += CTrackWindow::kFillMax) {
        engine.SetRecordIndex(record);
        window.DepthArrived(5.0 + std::fmod(record / 1000.0, 10.0));
    }
    window.Refresh();
    for (int notch = 0; notch < 8 * state.range(0); ++notch) {
        QWheelEvent in({240, 210}, {240, 210}, {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &in);
    }
    QImage picture(window.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        window.render(&picture);
        benchmark::DoNotOptimize(picture.bits());
    }
    state.SetLabel(state.range(0) != 0 ? "zoomed in" : "whole track");
    engine.EndPlayback();
}
BENCHMARK(PaintTrack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
