// Chart printing on the worker: one row handed over (the cost every drawn
// ping pays while printing), and one band made into its document (every 24
// pings), against copying a row of 475 cells. The paper preview of a
// 1000-ping chart for the printer stand-in.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "printing/ChartBytes.h"
#include "printing/ChartFeed.h"
#include "printing/EscpPage.h"

namespace {

// Takes the documents as the spooler would, without sending them.
class CountingSpooler : public ChartSpooler {
public:
    bool OpenPrinter() override { return true; }
    void Submit(std::vector<std::uint8_t> document) override { bytes += document.size(); }
    std::size_t bytes = 0;
};

std::vector<std::uint8_t> Row(int ping) {
    std::vector<std::uint8_t> row(475, 0);
    for (int i = 150 + ping % 40; i < 475; i += 3) row[i] = 5;
    return row;
}

ChartValues Values() {
    ChartValues values;
    values.rangeIndex = 2;
    values.draft = 0.5;
    values.pingTime = 1796630400;
    values.playback = true;
    return values;
}

void BM_CopyRowFloor(benchmark::State& state) {
    const std::vector<std::uint8_t> row = Row(0);
    std::uint8_t band[24][485];
    int n = 0;
    for (auto _ : state) {
        std::memcpy(band[n], row.data(), 475);
        n = (n + 1) % 24;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyRowFloor);

void BM_HandOverRow(benchmark::State& state) {
    CountingSpooler spooler;
    std::atomic<bool> headerDue{true};
    ChartFeed feed(spooler, headerDue);
    const std::vector<std::uint8_t> row = Row(0);
    const ChartValues values = Values();
    for (auto _ : state) feed.AppendRow(row.data(), row.size(), values);
    benchmark::DoNotOptimize(spooler.bytes);
}
BENCHMARK(BM_HandOverRow);

void BM_BandDocument(benchmark::State& state) {
    std::uint8_t rows[24][485] = {};
    for (int i = 0; i < 24; ++i) std::memcpy(rows[i], Row(i).data(), 475);
    const ChartValues values = Values();
    for (auto _ : state) benchmark::DoNotOptimize(ChartBytes::Band(rows, false, values));
}
BENCHMARK(BM_BandDocument);

void BM_PreviewOf1000Pings(benchmark::State& state) {
    std::vector<std::uint8_t> stream;
    class Collect : public ChartSpooler {
    public:
        explicit Collect(std::vector<std::uint8_t>& out) : m_out(out) {}
        bool OpenPrinter() override { return true; }
        void Submit(std::vector<std::uint8_t> document) override {
            m_out.insert(m_out.end(), document.begin(), document.end());
        }
        std::vector<std::uint8_t>& m_out;
    } collect(stream);
    std::atomic<bool> headerDue{true};
    ChartFeed feed(collect, headerDue);
    for (int ping = 0; ping < 1000; ++ping) {
        const std::vector<std::uint8_t> row = Row(ping);
        feed.AppendRow(row.data(), row.size(), Values());
    }
    for (auto _ : state) {
        EscpPage page;
        page.Feed(stream.data(), stream.size());
        benchmark::DoNotOptimize(page.Height());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_PreviewOf1000Pings);

}  // namespace

BENCHMARK_MAIN();
