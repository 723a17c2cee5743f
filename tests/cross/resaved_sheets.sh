#!/usr/bin/env bash
# resaved_sheets.sh NAME RESAVE RUN_DIR COMMAND...
#
# Our own sheets saved again as drawing programs save them draw the same
# race: RESAVE (gallop-resave) writes RUN_DIR/image/*.bmp as 8-bit RLE8,
# 8-bit plain palette, 24-bit top down and 32-bit with a V5 header, and the
# recorder started as COMMAND (for example RUN_DIR/gallop-record, or
# `node .../gallop-record.js`) plays the whole race with each set. Its
# whole-race trace and the hash of every one of its 700 frames must equal
# those with the shipped sheets. The recorder runs inside each set's folder
# with relative paths only. Prints an ok or FAIL line per check and, last,
# "N passed, M failed"; exits non-zero when anything failed.
set -euo pipefail
if [ $# -lt 4 ]; then
    echo "usage: $0 NAME RESAVE RUN_DIR COMMAND..." >&2
    exit 2
fi
name=$1
resave=$2
run_dir=$(cd "$3" && pwd)
shift 3
recorder=()
for word in "$@"; do # paths made whole: the recorder runs in other folders
    if [ -e "$word" ]; then
        word=$(realpath "$word")
    fi
    recorder+=("$word")
done
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="$name: resaved sheets: "
source "$source_dir/tests/expect.sh"

expect "the shipped sheets are saved again in every encoding and read back the same" \
    "$resave" "$run_dir/image" "$scratch/sets"
mkdir -p "$scratch/sets/shipped"
cp -r "$run_dir/image" "$scratch/sets/shipped/image"

# record SET: the set's whole race, trace and frame hashes, in its folder.
record() {
    local dir=$scratch/sets/$1
    cp -r "$run_dir/deta" "$dir/deta"
    if ! (cd "$dir" && "${recorder[@]}" --dir . --trace trace.jsonl --hashes hashes.txt \
        >record.log 2>&1); then
        sed 's/^/  /' "$dir/record.log" | tail -n 5
        return 1
    fi
}

# same_race SET: the set's trace and every frame hash equal the shipped sheets'.
same_race() {
    local dir=$scratch/sets/$1 shipped=$scratch/sets/shipped frames
    frames=$(cat "$dir/hashes.txt" 2>/dev/null | wc -l)
    if [ "$frames" != 700 ]; then
        echo "  $frames frames recorded"
        return 1
    fi
    if ! cmp -s "$shipped/trace.jsonl" "$dir/trace.jsonl"; then
        echo "  the trace differs"
        return 1
    fi
    if ! cmp -s "$shipped/hashes.txt" "$dir/hashes.txt"; then
        echo "  frames that differ:" $(diff "$shipped/hashes.txt" "$dir/hashes.txt" |
            awk '/^>/ { print $2 }' | head -n 10 | paste -sd, -)
        return 1
    fi
}

expect "the race with the shipped sheets is recorded" record shipped
for set in rle8 pal8 top24 v5-32; do
    expect "$set: the whole race is recorded" record "$set"
    expect "$set: the whole-race trace and all 700 frames equal the shipped sheets' race" \
        same_race "$set"
done

echo "$name: resaved sheets: $passes passed, $failures failed"
[ "$failures" = 0 ]
