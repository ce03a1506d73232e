#!/usr/bin/env bash
# The helm page from the outside: the real program, with the helm display
# turned on in its settings file, sounds the instrument simulator's drifting
# bottom with a shallow alarm at 6 m; headless Chromium opens the page the
# program serves and sees the depth change with the bottom, and the alarm
# raised and cleared. Runs the program on Qt's offscreen platform.
#
# Usage: helm_e2e.sh BIN_DIR
set -uo pipefail
bin="$1"
source "$(dirname "$0")/e2e-lib.sh"
export QT_QPA_PLATFORM=offscreen
[ -x /usr/bin/chromium ] || { echo "FAIL: chromium not installed (scripts/deps.sh)"; exit 1; }

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
install_program "$work/instrument"
printf '[Helm]\nHelmOn=1\nHelmAddress=127.0.0.1\nHelmPort=%s\n[Alarms]\nShallowOn=1\nShallowDepth=6\n' \
    "$port" >>"$work/app/Marevox.ini"
# A bottom swinging between 4 and 12 m every 100 pings.
"$bin/marevox-sim" --link "$work/instrument" --seed 5 --delay-ms 20 --depth-min 4 \
    --depth-max 12 --period 100 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/instrument" ] && break; sleep 0.1; done
check "the program starts" start_program
"$bin/marevox-companion" send command 32776 >/dev/null  # connect

"$bin/helm-page-probe" "http://127.0.0.1:$port/" 15 >"$work/page.out" 2>"$work/probe.err"
check "chromium was driven" test $? -eq 0
depths=$(awk -F' [|] ' '$1 ~ /^[0-9]+[.][0-9][0-9]$/ { print $1 }' "$work/page.out" | sort -u)
check "the page shows the depth change with the bottom (10 different depths or more)" \
    test "$(echo "$depths" | grep -c .)" -ge 10
check "the depths lie within the simulated bottom's swing" \
    awk '{ if ($1 < 3 || $1 > 13) exit 1 }' <<<"$depths"
check "the shallow alarm is shown" grep -q ' | 浅水报警 | ' "$work/page.out"
check "and cleared again" grep -q ' | 无报警 | ' "$work/page.out"
check "the page says it is connected" grep -q '已连接$' "$work/page.out"
[ "$failures" -eq 0 ] || { tail -n 20 "$work/page.out" "$work/probe.err" "$work/app.out"; }
exit $((failures > 0))
