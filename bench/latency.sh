#!/usr/bin/env bash
# How soon a depth leaves after its ping, and what the program and the X
# server cost, in the real program with its window shown on a virtual
# display (default 1920 x 1080), against two floors measured in the same run.
#
# A fake instrument on a pseudo-terminal answers each command frame with a
# ping frame 18 ms later (about 50 pings a second). The program runs in
# network mode (UseNet=1: one depth sentence per ping) and sends each depth
# to a TCP listener on loopback. The latency of a ping is the time from
# writing the frame's last byte to the arrival of its sentence.
#
# The floors:
#  - the relay floor, bench-relay-floor (C): reads the terminal, finds the
#    frame's end, sends a sentence, writes the next command frame, on one
#    thread; the least any program can do between a frame and its depth;
#  - the window floor, bench-window-floor (Qt): the relay's work plus a
#    window the size of the program's echogram pane on this screen, moved
#    by the pings' screen columns at the program's refresh pace; the least
#    a scrolling echogram costs on this display.
#
# Rounds: relay floor, window floor and program run one after the other, and
# the round is repeated (BENCH_ROUNDS, default 3), so that the machine's
# other work falls on all three alike; then the same with one busy program
# sharing the core (everything under test pinned to CPU 0, the fake
# instrument to CPU 1), relay floor and program in turns. Each run's line gives the load average when it began.
# The CPU of a run counts from the first sentence to the last, per ping: the
# process's own (all its threads, as the scheduler counts them, to the
# nanosecond) and the X server's. Then the idle
# program's CPU (not connected), three windows of 10 s, and with gdb (not
# in "cpu" mode) how often the echogram and the windows are repainted per
# ping, in a run of its own. Medians, minimum and maximum of the rounds
# close the report.
#
# usage: bench/latency.sh [PINGS] [cpu|busy]   (default 1000 per run; needs a build)
# With "cpu", no busy rounds and no gdb count; with "busy", only the busy
# rounds. BENCH_COMPARE=DIR runs the program of another build (DIR/marevox,
# e.g. main's build/bin) after this one in each round, for a before and
# after in the same run. BENCH_PERF=FILE records a
# profile (perf, the program and the X server) of the first program run.
# MAREVOX_BUILD_DIR selects the build (default build/); BENCH_SCREEN the
# virtual screen (default 1920x1080); BENCH_ROUNDS the rounds (default 3).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
pings="${1:-1000}"
screen="${BENCH_SCREEN:-1920x1080}"

if [ -z "${BENCH_LATENCY_INNER:-}" ]; then
    for tool in xvfb-run python3 taskset; do
        command -v "$tool" >/dev/null || { echo "latency: $tool is needed" >&2; exit 1; }
    done
    for exe in marevox marevox-companion bench-window-floor bench-relay-floor; do
        [ -x "$build/bin/$exe" ] || { echo "latency: $build/bin/$exe is not built" >&2; exit 1; }
    done
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/program" "$work/home" "$work/tmp"
    mkdir -m 700 "$work/runtime"
    cp "$build/bin/marevox" "$work/program/"
    # Chart printing's module, loaded when printing starts (none in older builds).
    [ ! -e "$build/bin/libmarevox_cups.so" ] || cp "$build/bin/libmarevox_cups.so" "$work/program/"
    if [ -n "${BENCH_COMPARE:-}" ]; then
        # Another build's program (its bin/ folder), run after this one in each round.
        [ -x "$BENCH_COMPARE/marevox" ] || { echo "latency: no $BENCH_COMPARE/marevox" >&2; exit 1; }
        mkdir -p "$work/compare"
        cp "$BENCH_COMPARE/marevox" "$work/compare/"
        [ ! -e "$BENCH_COMPARE/libmarevox_cups.so" ] || cp "$BENCH_COMPARE/libmarevox_cups.so" "$work/compare/"
    fi
    BENCH_LATENCY_INNER=1 BENCH_WORK="$work" BENCH_PINGS="$pings" BENCH_CPU_ONLY="${2:-}" \
        BENCH_BIN="$build/bin" BENCH_ROOT="$root" BENCH_SCREEN="$screen" BENCH_PERF="${BENCH_PERF:-}" \
        BENCH_COMPARE="${BENCH_COMPARE:-}" \
        HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" \
        xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$@"
    exit $?
fi

exec python3 - <<'PY'
import math, os, select, shutil, signal, socket, statistics, subprocess, sys, time, tty

