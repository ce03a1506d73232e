# Sourced by the end-to-end tests after `bin` is set: a work folder of the
# test's own with its home, temporary and runtime folders, the programs the
# test starts (their ids in `pids`) ended on exit, and `check`.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
export TMPDIR="$work/tmp" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$TMPDIR" "$HOME" "$work/app"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    if declare -F on_cleanup >/dev/null; then on_cleanup; fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check WHAT COMMAND...
    local what="$1"
    shift
    if "$@"; then
        echo "ok   - $what"
    else
        echo "FAIL - $what"
        failures=$((failures + 1))
    fi
}

# The program, its translation and its chart printing module in $work/app,
# with settings whose instrument port is the pseudo-terminal INSTRUMENT.
install_program() {  # install_program INSTRUMENT
    cp "$bin/marevox" "$bin/libmarevox_cups.so" "$work/app/"
    cp "$bin/MarevoxEn.qm" "$work/app/" 2>/dev/null
    "$root/scripts/write-demo-settings.sh" "$work/app/Marevox.ini" "$1"
}

# Starts the program in the background (output appended to $work/app.out);
# its id is app_pid. Waits until it listens as "Nereon".
start_program() {
    "$work/app/marevox" >>"$work/app.out" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    for _ in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/Nereon" ] && return 0
        sleep 0.1
    done
    return 1
}
