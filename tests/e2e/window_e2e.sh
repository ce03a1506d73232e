#!/usr/bin/env bash
# The program from the outside: marevox with the instrument simulator on a
# pseudo-terminal, driven through the local channel "Nereon" (and the
# keyboard for its file dialogs) on a virtual display. It connects, records,
# refuses to close while recording, stops, plays the recording back at every
# speed, backwards, jumps in time, ends playback and exits; then, started
# again, it continues the recording and is ended by SIGTERM. The recording's
# files and the saved settings are checked, and on the screen: the depth
# monitor greying while the instrument is silent and empty once it is
# disconnected, and the compact strip's status bar with every pane whole.
#
# Usage: window_e2e.sh BIN_DIR   (run under xvfb-run on a 1920 x 1080 screen;
# fails when a tool it needs is missing: scripts/deps.sh installs them)
set -uo pipefail
bin="$1"
for tool in xdotool import convert compare xclip; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool not installed (scripts/deps.sh)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display (run under xvfb-run)"; exit 1; }

source "$(dirname "$0")/e2e-lib.sh"
unset QT_QPA_PLATFORM
send() { "$bin/marevox-companion" send command "$1" >/dev/null; }
key() { sleep 1.2; xdotool key "$@"; sleep 0.5; }
running() { kill -0 "$app_pid" 2>/dev/null; }
# Share of reddish (echo) pixels in part of the echogram in a screenshot:
# by default its left 700 columns, else the given crop geometry.
echo_share() {
    import -window root "$1"
    convert "$1" -crop "${2:-700x400+0+90}" +repage -fx '(r>0.35&&g<0.25&&b<0.25)' \
        -format '%[fx:mean]' info:
}
nonzero() { awk -v v="$1" 'BEGIN { exit !(v > 0) }'; }
window() { xdotool search --name "$1" 2>/dev/null | head -1; }
width_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p'; }
pixels_of() { convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]' info:; }
# The depth monitor's depth field (214 x 86 at 0, 32) into FILE; prints its
# look: cells and digits in the monitor's colours, grey digits, and dark
# pixels (the age) at its bottom right.
monitor_look() {  # monitor_look FILE
    local m
    m="$(window '水深')"
    [ -n "$m" ] && import -window "$m" "$1" && mogrify -crop 214x86+0+32 +repage "$1" || return 1
    echo "$(pixels_of "$1" '#969696') $(pixels_of "$1" '#C82828') $(pixels_of "$1" '#808080')" \
        "$(convert "$1" -crop 70x30+140+52 -colorspace gray -threshold 35% -negate \
            -format '%[fx:round(mean*w*h)]' info:)"
}
# The main window's status bar (the light rows at its bottom) in a screenshot.
status_bar() {  # status_bar SHOT OUT
    eval "$(xdotool getwindowgeometry --shell "$nereon")"
    convert "$1" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
    local rows
    rows=$(convert "$2" -scale "1x${HEIGHT}!" -colorspace gray -depth 8 txt:- | awk -F'[ (,:)]+' \
        'NR > 1 { v[$2] = $4 } END { for (y = '"$HEIGHT"' - 1; v[y] > 150; --y) ++n; print n }')
    mogrify -gravity south -crop "${WIDTH}x${rows}+0+0" +repage "$2"
}
# Cuts a status bar's panes (runs of columns not all background) into
# OUT-1.png, OUT-2.png ...; prints how many.
cut_panes() {  # cut_panes BAR OUT
    local bg k=0 from to
    bg="#$(convert "$1" -format '%[hex:p{0,0}]' info:)"
    while read -r from to; do
        k=$((k + 1))
        convert "$1" -crop "$((to - from + 1))x999+${from}+0" +repage -bordercolor "$bg" \
            -border 1 -trim +repage "$2-$k.png"
    done < <(convert "$1" -scale "$(identify -format %w "$1")x1!" -depth 8 txt:- |
        awk -v bg="$bg" 'BEGIN { start = -1 } NR > 1 { split($1, p, ","); on = ($3 != bg)
            if (on && start < 0) start = p[1]
            if (!on && start >= 0) { if (p[1] - start >= 30) print start, p[1] - 1; start = -1 } }')
    echo "$k"
}
# Focuses a window, presses the keys and prints what they copied.
copied() {
    local w="$1"
    shift
    printf '' | xclip -selection clipboard
    xdotool windowfocus --sync "$w"
    xdotool key --delay 100 "$@"
    sleep 0.3
    xclip -o -selection clipboard 2>/dev/null
}

install_program "$work/instrument"
ini="$work/app/Marevox.ini"

# The simulator takes commands (the self-check result) on a pipe.
mkfifo "$work/sim.in"
"$bin/marevox-sim" --link "$work/instrument" --seed 7 --delay-ms 3 --depth-min 4 \
    --depth-max 12 --log "$work/commands.log" <"$work/sim.in" >"$work/sim.out" 2>&1 &
