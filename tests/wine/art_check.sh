#!/usr/bin/env bash
# art_check.sh WINDOWS_RUN_DIR LINUX_RUN_DIR WINE...
#
# gallop-art --check warns exactly where the Windows program draws a sheet
# otherwise than our reader: the shipped gate.bmp, saved again in the
# encodings below, goes into a folder with the other shipped sheets; the
# Windows recorder (LoadImageA) and the Linux recorder (our reader) each draw
# frame 50 (the field in the gate). Where the two frames differ, the checker
# must warn about gate.bmp; where they agree, it must find nothing.
#
# WINE is how Windows programs are started; the caller provides the display
# and the Wine prefix. Prints an ok or FAIL line per check and, last,
# "art check: N passed, M failed"; exits non-zero when anything failed.
set -euo pipefail
if [ $# -lt 3 ]; then
    echo "usage: $0 WINDOWS_RUN_DIR LINUX_RUN_DIR WINE..." >&2
    exit 2
fi
windows_dir=$(cd "$1" && pwd)
linux_dir=$(cd "$2" && pwd)
shift 2
wine=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expect_prefix="art check: "
source "$source_dir/tests/expect.sh"

# The gate sheet in each encoding, as ENCODING/image/gate.bmp.
python3 - "$linux_dir/image/gate.bmp" "$scratch" <<'EOF'
import os, struct, sys

source = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", source, 10)[0]
width, height = struct.unpack_from("<ii", source, 18)
stride = (width * 3 + 3) & ~3
# Rows top first, pixels as (blue, green, red) byte triples.
rows = [source[offset + (height - 1 - y) * stride:][:width * 3] for y in range(height)]

def pixels(y):
    return [rows[y][3 * x:3 * x + 3] for x in range(width)]

def rows24(top_down):
    order = range(height) if top_down else reversed(range(height))
    return b"".join(rows[y] + b"\0" * (stride - width * 3) for y in order)

def rows32(top_down):
    order = range(height) if top_down else reversed(range(height))
    return b"".join(p + b"\xff" for y in order for p in pixels(y))

def rows16_565():
    out = b""
    for y in reversed(range(height)):
        line = b""
        for b, g, r in pixels(y):
            line += struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
        out += line + b"\0" * (-len(line) % 4)
    return out

def info(size, bits, compression, top_down, extra=b""):
    h = -height if top_down else height
    return struct.pack("<IiiHHIIiiII", size, width, h, 1, bits, compression, 0, 2835, 2835,
                       0, 0) + extra

def masks(*values):
    return b"".join(struct.pack("<I", v) for v in values)

def v5(bits, compression, mask_values, data_size, profile_size):
    extra = masks(*mask_values) + b"MBED" + b"\0" * 36 + masks(0, 0, 0)
    extra += masks(4, 124 + data_size, profile_size, 0)
    return info(124, bits, compression, False, extra)

encodings = {
    "24-bit": (info(40, 24, 0, False), rows24(False), b""),
    "24-bit-core": (struct.pack("<IHHHH", 12, width, height, 1, 24), rows24(False), b""),
    "24-bit-v5-profile": (v5(24, 0, (0, 0, 0, 0), len(rows24(False)), 64), rows24(False),
                          b"\0" * 64),
    "32-bit": (info(40, 32, 0, False), rows32(False), b""),
    "16-bit-565": (info(40, 16, 3, False, masks(0xF800, 0x07E0, 0x001F)), rows16_565(), b""),
    "24-bit-top-down": (info(40, 24, 0, True), rows24(True), b""),
    "32-bit-fields-top-down": (info(40, 32, 3, True, masks(0xFF0000, 0xFF00, 0xFF)),
                               rows32(True), b""),
    "32-bit-alpha-fields": (info(56, 32, 6, False, masks(0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
                            rows32(False), b""),
    "32-bit-3-bit-blue": (info(40, 32, 3, False, masks(0xFF0000, 0xFF00, 0x07)),
                          rows32(False), b""),
}
for name, (header, data, tail) in encodings.items():
    folder = os.path.join(sys.argv[2], name, "image")
    os.makedirs(folder)
    start = 14 + len(header)
    size = start + len(data) + len(tail)
    with open(os.path.join(folder, "gate.bmp"), "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", size, 0, 0, start) + header + data + tail)
EOF

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
