#!/usr/bin/env bash
# How fast marevox-cli replay writes its lines: a recording of N pings from
# the simulated sea (bench-make-recording), then `replay` (JSON lines) and
# `replay --csv` in interleaved rounds, each to /dev/null. Prints, per round
# and as medians, the CPU time (user + system) and the wall time, the
# records per second of each, and the load average beside each round.
#
# usage: bench/replay-output.sh [PINGS] [ROUNDS]   (default 1000000 and 3)
# MAREVOX_BUILD_DIR selects the build (default build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
pings="${1:-1000000}"
rounds="${2:-3}"
for exe in marevox-cli bench-make-recording; do
    [ -x "$build/bin/$exe" ] || { echo "replay-output: $build/bin/$exe is not built" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "making a recording of $pings pings" >&2
"$build/bin/bench-make-recording" "$work/survey" "$pings" >/dev/null

exec python3 - "$build/bin/marevox-cli" "$work/survey.sd" "$pings" "$rounds" <<'PY'
import os, resource, statistics, subprocess, sys, time

cli, recording, pings, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
kinds = {"json": [], "csv": []}
for r in range(rounds):
    for kind in kinds:
        args = [cli, "replay", recording] + (["--csv"] if kind == "csv" else [])
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        with open(os.devnull, "wb") as sink:
            subprocess.run(args, stdout=sink, check=True)
        wall = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        load = os.getloadavg()[0]
        kinds[kind].append((cpu, wall))
        print(f"round {r + 1} {kind:4}: cpu {cpu:6.3f} s  wall {wall:6.3f} s  "
              f"{pings / cpu / 1e6:5.2f} M records/s (cpu)  {pings / wall / 1e6:5.2f} M/s (wall)  "
              f"load {load:.2f}")
for kind, runs in kinds.items():
    cpus = [c for c, _ in runs]
    walls = [w for _, w in runs]
    print(f"{kind:4} median: cpu {statistics.median(cpus):.3f} s (min {min(cpus):.3f}, max {max(cpus):.3f})"
          f" = {pings / statistics.median(cpus) / 1e6:.2f} M records/s; "
          f"wall {statistics.median(walls):.3f} s = {pings / statistics.median(walls) / 1e6:.2f} M records/s")
PY
