#!/usr/bin/env bash
# The settings dialogs from the outside: marevox with the instrument
# simulator on a pseudo-terminal, the companion program listening for
# depths, commands sent through the local channel "Nereon" and the dialogs
# driven with the keyboard on a virtual display.
#
#   dialogs  the gain, range and draft dialogs change the command frames the
#            simulator receives and the depths the companion receives
#   output   the communication dialog opens the depth-output port (COM3,
#            a pseudo-terminal, at 57600) that then carries exactly the
#            sentences of the chosen format; closing stops them; a port
#            that does not exist gives its message and leaves the button
#
# Usage: settings_e2e.sh BIN_DIR dialogs|output   (under xvfb-run)
set -uo pipefail
bin="$1"
mode="$2"
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display (run under xvfb-run)"; exit 1; }

source "$(dirname "$0")/e2e-lib.sh"
unset QT_QPA_PLATFORM
send() { "$bin/marevox-companion" send command "$1" >/dev/null; sleep 1.2; }
key() { xdotool key --delay 150 "$@"; sleep 0.5; }
# The last command frame the simulator received, as hex bytes.
last_frame() { tail -n 1 "$work/commands.log" | cut -d' ' -f2-11; }
# The last depth in centimetres the companion received (DT format).
last_depth() { grep -o 'DT [0-9]*' "$work/depths.txt" | tail -n 1 | cut -c4- | sed 's/^0*//'; }
window_up() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

install_program "$work/instrument"
ini="$work/app/Marevox.ini"
# Manual gain and range, so the dialogs' values stay in the frames.
sed -i 's/^PlusMod=.*/PlusMod=0/; s/^RangeMod=.*/RangeMod=0/; s/^RangIdx=.*/RangIdx=1/' "$ini"
echo "COM3=$work/depthout" >>"$ini"
echo "COM4=$work/missing" >>"$ini"

"$bin/marevox-sim" --link "$work/instrument" --seed 3 --depth 8 --delay-ms 3 \
    --log "$work/commands.log" >"$work/sim.out" 2>&1 &
pids+=($!)
"$bin/marevox-companion" listen >"$work/depths.txt" 2>"$work/companion.err" &
pids+=($!)
"$bin/pty-capture" "$work/depthout" "$work/port.bin" &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/instrument" ] && [ -e "$work/depthout" ] && break; sleep 0.1; done
check "the program listens as Nereon" start_program
send 32776  # connect
sleep 1.5
check "pings flow: frames at 10 m, gain -15 ($(last_frame))" \
    test "$(last_frame | cut -d' ' -f1,8)" = "23 F1"

if [ "$mode" = dialogs ]; then
    first=$(last_depth)
    check "depths reach the companion (${first:-none} cm)" test -n "$first"

    send 32804  # 增益: the up-down control has the focus
    key Up Up Up Up Up
    key Return
    sleep 1
    check "gain -10 from the gain dialog ($(last_frame))" test "$(last_frame | cut -d' ' -f8)" = F6

    send 32784  # 量程: the trackbar has the focus
    key Right
    key Return
    sleep 1
    check "range 25 m from the range dialog ($(last_frame))" \
        test "$(last_frame | cut -d' ' -f1)" = 26

    # The smoothed depth has settled by now: the shift is measured from here.
    before=$(last_depth)
    send 32779  # 吃水: the edit has the focus, its text selected
    xdotool type --delay 100 "1.50"
    key Return
    sleep 3
    after=$(last_depth)
    shift_cm=$((${after:-0} - ${before:-0}))
    check "the draft of 1.50 m deepens every depth by 1 m ($before -> $after cm)" \
        test "$shift_cm" -ge 90 -a "$shift_cm" -le 110
    check "frames keep range and gain ($(last_frame))" \
        test "$(last_frame | cut -d' ' -f1,8)" = "26 F6"
fi

if [ "$mode" = output ]; then
    # 通信设置: format (Orvak-V410 -> NMEA0183-SDDBT), past the checksum box,
    # port COM1 -> COM3, baud 4800 -> 57600, then the open button; 退出.
    send 32827
    key Down Down Down
    key Tab Tab Down Down
    key Tab Down Down Down Down Down Down
    key Tab Tab space
    key Escape
    sleep 3
    # Read once: pty-capture rewrites the file as bytes arrive.
    speed=$(cat "$work/port.bin.speed" 2>/dev/null)
    check "57600 bits per second on the line ($speed)" test "$speed" = 57600
    lines=$(tr -d '\r' <"$work/port.bin" | grep -c .)
    check "depth sentences on the port ($lines)" test "$lines" -ge 5
    bad=$(tr -d '\r' <"$work/port.bin" | grep -cvE '^\$SDDBT,[0-9]+\.[0-9]{2},f,[0-9]+\.[0-9]{2},M,[0-9]+\.[0-9]{2},F$')
    check "every one an SDDBT sentence ending in CR LF ($bad others)" test "$bad" -eq 0
    check "the same sentences as the companion receives" \
        grep -qF "$(tr -d '\r' <"$work/port.bin" | sed -n 2p)" "$work/depths.txt"

    send 32827  # the button now closes the port; port and baud are disabled
    key Tab Tab Tab space
    key Escape
    sleep 1
    size=$(stat -c %s "$work/port.bin")
    sleep 2
    check "closing the port stops the sentences" test "$(stat -c %s "$work/port.bin")" -eq "$size"

    send 32827  # COM4 does not exist
    key Tab Tab Down
    key Tab Tab Tab space
    sleep 1
    check "a port that does not exist gives its message" window_up Marevox
    key Return
    check "the message is gone" bash -c "! xdotool search --onlyvisible --name '^Marevox\$' >/dev/null 2>&1"
    key space  # the button still opens: the message again
    sleep 1
    check "the button is left as it was" window_up Marevox
    key Return
    key Escape
    check "the port stayed closed" test "$(stat -c %s "$work/port.bin")" -eq "$size"
fi

check "the program still runs" kill -0 "$app_pid"
if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/app.out"
    echo "--- last frames"; tail -n 3 "$work/commands.log"
    echo "--- last depths"; tail -n 3 "$work/depths.txt"
    exit 1
fi
