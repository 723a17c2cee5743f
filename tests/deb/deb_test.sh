#!/usr/bin/env bash
# The Debian package, built, checked and installed for real:
#  - dpkg-buildpackage builds it (tools/build-deb.sh);
#  - lintian reports no tag at all, informational and pedantic ones included
#    (those it would report are explained in debian/gallop.lintian-overrides);
#    desktop-file-validate and appstreamcli validate pass;
#  - it holds the programs, the shipped race with the sheets that gallop-art
#    draws, the icons, the manual pages, the desktop entry and the metainfo;
#  - installed with apt-get, the Exec line of its desktop entry plays the
#    shipped race on a virtual display: its gate wait equals the recorder's
#    frame 50 and the race closes itself with exit code 0;
#  - `gallop` in a folder with a variant's data (a path with spaces and
#    names in three scripts) plays that variant, with the shipped sheets or
#    with the folder's own image/, and without a usable rival table shows
#    the data-file message alone, with no window behind it, which SIGTERM to
#    the launcher ends at once; its temporary folder is gone afterwards;
#  - purged, it leaves none of its files behind.
# Installing needs root; without it the stage says so and skips that part.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$source_dir"
source tools/deps.sh
gallop_install_packages
gallop_install_deb_packages

# The reference: the optimised build's recorder and sheets.
if [ ! -x build/dev/run/gallop-record ] || [ ! -f build/dev/icons/256x256/apps/gallop.png ]; then
    cmake --preset dev >/dev/null
    cmake --build --preset dev -j 2 --target gallop-record art rundata
fi
reference=$source_dir/build/dev/run

scratch=$(mktemp -d)
xvfb_pid=
gallop_pid=
source tools/virtual_display.sh
cleanup() {
    stop_processes "$gallop_pid" "$xvfb_pid"
    rm -rf "$scratch"
}
trap cleanup EXIT

source tests/expect.sh
is_root() {
    [ "$(id -u)" -eq 0 ]
}

# A package from an earlier run would stay installed under apt-get install of
# the same version; it goes first.
if is_root && dpkg-query -W -f='${Status}' gallop 2>/dev/null | grep -q 'install ok installed'; then
    echo "Purging the gallop package left from an earlier run"
    apt-get purge -y -qq gallop >/dev/null
fi

# ---- Building and checking ---------------------------------------------------
expect "dpkg-buildpackage builds the package" tools/build-deb.sh
deb=$(ls build/deb/gallop_*.deb 2>/dev/null | head -n 1) || true
changes=$(ls build/deb/gallop_*.changes 2>/dev/null | head -n 1) || true
if [ -z "$deb" ]; then
    echo "deb: $passes passed, $failures failed"
    exit 1
fi
echo "$deb: $(stat -c %s "$deb") bytes, $(dpkg-deb -f "$deb" Installed-Size) kB installed"

lintian_clean() {
    local output
    output=$(lintian -I --pedantic --fail-on error,warning,info,pedantic "$changes" 2>&1) ||
        { echo "$output"; return 1; }
    output=$(grep -v '^running with root privileges' <<<"$output" || true)
    [ -z "$output" ] || { echo "$output"; return 1; }
}
expect "lintian reports nothing, informational and pedantic tags included" lintian_clean

unpacked=$scratch/unpacked
dpkg-deb -x "$deb" "$unpacked"
expect "desktop-file-validate passes the desktop entry" \
    desktop-file-validate "$unpacked/usr/share/applications/gallop.desktop"
expect "appstreamcli validate passes the metainfo" \
    appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort)
missing=
for file in usr/games/gallop usr/games/gallop-record usr/lib/games/gallop/gallop \
    usr/lib/games/gallop/gallop-record usr/share/games/gallop/deta/courseDeta.txt \
    usr/share/games/gallop/deta/rival.txt usr/share/applications/gallop.desktop \
    usr/share/man/man6/gallop.6.gz usr/share/man/man6/gallop-record.6.gz \
    usr/share/doc/gallop/copyright; do
    grep -qx "$file" <<<"$contents" || missing="$missing $file"
done
expect "the package holds the launcher, both programs, the data, the entry and the manual pages${missing:+ (missing:$missing)}" \
    [ -z "$missing" ]
