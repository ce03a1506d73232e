#!/usr/bin/env bash
# Installs what is missing, builds, and shows the depths the engine finds in
# a sample instrument stream.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
build="${MAREVOX_BUILD_DIR:-$root/build}"
"$build/bin/marevox-cli" decode --chunk 1 < "$root/tests/data/sample_stream.bin"
