// What placing a ping costs the thread that processes it: reading the
// latest-fix snapshot, placing the ping from the fix history (carried from
// the latest fix, as at the ping, or between two fixes a second back, as
// when its line is written), and its line of the per-ping file; against
// the floor of copying one fix. The history is written meanwhile by a
// thread at 10 fixes a second, or as fast as it can (the worst case).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "survey/FixHistory.h"
#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "survey/TransducerPosition.h"

namespace {

constexpr std::int64_t kStart = 1'800'000'000'000;

Fix FixAt(std::int64_t ms) {
    Fix fix;
    fix.timeMs = ms;
    fix.receivedMs = ms + 30;
    fix.quality = FixQuality::kRtkFixed;
    const LatLon at = Displaced({31.2, 121.5}, {2.0 * static_cast<double>(ms - kStart) / 1e3, 0});
    fix.latitude = at.latitude;
    fix.longitude = at.longitude;
    fix.course = 90.0;
    fix.speed = 2.0;
    fix.heading = 90.0;
    fix.eph = 0.02;
    return fix;
}

// A history full of fixes, written on by a thread while the benchmark runs:
// every 100 ms (range(0) == 0) or without pause.
class Feed {
public:
    explicit Feed(bool flat_out) {
        for (std::int64_t i = 0; i < 300; ++i) history.Publish(FixAt(kStart + 100 * i));
        m_writer = std::thread([this, flat_out] {
            std::int64_t next = kStart + 30000;
            while (!m_stop.load(std::memory_order_relaxed)) {
                history.Publish(FixAt(next));
                next += 100;
                if (!flat_out) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~Feed() {
        m_stop.store(true);
        m_writer.join();
    }
    std::int64_t LatestTime() const { return history.Latest()->timeMs; }

    FixHistory history;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_writer;
};

void BM_CopyOneFixFloor(benchmark::State& state) {
    Fix from = FixAt(kStart), to;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&from);
        std::memcpy(&to, &from, sizeof to);
        benchmark::DoNotOptimize(&to);
    }
}
BENCHMARK(BM_CopyOneFixFloor);

void BM_LatestFix(benchmark::State& state) {
    Feed feed(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(feed.history.Latest());
}
BENCHMARK(BM_LatestFix)->Arg(0)->Arg(1);

void BM_PlacePingAtThePing(benchmark::State& state) {
    Feed feed(state.range(0) != 0);
    const PositionSettings settings{0, 1.0, 0.5};
    for (auto _ : state)
        benchmark::DoNotOptimize(TransducerAt(feed.history, feed.LatestTime() + 50, settings));
}
BENCHMARK(BM_PlacePingAtThePing)->Arg(0)->Arg(1);

void BM_PlacePingOneSecondBack(benchmark::State& state) {
    Feed feed(state.range(0) != 0);
    const PositionSettings settings{0, 1.0, 0.5};
    for (auto _ : state)
        benchmark::DoNotOptimize(TransducerAt(feed.history, feed.LatestTime() - 1050, settings));
}
BENCHMARK(BM_PlacePingOneSecondBack)->Arg(0)->Arg(1);

void BM_PingLine(benchmark::State& state) {
    FixHistory history;
    history.Publish(FixAt(kStart));
    history.Publish(FixAt(kStart + 100));
    const PositionFormat::PingLine ping{41, kStart + 50, TransducerAt(history, kStart + 50, {})};
    std::string line;
    for (auto _ : state) {
        line.clear();
        PositionFormat::AppendPingLine(line, ping);
        benchmark::DoNotOptimize(line.data());
    }
}
BENCHMARK(BM_PingLine);

}  // namespace

BENCHMARK_MAIN();
