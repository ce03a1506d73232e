#!/usr/bin/env bash
# On deck, from the outside: marevox with the instrument simulator on a
# virtual display. A shallow alarm is set in the settings file and the
# simulator's bottom rises and falls: the depth monitor turns the alarm
# colour and the status bar names the alarm, Esc silences it (the status
# bar's note shrinks, the alarm stays shown) and it clears when the water
# is deep again. F12 twice goes to the night scheme: a screenshot of the
# whole screen compared with one in the day scheme has lost every bright
# colour but red. Feet are chosen through the local channel; both choices
# are in the settings file after the program ends.
#
# Usage: deck_e2e.sh BIN_DIR   (run under xvfb-run on a 1920 x 1080 screen;
# MAREVOX_E2E_SHOTS=FOLDER keeps the day and night screenshots)
set -uo pipefail
bin="$1"
for tool in xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool not installed (scripts/deps.sh)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display (run under xvfb-run)"; exit 1; }

source "$(dirname "$0")/e2e-lib.sh"
unset QT_QPA_PLATFORM
send() { "$bin/marevox-companion" send command "$1" >/dev/null; }
window() { xdotool search --name "$1" 2>/dev/null | head -1; }
# Pixels of COLOUR in a screenshot of window W (its part GEOMETRY).
pixels() {  # pixels W GEOMETRY COLOUR
    import -window "$1" "$work/w.png" 2>/dev/null || { echo 0; return; }
    convert "$work/w.png" -crop "$2" +repage -fill black +opaque "$3" -fill white -opaque "$3" \
        -format '%[fx:round(mean*w*h)]' info:
}
alarm_colour='#DC0000'
monitor_red() { pixels "$(window '水深')" 214x118+0+0 "$alarm_colour"; }
# The alarm's note at the right end of the main window's status bar.
note_red() { pixels "$nereon" 600x30+1320+1050 "$alarm_colour"; }
# Waits up to 60 s until the monitor is red (yes) or not (no).
wait_monitor() {
    for _ in $(seq 120); do
        local red
        red=$(monitor_red)
        if [ "$1" = yes ] && [ "$red" -gt 5000 ]; then return 0; fi
        if [ "$1" = no ] && [ "$red" -lt 100 ]; then return 0; fi
        sleep 0.5
    done
    return 1
}
# Share of pixels of a screenshot with green or blue above a quarter.
bright_share() { convert "$1" -fx '(g>0.25||b>0.25)' -format '%[fx:mean]' info:; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

install_program "$work/instrument"
ini="$work/app/Marevox.ini"
printf '[Alarms]\nShallowOn=1\nShallowDepth=6.00\nShallowHysteresis=0.50\n' >>"$ini"

"$bin/marevox-sim" --link "$work/instrument" --seed 5 --delay-ms 20 --depth-min 3 \
    --depth-max 12 --period 1500 --fish 0 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/instrument" ] && break; sleep 0.1; done
check "the program listens as Nereon" start_program
sleep 2
nereon="$(window '^Nereon')"
[ -n "$nereon" ] || nereon="$(xdotool search --class marevox | head -1)"
send 32776

check "the depth monitor turns the alarm colour as the bottom rises" wait_monitor yes
loud=$(note_red)
check "the status bar names the alarm ($loud alarm-coloured pixels)" test "$loud" -gt 1500
xdotool windowfocus --sync "$nereon" key Escape
sleep 0.5
quiet=$(note_red)
check "Esc silences: the note is shorter ($quiet) but stays" \
    test "$quiet" -gt 500 -a "$quiet" -lt "$loud"
check "the alarm clears as the bottom falls" wait_monitor no
check "and no note is left in the status bar" test "$(note_red)" -lt 50

import -window root "$work/day.png"
xdotool windowfocus --sync "$nereon" key F12 sleep 0.5 key F12
sleep 1.5
import -window root "$work/night.png"
day=$(bright_share "$work/day.png")
night=$(bright_share "$work/night.png")
echo "     bright share: day $day, night $night"
# MAREVOX_E2E_SHOTS=FOLDER keeps the two screenshots for a look.
[ -n "${MAREVOX_E2E_SHOTS:-}" ] && cp "$work/day.png" "$work/night.png" "$MAREVOX_E2E_SHOTS/"
check "the day screen is bright" below 0.3 "$day"
check "the night screen keeps only red" below "$night" 0.005

send 32864
sleep 1
check "feet: the depth monitor says so" test -n "$(window '水深 \(英尺\)')"
send 57665
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
check "the program has ended" bash -c "! kill -0 $app_pid 2>/dev/null"
check "night and feet are kept in the settings file" \
    grep -qz 'DepthUnit=1.*ColourScheme=2' "$ini"

[ "$failures" -eq 0 ]
