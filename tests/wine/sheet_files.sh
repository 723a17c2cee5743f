#!/usr/bin/env bash
# sheet_files.sh WINDOWS_RUN_DIR LINUX_RECORDER WINE...
#
# The sheets as the Windows recorder (LoadImageA) and the Linux recorder
# (our BMP reader) draw them:
#  - gallop-record.exe draws the sheets of the current directory, not those
#    of its own folder: it sits in a copy of WINDOWS_RUN_DIR with the shipped
#    image/, and runs in another folder whose image/ holds other sheets (the
#    shipped ones in negative). Its frame of the wait in the gate must equal
#    the Linux recorder's in that folder, and differ from the frame with the
#    shipped sheets.
#  - every file of tests/bmpsuite/, used as image/uniform.bmp in a leftward
#    race whose silks cells all lie inside it: a table of where the two
#    frames 50 agree. They must agree but for the files the README names
#    (g/pal8topdown, which Wine draws black; b/rletopdown, which our reader
#    refuses).
#
# WINE is how Windows programs are started (for example `wine` or
# `/usr/lib/wine/wine64`); the caller provides the display and the Wine
# prefix. Prints an ok or FAIL line per check and, last, "N passed, M
# failed"; exits non-zero when anything failed.
set -euo pipefail
if [ $# -lt 3 ]; then
    echo "usage: $0 WINDOWS_RUN_DIR LINUX_RECORDER WINE..." >&2
    exit 2
fi
windows_dir=$(cd "$1" && pwd)
linux_record=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
shift 2
wine=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="current directory's sheets: "
source "$source_dir/tests/expect.sh"

# The program's folder, with the shipped sheets beside it.
mkdir -p "$scratch/program"
cp -r "$windows_dir/gallop-record.exe" "$windows_dir/deta" "$windows_dir/image" \
    "$scratch/program/"
# The current directory: the same data, other sheets.
mkdir -p "$scratch/here/image"
cp -r "$windows_dir/deta" "$scratch/here/"
for sheet in "$windows_dir"/image/*.bmp; do
    convert "$sheet" -negate -type TrueColor "BMP3:$scratch/here/image/$(basename "$sheet")"
done

# differing_pixels A B: how many pixels differ between two PNG frames.
differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 || true
}
same_picture() {
    [ -f "$1" ] && [ -f "$2" ] && [ "$(differing_pixels "$1" "$2")" = 0 ]
}
other_picture() {
    [ -f "$1" ] && [ -f "$2" ] && [ "$(differing_pixels "$1" "$2")" != 0 ]
}

(cd "$scratch/here" && "$linux_record" --frames linux --at 50 --ticks 50 >/dev/null)
(cd "$scratch/program" && "$linux_record" --frames shipped --at 50 --ticks 50 >/dev/null)
rc=0
(cd "$scratch/here" &&
    "${wine[@]}" "$scratch/program/gallop-record.exe" --frames windows --at 50 --ticks 50 \
        >windows.log 2>&1) || rc=$?
expect "gallop-record.exe finishes with exit code 0 (it gave $rc)" [ "$rc" = 0 ]
expect "the other sheets draw another picture than the shipped ones" \
    other_picture "$scratch/here/linux/frame-0050.png" "$scratch/program/shipped/frame-0050.png"
expect "gallop-record.exe draws the current directory's sheets, as the Linux recorder does" \
    same_picture "$scratch/here/linux/frame-0050.png" "$scratch/here/windows/frame-0050.png"

# ---- The public suite's files, as LoadImageA and our reader draw them -----
expect_prefix="suite: "
suite=$source_dir/tests/bmpsuite
race=$scratch/suite-race
mkdir -p "$race/deta" "$race/image"
cp "$windows_dir"/image/*.bmp "$race/image/"
# A leftward race (even side, direction 1) whose silks lie in the cells of a
# 127 × 64 picture: columns 0 to 2, rows 0 to 2.
cp "$source_dir/tests/variants/even-left-style0/deta/courseDeta.txt" "$race/deta/"
awk 'BEGIN { FS = OFS = ","; split("0 1 2 25 26 27 50 51 52", silks, " ") }
     { if (NF > 6) $6 = silks[(NR - 1) % 9 + 1]; print }' \
    "$source_dir/tests/variants/even-left-style0/deta/rival.txt" >"$race/deta/rival.txt"
known_differences=" g/pal8topdown b/rletopdown "
printf '%-22s %s\n' file "LoadImageA and our reader"
for file in "$suite"/g/*.bmp "$suite"/b/*.bmp; do
    name=$(basename "$(dirname "$file")")/$(basename "$file" .bmp)
    cp "$file" "$race/image/uniform.bmp"
    rm -rf "$race/linux" "$race/windows"
    (cd "$race" && "$linux_record" --frames linux --at 50 --ticks 50 >/dev/null 2>&1) || true
    (cd "$race" && "${wine[@]}" "$scratch/program/gallop-record.exe" --frames windows --at 50 \
        --ticks 50 >/dev/null 2>&1) || true
    if same_picture "$race/linux/frame-0050.png" "$race/windows/frame-0050.png"; then
        verdict=agree
    else
        verdict=differ
    fi
    printf '%-22s %s\n' "$name" "$verdict"
    if [[ $known_differences == *" $name "* ]]; then
        expect "$name: differs, as the README says" [ "$verdict" = differ ]
    else
        expect "$name: drawn alike" [ "$verdict" = agree ]
    fi
done >"$scratch/suite.log"
grep -v '^ok: ' "$scratch/suite.log"

echo "sheet files: $passes passed, $failures failed"
[ "$failures" = 0 ]
