// The worker's cost of one echogram step (new column in both stores, zoom
// window, scroll counters, scale source) against the floor of writing the
// two columns' pixels, and the UI thread's cost of one screen frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "display/CMarevoxView.h"
#include "engine/XSound.h"

namespace {

// A 25 m ping: surface noise, the bottom at `depth` and its fading tail.
void FillPing(XSound& engine, double depth) {
    std::vector<std::uint8_t> samples(4000, 0);
    const auto bottom = static_cast<std::uint32_t>(depth * 100.0);
    for (std::uint32_t i = 60; i < 120; ++i) samples[i] = static_cast<std::uint8_t>(1 + i % 3);
    for (std::uint32_t i = bottom; i < 4000; ++i)
        samples[i] = static_cast<std::uint8_t>(std::max<int>(1, 7 - int(i - bottom) / 40));
    engine.LoadPing(samples, true, false);
    engine.SetDepth(depth);
}

void AdvanceAndPaint(benchmark::State& state) {
    XSound engine;
    engine.Sounding().SetRangeIndex(2);
    engine.View().SetZoom(state.range(0) != 0);
    CMarevoxView view(engine);
    // The bottom wanders slowly, so the zoom window moves now and then as
    // it does at sea.
    int n = 0;
    for (auto _ : state) {
        FillPing(engine, 12.0 + 4.0 * std::sin(++n / 150.0));
        view.AdvanceAndPaint();
    }
    state.SetLabel(state.range(0) != 0 ? "full mode, zoom on" : "full mode, zoom off");
}
BENCHMARK(AdvanceAndPaint)->Arg(0)->Arg(1);

// The ping filling alone, to subtract from the step above.
void FillPingOnly(benchmark::State& state) {
    XSound engine;
    int n = 0;
    for (auto _ : state) {
        FillPing(engine, 12.0 + 4.0 * std::sin(++n / 150.0));
        benchmark::DoNotOptimize(engine.Samples()[0]);
    }
}
BENCHMARK(FillPingOnly);

// Floor: the 2 x 475 pixel writes of one step into two 5000 x 475 stores.
void ColumnWritesFloor(benchmark::State& state) {
    QImage normal(5000, 475, QImage::Format_RGB32);
    QImage zoom(5000, 475, QImage::Format_RGB32);
    normal.fill(0);
    zoom.fill(0);
    const qsizetype stride = normal.bytesPerLine() / 4;
    QRgb* a = reinterpret_cast<QRgb*>(normal.bits());
    QRgb* b = reinterpret_cast<QRgb*>(zoom.bits());
    int x = 800;
    for (auto _ : state) {
        for (int y = 0; y < 475; ++y) {
            a[y * stride + x] = static_cast<QRgb>(y);
            b[y * stride + x] = static_cast<QRgb>(y);
        }
        benchmark::ClobberMemory();
        if (++x == 5000) x = 800;
    }
}
BENCHMARK(ColumnWritesFloor);

// What a step would cost if it copied the visible 800 x 475 picture out of
// the store at every ping instead of leaving that to the screen refresh.
void CopyVisiblePicture(benchmark::State& state) {
    QImage store(5000, 475, QImage::Format_RGB32);
    QImage picture(800, 475, QImage::Format_RGB32);
    store.fill(0x123456);
    int start = 0;
    for (auto _ : state) {
        for (int y = 0; y < 475; ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(store.constScanLine(y)) + start + 30, 770,
                        reinterpret_cast<QRgb*>(picture.scanLine(y)));
        benchmark::ClobberMemory();
        if (++start == 4200) start = 0;
    }
}
BENCHMARK(CopyVisiblePicture);

// The step that reaches the end of the stores also moves the newest 800
// columns of both stores and clears the rest: once every 4200 pings.
void CompactStores(benchmark::State& state) {
    EchogramStores stores;
    stores.Create(0x123456);
    for (auto _ : state) {
        stores.CompactForward(800, 0x123456);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CompactStores)->Unit(benchmark::kMicrosecond);

constexpr std::size_t kElsewhereBytes = std::size_t{8} << 20;

// The UI thread's cost of the screen refresh after one ping, as the window
// does it: the view shown at the size of a maximised window on a 1280 x 800
// screen, a ping step, then the refresh through the window's backing store.
// First argument: 0 repaints the whole view, 1 the echogram part
// (EchogramRect), 2 is what the window does now (ShowNewest: the shown
// picture moved by the ping's width, then the new column and the dotted
// ruler rows painted and flushed at once, in the same pass). Second: zoom. Third: the picture one
// pixel per screen pixel (0) or scaled to the whole view (1, the default).
void PaintTheWindow(benchmark::State& state) {
    const int refresh = static_cast<int>(state.range(0));
    XSound engine;
    engine.Sounding().SetRangeIndex(2);
    engine.View().SetZoom(state.range(1) != 0);
    CMarevoxView view(engine);
    view.SetFitToWindow(state.range(2) != 0);
    view.resize(1280, 740);
    view.show();
    int n = 0;
    for (; n < 1000; ++n) {
        FillPing(engine, 12.0 + 4.0 * std::sin(n / 150.0));
        view.AdvanceAndPaint();
    }
    QCoreApplication::processEvents();
    view.ShowNewest();
    QCoreApplication::processEvents();
    // Between two pings the program's other threads and the X server run
    // for some 20 ms: the stores' rows a refresh reads are by then no
    // longer in this core's caches. Each step reads other memory first,
    // untimed.
    std::vector<std::uint64_t> elsewhere(kElsewhereBytes / sizeof(std::uint64_t), 1);
    for (auto _ : state) {
        state.PauseTiming();
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < elsewhere.size(); i += 8) sum += elsewhere[i]++;
        benchmark::DoNotOptimize(sum);
        state.ResumeTiming();
        FillPing(engine, 12.0 + 4.0 * std::sin(++n / 150.0));
        view.AdvanceAndPaint();
        if (refresh == 0) {
            view.repaint();
        } else if (refresh == 1) {
            view.repaint(view.EchogramRect());
        } else {
            view.ShowNewest();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        }
    }
    QCoreApplication::processEvents();
    static const char* const kRefresh[] = {"whole view", "echogram part", "moved, new column"};
    state.SetLabel(std::string(kRefresh[refresh]) +
                   (state.range(1) != 0 ? ", zoom on" : ", zoom off") +
                   (state.range(2) != 0 ? ", scaled" : ""));
}
BENCHMARK(PaintTheWindow)
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->Args({2, 0, 1})
    ->Args({2, 1, 1})
    ->Args({1, 0, 0})
    ->Args({2, 0, 0});

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
