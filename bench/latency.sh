#!/usr/bin/env bash
# How soon a depth leaves after its ping, and what the program costs, in the
# real program with its window shown on a virtual display.
#
# A fake instrument on a pseudo-terminal answers each command frame with a
# ping frame 18 ms later (about 50 pings a second). The program runs in
# network mode (UseNet=1: one depth sentence per ping) and sends each depth
# to a TCP listener on loopback. The latency of a ping is the time from
# writing the frame's last byte to the arrival of its sentence. The floor is
# the same measure with a minimal relay in the program's place (read the
# frame from the terminal, send a sentence on TCP, ask for the next ping);
# the floor with a window (bench-window-floor) does the same in a small Qt
# program that also moves a window by a column at each ping, the least an
# echogram on this display costs.
#
# Each is measured with the machine as it is and with one busy program
# sharing the core (everything under test pinned to CPU 0); the program
# also once with its engine worker lowered to nice 19, the priority it used
# to run at. Then the program's CPU: idle (not connected) and per ping,
# each thread's share, and (with gdb) how often the echogram and the
# windows are repainted per ping, counted in a run of its own.
#
# usage: bench/latency.sh [PINGS] [cpu]   (default 1000 per run; needs a build)
# With "cpu", only the runs on the machine as it is and the CPU figures.
# MAREVOX_BUILD_DIR selects the build (default build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
pings="${1:-1000}"

if [ -z "${BENCH_LATENCY_INNER:-}" ]; then
    for tool in xvfb-run python3 taskset renice; do
        command -v "$tool" >/dev/null || { echo "latency: $tool is needed" >&2; exit 1; }
    done
    for exe in marevox marevox-companion bench-window-floor; do
        [ -x "$build/bin/$exe" ] || { echo "latency: $build/bin/$exe is not built" >&2; exit 1; }
    done
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/program" "$work/home" "$work/tmp"
    mkdir -m 700 "$work/runtime"
    cp "$build/bin/marevox" "$build/bin/libmarevox_cups.so" "$work/program/"
    BENCH_LATENCY_INNER=1 BENCH_WORK="$work" BENCH_PINGS="$pings" BENCH_CPU_ONLY="${2:-}" BENCH_BIN="$build/bin" \
        BENCH_ROOT="$root" HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" \
        xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
    exit $?
fi

exec python3 - <<'PY'
import math, os, select, shutil, signal, socket, subprocess, sys, time, tty

work = os.environ["BENCH_WORK"]
pings = int(os.environ["BENCH_PINGS"])
cpu_only = os.environ["BENCH_CPU_ONLY"] == "cpu"
bin_dir = os.environ["BENCH_BIN"]
root = os.environ["BENCH_ROOT"]
runtime = os.environ["XDG_RUNTIME_DIR"]
WARMUP = 50
ANSWER_AFTER = 0.018
TICK = os.sysconf("SC_CLK_TCK")


# The instrument's frame coding, as the sample stream's generator writes it.
sys.path.insert(0, os.path.join(root, "tests", "data"))
from make_sample_stream import frame, ping  # noqa: E402

# The bottom moves by a centimetre or two from ping to ping, as at sea, so
# the depth shown changes at (nearly) every ping.
FRAMES = [bytes(frame(ping(8.0 + 0.3 * math.sin(k / 8.0)))) for k in range(50)]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def thread_cpu(pid):
    """CPU seconds of each of the program's threads, by thread name."""
    used = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        used[name] = used.get(name, 0.0) + (int(fields[11]) + int(fields[12])) / TICK
    return used


def ui_wakeups(pid):
    """How often the UI thread (the process's first) went to sleep and woke."""
    with open(f"/proc/{pid}/task/{pid}/status") as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches"):
                return int(line.split()[1])
    return 0


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


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
        if listener in readable:
            conn, _ = listener.accept()
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            if on_connected:
                on_connected()
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


