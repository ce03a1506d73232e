#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window with live echoes from the
# instrument simulator and the depth monitor, on a virtual display. Needs a
# build (scripts/build.sh).
#
# Usage: xvfb-run -a -s "-screen 0 1280x800x24" scripts/make-screenshot.sh [OUT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${MAREVOX_BUILD_DIR:-$root/build}/bin"
out="${1:-$root/docs/screenshot.png}"
work="$(mktemp -d)"
export TMPDIR="$work" HOME="$work" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT

cp "$bin/marevox" "$bin/libmarevox_cups.so" "$bin/MarevoxEn.qm" "$work/"
"$root/scripts/write-demo-settings.sh" "$work/Marevox.ini" "$work/instrument"
"$bin/marevox-sim" --link "$work/instrument" --seed 5 --delay-ms 8 --depth-min 6 \
    --depth-max 19 --period 900 --mark-every 400 >/dev/null &
pids+=($!)
"$work/marevox" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/Nereon" ] && break; sleep 0.1; done
"$bin/marevox-companion" send command 32776  # 连接
sleep 25
import -window root "$out"
"$bin/marevox-companion" send command 57665  # 退出
echo "wrote $out"
