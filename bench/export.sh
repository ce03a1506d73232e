#!/usr/bin/env bash
# How fast marevox-cli export writes a survey: a recording of N pings from
# the simulated sea (bench-make-recording, 20 pings a second) with position
# files written beside it (the boat running east at 2 m/s, fixes five times a
# second), then in interleaved rounds `replay --csv` (the floor: the same
# pings through the engine, a line each), `export --format csv` and
# `export --format gpkg`. Prints per round and as medians the wall and CPU
# time and each process's peak resident memory; a recording a tenth as long
# shows whether memory stays flat.
#
# usage: bench/export.sh [PINGS] [ROUNDS]   (default 1000000 and 3)
# MAREVOX_BUILD_DIR selects the build (default build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
pings="${1:-1000000}"
rounds="${2:-3}"
for exe in marevox-cli bench-make-recording; do
    [ -x "$build/bin/$exe" ] || { echo "export bench: $build/bin/$exe is not built" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

exec python3 - "$build/bin/marevox-cli" "$build/bin/bench-make-recording" "$work" "$pings" "$rounds" <<'PY'
import math, os, statistics, subprocess, sys, time

cli, make, work, pings, rounds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
START_MS = 1796630400000  # bench-make-recording's first ping, 20 a second

def utc(ms):
    s, m = divmod(ms, 1000)
    return time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(s)) + f".{m:03d}Z"

def place(ms):  # 2 m/s east from 31.2 N 121.5 E
    east = 2.0 * (ms - START_MS) / 1000.0
    return 31.2, 121.5 + math.degrees(east / (6378137.0 * math.cos(math.radians(31.2))))

def make_survey(base, count):
    subprocess.run([make, base, str(count)], stdout=subprocess.DEVNULL, check=True)
    with open(base + ".pos.csv", "w") as f:
        f.write("record,time_utc,latitude,longitude,quality,error_m,course_deg,speed_mps,flag,marevox_pos_v1\n")
        for i in range(count):
            ms = START_MS + 50 * i + 36
            lat, lon = place(ms)
            f.write(f"{i},{utc(ms)},{lat:.9f},{lon:.9f},rtk_fixed,0.020,90.00,2.000,interpolated\n")
    with open(base + ".gnss.csv", "w") as f:
        f.write("fix_time_utc,received_utc,quality,latitude,longitude,height_m,eph_m,epv_m,satellites,course_deg,speed_mps,heading_deg,marevox_gnss_v1\n")
        for ms in range(START_MS, START_MS + 50 * count + 400, 200):
            lat, lon = place(ms)
            f.write(f"{utc(ms)},{utc(ms + 30)},rtk_fixed,{lat:.9f},{lon:.9f},18.700,0.020,,,90.00,2.000,\n")

def run(args):
    """Wall s, CPU s and peak resident KiB of one process."""
    start = time.monotonic()
    with open(os.devnull, "wb") as sink:
        child = subprocess.Popen(args, stdout=sink, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"failed: {' '.join(args)}")
    return time.monotonic() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss

small = max(pings // 10, 1000)
print(f"making recordings of {pings} and {small} pings with position files", file=sys.stderr)
make_survey(f"{work}/survey", pings)
make_survey(f"{work}/small", small)

kinds = {
    "replay --csv": lambda b: [cli, "replay", b + ".sd", "--csv"],
    "export csv": lambda b: [cli, "export", b + ".sd", "--format", "csv", "--force", "--out", b + ".out.csv"],
    "export gpkg": lambda b: [cli, "export", b + ".sd", "--format", "gpkg", "--force", "--out", b + ".out.gpkg"],
}
results = {k: [] for k in kinds}
for r in range(rounds):
    for kind, args in kinds.items():
        wall, cpu, rss = run(args(f"{work}/survey"))
        results[kind].append((wall, cpu, rss))
        print(f"round {r + 1} {kind:13}: wall {wall:7.3f} s  cpu {cpu:7.3f} s  "
              f"{pings / wall / 1e6:5.2f} M pings/s  peak RSS {rss / 1024:6.1f} MiB  "
              f"load {os.getloadavg()[0]:.2f}")
median = {k: statistics.median(w for w, _, _ in v) for k, v in results.items()}
for kind, runs in results.items():
    print(f"{kind:13} median wall {median[kind]:.3f} s (cpu {statistics.median(c for _, c, _ in runs):.3f} s), "
          f"peak RSS {max(m for _, _, m in runs) / 1024:.1f} MiB")
print(f"export csv runs at {median['replay --csv'] / median['export csv']:.2f} of replay --csv's speed (target >= 0.33)")
print(f"export gpkg of {pings} pings: {median['export gpkg']:.1f} s (target < 20 s)")
for kind in ("export csv", "export gpkg"):
    _, _, rss = run(kinds[kind](f"{work}/small"))
    print(f"{kind} peak RSS: {rss / 1024:.1f} MiB for {small} pings, "
          f"{max(m for _, _, m in results[kind]) / 1024:.1f} MiB for {pings}")
PY
