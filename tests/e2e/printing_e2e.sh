#!/usr/bin/env bash
# Chart printing from the outside: the real program plays a recording while
# a CUPS daemon of the test's own (scripts/private-cups.sh) sends each chart
# document as a raw job to the printer stand-in. Printing is switched on
# while a first, short playback is paused, that playback is ended (printing
# stays on), and the recording is played from its first record to its end;
# then printing is switched off. The bytes the stand-in received must be
# those marevox-cli chart makes of the same recording. Then cupsd is
# stopped (SIGSTOP): the window must go on answering while 开始打印 looks
# for the printer, and leaving with bands queued must end within seconds,
# saying how many were not printed (the figures are printed). libcups comes
# with the first 开始打印, from the module installed beside the program.
#
# Usage: printing_e2e.sh BIN_DIR   (under xvfb-run, for the file dialog)
set -uo pipefail
bin="$1"
source "$(dirname "$0")/e2e-lib.sh"
export TZ=UTC
unset QT_QPA_PLATFORM
on_cleanup() {
    [ -n "${cupsd_pid:-}" ] && kill -CONT "$cupsd_pid" 2>/dev/null
    "$root/scripts/private-cups.sh" stop "$work/cups"
}
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
# CUPS is loaded when printing starts, from the module beside the program.
cups_mapped() { grep -q '/libcups\.so' "/proc/$app_pid/maps"; }
check "libcups is not loaded at start" test -z "$(grep '/libcups\.so' "/proc/$app_pid/maps")"

open_recording start.sd
send 32797  # pause
send 32822  # 开始打印
sleep 0.5
check "开始打印 loads libcups" cups_mapped
check "from the module beside the program" grep -q "$work/app/libmarevox_cups\.so" "/proc/$app_pid/maps"
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

# A hung spooler (cupsd stopped): 开始打印 looks the printer up on the
# spooler's thread, and the window answers meanwhile. A probe measures it:
# a malformed message, which the window's thread answers by closing the
# connection. When the lookup's time is up, 打印错误 (a box titled Marevox).
cupsd_pid=$(cat "$work/cups/cupsd.pid")
open_recording start.sd
send 32797  # pause
kill -STOP "$cupsd_pid"
send 32822  # 开始打印
python3 - "$XDG_RUNTIME_DIR/Nereon" 4 >"$work/answer.out" <<'PY'
import socket, statistics, struct, sys, time
delays = []
end = time.monotonic() + float(sys.argv[2])
while time.monotonic() < end:
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    start = time.monotonic()
    probe.connect(sys.argv[1])
    probe.sendall(struct.pack("<II", 0x0111, 3) + b"abc")  # a command id of 3 bytes
    probe.settimeout(300)
    probe.recv(1)  # the window's thread closes the connection
    delays.append((time.monotonic() - start) * 1000)
    probe.close()
    time.sleep(0.05)
print("%d probes, median %.1f ms, slowest %.0f ms" % (len(delays), statistics.median(delays), max(delays)))
PY
echo "--- the window while CUPS is stopped: $(cat "$work/answer.out")"
slowest=$(sed -n 's/.*slowest \([0-9]*\) ms.*/\1/p' "$work/answer.out")
check "the window answers while CUPS is stopped (slowest ${slowest:-?} ms)" test "${slowest:-99999}" -lt 1000
check "打印错误 once the lookup gives up" timeout 15 xdotool search --sync --onlyvisible --name '^Marevox$'
key Return
kill -CONT "$cupsd_pid"
send 32794  # end playback

# Leaving with bands queued while cupsd is stopped: at most 5 s of waiting,
# then the number of documents not printed is said, and the program ends.
open_recording start.sd
send 32797  # pause
send 32822  # 开始打印, CUPS answering
sleep 1
send 32794  # end playback: printing stays on
kill -STOP "$cupsd_pid"
open_recording chart.sd  # its bands queue behind one CUPS does not take
started=$(date +%s%N)
send 57665
for _ in $(seq 300); do grep -q '段图表未打印' "$work/app.out" && break; sleep 0.05; done
waited=$((($(date +%s%N) - started) / 1000000))
echo "--- leaving with CUPS stopped: said after $waited ms: $(grep '段图表未打印' "$work/app.out")"
check "leaving says how many bands were not printed" grep -q '[1-9][0-9]* 段图表未打印' "$work/app.out"
check "leaving waits at most about 5 s ($waited ms)" test "$waited" -lt 8000
timeout 15 xdotool search --sync --onlyvisible --name '^Marevox$' >/dev/null && key Return
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
check "the program exits" bash -c "! kill -0 $app_pid 2>/dev/null"
app_pid=""
kill -CONT "$cupsd_pid"
if [ "$failures" -ne 0 ]; then
    echo "--- received $(stat -c %s "$work/printer/chart.prn" 2>/dev/null) bytes of $expected"
    echo "--- program"; cat "$work/app.out"
    echo "--- stand-in"; cat "$work/printer.out"
    echo "--- cupsd"; tail -n 20 "$work/cups/log/error_log" 2>/dev/null
fi
exit $((failures != 0))
