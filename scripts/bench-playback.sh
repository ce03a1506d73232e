#!/usr/bin/env bash
# Playback at delay 0 in the real program, with its window shown on a
# virtual display: a simulated recording (20,000 records unless given) is
# opened through the program's own playback command and file dialog, the
# delay is brought to 0 with the faster command, and the records per second
# are measured against the pacing rate of 1,000 a second.
#
# The rate is taken from the depth sentences the program sends to its
# companion program "Kelvara" (a listener in this script): the headless
# replay of the same recording tells how many records lie behind each
# sentence.
#
# usage: scripts/bench-playback.sh [RECORDS]
# MAREVOX_BUILD_DIR selects the build (default build/); it must be built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
records="${1:-20000}"

if [ -z "${BENCH_PLAYBACK_INNER:-}" ]; then
    for tool in xvfb-run xdotool python3; do
        command -v "$tool" >/dev/null || { echo "bench-playback: $tool is needed" >&2; exit 1; }
    done
    for exe in marevox marevox-cli bench-make-recording; do
        [ -x "$build/bin/$exe" ] || { echo "bench-playback: $build/bin/$exe is not built" >&2; exit 1; }
    done
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    "$build/bin/bench-make-recording" "$work/rec" "$records" >/dev/null
    # Sentences the program sends for the whole recording, as the headless
    # replay (forward playback's processing) finds them.
    sentences="$("$build/bin/marevox-cli" replay "$work/rec.sd" | grep -c '"output":"' || true)"
    mkdir -p "$work/program" "$work/home" "$work/tmp"
    mkdir -m 700 "$work/runtime"  # the channel folder: "Nereon" and "Kelvara"
    cp "$build/bin/marevox" "$build/bin/libmarevox_cups.so" "$work/program/"
    [ -f "$build/bin/MarevoxEn.qm" ] && cp "$build/bin/MarevoxEn.qm" "$work/program/"
    BENCH_PLAYBACK_INNER=1 BENCH_WORK="$work" BENCH_RECORDS="$records" \
        BENCH_SENTENCES="$sentences" HOME="$work/home" TMPDIR="$work/tmp" \
        XDG_RUNTIME_DIR="$work/runtime" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
    exit $?
fi

exec python3 - <<'PY'
import os, socket, struct, subprocess, sys, threading, time

work = os.environ["BENCH_WORK"]
records = int(os.environ["BENCH_RECORDS"])
sentences = int(os.environ["BENCH_SENTENCES"])
tmp = os.environ["XDG_RUNTIME_DIR"]  # the channel folder
arrivals = []

def kelvara():
    # The companion program: one copy-data frame per connection.
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(os.path.join(tmp, "Kelvara"))
    server.listen(64)
    while True:
        conn, _ = server.accept()
        data = b""
        while True:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
            if len(data) >= 8 and len(data) >= 8 + struct.unpack("<II", data[:8])[1]:
                break
        conn.close()
        if len(data) >= 8:
            arrivals.append(time.monotonic())

def command(ident):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.connect(os.path.join(tmp, "Nereon"))
    s.sendall(struct.pack("<III", 0x0111, 4, ident))
    time.sleep(0.1)
    s.close()

def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()

def new_window(known, timeout=10.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        for w in xdotool("search", "--onlyvisible", "--name", ""):
            if w not in known:
                return w
        time.sleep(0.1)
    sys.exit("bench-playback: the expected dialog did not appear")

threading.Thread(target=kelvara, daemon=True).start()
program = subprocess.Popen([os.path.join(work, "program", "marevox")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    for _ in range(100):
        if os.path.exists(os.path.join(tmp, "Nereon")):
            break
        time.sleep(0.1)
    else:
        sys.exit("bench-playback: the program did not start")
    time.sleep(1.0)
    windows = set(xdotool("search", "--onlyvisible", "--name", ""))

    command(32796)  # playback: the file dialog
    dialog = new_window(windows)
    time.sleep(0.5)
    xdotool("windowfocus", "--sync", dialog)
    xdotool("type", "--delay", "2", os.path.join(work, "rec.sd"))
    xdotool("key", "Return")
    search = new_window(windows | {dialog})  # the time search dialog
    time.sleep(0.3)
    xdotool("windowfocus", "--sync", search)
    xdotool("key", "Escape")
    time.sleep(0.3)
    for _ in range(3):
        command(32795)  # faster: delay 3 -> 0
    start = time.monotonic()
    before = len(arrivals)

    # Until the sentences stop (forward playback idles at the last record).
    while True:
        time.sleep(0.5)
        if arrivals and time.monotonic() - arrivals[-1] > 3.0 and len(arrivals) > before:
            break
        if time.monotonic() - start > 600:
            sys.exit("bench-playback: playback did not end within 10 minutes")
finally:
    program.terminate()
    program.wait()

timed = len(arrivals) - before
elapsed = arrivals[-1] - start
per_sentence = (records - 1) / sentences
rate = timed * per_sentence / elapsed
print(f"records: {records}, sentences: {len(arrivals)} received, {sentences} expected")
print(f"delay 0: {timed} sentences = {timed * per_sentence:.0f} records in {elapsed:.2f} s")
print(f"playback rate: {rate:.0f} records/s = {rate / 1000:.3f} of the 1,000/s pacing")
PY
