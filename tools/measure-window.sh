#!/usr/bin/env bash
# Plays whole races in the real window on a virtual X display of their own
# (no GPU, as on many virtual machines and remote desktops) and prints, per
# race, what the program costs:
#  - CPU share: (user + system CPU time) / wall time, from the program's start
#    in its run directory until it has closed itself;
#  - peak RSS: the largest resident set the program reached;
#  - tick period: the wall time from the window's appearance to the program's
#    end, over the 700 ticks that pass before the close request (the start-up
#    after the window appears and the frame thread's last sleep make it read a
#    few hundredths of a millisecond long).
#
#   tools/measure-window.sh [RUN_DIR [RACES]]    (defaults: build/dev/run, 1)
set -euo pipefail
run_dir=$(realpath "${1:-build/dev/run}")
races=${2:-1}
[ -x "$run_dir/gallop" ] || { echo "no program at $run_dir/gallop" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$(realpath "$0")")/virtual_display.sh"
start_virtual_display "$work" || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }

now_ms() { date +%s%3N; }

for race in $(seq "$races"); do
    (cd "$run_dir" && exec /usr/bin/time -f '%e %U %S %M' -o "$work/time" ./gallop) &
    pid=$!
    until xwininfo -root -children 2>/dev/null | grep -q '"GALLOP"'; do
        kill -0 "$pid" 2>/dev/null || { echo "the program ended without a window" >&2; exit 1; }
        sleep 0.01
    done
    shown_ms=$(now_ms)
    rc=0
    wait "$pid" || rc=$?
    ended_ms=$(now_ms)
    [ "$rc" = 0 ] || { echo "exit code $rc" >&2; exit 1; }
    read -r wall user sys rss_kb <"$work/time"
    awk -v wall="$wall" -v user="$user" -v sys="$sys" -v rss="$rss_kb" \
        -v ticks_ms="$((ended_ms - shown_ms))" -v race="$race" 'BEGIN {
        printf "race %d: CPU share %.1f%% (%.2f s user + %.2f s system in %.2f s), " \
               "peak RSS %.1f MB, tick period %.2f ms\n",
               race, 100 * (user + sys) / wall, user, sys, wall, rss / 1024, ticks_ms / 700
    }'
done