pids+=($!)
exec 3>"$work/sim.in"
for _ in $(seq 50); do [ -e "$work/instrument" ] && break; sleep 0.1; done
check "the program listens as Nereon" start_program

# Live pings.
send 32776
sleep 2
frames=$(wc -l <"$work/commands.log")
check "connected: the instrument is asked for ping after ping ($frames frames)" \
    test "$frames" -gt 100
live_echoes() {
    for _ in $(seq 10); do
        nonzero "$(echo_share "$work/live.png")" && return 0
        sleep 0.5
    done
    return 1
}
check "live echoes on the echogram" live_echoes
check "the depth monitor is beside the echogram" test -n "$(window '水深')"

# Self-check: the simulator answers good, then with a faulty receiver.
send 32837
sleep 1
dialog="$(window '^Dialog$')"
check "the self-check window opens" test -n "$dialog"
if [ -n "$dialog" ]; then
    log="$(copied "$dialog" Return sleep 1.5 key --delay 100 shift+Tab ctrl+a ctrl+c)"
    check "self-check: transmitter and receiver good" \
        grep -qz '自检......*高频发射正常.*高频接收正常' <<<"$log"
    echo "selfcheck 4" >&3  # the receiver's good bit gone
    sleep 0.5
    log="$(copied "$dialog" Tab Return sleep 1.5 key --delay 100 shift+Tab ctrl+a ctrl+c)"
    check "self-check: receiver faulty" grep -qz '高频发射正常.*高频接收不正常' <<<"$log"
    xdotool key Escape
fi

# The depth monitor: in its colours while pings come, greyed with its age
# while the instrument is silent. The status bar is taken meanwhile, its
# texts standing still, to be found again in the compact strip.
nereon="$(window '^Nereon$')"
read -r cells red grey age <<<"$(monitor_look "$work/fresh.png")"
check "a fresh depth in the monitor's colours ($cells, $red pixels)" \
    test "${cells:-0}" -gt 500 -a "$red" -gt 200 -a "$grey" -eq 0
echo "silence 9000" >&3
sleep 4.5
read -r cells red grey age <<<"$(monitor_look "$work/stale.png")"
check "a silent instrument: the depth greyed ($grey pixels; $cells, $red in colour), its age ($age)" \
    test "${grey:-0}" -gt 200 -a "$cells" -lt 50 -a "$red" -eq 0 -a "$age" -gt 20
import -window root "$work/full.png"
status_bar "$work/full.png" "$work/full-bar.png"
panes=$(cut_panes "$work/full-bar.png" "$work/pane")
check "the full window's status bar: seven panes in a row ($panes)" test "$panes" -eq 7

# Compact mode and back. Every pane of the full window is found whole in
# the strip's status bar, which stacks them in rows.
full_width="$(width_of "$nereon")"
send 32833
sleep 1
compact_width="$(width_of "$nereon")"
check "compact mode: a narrow strip ($full_width -> $compact_width pixels)" \
    test "${compact_width:-9999}" -lt 400
check "compact mode: no depth monitor" test -z "$(window '水深')"
import -window root "$work/compact.png"
status_bar "$work/compact.png" "$work/compact-bar.png"
# Each pane's place "X,Y" where it differs in at most 2 % of its pixels.
places="$(for k in $(seq "$panes"); do
    compare -metric AE -fuzz 5% -subimage-search "$work/compact-bar.png" "$work/pane-$k.png" \
        null: 2>&1 | awk -v most="$(identify -format '%[fx:w*h/50]' "$work/pane-$k.png")" \
        '$1 ~ /^[0-9.]+$/ && $1 <= most { print $NF }'
done)"
echo "panes in the strip at: $(xargs <<<"$places")"
check "compact mode: every status pane whole" test "$(grep -c , <<<"$places")" -eq "$panes"
check "compact mode: the panes in rows" test "$(sed 's/.*,//' <<<"$places" | sort -u | wc -l)" -gt 1
send 32833
sleep 1
check "full mode again ($(width_of "$nereon") pixels)" test "$(width_of "$nereon")" -ge "$full_width"
check "full mode: the depth monitor is back" test -n "$(window '水深')"
sleep 4  # the instrument speaks again
read -r cells red grey age <<<"$(monitor_look "$work/again.png")"
check "pings again: the depth fresh ($red, $grey pixels)" test "${red:-0}" -gt 200 -a "$grey" -eq 0

# The output monitor lists what a listening companion receives.
"$bin/marevox-companion" listen --raw >"$work/listened" 2>/dev/null &
listener_pid=$!
pids+=("$listener_pid")
sleep 1
send 32861
sleep 2
outputs="$(window '输出监视')"
check "the output monitor opens" test -n "$outputs"
if [ -n "$outputs" ]; then
    rows="$(copied "$outputs" ctrl+a ctrl+c)"
    sent="$(awk -F'\t' '$2 == "Kelvara" && $4 == "已发送" { print $3; exit }' <<<"$rows")"
    echo "newest sentence sent to the companion: $sent"
    check "the output monitor shows a sentence the listener received" \
        grep -qF "${sent%\\r\\n}" <(tr -d '\r' <"$work/listened")
    check "the sentence ends in CR LF, shown visibly" test "${sent: -4}" = '\r\n'
    xdotool key Escape
