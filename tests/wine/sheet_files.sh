#!/usr/bin/env bash
# sheet_files.sh WINDOWS_RUN_DIR LINUX_RUN_DIR RESAVE WINE...
#
# The sheets as the Windows recorder (LoadImageW) and the Linux recorder
# (our BMP reader) draw them, each as frame 50 (the field in the gate):
#  - gallop-record.exe draws the sheets of the current directory, not those
#    of its own folder: it sits in a copy of WINDOWS_RUN_DIR with the shipped
#    image/, and runs in another folder whose image/ holds other sheets (the
#    shipped ones in negative). Its frame must equal the Linux recorder's in
#    that folder, and differ from the frame with the shipped sheets.
#  - every file of tests/bmpsuite/, used as image/uniform.bmp in a leftward
#    race whose silks cells all lie inside it: a table of where the two
#    frames agree. They must agree but for the files docs/art.md names
#    (g/pal8topdown, which Wine draws black; b/rletopdown, which our reader
#    refuses).
#  - gallop-art --check warns exactly where the Windows program draws a sheet
#    otherwise than our reader: the shipped gate.bmp, saved again by RESAVE
#    (gallop-resave) in the encodings below, beside the other shipped sheets.
#    Where the two frames differ, the checker must warn about gate.bmp; where
#    they agree, it must find nothing.
#
# LINUX_RUN_DIR holds the Linux gallop-record and gallop-art. WINE is how
# Windows programs are started (for example `wine` or `/usr/lib/wine/wine64`);
# the caller provides the display and the Wine prefix. Prints an ok or FAIL
# line per check and, last, "sheet files: N passed, M failed"; exits non-zero
# when anything failed.
set -euo pipefail
if [ $# -lt 4 ]; then
    echo "usage: $0 WINDOWS_RUN_DIR LINUX_RUN_DIR RESAVE WINE..." >&2
    exit 2
fi
windows_dir=$(cd "$1" && pwd)
linux_dir=$(cd "$2" && pwd)
linux_record=$linux_dir/gallop-record
resave=$(realpath "$3")
shift 3
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
# draw_both FOLDER: frame 50 of the race in FOLDER, drawn by the Linux
# recorder into FOLDER/linux/ and by the Windows one into FOLDER/windows/.
draw_both() {
    rm -rf "$1/linux" "$1/windows"
    (cd "$1" && "$linux_record" --frames linux --at 50 --ticks 50 >/dev/null 2>&1) || true
    # A run that Wine itself now and then breaks off leaves no frame; the
    # second try says so, and a recorder that fails twice still differs.
    local try
    for try in 1 2; do
        (cd "$1" && "${wine[@]}" "$scratch/program/gallop-record.exe" --frames windows --at 50 \
            --ticks 50 >/dev/null 2>&1) && return 0
        echo "  (the Windows recorder failed on $(basename "$1")/image, try $try)"
        rm -rf "$1/windows"
    done
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

# ---- The public suite's files, as LoadImageW and our reader draw them -----
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
printf '%-22s %s\n' file "LoadImageW and our reader"
for file in "$suite"/g/*.bmp "$suite"/b/*.bmp; do
    name=$(basename "$(dirname "$file")")/$(basename "$file" .bmp)
    cp "$file" "$race/image/uniform.bmp"
    draw_both "$race"
    if same_picture "$race/linux/frame-0050.png" "$race/windows/frame-0050.png"; then
        verdict=agree
    else
        verdict=differ
    fi
    printf '%-22s %s\n' "$name" "$verdict"
    if [[ $known_differences == *" $name "* ]]; then
        expect "$name: differs, as docs/art.md says" [ "$verdict" = differ ]
    else
        expect "$name: drawn alike" [ "$verdict" = agree ]
    fi
done >"$scratch/suite.log"
grep -v '^ok: ' "$scratch/suite.log"

# ---- The checker warns where Windows draws a sheet otherwise ----------------
expect_prefix="art check: "
encodings=$scratch/encodings
# The gate sheet in each encoding, as ENCODING/image/gate.bmp.
if ! "$resave" --sheets gate.bmp "$linux_dir/image" "$encodings" rle8 pal8 plain24 core24 profile24 \
    plain32 fields16-565 top24 top-fields32 alpha-fields32 blue3-32 >"$scratch/resave.log"; then
    sed 's/^/  /' "$scratch/resave.log"
    expect "gallop-resave saves the gate sheet in every encoding" false
    rm -rf "$encodings"
fi
for folder in "$encodings"/*/; do
    [ -d "$folder" ] || continue
    name=$(basename "$folder")
    cp -r "$linux_dir/deta" "$folder"
    cp "$linux_dir"/image/{course,horse,uniform}.bmp "$folder/image/"
    draw_both "$folder"
    differing=$(differing_pixels "$folder/linux/frame-0050.png" "$folder/windows/frame-0050.png")
    found=$("$linux_dir/gallop-art" --check "$folder" | grep ' gate\.bmp' || true)
    if [ "$differing" = 0 ]; then
        expect "$name: Windows draws it alike, and the checker finds nothing ($found)" \
            [ "$found" = "ok      gate.bmp" ]
    else
        expect "$name: Windows draws it otherwise ($differing pixels), and the checker warns" \
            grep -q '^warning gate\.bmp' <<<"$found"
    fi
done

echo "sheet files: $passes passed, $failures failed"
[ "$failures" = 0 ]