work = os.environ["BENCH_WORK"]
pings = int(os.environ["BENCH_PINGS"])
cpu_only = os.environ["BENCH_CPU_ONLY"] == "cpu"
compare = os.environ.get("BENCH_COMPARE", "")
busy_only = os.environ["BENCH_CPU_ONLY"] == "busy"
bin_dir = os.environ["BENCH_BIN"]
root = os.environ["BENCH_ROOT"]
runtime = os.environ["XDG_RUNTIME_DIR"]
rounds = int(os.environ.get("BENCH_ROUNDS", "3"))
screen_w, screen_h = (int(v) for v in os.environ["BENCH_SCREEN"].split("x"))
WARMUP = 50
ANSWER_AFTER = 0.018
# The program's refresh pace (display/CMarevoxView: 50 ms on a 60 Hz screen).
PACE_MS = 50
# The echogram pane of the maximised window: 770 of the picture's 800
# columns, 475 of its 525 rows, under the menu bar and the toolbar and over
# the status bar (92 pixels together with this style and fonts; 1848 x 894
# on a 1920 x 1080 screen, measured on a screenshot).
PANE = (screen_w * 770 // 800, (screen_h - 92) * 475 // 525)

# The instrument's frame coding, as the sample stream's generator writes it.
sys.path.insert(0, os.path.join(root, "tests", "data"))
from make_sample_stream import frame, ping  # noqa: E402

# The bottom moves by a centimetre or two from ping to ping, as at sea, so
# the depth shown changes at (nearly) every ping.
FRAMES = [bytes(frame(ping(8.0 + 0.3 * math.sin(k / 8.0)))) for k in range(50)]


def task_cpu(pid, tid):
    """CPU seconds of one thread, to the nanosecond (the scheduler's own
    count; the ticks of /proc/PID/stat are 10 ms, as much as a run's
    refreshes take, and sampled)."""
    with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
        return int(f.read().split()[0]) / 1e9


def cpu_seconds(pid):
    """CPU seconds of the process's threads, all together."""
    return sum(thread_cpu(pid).values())


def thread_cpu(pid):
    """CPU seconds of each of the program's threads, by thread name."""
    used = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            used[name] = used.get(name, 0.0) + task_cpu(pid, tid)
        except OSError:
            continue
    return used


def wakeups(pid):
    """How often the process's threads went to sleep and woke, all together."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        total += int(line.split()[1])
        except OSError:
            continue
    return total


def x_server():
    """The Xvfb that xvfb-run started for this script: our parent's child."""
    parent = os.getppid()
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/stat") as f:
                text = f.read()
        except OSError:
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        if name == "Xvfb" and int(text.rsplit(")", 1)[1].split()[1]) == parent:
            return int(pid)
    sys.exit("latency: the X server was not found")


XVFB = x_server()


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def load():
    return os.getloadavg()[0]


def drive(master, listener, count, on_connected=None):
    """Answers command frames with pings; returns the latencies in ms."""
    conn = None
    pending_cmd = b""
    answer_at = None
    written_at = None
    lines = b""
    latencies = []
    answered = 0
    deadline = time.monotonic() + 30 + count * 0.1
    while len(latencies) < count + WARMUP and time.monotonic() < deadline:
        now = time.monotonic()
        timeout = 0.5 if answer_at is None else max(0.0, answer_at - now)
        watched = [master, listener] + ([conn] if conn else [])
        readable, _, _ = select.select(watched, [], [], timeout)
        now = time.monotonic()
        if conn in readable and conn is not None:
            data = conn.recv(4096)
            arrived = time.monotonic()
            if not data:
                conn = None
            lines += data
            while b"\n" in lines:
                _, lines = lines.split(b"\n", 1)
                if written_at is not None:
                    latencies.append((arrived - written_at) * 1000.0)
                    written_at = None
                    if len(latencies) == WARMUP and on_connected:
                        on_connected()
        if listener in readable:
            conn, _ = listener.accept()
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        if master in readable:
            try:
                pending_cmd += os.read(master, 4096)
            except OSError:
                break
            while len(pending_cmd) >= 10:
                pending_cmd = pending_cmd[10:]
                if answer_at is None:
                    answer_at = now + ANSWER_AFTER
        if answer_at is not None and time.monotonic() >= answer_at:
            answer_at = None
            os.write(master, FRAMES[answered % len(FRAMES)])
            written_at = time.monotonic()
            answered += 1
        elif answer_at is None and written_at is not None and now - written_at > 0.5:
            written_at = None  # a lost sentence: the next command frame goes on
            pending_cmd = b""
            answer_at = now
    return latencies[WARMUP:]


def instrument():
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


def listener_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(4)
    return s


def pinned(command, busy):
    return ["taskset", "-c", "0"] + command if busy else command


class Run:
    """One measured run: latencies, and per ping the CPU of the process, of
    its threads and of the X server, and its threads' wake-ups."""

    def __init__(self, name, loadavg):
        self.name = name
        self.load = loadavg
        self.latencies = []
        self.cpu = None
        self.x = None
        self.threads = {}
        self.wakeups = None

    def measure(self, pid, master, listener, profile=None):
        before = []
        perf = []

        def connected():
            before.append((cpu_seconds(pid), cpu_seconds(XVFB), thread_cpu(pid), wakeups(pid)))
            if profile:
                perf.append(subprocess.Popen(
                    ["perf", "record", "-q", "--call-graph", "dwarf,16384", "-F", "999", "-o", profile,
                     "-p", f"{pid},{XVFB}"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        self.latencies = drive(master, listener, pings, connected)
        for recorder in perf:
            recorder.send_signal(signal.SIGINT)
            recorder.wait()
        if not before or not self.latencies:
            return
        count = len(self.latencies)
        cpu0, x0, threads0, wake0 = before[0]
        self.cpu = (cpu_seconds(pid) - cpu0) / count * 1000.0
        self.x = (cpu_seconds(XVFB) - x0) / count * 1000.0
        self.threads = {name: (used - threads0.get(name, 0.0)) / count * 1000.0
                        for name, used in thread_cpu(pid).items()}
        self.wakeups = (wakeups(pid) - wake0) / count

    def p(self, q):
        return percentile(self.latencies, q) if self.latencies else float("nan")


def measure_floor(name, busy, window=False):
    master, slave, device = instrument()
    listener = listener_socket()
    port = str(listener.getsockname()[1])
    command = ([os.path.join(bin_dir, "bench-window-floor"), device, port,
                str(PANE[0]), str(PANE[1]), str(PACE_MS)] if window
               else [os.path.join(bin_dir, "bench-relay-floor"), device, port])
    run = Run(name, load())
    relay = subprocess.Popen(pinned(command, busy))
    try:
        if window:
            time.sleep(1.0)  # the window shown before the pings count
        run.measure(relay.pid, master, listener)
        return run
    finally:
        relay.kill()
        relay.wait()
        os.close(master)
        os.close(slave)
        listener.close()


def write_settings(path, device, port):
    subprocess.run([os.path.join(root, "scripts", "write-demo-settings.sh"), path, device],
                   check=True)
    text = open(path).read()
    text = text.replace("UseNet=0", "UseNet=1").replace("IP=192.168.3.100", "IP=127.0.0.1")
    text = text.replace("PortSend=0", f"PortSend={port}")
    open(path, "w").write(text)


def start_program(device, port, busy, folder="program"):
    program_dir = os.path.join(work, folder)
    write_settings(os.path.join(program_dir, "Marevox.ini"), device, port)
    program = subprocess.Popen(pinned([os.path.join(program_dir, "marevox")], busy),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(os.path.join(runtime, "Nereon")):
            break
        time.sleep(0.1)
    else:
        sys.exit("latency: the program did not start")
    time.sleep(1.0)
    return program


def send_command(ident):
    subprocess.run([os.path.join(bin_dir, "marevox-companion"), "send", "command", str(ident)],
                   check=True, stdout=subprocess.DEVNULL)


def close_all(program, *fds_and_sockets):
    if program.poll() is None:
        program.kill()
        program.wait()
    for item in fds_and_sockets:
        item.close() if hasattr(item, "close") else os.close(item)


def measure_program(name, busy, profile=None, folder="program"):
    master, slave, device = instrument()
    listener = listener_socket()
    run = Run(name, load())
    program = start_program(device, listener.getsockname()[1], busy, folder)
    try:
        send_command(32776)  # connect
        run.measure(program.pid, master, listener, profile)
        send_command(57665)  # exit
        program.wait(timeout=10)
        return run
    finally:
        close_all(program, master, slave, listener)


GDB_COUNT = r'''
set pagination off
set breakpoint pending on
break CMarevoxView::ShowNewest
ignore 1 100000000
break CMarevoxView::paintEvent
ignore 2 100000000
break QWidgetRepaintManager::paintAndFlush
ignore 3 100000000
continue
info breakpoints
'''


def repaints(count):
    """Echogram refreshes, echogram paints through Qt and window repaints
    through Qt (any window) per ping, counted by gdb."""
    if shutil.which("gdb") is None:
        return None
    master, slave, device = instrument()
    listener = listener_socket()
    program = start_program(device, listener.getsockname()[1], False)
    script = os.path.join(work, "count.gdb")
    with open(script, "w") as f:
        f.write(GDB_COUNT)
    gdb = None
    try:
        send_command(32776)  # connect
        started = []

        def connected():
            started.append(subprocess.Popen(
                ["gdb", "-q", "-nx", "-batch", "-p", str(program.pid), "-x", script],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True))
            time.sleep(3.0)  # gdb reads the symbols before the counted pings

        answered = len(drive(master, listener, count, connected))
        if not started:
            return None
        gdb = started[0]
        gdb.send_signal(signal.SIGINT)
        out, _ = gdb.communicate(timeout=60)
        hits = {}
        current = None
        for line in out.splitlines():
            words = line.split()
            if words and words[0].isdigit():
                current = int(words[0])
                hits.setdefault(current, 0)
            elif "already hit" in line and current is not None:
                hits[current] = next(int(w) for w in words if w.isdigit())
        if len(hits) < 3:
            return None
        send_command(57665)
        program.wait(timeout=10)
        return tuple(hits[n] / answered for n in (1, 2, 3))
    finally:
        if gdb is not None and gdb.poll() is None:
            gdb.kill()
        close_all(program, master, slave, listener)


def idle_cpu(windows=3, seconds=10.0):
    """The program's CPU, not connected, in % of a core, per window."""
    master, slave, device = instrument()
    listener = listener_socket()
    program = start_program(device, listener.getsockname()[1], False)
    try:
        shares = []
        for _ in range(windows):
            before = cpu_seconds(program.pid)
            time.sleep(seconds)
            shares.append((cpu_seconds(program.pid) - before) / seconds * 100.0)
        send_command(57665)
        program.wait(timeout=10)
        return shares
    finally:
        close_all(program, master, slave, listener)


def report(run, floor=None):
    if not run.latencies:
        print(f"{run.name:36s} no sentences arrived", flush=True)
        return
    line = (f"{run.name:36s} load {run.load:4.1f} "
            + " ".join(f"{run.p(q):6.3f}" for q in (50, 95, 99))
            + f" {max(run.latencies):6.2f}")
    line += f"  {run.p(99) - floor.p(99):+6.3f}" if floor else " " * 8
    if run.cpu is not None:
        line += f"  {run.cpu:5.3f} {run.x:5.3f} {run.cpu + run.x:5.3f}"
    print(line, flush=True)


def summary(name, values, unit="ms"):
    values = [v for v in values if v is not None and not math.isnan(v)]
    if not values:
        return
    print(f"  {name:52s} median {statistics.median(values):7.3f} {unit}"
          f"  (min {min(values):.3f}, max {max(values):.3f}, {len(values)} runs)")


busy_loop = None
try:
    print(f"screen {screen_w} x {screen_h}, echogram pane {PANE[0]} x {PANE[1]}, {pings} pings a run,"
          f" {rounds} rounds; window floor paced at {PACE_MS} ms")
    print("latency from the last frame byte to the depth sentence, ms; CPU per ping, ms")
    print(f"{'':36s} {'':9s} {'p50':>6s} {'p95':>6s} {'p99':>6s} {'max':>6s}  {'p99-fl':>6s}"
          f"  {'proc':>5s} {'X':>5s} {'both':>5s}")
    idle_rounds = []
    compared_rounds = []
    for r in range(1, 0 if busy_only else rounds + 1):
        floor = measure_floor(f"{r}: relay floor (C)", False)
        report(floor)
        window = measure_floor(f"{r}: window floor (Qt)", False, window=True)
        report(window, floor)
        program = measure_program(f"{r}: marevox", False,
                                  os.environ.get("BENCH_PERF") if r == 1 else None)
        report(program, floor)
        idle_rounds.append((floor, window, program))
        if compare:
            compared_rounds.append(measure_program(f"{r}: compared build", False,
                                                   folder="compare"))
            report(compared_rounds[-1], floor)

    busy_rounds = []
    if not cpu_only:
        busy_loop = subprocess.Popen(
            ["taskset", "-c", "0", sys.executable, "-c", "while True: pass"])
        # The fake instrument (this script) on the other core, so that only
        # what is measured shares its core with the busy program.
        all_cpus = os.sched_getaffinity(0)
        os.sched_setaffinity(0, {1} if 1 in all_cpus else all_cpus)
        for r in range(1, rounds + 1):
            floor = measure_floor(f"{r}: relay floor, busy core", True)
            report(floor)
            program = measure_program(f"{r}: marevox, busy core", True)
            report(program, floor)
            busy_rounds.append((floor, program))
        busy_loop.kill()
        busy_loop.wait()
        busy_loop = None
        os.sched_setaffinity(0, all_cpus)

    if busy_only:
        print()
        summary("busy core: relay floor p99", [f.p(99) for f, _ in busy_rounds])
        summary("busy core: marevox p99 over the relay floor's",
                [p.p(99) - f.p(99) for f, p in busy_rounds])
        sys.exit(0)
    idle_load = load()
    idle = idle_cpu()
    print()
    print("Medians of the rounds:")
    summary("relay floor p99", [f.p(99) for f, _, _ in idle_rounds])
    summary("marevox p99", [p.p(99) for _, _, p in idle_rounds])
    summary("marevox p99 over the relay floor's, same round",
            [p.p(99) - f.p(99) for f, _, p in idle_rounds])
    summary("window floor p99 over the relay floor's, same round",
            [w.p(99) - f.p(99) for f, w, _ in idle_rounds])
    if busy_rounds:
        summary("busy core: relay floor p99", [f.p(99) for f, _ in busy_rounds])
        summary("busy core: marevox p99 over the relay floor's",
                [p.p(99) - f.p(99) for f, p in busy_rounds])
    summary("relay floor CPU per ping", [f.cpu for f, _, _ in idle_rounds])
    summary("window floor CPU per ping", [w.cpu for _, w, _ in idle_rounds])
    summary("window floor + X server per ping", [w.cpu + w.x for _, w, _ in idle_rounds
                                                  if w.cpu is not None])
    summary("marevox CPU per ping", [p.cpu for _, _, p in idle_rounds])
    summary("X server per ping, beside marevox", [p.x for _, _, p in idle_rounds])
    summary("marevox + X server per ping", [p.cpu + p.x for _, _, p in idle_rounds
                                             if p.cpu is not None])
    summary("marevox / window floor", [p.cpu / w.cpu for _, w, p in idle_rounds
                                       if p.cpu and w.cpu], unit="  ")
    if compared_rounds:
        summary("compared build p99 over the relay floor's, same round",
                [c.p(99) - f.p(99) for (f, _, _), c in zip(idle_rounds, compared_rounds)])
        summary("compared build CPU per ping", [c.cpu for c in compared_rounds])
        summary("X server per ping, beside the compared build", [c.x for c in compared_rounds])
        summary("compared build + X server per ping", [c.cpu + c.x for c in compared_rounds])
        summary("compared build's wake-ups per ping", [c.wakeups for c in compared_rounds],
                unit="  ")
    summary("marevox's wake-ups per ping (all threads)",
            [p.wakeups for _, _, p in idle_rounds], unit="  ")
    summary("window floor's wake-ups per ping", [w.wakeups for _, w, _ in idle_rounds], unit="  ")
    names = sorted({n for _, _, p in idle_rounds for n in p.threads},
                   key=lambda n: -statistics.median([p.threads.get(n, 0.0)
                                                     for _, _, p in idle_rounds]))
    for name in names:
        values = [p.threads.get(name, 0.0) for _, _, p in idle_rounds]
        if statistics.median(values) > 0.0005:
            summary(f"    marevox thread \"{name}\"", values)
    print(f"  idle, not connected (load {idle_load:.1f}): "
          + ", ".join(f"{s:.2f}" for s in idle) + f" % of a core, median"
          f" {statistics.median(idle):.2f} %")
    counted = None if cpu_only else repaints(min(pings, 500))
    if cpu_only:
        pass
    elif counted is None:
        print("repaints per ping: not counted (needs gdb, allowed to attach to the program)")
    else:
        print(f"per ping (gdb attached, separate run): {counted[0]:.2f} echogram refreshes,"
              f" {counted[1]:.2f} echogram paints through Qt, {counted[2]:.2f} window repaints"
              f" through Qt (echogram, depth monitor, status bar, ...)")
finally:
    if busy_loop is not None:
        busy_loop.kill()
PY