RELAY = r'''
import os, socket, sys
device, port = sys.argv[1], int(sys.argv[2])
fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
out = socket.create_connection(("127.0.0.1", port))
out.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
command = bytes([0x20, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0, 0xE5, 0])
os.write(fd, command)
buffer = b""
while True:
    buffer += os.read(fd, 4096)
    end = buffer.find(b"\xca")
    if end >= 0 and len(buffer) >= end + 4:
        buffer = buffer[end + 4:]
        out.sendall(b"DT 000800\r\n")
        os.write(fd, command)
'''


def pinned(command, busy):
    return ["taskset", "-c", "0"] + command if busy else command


def measure_floor(busy, window=False):
    """The relay's latencies, its CPU per ping (ms) once connected and how
    often its first thread sleeps and wakes per ping. With window, the relay
    is the small Qt program that also scrolls a window by a column a ping."""
    master, slave, device = instrument()
    listener = listener_socket()
    port = str(listener.getsockname()[1])
    command = ([os.path.join(bin_dir, "bench-window-floor"), device, port] if window
               else [sys.executable, "-c", RELAY, device, port])
    relay = subprocess.Popen(pinned(command, busy))
    try:
        before = []
        latencies = drive(master, listener, pings,
                          lambda: before.append((cpu_seconds(relay.pid), ui_wakeups(relay.pid))))
        count = len(latencies) + WARMUP
        if not before:
            return latencies, 0.0, 0.0
        used = cpu_seconds(relay.pid) - before[0][0]
        return latencies, used / count * 1000.0, (ui_wakeups(relay.pid) - before[0][1]) / count
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


def start_program(device, port, busy):
    program_dir = os.path.join(work, "program")
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


def worker_thread(pid):
    for tid in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{tid}/comm") as f:
            if f.read().strip() == "engine worker":
                return tid
    return None


def close_all(program, *fds_and_sockets):
    if program.poll() is None:
        program.kill()
        program.wait()
    for item in fds_and_sockets:
        item.close() if hasattr(item, "close") else os.close(item)


def measure_program(busy, worker_nice=None):
    master, slave, device = instrument()
    listener = listener_socket()
    program = start_program(device, listener.getsockname()[1], busy)
    try:
        if worker_nice is not None:
            subprocess.run(["renice", "-n", str(worker_nice), "-p", worker_thread(program.pid)],
                           check=True, stdout=subprocess.DEVNULL)
        send_command(32776)  # connect
        cpu_before = [None]

        def connected():
            cpu_before[0] = (cpu_seconds(program.pid), time.monotonic(), thread_cpu(program.pid),
                             ui_wakeups(program.pid))

        latencies = drive(master, listener, pings, connected)
        cpu_after = (cpu_seconds(program.pid), time.monotonic(), thread_cpu(program.pid),
                     ui_wakeups(program.pid))
        stats = None
        if cpu_before[0] is not None and latencies:
            used = cpu_after[0] - cpu_before[0][0]
            seconds = cpu_after[1] - cpu_before[0][1]
            count = len(latencies) + WARMUP
            threads = {name: (after - cpu_before[0][2].get(name, 0.0)) / count * 1000.0
                       for name, after in cpu_after[2].items()}
            stats = (used / count * 1000.0, used / seconds * 100.0, count / seconds, threads,
                     (cpu_after[3] - cpu_before[0][3]) / count)
        send_command(57665)  # exit
        program.wait(timeout=10)
        return latencies, stats
    finally:
        close_all(program, master, slave, listener)


GDB_COUNT = r'''
set pagination off
set breakpoint pending on
break CMarevoxView::paintEvent
ignore 1 100000000
break QWidgetRepaintManager::paintAndFlush
ignore 2 100000000
continue
info breakpoints
'''


