#!/usr/bin/env bash
# Takes the README's screenshot: the program on a virtual display, connected
# to the instrument simulator, after the echogram has filled.
#
# usage: scripts/screenshot.sh OUT.png [SECONDS]
# MAREVOX_BUILD_DIR selects the build (default build/); it must be built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MAREVOX_BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:?usage: scripts/screenshot.sh OUT.png [SECONDS]}")"
seconds="${2:-40}"

if [ -z "${SCREENSHOT_INNER:-}" ]; then
    for tool in xvfb-run xdotool import python3; do
        command -v "$tool" >/dev/null || { echo "screenshot: $tool is needed" >&2; exit 1; }
    done
    for exe in marevox marevox-sim; do
        [ -x "$build/bin/$exe" ] || { echo "screenshot: $build/bin/$exe is not built" >&2; exit 1; }
    done
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/program" "$work/home" "$work/tmp"
    cp "$build/bin/marevox" "$work/program/"
    [ -f "$build/bin/MarevoxEn.qm" ] && cp "$build/bin/MarevoxEn.qm" "$work/program/"
    # Every key present (a missing key reads as 0, black for a colour); the
    # instrument on port 1, gain and range automatic.
    cat >"$work/program/Marevox.ini" <<INI
[SET_A]
EatWater=0.50
Speed=1500.000000
PlusMod=1
Plus=-15
RangeMod=1
RangIdx=2
RangeOffset=0
DisturbMod=0
FixDep=0.0
[SET_C]
Back=12412928
WaveL1=255
Desk=6566450
Line1=3340900
Line2=3328050
SeeBack=9868950
SeeEdit=2631880
[Other]
Language=0
ComNumIdx=0
ComBaudIdx=0
PcCom=1
DepType=0
UartCtl=0
UseNet=0
IP=192.168.3.100
PortListen=0
PortSend=0
[Ports]
COM1=$work/instrument
INI
    SCREENSHOT_INNER=1 SCREENSHOT_WORK="$work" HOME="$work/home" TMPDIR="$work/tmp" \
        xvfb-run -a -s "-screen 0 1024x700x24" "$0" "$@"
    exit $?
fi

work="$SCREENSHOT_WORK"
"$build/bin/marevox-sim" --link "$work/instrument" --depth-min 6 --depth-max 19 \
    --period 900 --mark-every 400 >/dev/null 2>&1 &
sim=$!
"$work/program/marevox" >/dev/null 2>&1 &
program=$!
trap 'kill $program $sim 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -S "$TMPDIR/Nereon" ] && [ -e "$work/instrument" ] && break
    sleep 0.1
done
sleep 1
# Connect (command 32776) through the program's local channel.
python3 - "$TMPDIR/Nereon" <<'PY'
import socket, struct, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.connect(sys.argv[1])
s.sendall(struct.pack("<III", 0x0111, 4, 32776))
time.sleep(0.2)
s.close()
PY
sleep "$seconds"
import -window root "$out"
echo "screenshot: $out"
