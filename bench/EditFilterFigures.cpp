// bench-edit-filters [SEED...]: the spike filter on simulated lines over a
// flat bottom (fish schools at the simulator's default chance and three
// times it, boat wakes), against the truth: the share of false bottoms it
// rejects and of true ones. The environment may change the filter's
// settings (NEIGHBOURS, AMOUNT, SHARE) and give the bottom a slope instead
// (PERIOD: pings for one swing between 5 and 20 m).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "edit/EditedDepths.h"
#include "edit/RecordedDepths.h"
#include "edit/SpikeFilter.h"
#include "tests/support/SimulatedLine.h"

int main(int argc, char** argv) {
    const std::uint32_t pings = 5000;
    const std::string base =
        (std::filesystem::temp_directory_path() / ("edit-filters-" + std::to_string(::getpid())))
            .string();
    SpikeSettings settings;
    if (const char* n = std::getenv("NEIGHBOURS"))
        settings.neighbours = static_cast<std::uint32_t>(std::strtoul(n, nullptr, 10));
    if (const char* a = std::getenv("AMOUNT")) settings.amount = std::strtod(a, nullptr);
    if (const char* s = std::getenv("SHARE")) settings.share = std::strtod(s, nullptr);
    std::printf("seed fish  wake   pings false-bottoms rejected-false rejected-true\n");
    double falseShare = 0.0, trueShare = 0.0, worstFalse = 1.0, worstTrue = 0.0;
    int lines = 0;
    int failures = 0;
    for (int i = 1; i < (argc > 1 ? argc : 2); ++i) {
        const std::uint64_t seed = argc > 1 ? std::strtoull(argv[i], nullptr, 10) : 1;
        for (double fish : {0.01, 0.03}) {
            Sea::Config config;
            config.fishRate = fish;
            config.wakeRate = 0.005;
            config.period = 1e9;  // flat
            config.depthMin = config.depthMax = 12.0;
            if (const char* period = std::getenv("PERIOD")) {
                config.period = std::strtod(period, nullptr);
                config.depthMin = 5.0;
                config.depthMax = 20.0;
            }
            SimulatedLine::Truth truth;
            std::vector<PingDepth> detected;
            if (!SimulatedLine::Make(base, config, seed, pings, truth) ||
                !ReadRecordedDepths(base + ".sd", detected).Ok())
                return 1;
            EditedDepths depths(std::move(detected));
            depths.Apply(SpikeFilter(depths, settings, {}, 0));
            const SimulatedLine::Score score = SimulatedLine::Compare(depths, truth);
            std::printf("%4llu %.2f %.3f %6u %8u      %7.2f %%     %7.3f %%\n",
                        static_cast<unsigned long long>(seed), fish, config.wakeRate, pings,
                        score.falseBottoms, 100.0 * score.FalseShare(), 100.0 * score.TrueShare());
            if (score.FalseShare() < 0.95 || score.TrueShare() > 0.005) ++failures;
            ++lines;
            falseShare += score.FalseShare();
            trueShare += score.TrueShare();
            worstFalse = std::min(worstFalse, score.FalseShare());
            worstTrue = std::max(worstTrue, score.TrueShare());
            for (const char* ext : {".sd", ".idx", ".txt"}) std::filesystem::remove(base + ext);
        }
    }
    std::printf(
        "mean of %d lines: %.2f %% of false bottoms rejected (worst %.2f %%), %.3f %% of "
        "true ones (worst %.3f %%)\n",
        lines, 100.0 * falseShare / lines, 100.0 * worstFalse, 100.0 * trueShare / lines,
        100.0 * worstTrue);
    std::printf("lines short of 95 %% / 0.5 %%: %d\n", failures);
    return 0;
}
