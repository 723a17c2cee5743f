#!/usr/bin/env bash
# race_speed.sh [RUNS]: how long one whole headless race takes in node
# (build/web/run/gallop-record.js) against the native recorder
# (build/dev/run/gallop-record): 700 updates and draws, no output, the best
# of RUNS runs (default 5) each, wall time including start-up. A measurement,
# not a test: build the dev and web presets first.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}

# best_seconds DIR COMMAND...: the shortest wall time of RUNS runs in DIR.
best_seconds() {
    local dir=$1 best= start end took i
    shift
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s.%N)
        (cd "$dir" && "$@" --ticks 700 >/dev/null 2>&1)
        end=$(date +%s.%N)
        took=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
        best=$(awk -v a="$took" -v b="${best:-$took}" 'BEGIN { print (a < b ? a : b) }')
    done
    echo "$best"
}

native=$(best_seconds "$source_dir/build/dev/run" ./gallop-record)
web=$(best_seconds "$source_dir/build/web/run" node gallop-record.js)
printf 'native recorder: %.2f s\nnode recorder:   %.2f s\nratio:           %.2f\n' \
    "$native" "$web" "$(awk -v a="$web" -v b="$native" 'BEGIN { print a / b }')"
