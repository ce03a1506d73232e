#!/usr/bin/env bash
# The spike filter with its defaults against the simulator's truth over
# several seeds: flat bottom, then two sloping ones. Run from the build
# folder's parent or give the build folder: bench/edit-filters.sh [BUILD] [SEEDS...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 2 3 4 5 6 7 8 9 10)
echo "== flat bottom at 12.5 m"
"$build/bin/bench-edit-filters" "${seeds[@]}"
for period in 30000 10000; do
    echo "== bottom swinging between 5.5 and 20.5 m over $period pings"
    PERIOD=$period "$build/bin/bench-edit-filters" "${seeds[@]}"
done
