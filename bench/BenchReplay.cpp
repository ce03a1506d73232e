// Replay throughput: every record of a 1,000,000-record recording through
// the engine, as forward playback processes it, against reading the same
// data file straight through (the I/O floor). Both run on a warm cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RecordFile.h"
#include "engine/Replay.h"
#include "engine/XSound.h"
#include "tests/support/SyntheticRecording.h"

namespace {

constexpr std::uint32_t kRecords = 1000000;
std::string g_dataPath;

void BM_ReadFileStraightThrough(benchmark::State& state) {
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        std::FILE* file = std::fopen(g_dataPath.c_str(), "rb");
        std::size_t total = 0;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file)) total += n;
        std::fclose(file);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_ReplayRecording(benchmark::State& state) {
    XSound engine;
    std::uint64_t processed = 0;
    for (auto _ : state) {
        ReplayRecording(engine, g_dataPath, [&](std::uint32_t, bool ok) { processed += ok; });
    }
    if (processed != state.iterations() * std::uint64_t{kRecords})
        state.SkipWithError("records were not processed");
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// The playback read path alone: each record sought through the index and
// read into the engine, without processing.
void BM_ReadRecordsThroughIndex(benchmark::State& state) {
    XSound engine;
    if (!engine.OpenRecording(g_dataPath).Ok()) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    std::uint64_t read = 0;
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < kRecords; ++i) {
            engine.SetRecordIndex(i);
            read += engine.SeekRecord(i) && engine.ReadRecord();
        }
    }
    if (read != state.iterations() * std::uint64_t{kRecords})
        state.SkipWithError("records were not read");
    state.SetItemsProcessed(state.iterations() * kRecords);
    engine.EndPlayback();
}

BENCHMARK(BM_ReadFileStraightThrough)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ReadRecordsThroughIndex)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ReplayRecording)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "marevox-bench-replay";
    std::filesystem::create_directories(folder);
    g_dataPath = (folder / "replay.sd").string();
    // Twenty pings a second, the bottom drifting between 8 and 20 m.
    Synthetic::WriteRecording(
        g_dataPath, (folder / "replay.idx").string(), kRecords, [](std::uint32_t i) {
            const std::uint32_t drift = (i / 50) % 1200;
            const std::uint32_t bottom = 800 + (drift < 600 ? drift : 1200 - drift) * 2;
            return Synthetic::Record(Synthetic::TypicalRawFrame(bottom, i), 1796630400 + i / 20);
        });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
