#!/usr/bin/env bash
# Builds the live-chain benchmark in Release (engine only, no Qt) and runs it
# with repetitions, printing mean, median and spread of each measurement.
# Extra arguments go to the benchmark (e.g. --benchmark_filter=Worst).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMAREVOX_CORE_ONLY=ON \
    >/dev/null
cmake --build "$build" --target BenchLivePing -j2
"$build/bin/BenchLivePing" --benchmark_min_time=0.2 --benchmark_repetitions=9 \
    --benchmark_report_aggregates_only=true "$@"
