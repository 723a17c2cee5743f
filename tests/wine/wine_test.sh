#!/usr/bin/env bash
# The real Windows program under Wine, on a virtual display of its own. It
# builds both Windows programs, the 32-bit one (preset win32) and the 64-bit
# one (preset win64), and checks the files of each without running them:
#  - gallop.exe is a Windows GUI program of its kind (PE32 or PE32+) that
#    imports only USER32, GDI32, MSIMG32, KERNEL32 and the C runtime, and
#    carries its version and the images of gallop.ico;
#  - gallop-win32.zip and gallop-win64.zip hold gallop.exe, deta/, image/
#    and the read-me.
# Then it runs one of them through every check below: the 32-bit program
# under wine where this machine runs 32-bit code, and otherwise the 64-bit
# program under wine64 (some kernels run no 32-bit code at all). Where both
# can run, the 64-bit recorder's race is checked too.
#  - gallop-record.exe runs the same race as the Linux recorder, trace byte
#    for byte and frames pixel for pixel (tests/cross/same_race.sh), and
#    exits as the Linux recorder does;
#  - unpacked from the zip, it runs the race and closes itself after about
#    21 s with exit code 0, in a window titled "GALLOP" with an 800×600 client
#    area and the program's icon;
#  - its picture of the wait in the gate equals the recorder's frame 50
#    (with gallop-record from the optimised build, when that exists);
#  - Escape closes it at once, other keys do nothing; Alt+F4 closes it too;
#  - without deta/rival.txt, without deta/courseDeta.txt, or with a course
#    file of fewer than six records it shows the one error message in a
#    message box, read as UTF-16 on a system whose ANSI code page is not
#    Japanese, and exits 0 once the box is dismissed;
#  - without image/horse.bmp the race runs to its end without horses, its
#    gate wait equal to the recorder's on the same folder, and exits 0.
#  - gallop-art --check warns about a sheet exactly where it draws that sheet
#    otherwise than our reader does (tests/wine/sheet_files.sh).
#  - under the ANSI code pages 1252 and 932, in folders named in Latin with
#    an accent, in Japanese, in Cyrillic and with a space, gallop-record.exe
#    runs the Linux recorder's race and writes its files into those folders
#    (tests/wine/folder_names.sh); gallop.exe shows the recorder's frame 50
#    in a folder whose name is outside the code page, in each code page.
# GALLOP_RECORD names another recorder.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$source_dir"
source tools/deps.sh
gallop_install_packages
gallop_install_windows_packages

for build in win32 win64; do
    cmake --preset "$build" >/dev/null
    cmake --build --preset "$build" -j 2
done
record=${GALLOP_RECORD:-$source_dir/build/dev/run/gallop-record}
scratch=$(mktemp -d)
xvfb_pid=
gallop_pid=
rc=

