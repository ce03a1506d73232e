// What the output monitor costs a sender (the worker, per depth sentence):
// with the monitor closed, and open while its window takes the messages.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "link/OutputLog.h"

namespace {

const std::string kSentence = "$SDDBT,38.85,f,11.84,M,6.47,F\r\n";

void BM_RecordMonitorClosed(benchmark::State& state) {
    OutputLog log;
    for (auto _ : state) log.Record(OutputLog::Sink::kSerial, kSentence, OutputLog::Result::kSent);
}
BENCHMARK(BM_RecordMonitorClosed);

void BM_RecordMonitorOpen(benchmark::State& state) {
    OutputLog log;
    log.SetWatching(true);
    // The window's refresh, as often as it can, instead of every 250 ms.
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        std::vector<OutputLog::Entry> taken;
        taken.reserve(OutputLog::kPending);
        while (!stop.load(std::memory_order_relaxed)) {
            taken.clear();
            log.Take(taken);
        }
    });
    for (auto _ : state) log.Record(OutputLog::Sink::kSerial, kSentence, OutputLog::Result::kSent);
    stop.store(true);
    watcher.join();
}
BENCHMARK(BM_RecordMonitorOpen);

}  // namespace

BENCHMARK_MAIN();
