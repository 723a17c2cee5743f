#!/usr/bin/env bash
# folder_names.sh NAME WINDOWS_RUN_DIR LINUX_RUN_DIR WINE...
#
# The Windows recorder draws the same race wherever it is unpacked, whatever
# script its folder is named in and whatever the system's ANSI code page.
# Under a Western locale (code page 1252) and a Japanese one (932), from
# folders named in Latin with an accent, in Japanese with a space, in
# Cyrillic and in plain letters with a space, it is started inside a copy of
# WINDOWS_RUN_DIR and writes its trace into that folder and frame 50 into
# one inside it, both given as full paths: the whole-race trace equals the Linux
# recorder's (LINUX_RUN_DIR/gallop-record) byte for byte, and frame 50 equals
# its frame pixel for pixel. Each locale first shows that Wine runs with the
# code page it stands for. Needs the locales en_US.UTF-8 and ja_JP.UTF-8
# (tools/deps.sh makes them).
# Prints an ok or FAIL line per check and, last, "NAME: N passed, M failed".
set -euo pipefail
if [ $# -lt 4 ]; then
    echo "usage: $0 NAME WINDOWS_RUN_DIR LINUX_RUN_DIR WINE..." >&2
    exit 2
fi
name=$1
windows_dir=$(cd "$2" && pwd)
linux_dir=$(cd "$3" && pwd)
shift 3
wine=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="$name: "
source "$source_dir/tests/expect.sh"

# The Linux recorder's race on the same files.
"$linux_dir/gallop-record" --dir "$windows_dir" --trace "$scratch/reference.jsonl" \
    --frames "$scratch/reference" --at 50 >/dev/null

# Each locale with the ANSI code page that Wine takes from it.
locales=("en_US.UTF-8 1252" "ja_JP.UTF-8 932")
# A name outside code page 932, one outside 1252, one outside both, and
# one with a space alone.
folders=("Käse" "レース 競馬" "Пари" "two words")

for entry in "${locales[@]}"; do
    read -r locale ansi <<<"$entry"
    # Wine notes the code page it runs with in the registry.
    reported=$(LANG=$locale LC_ALL=$locale "${wine[@]}" reg.exe query \
        'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
        tr -d '\r' | awk '$1 == "ACP" { print $3 }') || true
    expect "$locale: Wine runs with the ANSI code page $ansi (it has ${reported:-none})" \
        [ "$reported" = "$ansi" ]
    for folder in "${folders[@]}"; do
        dir=$scratch/$locale/$folder
        mkdir -p "$dir"
        cp -r "$windows_dir/deta" "$windows_dir/image" "$windows_dir/gallop-record.exe" "$dir/"
        rc=0
        (cd "$dir" && LANG=$locale LC_ALL=$locale "${wine[@]}" gallop-record.exe \
            --trace "$dir/race.jsonl" --frames "$dir/out" --at 50 >"$scratch/log" 2>&1) ||
            rc=$?
        [ "$rc" = 0 ] || sed 's/^/  /' "$scratch/log"
        expect "$locale, in '$folder': the recorder exits with 0 (it gave $rc)" [ "$rc" = 0 ]
        expect "$locale, in '$folder': the whole-race trace equals the Linux recorder's" \
            cmp -s "$scratch/reference.jsonl" "$dir/race.jsonl"
        differing=$(compare -metric AE "$scratch/reference/frame-0050.png" \
            "$dir/out/frame-0050.png" null: 2>&1) || true
        expect "$locale, in '$folder': frame 50 equals the Linux recorder's ($differing pixels differ)" \
            [ "$differing" = 0 ]
    done
done

echo "$name: $passes passed, $failures failed"
[ "$failures" = 0 ]