same_as_reference() {
    local sheet
    for sheet in course horse uniform gate; do
        cmp -s "$unpacked/usr/share/games/gallop/image/$sheet.bmp" "$reference/image/$sheet.bmp" ||
            return 1
    done
    [ "$(ls "$unpacked/usr/share/games/gallop/image")" = "$(printf '%s\n' course.bmp gate.bmp horse.bmp uniform.bmp)" ]
}
expect "its four sheets are the ones gallop-art draws, byte for byte" same_as_reference
same_icons() {
    local size
    for size in 16 22 24 32 48 64 128 256; do
        cmp -s "$unpacked/usr/share/icons/hicolor/${size}x$size/apps/gallop.png" \
            "$source_dir/build/dev/icons/${size}x$size/apps/gallop.png" || return 1
    done
}
expect "its icons at 16 to 256 pixels are the ones gallop-art draws" same_icons
expect "the metainfo names a screenshot and has a description" \
    grep -q '<screenshot' "$unpacked"/usr/share/metainfo/*.metainfo.xml
expect "gallop-record in the games directory is a link to the recorder" \
    [ "$(readlink "$unpacked/usr/games/gallop-record")" = ../lib/games/gallop/gallop-record ]

if ! is_root; then
    echo "skipped: not root, so the package is neither installed, played nor purged"
    echo "deb: $passes passed, $failures failed"
    [ "$failures" -eq 0 ]
    exit
fi

# ---- Installed ---------------------------------------------------------------
# apt_get ARGS...: quiet, its output shown only when it fails.
apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" >"$scratch/apt.log" 2>&1 ||
        { cat "$scratch/apt.log"; return 1; }
}
expect "apt-get installs the package" apt_get install "./$deb"
installed_files=$(dpkg -L gallop 2>/dev/null) || true

start_virtual_display "$scratch" || { echo "Xvfb did not start: $(cat "$scratch/xvfb.log")"; exit 1; }

now_ms() {
    date +%s%3N
}
# start_in DIR COMMAND...: runs the command in DIR in the background, with
# its own private temporary folder that the test looks at afterwards.
start_in() {
    local dir=$1
    shift
    rm -rf "$scratch/tmp"
    mkdir -p "$scratch/tmp"
    (cd "$dir" && TMPDIR=$scratch/tmp exec "$@") >"$scratch/output" 2>&1 &
    gallop_pid=$!
    started_ms=$(now_ms)
}
# Prints the ids of the mapped top-level windows named $1, or of the
# untitled ones besides $2 when $1 is empty. X lists a window as soon as it
# is made, before it is shown.
windows() {
    local candidate
    if [ -n "$1" ]; then
        xwininfo -root -children | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\": .*/\1/p"
    else
        xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) (has no name): .*/\1/p' |
            grep -vx "${2:-none}" || true
    fi | while read -r candidate; do
        if xwininfo -id "$candidate" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$candidate"
        fi
    done
}
# wait_for_window NAME [BESIDES]: up to 20 s; sets window. When none
# appears, says whether the program is still running and shows its output.
wait_for_window() {
    window=
    local limit_ms=$(($(now_ms) + 20000))
    while [ "$(now_ms)" -lt "$limit_ms" ]; do
        window=$(windows "$@" | head -n 1)
        [ -n "$window" ] && return 0
        kill -0 "$gallop_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$gallop_pid" 2>/dev/null && echo "  (no window; the program still runs)" ||
        echo "  (no window; the program has ended)"
    sed 's/^/  | /' "$scratch/output"
    return 1
}
# shows_frame PNG: a picture of $window during the gate wait equals PNG;
# $differing says in how many pixels they differ.
shows_frame() {
    differing=unknown
    local wait_ms=$((1200 - ($(now_ms) - started_ms)))
    [ "$wait_ms" -le 0 ] || sleep "$((wait_ms / 1000)).$(printf '%03d' $((wait_ms % 1000)))"
    for _ in $(seq 10); do
        timeout 10 import -window "$window" "$scratch/shot.png" 2>/dev/null || continue
        [ "$(convert "$scratch/shot.png" -format '%[fx:maxima]' info:)" = 0 ] || break
        sleep 0.1
    done
    differing=$(compare -metric AE "$scratch/shot.png" "$1" null: 2>&1 || true)
    [ "$differing" = 0 ]
}
# wait_for_exit SECONDS: sets rc to the exit code, or "none" if still running.
wait_for_exit() {
    local limit_ms=$(($(now_ms) + $1 * 1000))
    rc=none
    while kill -0 "$gallop_pid" 2>/dev/null; do
        [ "$(now_ms)" -lt "$limit_ms" ] || return 0
        sleep 0.05
    done
    rc=0
    wait "$gallop_pid" || rc=$?
    gallop_pid=
}
# frame_50 DIR NAME: the recorder's frame 50 for the race in DIR, as NAME.png.
frame_50() {
    "$reference/gallop-record" --dir "$1" --frames "$scratch/frames-$2" --at 50 >/dev/null
    cp "$scratch/frames-$2/frame-0050.png" "$scratch/$2.png"
}
tmp_left() {
    [ -z "$(ls -A "$scratch/tmp")" ]
}

