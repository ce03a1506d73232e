#!/usr/bin/env bash
# Builds the libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it for N seconds (default 60).
# Exits non-zero when the fuzzer finds a crash; the crashing input is left
# in build-fuzz/ as crash-*.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_FUZZ_BUILD_DIR:-$root/build-fuzz}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DMAREVOX_CORE_ONLY=ON -DMAREVOX_FUZZ=ON -DMAREVOX_BENCH=OFF \
    -DMAREVOX_SANITIZE=address,undefined \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" --target fuzz_live_ping -j2

corpus="$build/corpus"
mkdir -p "$corpus"
cp "$root/tests/data/sample_stream.bin" "$corpus/"
cd "$build"
./bin/fuzz_live_ping -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 "$corpus"
