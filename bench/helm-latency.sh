#!/usr/bin/env bash
# The helm page's latency: DEPTHS depths (default 1000), one every PERIOD ms
# (default 20), from a worker thread to their arrival in the page in headless
# Chromium, beside a bare WebSocket to the same page. Quote p50 and p99 of
# several runs on a quiet machine (`uptime`).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${MAREVOX_BUILD_DIR:-$root/build}/bin"
uptime
"$bin/helm-latency" "${1:-1000}" "${2:-20}"
