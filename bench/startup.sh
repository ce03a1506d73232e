#!/usr/bin/env bash
# How long the program takes from being started to the first paint of its
# main window, against the least a Qt program takes to show a window
# (bench-startup-floor: an application and one plain window, maximised), on
# a virtual display (Xvfb, 1920 × 1080). A second floor, "chinese", is a
# main window with two Chinese menus and a Chinese status bar text in the
# program's face (bench-startup-floor --chinese): what any window of the
# program pays for opening that face and drawing Chinese text.
#
# The first paint: both programs, started with MAREVOX_FIRST_PAINT_MARK in
# their environment, write "first paint: NANOSECONDS" to standard error once
# their window's widgets have been painted and the picture handed to the
# display (app/FirstPaintMark.h), reading the monotonic clock; the script
# reads the same clock just before starting them. The time therefore holds
# everything a user waits for: loading and relocating the shared libraries,
# the static constructors, the application, the settings, the windows, the
# first paint. The page cache is warm (every program has just run).
#
# Rounds: each round starts the floor and the program in turn STARTS times
# (the order rotating at each start) and takes the median of each; the
# rounds' medians are summed up as median, min and max, each round with the
# load average when it ended. At each first paint the script also reads the
# CPU time the process's threads have used so far (/proc/PID/task/*/
# schedstat, in nanoseconds), which other programs on the machine disturb
# far less than the elapsed time, the shared objects the process has mapped
# (/proc/PID/maps), and whether libcups is among them.
#
# usage: bench/startup.sh [ROUNDS] [STARTS]   (default 5 rounds of 5 starts)
# MAREVOX_BUILD_DIR selects the build (default build/). BENCH_STARTUP_BEFORE
# names the bin folder of another build whose marevox (with MarevoxEn.qm and
# libmarevox_cups.so if there) runs as a third program in the same rounds,
# for before and after figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
rounds="${1:-5}"
starts="${2:-5}"

