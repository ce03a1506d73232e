#!/usr/bin/env bash
# Fuzzes the recording files: corrupted .sd/.idx pairs through opening,
# reading, replay, playback steps and the time search, with AddressSanitizer
# and UndefinedBehaviorSanitizer. Usage: scripts/fuzz-recording.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="${MAREVOX_FUZZ_BUILD_DIR:-$root/build-fuzz-recording}"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DMAREVOX_CORE_ONLY=ON \
    -DMAREVOX_FUZZ=ON -DMAREVOX_SANITIZE=address,undefined -DMAREVOX_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_recording make_recording_seeds
corpus="$build/recording-corpus"
mkdir -p "$corpus"
"$build/bin/make_recording_seeds" "$corpus"
"$build/bin/fuzz_recording" -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 "$corpus"
