// The time search across a whole 5,000,000-record recording (the largest an
// index can list): from the first record to the last, on a warm cache.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "engine/XSound.h"
#include "tests/support/SyntheticRecording.h"

namespace {

constexpr std::uint32_t kRecords = kRecordOffsetMax;
constexpr std::int64_t kFirstTime = 1796630400;
std::string g_dataPath;

void BM_SearchTimeFirstToLast(benchmark::State& state) {
    XSound engine;
    if (!engine.OpenRecording(g_dataPath).Ok()) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    engine.SetSearchTime(engine.LastTime());
    for (auto _ : state) {
        state.PauseTiming();
        engine.SetRecordIndex(0);
        engine.SetPingTime(kFirstTime);
        state.ResumeTiming();
        engine.SearchTime();
    }
    // The search ends one record past the last record, at the end.
    if (engine.RecordIndex() != kRecords) state.SkipWithError("search ended elsewhere");
    state.SetItemsProcessed(state.iterations() * kRecords);
    engine.EndPlayback();
}

BENCHMARK(BM_SearchTimeFirstToLast)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "marevox-bench-search";
    std::filesystem::create_directories(folder);
    g_dataPath = (folder / "search.sd").string();
    // One ping a second, so the last record alone has the last time.
    Synthetic::WriteRecording(
        g_dataPath, (folder / "search.idx").string(), kRecords, [](std::uint32_t i) {
            return Synthetic::Record(Synthetic::TypicalRawFrame(1000 + i % 700, i), kFirstTime + i);
        });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
