#!/usr/bin/env bash
# The gpsd client's CPU at 10 fixes a second: marevox-sim's receiver, a gpsd
# of its own on it (no system service touched), and gpsd-client-cpu watching
# it for SECONDS (default 60).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${MAREVOX_BUILD_DIR:-$root/build}/bin"
seconds="${1:-60}"
folder="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$folder"' EXIT
"$bin/marevox-sim" --link "$folder/instrument" --gnss "$folder/gnss" --gnss-rate 10 >/dev/null &
for _ in $(seq 100); do [ -e "$folder/gnss" ] && break; sleep 0.05; done
gpsd -N -n -F "$folder/gpsd.sock" -S 29499 "$(readlink "$folder/gnss")" 2>/dev/null &
"$bin/gpsd-client-cpu" 127.0.0.1:29499 "$seconds"
