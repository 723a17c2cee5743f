#!/usr/bin/env bash
# art_check.sh WINDOWS_RUN_DIR LINUX_RUN_DIR RESAVE WINE...
#
# gallop-art --check warns exactly where the Windows program draws a sheet
# otherwise than our reader: the shipped gate.bmp, saved again by RESAVE
# (gallop-resave) in the encodings below, goes into a folder with the other
# shipped sheets; the Windows recorder (LoadImageA) and the Linux recorder
# (our reader) each draw frame 50 (the field in the gate). Where the two
# frames differ, the checker must warn about gate.bmp; where they agree, it
# must find nothing.
#
# WINE is how Windows programs are started; the caller provides the display
# and the Wine prefix. Prints an ok or FAIL line per check and, last,
# "art check: N passed, M failed"; exits non-zero when anything failed.
set -euo pipefail
if [ $# -lt 4 ]; then
    echo "usage: $0 WINDOWS_RUN_DIR LINUX_RUN_DIR RESAVE WINE..." >&2
    exit 2
fi
windows_dir=$(cd "$1" && pwd)
linux_dir=$(cd "$2" && pwd)
resave=$(realpath "$3")
shift 3
wine=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="art check: "
source "$source_dir/tests/expect.sh"

# The gate sheet in each encoding, as ENCODING/image/gate.bmp.
if ! "$resave" --sheets gate.bmp "$linux_dir/image" "$scratch" plain24 core24 profile24 plain32 \
    fields16-565 top24 top-fields32 alpha-fields32 blue3-32 >"$scratch/resave.log"; then
    sed 's/^/  /' "$scratch/resave.log"
    echo "art check: gallop-resave could not save the gate sheet in every encoding" >&2
    exit 1
fi

differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 || true
}

for folder in "$scratch"/*/; do
    name=$(basename "$folder")
    cp -r "$linux_dir/deta" "$folder"
    cp "$linux_dir"/image/{course,horse,uniform}.bmp "$folder/image/"
    (cd "$folder" && "$linux_dir/gallop-record" --frames linux --at 50 --ticks 50 >/dev/null)
    (cd "$folder" && "${wine[@]}" "$windows_dir/gallop-record.exe" --frames windows --at 50 \
        --ticks 50 >/dev/null 2>&1) || true
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

echo "art check: $passes passed, $failures failed"
[ "$failures" = 0 ]
