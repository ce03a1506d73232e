#!/usr/bin/env bash
# Installs the Debian 12 packages Marevox needs to build, test and run.
# Safe to run again: packages already present are left alone.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config git
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
    libgl1-mesa-dev libxcb1-dev libxcb-shm0-dev
    libcups2-dev cups cups-client
    xvfb xauth fonts-noto-cjk xdotool imagemagick xclip xdg-utils python3
    gpsd gpsd-clients libgps-dev
    qt6-positioning-dev
    libgdal-dev gdal-bin libproj-dev proj-bin
    clang-format
    gdb
    qt6-multimedia-dev sox
    qt6-httpserver-dev qt6-websockets-dev chromium
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
