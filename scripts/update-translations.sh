#!/usr/bin/env bash
# Collects every text of the interface (tr() in the code, the .ui forms) into
# resources/MarevoxEn.ts, keeping the English translations made so far. New
# texts arrive unfinished: translate them (Qt Linguist, or by hand) and the
# build turns the file into MarevoxEn.qm beside the executable.
#
#   scripts/update-translations.sh          update resources/MarevoxEn.ts
#   scripts/update-translations.sh --check  change nothing; fail when a text
#                                           of the code or the forms has no
#                                           finished English translation
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
lupdate="${LUPDATE:-/usr/lib/qt6/bin/lupdate}"
ts=resources/MarevoxEn.ts
sources=(app display dialogs editor link printing resources helm)

collect() {
    "$lupdate" -silent -locations none -extensions cpp,h,ui \
        -source-language zh_CN -target-language en "${sources[@]}" -ts "$1"
}

if [ "${1:-}" != "--check" ]; then
    collect "$ts"
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/MarevoxEn.ts"
collect "$work/MarevoxEn.ts"
# Each unfinished entry: print its context and source text.
missing="$(awk '
    /<name>/ { sub(/.*<name>/, ""); sub(/<\/name>.*/, ""); context = $0 }
    /<source>/ { source = $0; sub(/.*<source>/, "", source); sub(/<\/source>.*/, "", source) }
    /type="unfinished"/ { print "  " context ": " source }
' "$work/MarevoxEn.ts")"
if [ -n "$missing" ]; then
    echo "Texts without a finished English translation (run scripts/update-translations.sh and translate them in $ts):" >&2
    echo "$missing" >&2
    exit 1
fi
echo "Every text has an English translation."
