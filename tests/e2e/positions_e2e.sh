#!/usr/bin/env bash
# The window with a real gpsd: marevox-sim's instrument and GNSS receiver on
# two pseudo-terminals, a gpsd of the test's own on the receiver, and the
# program's settings pointing at it (section GNSS). It connects, records a
# few seconds and stops: every ping of the recording has its place in
# BASE.pos.csv, every fix is in BASE.gnss.csv and every depth line carries
# longitude, latitude, course and speed. gpsd killed meanwhile, the sounding
# and the recording go on with the pings flagged, and gpsd back, the
# positions come back by themselves.
#
# Usage: positions_e2e.sh BIN_DIR   (run under xvfb-run; the file dialog is
# answered with the keyboard)
set -uo pipefail
bin="$1"
command -v xdotool >/dev/null || { echo "FAIL: xdotool not installed (scripts/deps.sh)"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display (run under xvfb-run)"; exit 1; }
source "$(dirname "$0")/e2e-lib.sh"
unset QT_QPA_PLATFORM
send() { "$bin/marevox-companion" send command "$1" >/dev/null; }
on_cleanup() { "$root/scripts/private-gpsd.sh" stop "$work/gpsd"; }

install_program "$work/instrument"
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
printf '[GNSS]\nSource=1\nGpsdHost=127.0.0.1\nGpsdPort=%s\n' "$port" >>"$work/app/Marevox.ini"
"$bin/marevox-sim" --link "$work/instrument" --gnss "$work/gnss" --seed 5 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/instrument" ] && [ -e "$work/gnss" ] && break; sleep 0.1; done
check "gpsd of the test's own reads the receiver" \
    "$root/scripts/private-gpsd.sh" start "$work/gpsd" "$work/gnss" "$port"
check "the program starts" start_program

send 32776  # 连接
sleep 2
data="$HOME/Marevox用户数据"
base="$data/$(date +%Y%m%d)"
send 32801  # 开始存储: the proposed name
sleep 1.5
xdotool key Return
sleep 4
"$root/scripts/private-gpsd.sh" stop "$work/gpsd"
sleep 4
check "gpsd back on its port" "$root/scripts/private-gpsd.sh" start "$work/gpsd" "$work/gnss" "$port"
sleep 8  # the client tries again within 4 s
send 32802  # 结束存储
sleep 2

records=$(sed -n 's/.*"records":\([0-9]*\).*/\1/p' <<<"$("$bin/marevox-cli" info "$base.sd")")
echo "recorded $records pings"
check "a recording of more than 100 pings" test "${records:-0}" -gt 100
check "a line in BASE.pos.csv for every ping" test "$(($(wc -l <"$base.pos.csv") - 1))" -eq "$records"
check "records in order from 0" \
    awk -F, 'NR > 1 && $1 != NR - 2 { exit 1 }' "$base.pos.csv"
flags="$(awk -F, 'NR > 1 { n[$9]++ } END { for (f in n) printf "%s=%d ", f, n[f] }' "$base.pos.csv")"
echo "flags: $flags"
count() { awk -F, -v f="$1" 'NR > 1 && $9 == f { n++ } END { print n + 0 }' "$base.pos.csv"; }
check "pings placed between fixes before and after gpsd was away" test "$(count interpolated)" -gt 50
check "pings while gpsd was away flagged stale, none misplaced" test "$(count stale)" -gt 10
fixes=$(grep -c ',rtk_fixed,' "$base.gnss.csv")
echo "$fixes fixes logged"
check "fixes in BASE.gnss.csv, before and after gpsd was away" test "$fixes" -gt 30
placed=$(awk 'NR > 1 && NF == 7' "$base.txt" | wc -l)
plain=$(awk 'NR > 1 && NF == 3' "$base.txt" | wc -l)
echo "depth lines: $placed with positions, $plain without"
check "depth lines with longitude, latitude, course, speed" test "$placed" -gt 50
check "every depth line one or the other" test $((placed + plain)) -eq "$records"
check "the program is still running" kill -0 "$app_pid"
send 57665  # exit
sleep 1

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/app.out"
    exit 1
fi
