#!/usr/bin/env bash
# Every command answers --help and --version on standard output with exit
# code 0, as command-line programs do; gallop-record and gallop-art name an
# unknown option and exit 2. The window program answers both with no display
# to open a window on (it would fail with 1 if it tried) and ignores every
# other argument.
#
#   command_line_test.sh VERSION GALLOP GALLOP_RECORD GALLOP_ART
set -uo pipefail

version=$1
gallop=$2
record=$3
art=$4
source "$(dirname "$(realpath "$0")")/../expect.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run STATUS STDOUT_PATTERN STDERR_PATTERN COMMAND...: the command exits with
# STATUS, and its standard output and standard error hold the patterns (grep
# -E; an empty pattern: nothing at all there).
run() {
    local status=$1 out_pattern=$2 err_pattern=$3
    shift 3
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" >"$work/out" 2>"$work/err"
    local got=$?
    local ok=0
    if [ "$got" -ne "$status" ]; then
        echo "  exit code $got, expected $status" >&2
        ok=1
    fi
    for stream in out err; do
        local pattern=$out_pattern
        [ "$stream" = err ] && pattern=$err_pattern
        if [ -z "$pattern" ]; then
            if [ -s "$work/$stream" ]; then
                echo "  std$stream not empty: $(head -c 300 "$work/$stream")" >&2
                ok=1
            fi
        elif ! grep -Eq -- "$pattern" "$work/$stream"; then
            echo "  std$stream lacks /$pattern/: $(head -c 300 "$work/$stream")" >&2
            ok=1
        fi
    done
    return $ok
}

for program in gallop gallop-record gallop-art; do
    case $program in
    gallop) path=$gallop ;;
    gallop-record) path=$record ;;
    gallop-art) path=$art ;;
    esac
    expect "$program --help prints its usage to standard output" \
        run 0 "^usage: $program " "" "$path" --help
    expect "$program --version prints '$program $version'" \
        run 0 "^$program ${version//./\\.}\$" "" "$path" --version
done

expect "gallop-record --help lists --video" run 0 "^  --video FILE" "" "$record" --help
expect "gallop --version answers among other arguments, which it ignores" \
    run 0 "^gallop ${version//./\\.}\$" "" "$gallop" stray --version
expect "gallop-record names an unknown option and exits 2" \
    run 2 "" "^gallop-record: unknown argument '--colour'" "$record" --colour
expect "gallop-art names an unknown option and exits 2" \
    run 2 "" "^gallop-art: unknown option '--colour'" "$art" --colour
expect "gallop-art --help with more arguments is a usage error" \
    run 2 "" "^usage: gallop-art" "$art" --help extra

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