cleanup() {
    if [ -n "$gallop_pid" ] && kill -0 "$gallop_pid" 2>/dev/null; then
        kill "$gallop_pid" 2>/dev/null || true
    fi
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

source tests/expect.sh
running() {
    kill -0 "$gallop_pid" 2>/dev/null
}
# ended_well MIN MAX: exit code 0, more than MIN and less than MAX ms after the start.
# A race is 700 ticks of at least 30 ms; under Wine on a machine busy with
# other work a paint can take longer than a tick, and a whole race was seen
# to take 55 s, so a race may take up to 120 s before it counts as hung.
ended_well() {
    [ "$rc" = 0 ] && [ "$took" -gt "$1" ] && [ "$took" -lt "$2" ]
}

source tests/wine/wine_display.sh

# Times in milliseconds.
now() {
    date +%s%3N
}
elapsed_since() {
    echo $(($(now) - $1))
}
seconds() {
    printf '%d.%d' $(($1 / 1000)) $(($1 % 1000 / 100))
}

# start_gallop DIR [VAR=VALUE...]: gallop.exe from DIR in the background.
start_gallop() {
    local dir=$1
    shift
    (cd "$dir" && exec env "$@" "${wine[@]}" gallop.exe >"$scratch/wine.log" 2>&1) &
    gallop_pid=$!
}

# finish_gallop SECONDS: waits that long at most for gallop.exe to end and
# sets rc to its exit code (or "running", and ends it).
finish_gallop() {
    local end=$(($(now) + $1 * 1000))
    rc=0
    while kill -0 "$gallop_pid" 2>/dev/null; do
        if [ "$(now)" -gt "$end" ]; then
            kill "$gallop_pid" 2>/dev/null || true
            wait "$gallop_pid" 2>/dev/null || true
            gallop_pid=
            rc=running
            return
        fi
        sleep 0.1
    done
    wait "$gallop_pid" || rc=$?
    gallop_pid=
}

# find_window TITLE SECONDS: the first of gallop.exe's windows with this title.
find_window() {
    local title=$1 limit=$2 window
    for _ in $(seq $((limit * 10))); do
        for window in $(xdotool search --classname 'gallop.exe' 2>/dev/null); do
            if [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$title" ]; then
                echo "$window"
                return
            fi
        done
        sleep 0.1
    done
}

# focus WINDOW: gives it the keyboard. A window just found may not be mapped
# yet, and X refuses to focus it until it is.
focus() {
    for _ in $(seq 50); do
        xdotool windowfocus --sync "$1" 2>/dev/null && return
        sleep 0.1
    done
    echo "  could not focus window $1"
}

# The window's own size: with no window manager, Wine's X window is the
# client area alone.
window_size() {
    xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# The first image of a window's icon as X has it: 32×32 ARGB words, one a
# line, fully transparent pixels as 0.
window_icon() {
    xprop -id "$1" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= //' | tr -d ' ' | tr ',' '\n' |
        sed -n '3,1026p'
}
# The same for the 32×32 image of an icon file.
ico_pixels() {
    convert "$1[0]" -depth 8 rgba:- | od -An -v -tu1 -w4 |
        awk '{ printf "%.0f\n", $4 == 0 ? 0 : $4 * 16777216 + $1 * 65536 + $2 * 256 + $3 }'
}

# shows_frame WINDOW FRAME: within 2.5 s of $started, a picture of the window
# equals the PNG FRAME; $differing says how many pixels differ.
shows_frame() {
    differing=unknown
    while [ "$(elapsed_since "$started")" -lt 2500 ]; do
        sleep 0.3
        import -window "$1" "$scratch/shot.png" 2>/dev/null || continue
        differing=$(compare -metric AE "$scratch/shot.png" "$2" null: 2>&1 || true)
        [ "$differing" = 0 ] && return
    done
    return 1
}

# copy_run_dir NAME: a copy of the run directory to break for one case.
copy_run_dir() {
    rm -rf "${scratch:?}/$1"
    mkdir -p "$scratch/$1"
    cp -r "$run_dir/gallop.exe" "$run_dir/deta" "$run_dir/image" "$scratch/$1/"
}

# ---- The files of each build, checked without running them ---------------
# check_files BUILD BITS: the program's kind, imports, version and icon, and
# the zip's contents.
check_files() {
    local build=$1 bits=$2 exe=$source_dir/build/$1/run/gallop.exe
    local zip=$source_dir/build/$1/gallop-$1.zip
    local kind imports
    expect_prefix="$build: "
    local headers
    headers=$(x86_64-w64-mingw32-objdump -p "$exe" 2>/dev/null) || true
    local magic runs_on
    magic=$(sed -n 's/^Magic.*(\(.*\))$/\1/p' <<<"$headers")
    if [ "$bits" = 64 ]; then
        kind=PE32+ runs_on="64-bit Windows"
    else
        kind=PE32 runs_on="32-bit or 64-bit Windows"
    fi
    expect "gallop.exe is a $kind program ($magic)" [ "$magic" = "$kind" ]
    expect "gallop.exe is a Windows GUI program" grep -qE '^Subsystem.*\(Windows GUI\)$' <<<"$headers"
    imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort |
        paste -sd' ' -)
    expect "gallop.exe imports USER32, GDI32, MSIMG32, KERNEL32 and the C runtime alone ($imports)" \
        [ "$imports" = "GDI32.DLL KERNEL32.DLL MSIMG32.DLL MSVCRT.DLL USER32.DLL" ]

    # The version resource's keys and values are UTF-16 strings in the file.
    local resources version entry value
    resources=$(strings -el "$exe" | paste -sd'|' -) || true
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$source_dir/build/$build/CMakeCache.txt")
    for entry in "FileDescription|GALLOP, a horse race to watch" "ProductName|GALLOP" \
        "FileVersion|$version|"; do
        value=${entry#*|}
        expect "gallop.exe names its ${entry%%|*} (${value%|})" grep -qF "$entry" <<<"$resources"
    done
    # An icon resource holds each image of the .ico file as it stands there.
    expect "gallop.exe carries every image of gallop.ico" python3 - "$exe" \
        "$source_dir/build/$build/run/image/gallop.ico" <<'PY'
import struct, sys
exe, ico = (open(path, "rb").read() for path in sys.argv[1:3])
count = struct.unpack_from("<H", ico, 4)[0]
images = [struct.unpack_from("<II", ico, 6 + 16 * i + 8) for i in range(count)]
sys.exit(0 if count and all(ico[offset:offset + size] in exe for size, offset in images) else 1)
PY

    local contents expected
    contents=$(cmake -E tar tf "$zip" | grep -v '/$' | sort | paste -sd' ' -) || true
    expected="gallop/deta/courseDeta.txt gallop/deta/rival.txt gallop/gallop.exe \
gallop/image/course.bmp gallop/image/gate.bmp gallop/image/horse.bmp gallop/image/uniform.bmp \
gallop/readme.txt"
    expect "gallop-$build.zip holds the program, deta/, image/ and the read-me ($contents)" \
        [ "$contents" = "$expected" ]
    expect "the read-me says it runs on $runs_on" \
        grep -qF "($runs_on," "$source_dir/build/$build/src/platform/win32/readme.txt"
    expect "the read-me carries the licence's whole text, every line ended CR LF" python3 - \
        "$source_dir/build/$build/src/platform/win32/readme.txt" "$source_dir/LICENSE" <<'PY'
import sys
readme, licence = (open(path, "rb").read() for path in sys.argv[1:3])
whole = licence.strip().replace(b"\n", b"\r\n")
sys.exit(0 if whole in readme and b"\n" not in readme.replace(b"\r\n", b"") else 1)
PY
    expect_prefix=
}
check_files win32 32
check_files win64 64

# ---- Which build runs here ------------------------------------------------
if runs_32_bit_code; then
    build=win32
    ran="wine: ran every check on the 32-bit program under wine, and the 64-bit recorder's race under wine64"
else
    build=win64
    ran="wine: the 32-bit program was not run: this machine runs no 32-bit code; \
ran every check on the 64-bit program under wine64"
fi
echo "$ran"
run_dir=$source_dir/build/$build/run

# counted NAME WHAT COMMAND...: runs a script that prints ok and FAIL lines
# and, last, "NAME: N passed, M failed", and adds its counts to this stage's.
counted() {
    local name=$1 what=$2 counts
    shift 2
    "$@" | tee "$scratch/counted.log" || true
    counts=$(sed -n "s/^$name: \\([0-9]*\\) passed, \\([0-9]*\\) failed\$/\\1 \\2/p" \
        "$scratch/counted.log")
    if [ -n "$counts" ]; then
        passes=$((passes + ${counts% *}))
        failures=$((failures + ${counts#* }))
    else
        expect "$what runs to its end" false
    fi
}

# same_race BUILD: the build's recorder runs the Linux recorder's race.
same_race() {
    use_wine "$1"
    counted "$1" "the $1 cross-build comparison" tests/cross/same_race.sh "$1" \
        "$(dirname "$record")" "${wine[@]}" "$source_dir/build/$1/run/gallop-record.exe"
}

# ---- The Windows recorder runs the Linux recorder's race -------------------
if [ -x "$record" ]; then
    if [ "$build" = win32 ]; then
        same_race win64
    fi
    same_race "$build"
else
    echo "skipped: no recorder at $record to compare the Windows recorder with"
fi
use_wine "$build"

# Folders named in any script, under a Western and a Japanese code page.
if [ -x "$record" ]; then
    counted "folder names" "the folder names' comparison" tests/wine/folder_names.sh \
        "folder names" "$run_dir" "$(dirname "$record")" "${wine[@]}"
fi

# It draws the sheets of the current directory, not of its own folder; where
# Windows' loader and ours agree on the BMP suite's files; and gallop-art
# --check warns exactly where LoadImageW draws a sheet otherwise.
# gallop-resave, a tool of the tests, is built beside the recorder's build's
# tests rather than in its run directory.
resave=$(dirname "$(dirname "$record")")/tests/gallop-resave
if [ -x "$record" ] && [ ! -x "$resave" ] &&
    [ "$record" = "$source_dir/build/dev/run/gallop-record" ]; then
    cmake --build --preset dev -j 2 --target gallop-resave
fi
if [ -x "$record" ] && [ -x "$(dirname "$record")/gallop-art" ] && [ -x "$resave" ]; then
    counted "sheet files" "the sheet files' comparison" \
        tests/wine/sheet_files.sh "$run_dir" "$(dirname "$record")" "$resave" "${wine[@]}"
else
    echo "skipped: the sheet files' comparison needs gallop-record, gallop-art and gallop-resave"
fi

# Its exit codes, as the Linux recorder's: 2 for bad arguments, and for a GIF
# or a video clip, which this build does not write; 1 when the data cannot be
# read; 0 for --help and --version.
mkdir -p "$scratch/nodata"
for case in "2 --gif race.gif" "2 --video race.mp4" "2 --ticks many" \
    "1 --dir nodata --trace race.jsonl" "0 --help" "0 --version"; do
    rc=0
    (cd "$scratch" && "${wine[@]}" "$run_dir/gallop-record.exe" ${case#* } >/dev/null 2>&1) || rc=$?
    expect "gallop-record.exe ${case#* } exits with ${case%% *} (it gave $rc)" [ "$rc" = "${case%% *}" ]
done
usage=$(cd "$scratch" && "${wine[@]}" "$run_dir/gallop-record.exe" --ticks many 2>&1 >/dev/null) ||
    true
offers_no_gif() {
    [[ $usage == *"usage: gallop-record"* && $usage != *"[--gif"* && $usage != *"--gif FILE"* &&
        $usage != *"[--video"* && $usage != *"--video FILE"* ]]
}
expect "gallop-record.exe's usage offers neither --gif nor --video" offers_no_gif

# ---- Unpacked from the zip, the race runs and the program closes itself ----
mkdir -p "$scratch/unzipped"
(cd "$scratch/unzipped" && cmake -E tar xf "$source_dir/build/$build/gallop-$build.zip") || true
unzipped=$scratch/unzipped/gallop
if [ -x "$record" ]; then
    "$record" --dir "$run_dir" --ticks 50 --frames "$scratch/frames" --at 50 >/dev/null
fi
start_gallop "$unzipped"
window=$(find_window GALLOP 60)
started=$(now)
expect "a window titled GALLOP" [ -n "$window" ]
if [ -n "$window" ]; then
    size=$(window_size "$window")
    expect "client area 800x600 (it is $size)" [ "$size" = 800x600 ]
    # Wine hands the window class's icon to X as the window's icon, a moment
    # after the window appears.
    ico_pixels "$run_dir/image/gallop.ico" >"$scratch/icon"
    for _ in $(seq 50); do
        cmp -s <(window_icon "$window") "$scratch/icon" && break
        sleep 0.1
    done
    expect "the window's icon is gallop.ico pixel for pixel" \
        cmp -s <(window_icon "$window") "$scratch/icon"
    if [ -x "$record" ]; then
        # Every frame of the wait in the gate is the same picture; the gate
        # opens about 3 s after the window appears.
        shows_frame "$window" "$scratch/frames/frame-0050.png" || true
        expect "the wait in the gate equals the recorder's frame 50 ($differing pixels differ)" \
            [ "$differing" = 0 ]
    else
        echo "skipped: no recorder at $record to compare the picture with"
    fi
fi
finish_gallop 120
took=$(elapsed_since "$started")
expect "closes itself after about 21 s with exit code 0 (took $(seconds "$took") s, exit code $rc)" \
    ended_well 15000 120000

# ---- In a folder named outside the ANSI code page, the sheets still draw ----
# Each name holds characters the locale's code page (932, then 1252) lacks.
for folder_case in "ja_JP.UTF-8|Käse" "en_US.UTF-8|レース 競馬"; do
    locale=${folder_case%%|*}
    folder=${folder_case#*|}
    copy_run_dir "$folder"
    start_gallop "$scratch/$folder" LANG="$locale" LC_ALL="$locale"
    window=$(find_window GALLOP 60)
    started=$(now)
    expect "$locale, in '$folder': a window titled GALLOP" [ -n "$window" ]
    if [ -n "$window" ] && [ -x "$record" ]; then
        shows_frame "$window" "$scratch/frames/frame-0050.png" || true
        expect "$locale, in '$folder': the wait in the gate equals the recorder's frame 50\
 ($differing pixels differ)" [ "$differing" = 0 ]
    fi
    if [ -n "$window" ]; then
        focus "$window"
        xdotool key Escape
    fi
    finish_gallop 10
    expect "$locale, in '$folder': Escape closes it with exit code 0 (exit code $rc)" [ "$rc" = 0 ]
done

# ---- Escape closes the window, and so does Alt+F4; other keys do nothing ---
for keys in Escape alt+F4; do
    start_gallop "$run_dir"
    window=$(find_window GALLOP 30)
    started=$(now)
    expect "a window to press keys in" [ -n "$window" ]
    if [ -n "$window" ]; then
        focus "$window"
        xdotool key a Return space
        sleep 1
        expect "other keys leave it running" running
        xdotool key "$keys"
    fi
    finish_gallop 10
    took=$(elapsed_since "$started")
    expect "$keys closes it at once with exit code 0 (took $(seconds "$took") s, exit code $rc)" \
        ended_well 0 10000
done

# ---- Without the horse sheet the race runs to its end without horses --------
copy_run_dir nohorse
rm "$scratch/nohorse/image/horse.bmp"
if [ -x "$record" ]; then
    "$record" --dir "$scratch/nohorse" --ticks 50 --frames "$scratch/nohorse-frames" --at 50 \
        >/dev/null
fi
start_gallop "$scratch/nohorse"
window=$(find_window GALLOP 60)
started=$(now)
expect "a window without image/horse.bmp" [ -n "$window" ]
if [ -n "$window" ] && [ -x "$record" ]; then
    shows_frame "$window" "$scratch/nohorse-frames/frame-0050.png" || true
    expect "without horses, the wait in the gate equals the recorder's on the same folder\
 ($differing pixels differ)" [ "$differing" = 0 ]
fi
finish_gallop 120
took=$(elapsed_since "$started")
expect "without horses it closes itself after about 21 s with exit code 0\
 (took $(seconds "$took") s, exit code $rc)" ended_well 15000 120000

# ---- Data files it cannot use: the message box, then a clean exit ---------
# The expected text as the message box's trace shows it: UTF-16 code units.
expected_text=$(printf 'データファイルの読み込みに失敗しました' | iconv -f UTF-8 -t UTF-16BE |
    od -An -v -tx2 --endian=big | tr -s ' \n' ' ' | sed 's/ /\\/g; s/\\$//')
# Each case: a name, what the folder lacks, and how it is broken.
error_cases=(
    "norival|without deta/rival.txt|rm deta/rival.txt"
    "nocourse|without deta/courseDeta.txt|rm deta/courseDeta.txt"
    "shortcourse|with five course records|head -n 5 deta/courseDeta.txt >short; mv short deta/courseDeta.txt"
)
for error_case in "${error_cases[@]}"; do
    IFS='|' read -r name what breaking <<<"$error_case"
    copy_run_dir "$name"
    (cd "$scratch/$name" && eval "$breaking")
    # A Western ANSI code page (1252), where text passed as ANSI bytes would
    # not read as Japanese.
    start_gallop "$scratch/$name" LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 WINEDEBUG=-all,trace+msgbox
    box=
    box_title=
    for _ in $(seq 300); do
        for candidate in $(xdotool search --classname 'gallop.exe' 2>/dev/null); do
            title=$(xdotool getwindowname "$candidate" 2>/dev/null || true)
            if [ "$title" != GALLOP ] && [ "$title" != "Default IME" ] && [ -n "$title" ]; then
                box=$candidate
                box_title=$title
            fi
        done
        [ -n "$box" ] && break
        sleep 0.1
    done
    expect "a message box $what" [ -n "$box" ]
    if [ -n "$box" ]; then
        expect "$what, the message box shows the error text" \
            grep -qF "L\"$expected_text\"" "$scratch/wine.log"
        expect "$what, the box has no caption of its own: the system's title (\"$box_title\")" \
            [ "$box_title" = Error ]
        sleep 1
        expect "$what, the program waits for the box to be dismissed" running
        focus "$box"
        xdotool key Return
    fi
    finish_gallop 10
    expect "$what, exit code 0 once the box is dismissed (exit code $rc)" [ "$rc" = 0 ]
done

echo "$ran"
echo "wine: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
