#!/usr/bin/env bash
# Compares what marevox-cli prints, byte for byte, between an earlier commit
# and the current tree: decode on the sample stream (chunks of 1 and 1024
# bytes, with and without samples, with the default and two other sets of
# settings), the recordings the simulated sea gives (the files themselves,
# then replay, replay --csv, replay --png and replay with other settings),
# frame over a grid of arguments, and sentence for every type over a set of
# depths and drafts.
#
# usage: scripts/compare-outputs.sh BASE_COMMIT
#
# The earlier commit is built in a temporary git worktree beside this tree
# (with ccache when it is installed); the current tree in build/ (or
# $MAREVOX_BUILD_DIR). Prints one line per comparison and a last line
# "N same, M different"; exits 1 when anything differs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -eq 1 ] || { echo "usage: scripts/compare-outputs.sh BASE_COMMIT" >&2; exit 2; }
base="$(git -C "$root" rev-parse --verify "$1^{commit}")"
build="${MAREVOX_BUILD_DIR:-$root/build}"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    # Paths below the tree's parent are hashed relative to the build folder,
    # so the temporary worktree shares the cache with every other checkout.
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
fi

work="$(mktemp -d "$root/.compare.XXXXXX")"
cleanup() {
    git -C "$root" worktree remove --force "$work/base" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

targets=(marevox-cli bench-make-recording)
echo "building $(git -C "$root" log -1 --format='%h %s' "$base")" >&2
git -C "$root" worktree add --detach "$work/base" "$base" >/dev/null 2>&1
cmake -S "$work/base" -B "$work/base/build" -G Ninja "${launcher[@]}" >/dev/null
cmake --build "$work/base/build" -j2 --target "${targets[@]}" >/dev/null
echo "building the current tree in $build" >&2
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

old="$work/base/build/bin"
new="$build/bin"
out="$work/out"
mkdir -p "$out/old" "$out/new"
same=0
different=0

# compare NAME: the two outputs $out/old/NAME and $out/new/NAME.
compare() {
    if cmp -s "$out/old/$1" "$out/new/$1"; then
        printf 'same       %s\n' "$1"
        same=$((same + 1))
    else
        printf 'DIFFERENT  %s\n' "$1"
        different=$((different + 1))
    fi
}

# both NAME ARGS...: runs marevox-cli ARGS with each build (standard input
# from $stdin), keeping standard output, standard error and the exit code.
stdin=/dev/null
both() {
    local name="$1" side bin
    shift
    for side in old new; do
        bin="$old"
        [ "$side" = new ] && bin="$new"
        set +e
        "$bin/marevox-cli" "${@//@SIDE@/$side}" <"$stdin" >"$out/$side/$name" 2>"$out/$side/$name.err"
        echo "exit $?" >>"$out/$side/$name.err"
        set -e
        cat "$out/$side/$name.err" >>"$out/$side/$name"
    done
    compare "$name"
}

# Settings other than the first-run defaults: manual gain and range, fixed
# depth rejection, SDDBT; then tracking rejection, network mode, SDDPT.
cat >"$work/settings-a.ini" <<'EOF'
[SET_A]
EatWater=1.25
Speed=1480.000000
PlusMod=0
Plus=-7
RangeMod=0
RangIdx=3
RangeOffset=1
DisturbMod=1
FixDep=2.5
[Other]
DepType=3
UartCtl=5
EOF
cat >"$work/settings-b.ini" <<'EOF'
[SET_A]
EatWater=0.3
Speed=1530.000000
PlusMod=1
Plus=12
RangeMod=1
RangIdx=1
DisturbMod=2
FixDep=0.0
[Other]
DepType=4
UseNet=1
EOF

stdin="$root/tests/data/sample_stream.bin"
for settings in default a b; do
    ini=()
    [ "$settings" != default ] && ini=(--ini "$work/settings-$settings.ini")
    for chunk in 1 1024; do
        both "decode-chunk$chunk-settings-$settings" decode --chunk "$chunk" "${ini[@]}"
        both "decode-chunk$chunk-settings-$settings-samples" decode --chunk "$chunk" --samples \
            "${ini[@]}"
    done
done
stdin=/dev/null

# Recordings of the simulated sea, written by each build's recorder; the
# earlier build's files are replayed by both.
for records in 300 5000 30001; do
    "$old/bench-make-recording" "$out/old/rec$records" "$records" >/dev/null
    "$new/bench-make-recording" "$out/new/rec$records" "$records" >/dev/null
    compare "rec$records.sd"
    compare "rec$records.idx"
    recording="$out/old/rec$records.sd"
    both "replay-rec$records" replay "$recording"
    both "replay-rec$records-csv" replay "$recording" --csv
    both "replay-rec$records-settings-a" replay "$recording" --ini "$work/settings-a.ini"
    both "replay-rec$records-png" replay "$recording" --csv --png "$out/@SIDE@/rec$records.png"
    if [ "$records" -gt 30000 ]; then
        compare "rec$records-1.png"
        compare "rec$records-2.png"
    else
        compare "rec$records.png"
    fi
done

# The loops below compare exit codes and messages too.
set +e

# frame: every range and offset, with gains, channels, control options and
# the self-check request (one comparison per range).
for range in 0 1 2 3 4; do
    for side in old new; do
        bin="$old"
        [ "$side" = new ] && bin="$new"
        for offset in 0 1 2; do
            for gain in -40 -15 0 1 40; do
                for channel in 0 1 128 255; do
                    for uartctl in 0 5 -1; do
                        args=(frame --range "$range" --offset "$offset" --gain "$gain"
                            --channel "$channel" --uartctl "$uartctl")
                        "$bin/marevox-cli" "${args[@]}"
                        echo " exit $?"
                        "$bin/marevox-cli" "${args[@]}" --selfcheck
                        echo " exit $?"
                    done
                done
            done
        done >"$out/$side/frame-range$range" 2>&1
    done
    compare "frame-range$range"
done

# sentence: every type (and two outside the five formats) over depths and
# drafts, including a draft deeper than the water and depths too long for
# the fixed-width formats.
for type in -1 0 1 2 3 4 5; do
    for side in old new; do
        bin="$old"
        [ "$side" = new ] && bin="$new"
        for depth in 0 0.004 1.234 12.345 99.999 150.5 9999.99 10000 123456.78; do
            for draft in 0 0.5 3.75 200; do
                printf '%s %s %s: ' "$type" "$depth" "$draft"
                "$bin/marevox-cli" sentence --type "$type" --depth "$depth" --draft "$draft"
                echo " exit $?"
            done
        done >"$out/$side/sentence-type$type" 2>&1
    done
    compare "sentence-type$type"
done

echo "$same same, $different different"
[ "$different" -eq 0 ]
