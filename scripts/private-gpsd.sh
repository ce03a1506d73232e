#!/usr/bin/env bash
# A gpsd of its own, for the demo and the tests: it reads one receiver
# (DEVICE, e.g. the simulator's GNSS terminal) at once (-n), in the
# foreground of its own process (-N), with its control socket in FOLDER
# (-F) and clients served on loopback PORT (-S). The system's gpsd service,
# its socket and its default port are never touched.
#
#   scripts/private-gpsd.sh start FOLDER DEVICE PORT   (waits until gpsd listens)
#   scripts/private-gpsd.sh stop FOLDER
set -euo pipefail
command="${1:-}"
dir="${2:-}"
if [ -z "$dir" ] || { [ "$command" != start ] && [ "$command" != stop ]; } ||
    { [ "$command" = start ] && [ $# -ne 4 ]; }; then
    echo "usage: $0 start FOLDER DEVICE PORT | stop FOLDER" >&2
    exit 2
fi
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"

if [ "$command" = stop ]; then
    if [ -f "$dir/gpsd.pid" ]; then
        kill "$(cat "$dir/gpsd.pid")" 2>/dev/null || true
        rm -f "$dir/gpsd.pid"
    fi
    exit 0
fi

device="$(readlink -f "$3")"
port="$4"
gpsd="$(command -v gpsd || echo /usr/sbin/gpsd)"
[ -x "$gpsd" ] || { echo "gpsd is not installed (scripts/deps.sh installs it)" >&2; exit 1; }
"$gpsd" -N -n -F "$dir/gpsd.sock" -S "$port" "$device" >"$dir/gpsd.log" 2>&1 &
echo $! >"$dir/gpsd.pid"
for _ in $(seq 50); do
    if ! kill -0 "$(cat "$dir/gpsd.pid")" 2>/dev/null; then
        echo "gpsd did not start: $(tail -n 1 "$dir/gpsd.log")" >&2
        rm -f "$dir/gpsd.pid"
        exit 1
    fi
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then exit 0; fi
    sleep 0.1
done
echo "gpsd does not listen on port $port: $(tail -n 1 "$dir/gpsd.log")" >&2
exit 1
