# Sourced by the scripts that run the real window: start_virtual_display DIR
# starts Xvfb on a display number it picks itself (24-bit, no GPU), keeps its
# number and log in DIR, sets xvfb_pid and exports DISPLAY. It fails when
# Xvfb does not start within 10 s.
#
# -noreset: by default an X server starts itself afresh whenever its last
# client leaves, and refuses or drops the connections that come while it does.
# The tests look for windows with short-lived clients (xwininfo, xprop) before
# the program has connected, so without it the program's own connection could
# come in such a moment and fail.
start_virtual_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$1/display" ] && break
        sleep 0.1
    done
    [ -s "$1/display" ] || return 1
    export DISPLAY=":$(head -n 1 "$1/display")"
    unset WAYLAND_DISPLAY
}

# stop_processes PID...: ends each process named (the program, the display),
# passing over empty ones; for the scripts' clean-up.
stop_processes() {
    local pid
    for pid in "$@"; do
        [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    done
}
