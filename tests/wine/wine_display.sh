# Sourced by the Wine scripts, with $source_dir and $scratch set: starts a
# virtual display of their own (DISPLAY, and xvfb_pid to end it), and gives
# runs_32_bit_code and use_wine.

source "$source_dir/tools/virtual_display.sh"
start_virtual_display "$scratch" || {
    echo "Xvfb did not start: $(cat "$scratch/xvfb.log")" >&2
    exit 1
}

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# True when this machine runs 32-bit x86 programs at all. A kernel built or
# booted without 32-bit support refuses every one of them, the i386 loader
# as much as Wine's 32-bit loader, with "Exec format error".
runs_32_bit_code() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# use_wine win32|win64: sets `wine`, the command that runs that build's
# programs, and WINEPREFIX, the Wine prefix kept with that build, and makes
# the prefix ready, so that only the first run sets it up. Debian's `wine`
# starts the 32-bit loader whenever wine32 is installed, so the 64-bit
# loader is named itself.
use_wine() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
    export WINEPREFIX=$source_dir/build/$1/wine-prefix
    if [ "$1" = win64 ]; then
        wine=(/usr/lib/wine/wine64)
        export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
    else
        wine=(wine)
        unset WINELOADER WINEARCH
    fi
    "${wine[@]}" wineboot.exe -i >/dev/null 2>&1 || true
    wineserver -w
}
