// What the helm page costs the worker per ping: reducing the ping's samples
// to the strip's column and leaving it for the UI thread, whatever number
// of browsers the UI thread serves; against the floor of reading the same
// samples once (their sum).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "helm/HelmFeed.h"

namespace {

std::vector<std::uint8_t> Samples(std::size_t count) {
    std::vector<std::uint8_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>((i * 7) % 8);
    return samples;
}

void PutPing(benchmark::State& state) {
    const auto samples = Samples(static_cast<std::size_t>(state.range(0)));
    HelmFeed feed;
    for (auto _ : state) feed.PutPing(samples, 30.0);
}

void ReadSamplesFloor(benchmark::State& state) {
    const auto samples = Samples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        unsigned sum = std::accumulate(samples.begin(), samples.end(), 0u);
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

// A short range's ping and the longest one the engine keeps.
BENCHMARK(ReadSamplesFloor)->Arg(1500)->Arg(20000);
BENCHMARK(PutPing)->Arg(1500)->Arg(20000);
BENCHMARK_MAIN();
