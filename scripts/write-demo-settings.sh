#!/usr/bin/env bash
# Writes a Marevox.ini with every key at its first-run value and the
# instrument (PcCom = 1) mapped to a device, e.g. a simulator's link.
#
# Usage: scripts/write-demo-settings.sh FILE DEVICE
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 FILE DEVICE" >&2
    exit 2
fi
cat >"$1" <<EOF
[SET_A]
EatWater=0.50
Speed=1500.000000
PlusMod=1
Plus=-15
RangeMod=1
RangIdx=0
RangeOffset=0
DisturbMod=0
FixDep=0.0
[SET_C]
Back=12412928
WaveL1=255
Desk=6566450
Line1=3340900
Line2=3328050
SeeBack=9868950
SeeEdit=2631880
[Other]
Language=0
ComNumIdx=0
ComBaudIdx=0
PcCom=1
DepType=0
UartCtl=0
UseNet=0
IP=192.168.3.100
PortListen=0
PortSend=0
[Ports]
COM1=$2
EOF
