#!/usr/bin/env bash
# The program against companion programs that misbehave: with a "Kelvara"
# that takes the name but never accepts a connection, the instrument is
# still asked for ping after ping at full rate, and once a working
# companion takes the name the depths reach it again. Runs the real program
# on Qt's offscreen platform with the instrument simulator.
#
# Usage: peers_e2e.sh BIN_DIR
set -uo pipefail
bin="$1"
source "$(dirname "$0")/e2e-lib.sh"
export QT_QPA_PLATFORM=offscreen
frames() { wc -l <"$work/commands.log"; }
# Command frames the instrument receives in three seconds.
rate() {
    local before after
    before=$(frames)
    sleep 3
    after=$(frames)
    echo $(((after - before) / 3))
}

install_program "$work/instrument"
"$bin/marevox-sim" --link "$work/instrument" --seed 3 --delay-ms 5 --depth-min 4 \
    --depth-max 12 --log "$work/commands.log" >"$work/sim.out" 2>&1 &
pids+=($!)
"$bin/marevox-companion" listen --stall >"$work/stalled.out" 2>&1 &
stalled=$!
pids+=($stalled)
"$work/app/marevox" >"$work/app.out" 2>&1 &
app=$!
pids+=($app)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/Nereon" ] && [ -e "$work/instrument" ] && break
    sleep 0.1
done
check "the program listens as Nereon in the channel folder" test -S "$XDG_RUNTIME_DIR/Nereon"

"$bin/marevox-companion" send command 32776 >/dev/null  # connect
sleep 1
stalled_rate=$(rate)
check "pings at full rate with a hung companion ($stalled_rate a second)" \
    test "$stalled_rate" -ge 40
# A mode switch is answered at once meanwhile.
check "the window answers while the companion hangs" \
    timeout 2 "$bin/marevox-companion" send simple

kill "$stalled"
wait "$stalled" 2>/dev/null
"$bin/marevox-companion" listen >"$work/depths.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/depths.out" ] && break; sleep 0.1; done
check "depths reach a companion that answers again" grep -q '^DT [0-9]*\\r\\n$' "$work/depths.out"
check "the program is still running" kill -0 "$app"

if [ "$failures" -ne 0 ]; then
    echo "--- program output"; cat "$work/app.out"
    exit 1
fi
