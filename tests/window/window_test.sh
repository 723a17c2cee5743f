#!/usr/bin/env bash
# The program in a real window on its own virtual X display.
#
#   window_test.sh CASE GALLOP RECORDER RUN_DIR [ICON]
#
# CASE is one of
#   race          the window's title, size and icon (the PNG file ICON); a
#                 screenshot from the wait in the gate equals the recorder's
#                 frame; the program closes itself after about 21 s with exit
#                 code 0
#   escape        Escape closes the window on its release, with exit code 0
#   missing-data  without deta/rival.txt the error message box appears alone,
#                 with no "GALLOP" window behind it; a key press dismisses it,
#                 and the program exits 0
#   box-signal    SIGTERM, and then SIGINT, while that box is up end the
#                 program and the box at once, the program with the shell's
#                 code for the signal (143, 130)
#   no-display    where no display can be reached, the program says so and
#                 exits 1 at once, rather than run the race where no one sees it
# GALLOP and RECORDER are the two programs; RUN_DIR holds deta/ and image/.
set -euo pipefail

case_name=$1
gallop=$(realpath "$2")
recorder=$(realpath "$3")
run_dir=$(realpath "$4")
icon=${5:+$(realpath "$5")}

# In a sanitizer build the program is checked for memory errors but not for
# leaks: the GL driver and the D-Bus library that SDL loads keep memory to the
# end, and the driver is unloaded before the leak check can name it. The
# program's own memory is leak-checked by the unit tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export TSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/tsan.supp${TSAN_OPTIONS:+ $TSAN_OPTIONS}"

work=$(mktemp -d)
xvfb_pid=
gallop_pid=
source "$(dirname "$(realpath "$0")")/../../tools/virtual_display.sh"
cleanup() {
    stop_processes "$gallop_pid" "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$work/output" ]; then
        echo "--- the program's output:" >&2
        cat "$work/output" >&2
    fi
    exit 1
}

now_ms() {
    date +%s%3N
}

# A copy of the run directory that the test may change.
mkdir "$work/run"
cp -r "$run_dir/deta" "$run_dir/image" "$work/run/"

start_virtual_display "$work" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

start_program() {
    # A program started in the background by a script ignores SIGINT; the
    # program here hears it, as one started from a terminal does.
    (cd "$work/run" && exec env --default-signal=INT "$gallop") >"$work/output" 2>&1 &
    gallop_pid=$!
    started_ms=$(now_ms)
}

# Waits up to $1 seconds for the program to end; sets exit_code.
wait_for_exit() {
    local limit_ms=$(($(now_ms) + $1 * 1000))
    while kill -0 "$gallop_pid" 2>/dev/null; do
        [ "$(now_ms)" -lt "$limit_ms" ] || fail "the program did not end within $1 s"
        sleep 0.05
    done
    exit_code=0
    wait "$gallop_pid" || exit_code=$?
    gallop_pid=
    ended_ms=$(now_ms)
}

# Prints the ids of the top-level windows whose name is $1 (possibly empty).
top_windows_named() {
    xwininfo -root -children | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\": .*/\1/p"
}
# The untitled top-level windows other than the program's own window $1.
untitled_windows_besides() {
    xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) (has no name): .*/\1/p' |
        grep -vx "$1"
}

# Those of the windows on standard input that are mapped. X lists a window
# as soon as it is created, before its owner has set its properties and
# mapped it; a mapped window has them all.
mapped() {
    local candidate
    while read -r candidate; do
        if xwininfo -id "$candidate" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            echo "$candidate"
        fi
    done
}
mapped_untitled_windows_besides() {
    untitled_windows_besides "$1" | mapped
}
mapped_windows_named() {
    top_windows_named "$1" | mapped
}

