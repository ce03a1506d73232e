#!/usr/bin/env bash
# Configures and builds Marevox into build/ (or $MAREVOX_BUILD_DIR).
# Extra arguments go to cmake's configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$root" -B "$build" -G Ninja -DMAREVOX_WERROR="$werror" "$@" >/dev/null
cmake --build "$build" -j2
