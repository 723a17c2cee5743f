#!/usr/bin/env bash
# Measures how long gallop.exe under Wine takes to answer Escape pressed while
# the gate is closed, one second after its window appears:
#  - focus: from the window's appearance until X lets it take the focus;
#  - read: from the key to the moment Wine's X driver reads it from the X
#    server (Wine's own trace, on its clock, CLOCK_MONOTONIC_RAW);
#  - exit: from the key to the end of the process.
# Usage: tests/wine/escape_delay.sh [RUNS] (default 5). It runs the program
# of build/win32/run, or of build/win64/run on a machine that runs no 32-bit
# code (build that preset first), on a display of its own with the Wine
# prefix of tests/wine/wine_test.sh.
# On a display without a window manager, Wine waits 2 s for one whenever a
# framed window is hidden, so every close takes 2 s more there; set
# GALLOP_UNMANAGED=1 to measure with Wine's windows unmanaged instead.
set -euo pipefail
runs=${1:-5}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$source_dir"
scratch=$(mktemp -d)
xvfb_pid=
x11_key='HKCU\Software\Wine\X11 Driver'
cleanup() {
    if [ "${GALLOP_UNMANAGED:-0}" = 1 ]; then
        "${wine[@]}" reg delete "$x11_key" /v Managed /f >/dev/null 2>&1 || true
    fi
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

source tests/wine/wine_display.sh
if runs_32_bit_code; then
    build=win32
else
    build=win64
fi
run_dir=$source_dir/build/$build/run
use_wine "$build"
if [ "${GALLOP_UNMANAGED:-0}" = 1 ]; then
    "${wine[@]}" reg add "$x11_key" /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi

# Prints the press time on Wine's clock (s) and on the wall clock (ms).
press_escape() {
    python3 -c '
import subprocess, time
raw, wall = time.clock_gettime(time.CLOCK_MONOTONIC_RAW), time.time()
subprocess.run(["xdotool", "key", "Escape"], check=True)
print("%.3f %d" % (raw, wall * 1000))'
}

for run in $(seq "$runs"); do
    (cd "$run_dir" && exec env WINEDEBUG=-all,+timestamp,+event "${wine[@]}" gallop.exe \
        >"$scratch/wine.log" 2>&1) &
    pid=$!
    window=
    for _ in $(seq 600); do
        window=$(xdotool search --name '^GALLOP$' 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.05
    done
    found=$(date +%s%3N)
    # A window not mapped yet cannot take the focus: Wine maps it only when
    # it gets round to its X requests.
    for _ in $(seq 200); do
        xdotool windowfocus --sync "$window" 2>/dev/null && break
        sleep 0.05
    done
    focused=$(date +%s%3N)
    sleep 1
    read -r pressed_raw pressed_wall < <(press_escape)
    wait "$pid" || true
    ended=$(date +%s%3N)
    read_at=$(awk '/KeyPress/ { sub(/:.*/, ""); print; exit }' "$scratch/wine.log")
    read_ms=$(awk -v a="$read_at" -v b="$pressed_raw" 'BEGIN { printf "%d", (a - b) * 1000 }')
    echo "run $run: focus $((focused - found)) ms, read ${read_ms} ms, exit $((ended - pressed_wall)) ms"
done