if [ -z "${BENCH_STARTUP_INNER:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "startup: xvfb-run is needed" >&2; exit 1; }
    for exe in marevox bench-startup-floor; do
        [ -x "$build/bin/$exe" ] || { echo "startup: $build/bin/$exe is not built" >&2; exit 1; }
    done
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/home" "$work/tmp"
    mkdir -m 700 "$work/runtime"
    # Each program runs from a folder of its own, as installed: the
    # executable, its translation and the printing module beside it, and a
    # settings file whose instrument port names a device that is not there.
    copy() {  # copy BIN_DIR FOLDER
        mkdir -p "$2"
        cp "$1/marevox" "$2/"
        for extra in MarevoxEn.qm libmarevox_cups.so; do
            [ -f "$1/$extra" ] && cp "$1/$extra" "$2/"
        done
        "$root/scripts/write-demo-settings.sh" "$2/Marevox.ini" "$work/no-instrument"
    }
    copy "$build/bin" "$work/program"
    if [ -n "${BENCH_STARTUP_BEFORE:-}" ]; then
        [ -x "$BENCH_STARTUP_BEFORE/marevox" ] || {
            echo "startup: $BENCH_STARTUP_BEFORE/marevox is not there" >&2
            exit 1
        }
        copy "$BENCH_STARTUP_BEFORE" "$work/before"
    fi
    BENCH_STARTUP_INNER=1 BENCH_WORK="$work" BENCH_BIN="$build/bin" BENCH_ROUNDS="$rounds" \
        BENCH_STARTS="$starts" HOME="$work/home" TMPDIR="$work/tmp" \
        XDG_RUNTIME_DIR="$work/runtime" \
        xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
    exit $?
fi

exec python3 - <<'PY'
import os, re, signal, statistics, subprocess, sys, threading, time

work = os.environ["BENCH_WORK"]
bin_dir = os.environ["BENCH_BIN"]
rounds = int(os.environ["BENCH_ROUNDS"])
starts = int(os.environ["BENCH_STARTS"])
runtime = os.environ["XDG_RUNTIME_DIR"]
SHARED_OBJECT = re.compile(r"\.so(\.[0-9.]+)?$")

floor = os.path.join(bin_dir, "bench-startup-floor")
programs = [("floor", [floor]), ("chinese", [floor, "--chinese"]),
            ("marevox", [os.path.join(work, "program", "marevox")])]
if os.path.isdir(os.path.join(work, "before")):
    programs.append(("before", [os.path.join(work, "before", "marevox")]))


def shared_objects(pid):
    """The shared objects the process has mapped."""
    with open(f"/proc/{pid}/maps") as maps:
        paths = {line.split(None, 5)[5].strip() for line in maps if len(line.split(None, 5)) == 6}
    return {path for path in paths if SHARED_OBJECT.search(path)}


def cpu_milliseconds(pid):
    """CPU time used so far by the process's threads."""
    used = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            used += int(stat.read().split()[0])
    return used / 1e6


def start(command):
    """Milliseconds from starting the program to its first paint, the CPU
    milliseconds used by then, and the shared objects it had mapped."""
    env = dict(os.environ, MAREVOX_FIRST_PAINT_MARK="1")
    started = time.monotonic_ns()
    program = subprocess.Popen(command, cwd=os.path.dirname(command[0]), env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    watchdog = threading.Timer(30.0, program.kill)
    watchdog.start()
    painted = None
    for line in program.stderr:
        if line.startswith(b"first paint: "):
            painted = int(line.split()[2])
            break
    cpu = cpu_milliseconds(program.pid) if painted is not None else 0.0
    objects = shared_objects(program.pid) if painted is not None else set()
    program.send_signal(signal.SIGTERM)
    rest = program.communicate()[1]
    watchdog.cancel()
    if painted is None:
        sys.exit(f"startup: {command} showed no first paint: {rest.decode(errors='replace')}")
    # The channel's name goes with the program; wait for it, so that the
    # next start finds it free.
    for _ in range(100):
        if not os.path.exists(os.path.join(runtime, "Nereon")):
            break
        time.sleep(0.01)
    return (painted - started) / 1e6, cpu, objects


def spread(values):
    return f"{statistics.median(values):7.1f}  ({min(values):.1f} .. {max(values):.1f})"


names = [name for name, _ in programs]
medians = {name: [] for name in names}
cpu_medians = {name: [] for name in names}
objects = {}
print(f"{rounds} rounds of {starts} starts each, the order rotating; medians of each round,")
print("ms to the first paint (CPU ms used by then)")
for round_number in range(1, rounds + 1):
    times = {name: [] for name in names}
    cpu = {name: [] for name in names}
    for s in range(starts):
        turn = programs[s % len(programs):] + programs[:s % len(programs)]
        for name, command in turn:
            elapsed, used, mapped = start(command)
            times[name].append(elapsed)
            cpu[name].append(used)
            objects[name] = mapped
            time.sleep(0.3)
    load = " ".join(f"{value:.2f}" for value in os.getloadavg())
    line = []
    for name in names:
        medians[name].append(statistics.median(times[name]))
        cpu_medians[name].append(statistics.median(cpu[name]))
        line.append(f"{name} {medians[name][-1]:.1f} ({cpu_medians[name][-1]:.1f})")
    ratio = medians["marevox"][-1] / medians["floor"][-1]
    print(f"round {round_number}: " + ", ".join(line) + f"; marevox/floor {ratio:.2f}"
          + f"; load average {load}", flush=True)


def ratios(values, floors):
    return [value / floor for value, floor in zip(values, floors)]


print()
for title, table in (("ms to the first paint", medians), ("CPU ms used by then", cpu_medians)):
    print(f"{title}: median of the rounds (min .. max)")
    for name in names:
        print(f"  {name:8s} {spread(table[name])}")
    for name, base in [(name, "floor") for name in names[1:]] + [
            (name, "chinese") for name in names[2:]]:
        r = ratios(table[name], table[base])
        print(f"  {name}/{base}  {statistics.median(r):.2f}  ({min(r):.2f} .. {max(r):.2f})")
print()
print("shared objects mapped at the first paint (the last start's)")
for name in names:
    cups = any("/libcups.so" in path for path in objects[name])
    print(f"  {name:8s} {len(objects[name])}, libcups {'mapped' if cups else 'not mapped'}")
floor_objects = {os.path.basename(path) for path in objects["floor"]}
for name in names[1:]:
    extra = sorted({os.path.basename(path) for path in objects[name]} - floor_objects)
    print(f"  {name} beyond the floor ({len(extra)}): {' '.join(extra)}")
PY
