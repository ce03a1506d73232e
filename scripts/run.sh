#!/usr/bin/env bash
# Installs what is missing, builds, and runs Marevox against the instrument
# simulator: marevox-sim answers on a pseudo-terminal, and the program runs
# from the folder demo/ with its own settings file, which maps the
# instrument port (PcCom = 1) to that pseudo-terminal. A user's own
# Marevox.ini is never touched. Press 连接 (Connect) and the pings arrive.
#
# Positions: the simulator's GNSS receiver sends on a second
# pseudo-terminal, read by a gpsd of the demo's own (demo/gpsd: its own
# socket and a free loopback port, no system service touched), and the
# demo's settings point the program at it (section GNSS). The fix shows in
# the status bar; 开始存储 records BASE.gnss.csv and BASE.pos.csv beside the
# recording, and the .txt lines carry longitude, latitude, course and speed.
#
# Chart printing goes to a CUPS daemon of the demo's own (demo/cups, so the
# system's printers are never touched) whose raw queue for the chart printer
# sends each job to socket://127.0.0.1:9100, where the printer stand-in
# marevox-printer keeps the jobs and draws demo/printer/chart.png.
#
# Without a display run it under a virtual one:  xvfb-run -a scripts/run.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
demo="${MAREVOX_DEMO_DIR:-$root/demo}"

# Install and build first, so that xvfb-run is there when the message below
# suggests it.
"$root/scripts/deps.sh"
"$root/scripts/build.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found. Marevox is a desktop program; to run it without a screen use" >&2
    echo "a virtual display:  xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

# The program runs from demo/, so the settings file beside it is the demo's.
mkdir -p "$demo"
cp "$build/bin/marevox" "$demo/marevox"
cp "$build/bin/libmarevox_cups.so" "$demo/"  # chart printing, loaded by 开始打印
cp "$build/bin/MarevoxEn.qm" "$demo/MarevoxEn.qm"
link="$demo/instrument"
gnss="$demo/gnss"
ini="$demo/Marevox.ini"
if [ ! -f "$ini" ]; then
    "$root/scripts/write-demo-settings.sh" "$ini" "$link"
elif ! grep -q '^\[Ports\]' "$ini"; then
    # The port mapping always points at this run's simulator.
    printf '[Ports]\nCOM1=%s\n' "$link" >>"$ini"
fi
# gpsd on a loopback port free now; the program is pointed at it (a source
# the user chose in 定位设置 stays chosen).
gpsd_port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
if ! grep -q '^\[GNSS\]' "$ini"; then
    printf '[GNSS]\nSource=1\nGpsdHost=127.0.0.1\nGpsdPort=%s\n' "$gpsd_port" >>"$ini"
else
    sed -i "s/^GpsdPort=.*/GpsdPort=$gpsd_port/" "$ini"
fi

sim_pid=""
printer_pid=""
cleanup() {
    for pid in $sim_pid $printer_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    "$root/scripts/private-gpsd.sh" stop "$demo/gpsd"
    "$root/scripts/private-cups.sh" stop "$demo/cups"
}
trap cleanup EXIT INT TERM

"$build/bin/marevox-sim" --link "$link" --gnss "$gnss" &
sim_pid=$!
for _ in $(seq 50); do
    [ -e "$link" ] && [ -e "$gnss" ] && break
    sleep 0.1
done
if [ ! -e "$link" ] || [ ! -e "$gnss" ]; then
    echo "The instrument simulator did not start." >&2
    exit 1
fi
if problem=$("$root/scripts/private-gpsd.sh" start "$demo/gpsd" "$gnss" "$gpsd_port" 2>&1); then
    echo "Positions: gpsd on 127.0.0.1:$gpsd_port reads the simulated receiver on $(readlink "$gnss")."
else
    echo "Positions: no gpsd for the demo ($problem); the status bar will say so."
fi

"$build/bin/marevox-printer" --port 9100 --out "$demo/printer" >"$demo/printer.log" 2>&1 &
printer_pid=$!
sleep 0.3
if ! kill -0 "$printer_pid" 2>/dev/null; then
    echo "Chart printing: the printer stand-in cannot listen on port 9100 ($(tail -n 1 "$demo/printer.log")); 开始打印 will show 打印错误."
    printer_pid=""
elif problem=$("$root/scripts/private-cups.sh" start "$demo/cups" 9100 2>&1); then
    export CUPS_SERVER="$demo/cups/cups.sock"
    echo "Chart printing: press 开始打印 during playback; the chart appears in $demo/printer/chart.png."
else
    echo "Chart printing: no CUPS queue for the demo (${problem:-cupsd did not start}); 开始打印 will show 打印错误."
fi

echo "Simulator on $(readlink "$link"); settings in $ini."
echo "Press 连接 (Connect) to receive pings; recordings go to ~/Marevox用户数据."
"$demo/marevox"
