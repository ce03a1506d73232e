#!/usr/bin/env bash
# A CUPS daemon of its own, for the chart printer demo and the tests: its
# configuration, spool, logs and socket all live in FOLDER, so the system's
# printers are never seen or touched. Clients reach it with
# CUPS_SERVER=FOLDER/cups.sock.
#
#   scripts/private-cups.sh start FOLDER [PRINTER-PORT [QUEUE [DESCRIPTION]]]
#       starts cupsd and, given a port, adds a raw queue (default name
#       EPSON_LQ-300K+II_ESC_P2, description "EPSON LQ-300K+II ESC/P2") whose
#       device is socket://127.0.0.1:PRINTER-PORT
#   scripts/private-cups.sh stop FOLDER
set -euo pipefail
command="${1:-}"
dir="${2:-}"
if [ -z "$dir" ] || { [ "$command" != start ] && [ "$command" != stop ]; }; then
    echo "usage: $0 start|stop FOLDER [PRINTER-PORT [QUEUE [DESCRIPTION]]]" >&2
    exit 2
fi
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"

if [ "$command" = stop ]; then
    if [ -f "$dir/cupsd.pid" ]; then
        kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
        rm -f "$dir/cupsd.pid"
    fi
    if [ -f "$dir/spool-folder" ]; then
        rm -rf "$(cat "$dir/spool-folder")"
        rm -f "$dir/spool-folder"
    fi
    exit 0
fi

cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
[ -x "$cupsd" ] || { echo "cupsd is not installed (scripts/deps.sh installs it)" >&2; exit 1; }
mkdir -p "$dir"/{etc,cache,state,log}
spool="$dir"
if [ "$(id -u)" -eq 0 ]; then
    # cupsd started by root runs its backends as lp, who must reach the
    # spooled files: they go to a folder of their own that lp can enter
    # whatever the folders above FOLDER allow.
    user=lp group=lp
    spool="$(mktemp -d /tmp/marevox-cups-spool.XXXXXX)"
    chmod 755 "$spool"
    echo "$spool" >"$dir/spool-folder"
else
    user="$(id -un)" group="$(id -gn)"
fi
mkdir -p "$spool"/{spool,tmp}
cat >"$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
WebInterface No
Browsing Off
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $spool/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $spool/tmp
DataDir /usr/share/cups
ServerBin /usr/lib/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice No
User $user
Group $group
CONF

"$cupsd" -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
for _ in $(seq 100); do
    lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
done
if ! lpstat -r >/dev/null 2>&1; then
    echo "cupsd did not start: $(tail -n 1 "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null | tail -n 1)" >&2
    exit 1
fi

if [ -n "${3:-}" ]; then
    lpadmin -p "${4:-EPSON_LQ-300K+II_ESC_P2}" -E -v "socket://127.0.0.1:$3" \
        -D "${5:-EPSON LQ-300K+II ESC/P2}" 2>"$dir/log/lpadmin.out" || {
        echo "cannot add the queue: $(cat "$dir/log/lpadmin.out")" >&2
        exit 1
    }
fi
