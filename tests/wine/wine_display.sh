# Sourced by the Wine scripts, with $source_dir and $scratch set: starts a
# virtual display of their own (DISPLAY, and xvfb_pid to end it) and makes
# ready the Wine prefix kept with the build, so that only the first run sets
# it up.

source "$source_dir/tools/virtual_display.sh"
start_virtual_display "$scratch" || {
    echo "Xvfb did not start: $(cat "$scratch/xvfb.log")" >&2
    exit 1
}

export WINEPREFIX=$source_dir/build/win32/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
