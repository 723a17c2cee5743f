#!/usr/bin/env bash
# Runs the fuzz targets of a GALLOP_FUZZ build over their seed corpora, each
# for a while. The seeds, regression cases among them, are replayed first, so
# a fault that was mended and comes back fails at once. New corpus entries go
# to a scratch folder; a crashing input is kept under BUILD_DIR/fuzz-artifacts.
#
# usage: run_fuzzers.sh BUILD_DIR [SECONDS [TARGET...]]   (default 20 s; all four)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-20}
shift $(($# < 2 ? $# : 2))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(tables sheets race options)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
failed=0
for target in "${targets[@]}"; do
    mkdir -p "$work/$target"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$artifacts/$target-")
    if [ -f "$here/$target.dict" ]; then
        options+=(-dict="$here/$target.dict")
    fi
    log=$work/$target.log
    if "$build/tests/fuzz/fuzz-$target" "${options[@]}" "$work/$target" "$here/corpus/$target" \
        >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
        echo "fuzz-$target: passed, $runs runs in ${seconds} s, $coverage"
    else
        tail -n 60 "$log"
        echo "fuzz-$target: FAILED (the input is kept in $artifacts)"
        failed=1
    fi
done
exit $failed
