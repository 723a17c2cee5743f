#!/usr/bin/env bash
# same_race.sh NAME REFERENCE_RUN_DIR COMMAND...
#
# Proves that another build's recorder runs the same race as the reference
# recorder (REFERENCE_RUN_DIR/gallop-record, the Linux build), for the
# shipped data and for each race variant under tests/variants:
#  - the whole-race traces are equal byte for byte;
#  - the frames are equal pixel for pixel at ticks spread over the race: the
#    wait in the gate, the opening, the last tick that shows the gate and the
#    tick after it, the camera lock, mid-race, the settled field and the last
#    tick (the moments are read off the reference trace of each variant).
#
# COMMAND is how the other recorder is started, for example
# `wine /path/gallop-record.exe` or `node /path/gallop-record.js`. Both
# recorders run inside the variant's folder and get relative paths only.
# Prints an ok or FAIL line per check and, last, "N passed, M failed";
# exits non-zero when anything failed.
set -euo pipefail
if [ $# -lt 3 ]; then
    echo "usage: $0 NAME REFERENCE_RUN_DIR COMMAND..." >&2
    exit 2
fi
name=$1
reference_dir=$(cd "$2" && pwd)
shift 2
other=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
reference=$reference_dir/gallop-record

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="$name: "
source "$source_dir/tests/expect.sh"

# The first tick after the gate opens whose trace line has FIELD equal to
# VALUE, from a whole-race trace on standard input; empty when none has.
first_tick_with() {
    awk -v pattern="\"$1\":$2[,}]" -F'[:,]' \
        '$0 ~ pattern && $2 > 101 { print $2; exit }'
}

# The tick from which the runners' records no longer change but for their
# stride frames: the settled field. Empty when the field never settles.
settled_tick() {
    awk -F'"runners":' '{
        key = $2
        gsub(/"strideFrame":[0-9]+/, "", key)
        split($1, head, /[:,]/)
        if (key != previous) { changed = head[2] }
        previous = key
        last = head[2]
    } END { if (changed < last) print changed + 1 }'
}

# The ticks whose frames are compared, for the trace in $1.
moments() {
    local trace=$1 hidden lock settled list="50 101 102 350 700"
    hidden=$(first_tick_with gateShown 0 <"$trace")
    lock=$(first_tick_with cameraFollow 1 <"$trace")
    settled=$(settled_tick <"$trace")
    if [ -n "$hidden" ]; then
        list+=" $((hidden - 1)) $hidden"
    fi
    list+=" $lock $settled"
    echo $list | tr ' ' '\n' | sort -n -u | paste -sd, -
}

# same_frames DIR_A DIR_B TICKS: every listed frame exists in both and is
# the same picture.
same_frames() {
    local tick file differing
    for tick in ${3//,/ }; do
        file=$(printf 'frame-%04d.png' "$tick")
        if [ ! -f "$1/$file" ] || [ ! -f "$2/$file" ]; then
            echo "  missing $file"
            return 1
        fi
        differing=$(compare -metric AE "$1/$file" "$2/$file" null: 2>&1 || true)
        if [ "$differing" != 0 ]; then
            echo "  $file: $differing pixels differ"
            return 1
        fi
    done
}

# trace_differences A B: where two traces of the same race part, field by
# field: the first differing value, then for each field how many values
# differ (a runner's field counts once per tick) and from which tick on.
trace_differences() {
    awk '
        function tokens(line, out, n, i, runner, name) {
            n = split(line, parts, /[][{},]+/)
            runner = -1
            for (i = 1; i <= n; ++i) {
                if (parts[i] !~ /^"[A-Za-z]+":/) continue
                name = parts[i]
                sub(/:.*/, "", name)
                gsub(/"/, "", name)
                if (name == "bracket") ++runner
                out[i] = (runner >= 0 && name != "runners" ? "runner " runner " " : "") name
                values[i] = parts[i]
                sub(/^[^:]*:/, "", values[i])
            }
            return n
        }
        NR == FNR { reference[FNR] = $0; next }
        reference[FNR] != $0 {
            ++lines
            split("", theirs); split("", ours)
            n = tokens(reference[FNR], names)
            for (i = 1; i <= n; ++i) theirs[i] = values[i]
            tokens($0, names)
            for (i = 1; i <= n; ++i) ours[i] = values[i]
            for (i = 1; i <= n; ++i) {
                if (!(i in names) || theirs[i] == ours[i]) continue
                field = names[i]
                sub(/^runner [0-9]+ /, "", field)
                if (!(field in count)) { first[field] = FNR - 1; order[++fields] = field }
                ++count[field]
                if (!shown) {
                    printf "  first at tick %d: %s is %s in the reference, %s here\n",
                        FNR - 1, names[i], theirs[i], ours[i]
                    shown = 1
                }
            }
        }
        END {
            printf "  %d of %d lines differ\n", lines, FNR
            for (k = 1; k <= fields; ++k)
                printf "  %s: %d values differ, from tick %d\n", order[k], count[order[k]], first[order[k]]
        }' "$1" "$2"
}

# same_trace A B: equal byte for byte, or where they part.
same_trace() {
    if cmp -s "$1" "$2"; then
        return 0
    fi
    if [ ! -s "$2" ]; then
        echo "  no trace written"
    else
        trace_differences "$1" "$2"
    fi
    return 1
}

variants=("shipped:$reference_dir/deta")
for folder in "$source_dir"/tests/variants/*/; do
    variants+=("$(basename "$folder"):${folder}deta")
done

for variant in "${variants[@]}"; do
    label=${variant%%:*}
    dir=$scratch/$label
    mkdir -p "$dir"
    cp -r "$reference_dir/image" "$dir/image"
    cp -r "${variant#*:}" "$dir/deta"
    (cd "$dir" && "$reference" --dir . --trace reference.jsonl >/dev/null)
    ticks=$(moments "$dir/reference.jsonl")
    (cd "$dir" && "$reference" --dir . --frames reference-frames --at "$ticks" >/dev/null)
    rc=0
    (cd "$dir" && "${other[@]}" --dir . --trace other.jsonl --frames other-frames --at "$ticks" \
        >other.log 2>&1) || rc=$?
    expect "$label: the recorder finishes with exit code 0 (it gave $rc)" [ "$rc" = 0 ]
    expect "$label: the whole-race trace equals the reference byte for byte" \
        same_trace "$dir/reference.jsonl" "$dir/other.jsonl"
    expect "$label: frames $ticks equal the reference pixel for pixel" \
        same_frames "$dir/reference-frames" "$dir/other-frames" "$ticks"
done

echo "$name: $passes passed, $failures failed"
[ "$failures" = 0 ]
