#!/usr/bin/env bash
# Chart printing from the outside: the real program plays a recording while
# a CUPS daemon of the test's own (scripts/private-cups.sh) sends each chart
# document as a raw job to the printer stand-in. Printing is switched on
# while a first, short playback is paused, that playback is ended (printing
# stays on), and the recording is played from its first record to its end;
# then printing is switched off. The bytes the stand-in received must be
# those marevox-cli chart makes of the same recording.
#
# Usage: printing_e2e.sh BIN_DIR   (under xvfb-run, for the file dialog)
set -uo pipefail
bin="$1"
source "$(dirname "$0")/e2e-lib.sh"
export TZ=UTC
unset QT_QPA_PLATFORM
on_cleanup() { "$root/scripts/private-cups.sh" stop "$work/cups"; }
send() { "$bin/marevox-companion" send command "$1" >/dev/null; }
# A busy machine (the whole suite runs two tests at once) is slow to show
# a dialog: the keys wait for it.
key() { sleep 2; xdotool key "$@"; sleep 0.5; }
open_recording() {  # open_recording NAME
    send 32796
    sleep 2.5
    xdotool type "$1"
    key Return
    key Escape  # the time search dialog
}

# A recording of 1100 pings on the 25 m range with an event mark at ping
# 1000, and its first 5 pings: the short playback processes 4 of them,
# which leaves the depth smoothing (blocks of 4 pings on this range) as a
# fresh engine has it.
data="$HOME/Marevox用户数据"
mkdir -p "$data"
"$bin/bench-make-recording" "$data/chart" 1100 >/dev/null
"$bin/bench-make-recording" "$data/start" 5 >/dev/null

# The stand-in on a free port, and the daemon with a raw queue to it.
"$bin/marevox-printer" --port 0 --out "$work/printer" >"$work/printer.out" 2>&1 &
pids+=($!)
port=""
for _ in $(seq 100); do
    port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/printer.out")
    [ -n "$port" ] && break
    sleep 0.1
done
check "the printer stand-in listens (port $port)" test -n "$port"
"$root/scripts/private-cups.sh" start "$work/cups" "$port" || { echo "FAIL - cupsd"; exit 1; }
export CUPS_SERVER="$work/cups/cups.sock"

install_program "$work/no-instrument"
check "the program listens as Nereon" start_program

open_recording start.sd
send 32797  # pause
send 32822  # 开始打印
send 32794  # end playback: printing stays on
sleep 0.5
check "nothing printed while paused" test ! -s "$work/printer/chart.prn"

open_recording chart.sd  # printing from the first record
for _ in 1 2 3; do send 32795; done  # delay 0
"$bin/marevox-cli" chart "$data/chart.sd" --ini "$work/app/Marevox.ini" \
    --out "$work/expected.prn" >"$work/cli.out"
expected=$(stat -c %s "$work/expected.prn")
documents=$(sed -n 's/.*"documents":\([0-9]*\).*/\1/p' "$work/cli.out")
for _ in $(seq 1800); do
    [ "$(stat -c %s "$work/printer/chart.prn" 2>/dev/null || echo 0)" -ge "$expected" ] && break
    sleep 0.1
done
send 32823  # 结束打印
send 32794
sleep 1
check "the stand-in received $expected bytes" \
    test "$(stat -c %s "$work/printer/chart.prn")" -eq "$expected"
check "the bytes are those marevox-cli chart makes" cmp "$work/expected.prn" "$work/printer/chart.prn"
jobs=$(ls "$work/printer" | grep -c '^job-')
check "one raw job per document ($jobs of $documents)" test "$jobs" -eq "${documents:-0}"
check "the mark annotation is on the chart" grep -q '1  08:00:5[0-9]  1[0-9]\.[0-9][0-9]m' "$work/printer/chart.prn"
check "the stand-in drew the chart" test -s "$work/printer/chart.png"

send 57665
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
check "the program exits" bash -c "! kill -0 $app_pid 2>/dev/null"
app_pid=""
if [ "$failures" -ne 0 ]; then
    echo "--- received $(stat -c %s "$work/printer/chart.prn" 2>/dev/null) bytes of $expected"
    echo "--- program"; cat "$work/app.out"
    echo "--- stand-in"; cat "$work/printer.out"
    echo "--- cupsd"; tail -n 20 "$work/cups/log/error_log" 2>/dev/null
fi
exit $((failures != 0))