fi
kill "$listener_pid" 2>/dev/null
wait "$listener_pid" 2>/dev/null
listener_pid=""

# Record: the file dialog proposes today's date in the data folder.
data="$HOME/Marevox用户数据"
name="$(date +%Y%m%d)"
send 32801
key Return
sleep 3
check "recording into $name.sd" test -s "$data/$name.sd"
send 57665  # exit while recording: refused with a message
key Return
check "closing is refused while recording" running
# Stopped once more than 900 pings are in (about 6 s at the simulator's
# rate; longer on a busy machine).
for _ in $(seq 60); do
    [ "$(wc -l <"$data/$name.txt" 2>/dev/null || echo 0)" -gt 902 ] && break
    sleep 0.5
done
send 32802
sleep 0.5
info="$("$bin/marevox-cli" info "$data/$name.sd")"
echo "$info"
records=$(sed -n 's/.*"records":\([0-9]*\).*/\1/p' <<<"$info")
check "the recording holds over 900 records ($records)" test "${records:-0}" -gt 900
check "every record valid, index agrees with the data" \
    grep -q '"invalidRecords":0.*"indexAgrees":true' <<<"$info"
lines=$(($(wc -l <"$data/$name.txt") - 1))
check "one depth line per record ($lines)" test "$lines" -ge $((records - 2))

# Disconnected: no depth on the monitor.
empty_monitor() {
    read -r cells red grey age <<<"$(monitor_look "$work/$1.png")"
    [ -n "$cells" ] && [ $((cells + red + grey)) -eq 0 ]
}
send 32790
sleep 1
check "disconnected: the monitor shows no depth" empty_monitor disconnected

# Play back: the open dialog, then the time search dialog.
send 32796
sleep 1.2
xdotool type "$name.sd"
key Return
key Escape
check "playback started" running
# Faster to a step every 20 ms, where the recording lasts long enough to
# watch it scroll, then to delay 0, as fast as the worker goes.
for _ in 1 2; do send 32795; done
sleep 1
# The newest pings come in at the right, beside the ruler strip.
check "played-back echoes on the echogram" \
    nonzero "$(echo_share "$work/playback.png" 400x400+1400+90)"
sleep 0.5
import -window root "$work/playback2.png"
changed=$(compare -metric AE "$work/playback.png" "$work/playback2.png" null: 2>&1)
check "the played-back echogram scrolls ($changed pixels changed)" test "${changed%% *}" -gt 1000
send 32795
sleep 0.5
send 32810  # backward
sleep 1
import -window root "$work/backward.png"
send 32797  # pause
send 32810  # forward again, which also resumes
for _ in 1 2 3 4 5 6; do send 32798; done  # slower, to delay 6
sleep 1
send 32821  # time search: apply the shown time, then leave
key Return
key Escape
check "still running after every playback command" running
send 32794  # end playback
sleep 1
check "after playback: the monitor shows no depth" empty_monitor ended

send 57665
for _ in $(seq 50); do running || break; sleep 0.1; done
check "the program exits when not recording" bash -c "! kill -0 $app_pid 2>/dev/null"
wait "$app_pid"
status=$?
app_pid=""
check "exit status 0 ($status)" test "$status" -eq 0
check "settings saved on leaving in live mode" grep -q '^PortSend=' "$ini"
check "the port mapping is kept" grep -q "^COM1=$work/instrument" "$ini"

# Ended from outside while recording (logout, kill): the recording, here a
# continued one, is closed first, so its index lists every record.
"$work/app/marevox" >>"$work/app.out" 2>&1 &
app_pid=$!
pids+=("$app_pid")
for _ in $(seq 100); do send 0 2>/dev/null && break; sleep 0.1; done
send 32776
sleep 1
send 32801
key Return
sleep 2
kill -TERM "$app_pid"
wait "$app_pid"
status=$?
app_pid=""
check "SIGTERM while recording ends the program cleanly ($status)" test "$status" -eq 0
info="$("$bin/marevox-cli" info "$data/$name.sd")"
echo "$info"
more=$(sed -n 's/.*"records":\([0-9]*\).*/\1/p' <<<"$info")
check "the continued recording grew ($records -> $more records)" test "${more:-0}" -gt "$records"
check "its index lists every record" grep -q '"invalidRecords":0.*"indexAgrees":true' <<<"$info"

# Screenshots for a look, when asked for.
[ -n "${MAREVOX_E2E_SHOTS:-}" ] && cp "$work"/*.png "$MAREVOX_E2E_SHOTS"/

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/app.out"
    exit 1
fi
