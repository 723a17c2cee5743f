#!/usr/bin/env bash
# How long the recorder takes to write the whole race as a video clip, beside
# the same race with no output and as a GIF: wall time, CPU time (user +
# system, all threads) and the file's size, for each run.
#
#   tools/record/bench/measure-video.sh [RUN_DIR] [RUNS]
#
# RUN_DIR is a build's run directory (default build/dev/run), RUNS the runs of
# each case (default 3). The aim: the MP4 is written in less time than the
# race plays, 21 s (700 ticks of 30 ms), on a 2-core machine. A machine shared
# with other work stretches the wall time; the CPU time shows what the
# recorder itself spent.
set -euo pipefail

run_dir=$(realpath "${1:-build/dev/run}")
runs=${2:-3}
recorder=$run_dir/gallop-record
[ -x "$recorder" ] || { echo "no gallop-record in $run_dir" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs GNU time (package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-10s %4s %9s %9s %12s\n' case run wall_s cpu_s bytes
for case in none gif mp4 webm; do
    for run in $(seq "$runs"); do
        output=()
        file=
        case $case in
        gif) file=$work/race.gif output=(--gif "$file") ;;
        mp4 | webm) file=$work/race.$case output=(--video "$file") ;;
        esac
        /usr/bin/time -f '%e %U %S' -o "$work/time" "$recorder" --dir "$run_dir" "${output[@]}"
        read -r wall user system <"$work/time"
        size=-
        [ -z "$file" ] || size=$(stat -c %s "$file")
        awk -v c="$case" -v r="$run" -v w="$wall" -v u="$user" -v s="$system" -v b="$size" \
            'BEGIN { printf "%-10s %4d %9.2f %9.2f %12s\n", c, r, w, u + s, b }'
    done
done
echo "load average now: $(cut -d' ' -f1-3 /proc/loadavg)"