# The menu's way in: the Exec line of the installed entry, from a folder
# without data of its own (the desktop starts it in the home folder).
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/gallop.desktop)
mkdir -p "$scratch/home"
frame_50 "$reference" shipped
# shellcheck disable=SC2086 # the Exec line is split into words as the desktop does
start_in "$scratch/home" env HOME="$scratch/home" $exec_line
expect "the entry's command ($exec_line) opens the window GALLOP" wait_for_window GALLOP
if [ -n "$window" ]; then
    expect "its gate wait equals the recorder's frame 50" \
        shows_frame "$scratch/shipped.png"
    echo "  (the gate wait differs from the recorder's frame 50 in $differing pixels)"
fi
wait_for_exit 60
expect "the race closes itself with exit code 0 (exit code $rc)" [ "$rc" = 0 ]

# A folder with a variant's data and no image/: the variant with the shipped
# sheets, in a temporary folder that is gone afterwards. The folder's path
# has spaces and names in three scripts, as users' folders have.
variant=even-left-style0
variant_dir="$scratch/Käse und Пари/レース 競馬"
mkdir -p "$variant_dir" "$scratch/variant-ref"
cp -r "tests/variants/$variant/deta" "$variant_dir/"
cp -r "tests/variants/$variant/deta" "$reference/image" "$scratch/variant-ref/"
frame_50 "$scratch/variant-ref" variant
expect "the variant's gate wait differs from the shipped race's" \
    [ "$(compare -metric AE "$scratch/variant.png" "$scratch/shipped.png" null: 2>&1 || true)" != 0 ]
# played_with_escape DIR WHAT PNG: gallop in DIR draws PNG, closes on Escape
# with exit code 0 and leaves nothing in its temporary folder.
played_with_escape() {
    start_in "$1" /usr/games/gallop
    expect "$2: the window opens" wait_for_window GALLOP
    if [ -n "$window" ]; then
        expect "$2: the gate wait is the recorder's frame 50 on that data" shows_frame "$3"
        echo "  ($2: differs from the recorder's frame in $differing pixels)"
        xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
    fi
    wait_for_exit 10
    expect "$2: exit code 0 (exit code $rc)" [ "$rc" = 0 ]
    expect "$2: the launcher's temporary folder is gone" tmp_left
}
played_with_escape "$variant_dir" "gallop in '${variant_dir#"$scratch/"}' with only $variant/deta" \
    "$scratch/variant.png"

# The folder's own image/, here without horses: no horses are drawn.
cp -r "$reference/image" "$variant_dir/"
rm "$variant_dir/image/horse.bmp" "$scratch/variant-ref/image/horse.bmp"
frame_50 "$scratch/variant-ref" no-horses
played_with_escape "$variant_dir" "gallop in a folder with its own image/ without horses" \
    "$scratch/no-horses.png"

# The folder's data cannot be used: the program's message, not the shipped
# race, and no window behind it.
rm "$variant_dir/deta/rival.txt" "$variant_dir/image" -r
start_in "$variant_dir" /usr/games/gallop
expect "without rival.txt: the data-file message box appears" wait_for_window ""
if [ -n "$window" ]; then
    expect "without rival.txt: no GALLOP window stands behind the box" [ -z "$(windows GALLOP)" ]
    xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
fi
wait_for_exit 10
expect "without rival.txt: exit code 0 once the box is dismissed (exit code $rc)" [ "$rc" = 0 ]
expect "without rival.txt: the launcher's temporary folder is gone" tmp_left

# SIGTERM to the launcher while the box is up ends the program, the box and
# the launcher at once, and the temporary folder goes with them.
start_in "$variant_dir" /usr/games/gallop
expect "without rival.txt, again: the message box appears" wait_for_window ""
kill -s TERM "$gallop_pid"
wait_for_exit 5
expect "SIGTERM to the launcher ends it at once with 143 (exit code $rc)" [ "$rc" = 143 ]
for _ in $(seq 20); do
    [ -z "$(windows "")" ] && break
    sleep 0.05
done
expect "SIGTERM to the launcher: the box is gone" [ -z "$(windows "")" ]
expect "SIGTERM to the launcher: its temporary folder is gone" tmp_left

# ---- Purged ------------------------------------------------------------------
expect "apt-get purges the package" apt_get purge gallop
# Every file of the package is gone; a folder of it may stay only while
# another package owns it too.
left_behind() {
    local path
    while IFS= read -r path; do
        # "/." is the root folder, which every package lists.
        [ -n "$path" ] && [ "$path" != /. ] && [ -e "$path" -o -L "$path" ] || continue
        if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
            continue
        fi
        echo "$path"
    done <<<"$installed_files"
}
left=$(left_behind | paste -sd' ' -)
expect "purged, none of its $(wc -l <<<"$installed_files") paths is left${left:+ (left: $left)}" \
    [ -n "$installed_files" -a -z "$left" ]

echo "deb: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