def repaints(count):
    """Echogram paints and window repaints (any window) per ping, counted by gdb."""
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

        answered = len(drive(master, listener, count, connected)) + WARMUP
        if not started:
            return None
        gdb = started[0]
        gdb.send_signal(signal.SIGINT)
        out, _ = gdb.communicate(timeout=60)
        hits = [int(w) for line in out.splitlines() if "already hit" in line
                for w in line.split() if w.isdigit()][:2]
        if len(hits) < 2:
            return None
        send_command(57665)
        program.wait(timeout=10)
        return hits[0] / answered, hits[1] / answered
    finally:
        if gdb is not None and gdb.poll() is None:
            gdb.kill()
        close_all(program, master, slave, listener)


def idle_cpu(seconds=10.0):
    master, slave, device = instrument()
    listener = listener_socket()
    program = start_program(device, listener.getsockname()[1], False)
    try:
        before = cpu_seconds(program.pid)
        time.sleep(seconds)
        used = cpu_seconds(program.pid) - before
        send_command(57665)
        program.wait(timeout=10)
        return used / seconds * 100.0
    finally:
        close_all(program, master, slave, listener)


def report(name, latencies, floor=None):
    if not latencies:
        print(f"{name:44s} no sentences arrived")
        return
    p = [percentile(latencies, q) for q in (50, 95, 99)] + [max(latencies)]
    line = f"{name:44s} " + " ".join(f"{v:7.3f}" for v in p) + f" {len(latencies):6d}"
    if floor:
        line += "   p99 over floor %+.3f" % (p[2] - percentile(floor, 99))
    print(line, flush=True)


busy_loop = None
try:
    print(f"latency from the last frame byte to the depth sentence, ms ({pings} pings a run)")
    print(f"{'':44s} {'p50':>7s} {'p95':>7s} {'p99':>7s} {'max':>7s} {'pings':>6s}")
    floor_idle, floor_cpu, _ = measure_floor(False)
    report("floor (relay), machine as it is", floor_idle)
    window_idle, window_cpu, window_wakeups = measure_floor(False, window=True)
    report("floor with a window, machine as it is", window_idle, floor_idle)
    program_idle, cpu_live = measure_program(False)
    report("marevox, machine as it is", program_idle, floor_idle)

    if not cpu_only:
        busy_loop = subprocess.Popen(
            ["taskset", "-c", "0", sys.executable, "-c", "while True: pass"])
        floor_busy, _, _ = measure_floor(True)
        report("floor (relay), busy program on its core", floor_busy)
        program_busy, _ = measure_program(True)
        report("marevox, busy program on its core", program_busy, floor_busy)
        program_busy19, _ = measure_program(True, worker_nice=19)
        report("marevox, busy core, worker at nice 19", program_busy19, floor_busy)
        busy_loop.kill()
        busy_loop.wait()
        busy_loop = None

    idle = idle_cpu()
    print()
    print(f"CPU of the program, window shown: idle (not connected) {idle:.2f} % of a core")
    if cpu_live:
        per_ping, share, rate, threads, wakeups = cpu_live
        print(f"live, {rate:.1f} pings a second: {per_ping:.3f} ms per ping, {share:.2f} % of a core"
              f" ({per_ping * 50 / 10:.2f} % at 50 pings a second)")
        print(f"    floor: the relay (a Python script) takes {floor_cpu:.3f} ms per ping for the"
              f" same reads and sends")
        print(f"    floor with a window: a small Qt program doing the same and moving a window"
              f" by a column takes {window_cpu:.3f} ms per ping, waking {window_wakeups:.2f}"
              f" times")
        for name, ms in sorted(threads.items(), key=lambda item: -item[1]):
            if ms > 0.0005:
                print(f"    {name:20s} {ms:.3f} ms per ping")
        print(f"    the UI thread sleeps and wakes {wakeups:.2f} times per ping")
    counted = None if cpu_only else repaints(min(pings, 500))
    if cpu_only:
        pass
    elif counted is None:
        print("repaints per ping: not counted (needs gdb, allowed to attach to the program)")
    else:
        print(f"per ping (gdb attached, separate run): {counted[0]:.2f} echogram repaints,"
              f" {counted[1]:.2f} window repaints (echogram, depth monitor, status bar, ...)")
finally:
    if busy_loop is not None:
        busy_loop.kill()
PY