# The words of a window's icon as X holds them (_NET_WM_ICON: width, height,
# then one 0xAARRGGBB word per pixel), one a line.
window_icon() {
    xprop -id "$1" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= //' | tr -d ' ' | tr ',' '\n'
}
# The same for a PNG file, fully transparent pixels as 0.
png_icon() {
    identify -format '%w\n%h\n' "$1"
    convert "$1" -depth 8 rgba:- | od -An -v -tu1 -w4 |
        awk '{ printf "%.0f\n", $4 == 0 ? 0 : $4 * 16777216 + $1 * 65536 + $2 * 256 + $3 }'
}

# The processes of the program, the box's included, on this display.
programs_on_display() {
    local pid
    for pid in /proc/[0-9]*; do
        pid=${pid#/proc/}
        if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$gallop" ] &&
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY"; then
            echo "$pid"
        fi
    done
}

# Waits up to 30 s for a top-level window that `$@` prints; sets window. A
# sanitizer build on a busy machine can take seconds to start a process.
wait_for_window() {
    local limit_ms=$(($(now_ms) + 30000))
    window=
    local seen=none listing
    while [ "$(now_ms)" -lt "$limit_ms" ]; do
        window=$("$@" | head -n 1) || true
        [ -n "$window" ] && return 0
        # The last list that had a window in it, for the report of a failure.
        listing=$(xwininfo -root -children 2>&1 | grep -v '^$') || true
        ! grep -q '^ *0x' <<<"$listing" || seen=$listing
        if ! kill -0 "$gallop_pid" 2>/dev/null; then
            local code=0
            wait "$gallop_pid" || code=$?
            gallop_pid=
            fail "the program ended with exit code $code $(($(now_ms) - started_ms)) ms after" \
                "its start, before its window appeared ($*). The last windows seen:" \
                "$seen"
        fi
        sleep 0.05
    done
    fail "no window appeared within 30 s ($*): $(xwininfo -root -children | grep '^ *0x')"
}

case "$case_name" in
race)
    start_program
    wait_for_window mapped_windows_named GALLOP
    info=$(xwininfo -id "$window")
    grep -q "^xwininfo: Window id: $window \"GALLOP\"$" <<<"$info" || fail "title: $info"
    grep -q "^ *Width: 800$" <<<"$info" || fail "client width: $info"
    grep -q "^ *Height: 600$" <<<"$info" || fail "client height: $info"
    # Neither resizable nor maximisable: the smallest and largest size are the same.
    hints=$(xprop -id "$window" WM_NORMAL_HINTS)
    grep -q "minimum size: 800 by 600" <<<"$hints" || fail "size hints: $hints"
    grep -q "maximum size: 800 by 600" <<<"$hints" || fail "size hints: $hints"
    # The program's own icon, as gallop-art draws it, pixel for pixel.
    if [ -n "$icon" ]; then
        png_icon "$icon" >"$work/icon"
        cmp -s <(window_icon "$window") "$work/icon" ||
            fail "the window's icon is not $icon: $(xprop -id "$window" _NET_WM_ICON | head -c 200)"
    fi

    # The runners wait in the gate for 100 ticks of at least 30 ms, which
    # begin after the program has started, and every frame of the wait is the
    # same picture: a screenshot equal to the recorder's frame 50 was taken
    # inside the wait, and one taken after the gate opened differs. A slow
    # start (a sanitizer build on a busy machine) may not have painted at the
    # first look: a picture still all black is taken again.
    sleep_ms=$((1200 - ($(now_ms) - started_ms)))
    [ "$sleep_ms" -le 0 ] || sleep "$((sleep_ms / 1000)).$(printf '%03d' $((sleep_ms % 1000)))"
    for _ in $(seq 10); do
        import -window "$window" "$work/window.png"
        shot_ms=$(now_ms)
        [ "$(convert "$work/window.png" -format '%[fx:maxima]' info:)" = 0 ] || break
        sleep 0.1
    done
    "$recorder" --dir "$work/run" --frames "$work/frames" --at 50 >/dev/null
    difference=$(compare -metric AE "$work/window.png" "$work/frames/frame-0050.png" null: 2>&1) ||
        true
    [ "$difference" = 0 ] || fail "the window differs from the recorded frame in $difference pixels" \
        "(the screenshot was done $((shot_ms - started_ms)) ms after the start)"

    # The race closes itself. Its pace is measured by tools/measure-window.sh;
    # here a busy machine or a sanitizer build may stretch the ticks.
    wait_for_exit 120
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    # Counted from the program's start, not from when the window was seen:
    # the frame thread may tick before the window is mapped, and under a
    # sanitizer on a busy machine the window is seen late, which would count
    # as a short race.
    runtime_ms=$((ended_ms - started_ms))
    # 700 ticks of 30 ms sleep each, plus the updates, before the first close request.
    [ "$runtime_ms" -ge 21000 ] || fail "the race ended after only $runtime_ms ms"
    echo "The race ran $runtime_ms ms from its window's appearance to the program's end:" \
        "$((runtime_ms * 1000 / 701)) µs per tick over 701 ticks."
    ;;
