// The whole live chain per ping: the decoder on the frame's bytes, then the
// live step (expansion, command frame, blanking, bottom detection, automatic
// gain and range, smoothing) with a host that does nothing. The floor is a
// memset of the 20,000-byte sample array, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/XSound.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Pair(Bytes& body, int first, int second) {
    body.push_back(static_cast<std::uint8_t>(0x40 | (first << 3) | second));
}
void Run(Bytes& body, int value, int length) {
    while (length > 0) {
        const int n = length < 2047 ? length : 2047;
        body.push_back(static_cast<std::uint8_t>(0x80 | (value << 3) | (n >> 8)));
        body.push_back(static_cast<std::uint8_t>(n & 0xFF));
        length -= n;
    }
}
Bytes Frame(const Bytes& body) {
    Bytes f{0x0A};
    for (std::uint8_t b : body) f.push_back(b);
    for (std::uint8_t b : Bytes{0xCA, 0x9E, 0x00, 0x00}) f.push_back(b);
    return f;
}

// A 25 m ping with the bottom at 12 m: transmit ringing, a few specks of
// noise in the water, the bottom return and its tail, then the sea floor's
// weaker layers down to the end of the range.
Bytes TypicalFrame() {
    Bytes b;
    Pair(b, 7, 6);
    Pair(b, 5, 3);
    Run(b, 0, 400);
    Pair(b, 1, 0);
    Run(b, 0, 600);
    Pair(b, 2, 1);
    Run(b, 0, 147);
    Pair(b, 1, 3);
    Run(b, 5, 12);
    Run(b, 7, 6);
    Run(b, 4, 10);
    Pair(b, 3, 2);
    Pair(b, 2, 1);
    Run(b, 0, 300);
    Run(b, 1, 40);
    Run(b, 2, 15);
    Run(b, 0, 960);
    return Frame(b);
}

// Bodies of at most 498 bytes (the frame's 500 less start and end) that
// expand to 19,999 samples, one below the limit at which a ping is dropped.
// One long echo: every bin non-zero, so the bottom search and the echo scan
// walk all of them.
Bytes LongRunFrame() {
    Bytes b;
    for (int k = 0; k < 470; ++k) Pair(b, 1, 1);
    Run(b, 1, 19999 - 940);
    return Frame(b);
}
// As many separate echoes as the body can hold: every pair a run of its own.
Bytes ManyRunsFrame() {
    Bytes b;
    for (int k = 0; k < 470; ++k) Pair(b, 3, 0);
    Run(b, 0, 19999 - 940 - 2);
    Pair(b, 7, 7);
    return Frame(b);
}

void LivePing(benchmark::State& state, const Bytes& frame, std::uint8_t range, double draft) {
    auto engine = std::make_unique<XSound>();
    engine->Sounding().SetDraft(draft);
    engine->Sounding().SetGainAuto(1);
    engine->Sounding().SetRangeAuto(1);
    engine->Sounding().SetRangeIndexSet(range);
    const auto length = static_cast<std::uint32_t>(frame.size());
    for (auto _ : state) {
        engine->Sounding().SetRangeIndexSet(range);  // automatic range must not wander off
        engine->DecodeBytes(frame.data(), length);
        benchmark::DoNotOptimize(engine->StepLive());
    }
    if (engine->SampleCount() == 0) state.SkipWithError("the ping expanded to no samples");
    state.counters["samples"] = engine->SampleCount();
    state.SetItemsProcessed(state.iterations());
}

void BM_LivePing25m(benchmark::State& state) {
    LivePing(state, TypicalFrame(), 2, 0.5);
}
void BM_LivePingWorstLongRun(benchmark::State& state) {
    LivePing(state, LongRunFrame(), 4, 0.0);
}
void BM_LivePingWorstManyRuns(benchmark::State& state) {
    LivePing(state, ManyRunsFrame(), 0, 0.0);
}

void BM_MemsetFloor(benchmark::State& state) {
    static std::uint8_t samples[kSampleMax];
    std::uint8_t value = 0;
    for (auto _ : state) {
        std::memset(samples, value++ & 7, sizeof samples);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_MemsetFloor);
BENCHMARK(BM_LivePing25m);
BENCHMARK(BM_LivePingWorstLongRun);
BENCHMARK(BM_LivePingWorstManyRuns);

}  // namespace

BENCHMARK_MAIN();
