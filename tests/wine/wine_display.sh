# Sourced by the Wine scripts, with $source_dir and $scratch set: starts a
# virtual display of their own (DISPLAY, and xvfb_pid to end it) and makes
# ready the Wine prefix kept with the build, so that only the first run sets
# it up.

# Xvfb picks a free display number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
DISPLAY=":$(cat "$scratch/display")"
export DISPLAY

export WINEPREFIX=$source_dir/build/win32/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
