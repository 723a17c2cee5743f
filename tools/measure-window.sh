#!/usr/bin/env bash
# Plays whole races in the real window on a virtual X display of their own
# (no GPU, as on many virtual machines and remote desktops) and prints, per
# race, what the program costs:
#  - CPU share: (user + system CPU time) / wall time, from the program's start
#    in its run directory until it has closed itself;
#  - peak RSS: the largest resident set the program reached;
#  - tick period: the mean time from one sleep of the frame thread to the
#    next, over the whole race (the program notes when each sleep begins in
#    the file that GALLOP_TICK_LOG names), and its median, which a busy
#    machine moves less.
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

for race in $(seq "$races"); do
    rc=0
    (cd "$run_dir" && GALLOP_TICK_LOG="$work/sleeps" exec /usr/bin/time -f '%e %U %S %M' \
        -o "$work/time" ./gallop) || rc=$?
    [ "$rc" = 0 ] || { echo "exit code $rc" >&2; exit 1; }
    read -r wall user sys rss_kb <"$work/time"
    ticks=$(awk 'NR > 1 { print ($1 - last) / 1000 } { last = $1 }' "$work/sleeps" | sort -n |
        awk '{ t[NR] = $1; sum += $1 } END { printf "%.2f ms (median %.2f ms)", sum / NR, t[int((NR + 1) / 2)] }')
    awk -v wall="$wall" -v user="$user" -v sys="$sys" -v rss="$rss_kb" -v race="$race" \
        -v ticks="$ticks" 'BEGIN {
        printf "race %d: CPU share %.1f%% (%.2f s user + %.2f s system in %.2f s), " \
               "peak RSS %.1f MB, tick period %s\n",
               race, 100 * (user + sys) / wall, user, sys, wall, rss / 1024, ticks
    }'
done