escape)
    start_program
    wait_for_window mapped_windows_named GALLOP
    xdotool windowfocus --sync "$window"
    sleep 0.5
    xdotool keydown Escape
    sleep 0.5
    kill -0 "$gallop_pid" 2>/dev/null || fail "the window closed on the key-down"
    xdotool key Return space a
    sleep 0.3
    kill -0 "$gallop_pid" 2>/dev/null || fail "another key closed the window"
    xdotool keyup Escape
    released_ms=$(now_ms)
    wait_for_exit 5
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    echo "Closed $((ended_ms - released_ms)) ms after Escape was released."
    ;;
missing-data)
    rm "$work/run/deta/rival.txt"
    start_program
    # The message box has no title of its own: it is the one top-level window
    # without a name.
    wait_for_window mapped_untitled_windows_besides none
    [ "$(untitled_windows_besides none | wc -l)" -eq 1 ] ||
        fail "more than one untitled window: $(xwininfo -root -children)"
    hints=$(xprop -id "$window" _NET_WM_WINDOW_TYPE WM_NAME)
    grep -q "_NET_WM_WINDOW_TYPE_DIALOG" <<<"$hints" || fail "not a dialog: $hints"
    grep -qE '^WM_NAME\(.*\) =( "")? *$' <<<"$hints" || fail "the box has a title: $hints"
    sleep 0.3
    kill -0 "$gallop_pid" 2>/dev/null || fail "the program did not wait for the message box"
    [ -z "$(mapped_windows_named GALLOP)" ] || fail "a GALLOP window stands behind the box"
    xdotool windowfocus --sync "$window"
    xdotool key Return
    wait_for_exit 5
    [ "$exit_code" -eq 0 ] || fail "exit code $exit_code"
    [ ! -s "$work/output" ] || fail "the program printed something"
    ;;
box-signal)
    rm "$work/run/deta/rival.txt"
    for signal in TERM:143 INT:130; do
        start_program
        wait_for_window mapped_untitled_windows_besides none
        kill -s "${signal%:*}" "$gallop_pid"
        signalled_ms=$(now_ms)
        wait_for_exit 5
        [ "$exit_code" -eq "${signal#*:}" ] || fail "SIG${signal%:*}: exit code $exit_code"
        # The box's process is gone with its window.
        for _ in $(seq 20); do
            [ -z "$(programs_on_display)$(mapped_untitled_windows_besides none)" ] && break
            sleep 0.05
        done
        [ -z "$(programs_on_display)" ] || fail "SIG${signal%:*}: left running: $(programs_on_display)"
        [ -z "$(mapped_untitled_windows_besides none)" ] || fail "SIG${signal%:*}: the box stays"
        [ ! -s "$work/output" ] || fail "SIG${signal%:*}: the program printed something"
        echo "SIG${signal%:*} ended the program $((ended_ms - signalled_ms)) ms after it was sent."
    done
    ;;
no-display)
    # A display name that is a socket path which does not exist.
    DISPLAY="$work/no-display:0" start_program
    wait_for_exit 30
    [ "$exit_code" -eq 1 ] || fail "exit code $exit_code"
    grep -q "^gallop: cannot open a window: " "$work/output" || fail "no message"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
