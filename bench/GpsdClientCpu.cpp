// The gpsd client's own cost: watches gpsd for a while (the main thread
// sleeps meanwhile) and prints the process's CPU time per second of
// watching, and the fixes taken. bench/gpsd-client.sh runs it against a
// gpsd on marevox-sim's receiver at 10 fixes a second.
//
//   gpsd-client-cpu HOST:PORT SECONDS
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/GpsdClient.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const auto endpoint = argc == 3 ? GpsdClient::ParseEndpoint(argv[1]) : std::nullopt;
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 0;
    if (!endpoint || seconds <= 0) {
        std::fprintf(stderr, "usage: gpsd-client-cpu HOST:PORT SECONDS\n");
        return 2;
    }
    FixHistory history;
    GpsdClient client(history);
    client.Start(*endpoint);
    // Connected and the first fixes in before measuring.
    while (history.Count() < 10) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double cpuBefore = CpuSeconds();
    const std::uint64_t fixesBefore = history.Count();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuBefore;
    const std::uint64_t fixes = history.Count() - fixesBefore;
    client.Stop();
    std::printf(
        "%llu fixes in %d s (%.1f a second); CPU %.3f s: %.3f %% of a core, %.1f us a fix\n",
        static_cast<unsigned long long>(fixes), seconds, static_cast<double>(fixes) / seconds, cpu,
        100.0 * cpu / seconds, 1e6 * cpu / static_cast<double>(fixes));
    return 0;
}
