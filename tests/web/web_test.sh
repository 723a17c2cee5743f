#!/usr/bin/env bash
# The web build: builds the web preset, then
#  - proves that its recorder under node runs the same race as the Linux
#    recorder of the optimised build (tests/cross/same_race.sh), for the
#    shipped data and every race variant, once as built and once under
#    AddressSanitizer and UndefinedBehaviorSanitizer (preset web-asan);
#  - plays the whole race under node with the shipped sheets saved again as
#    8-bit RLE8, 8-bit plain, 24-bit top down and 32-bit V5, and checks that
#    every frame equals the shipped sheets' (tests/cross/resaved_sheets.sh);
#  - puts the race link's reader, start time included, through property tests
#    (link_test.mjs, fast-check from npm);
#  - plays the page in the system's headless Chromium from a static server on
#    127.0.0.1, on desktop and phone screens, a first visit, offline and
#    across a new build, and the core of it in Firefox ESR (page_test.mjs,
#    driven by puppeteer-core from npm);
#  - holds a race day: pages opened at different moments on a link with a
#    start time, each with its clock set by the test, a pick on the race card
#    and its marker, in Chromium and the core in Firefox (race_day_test.mjs).
#  - saves the race as a video in both browsers and reads it back with
#    ffprobe and ffmpeg (clip_test.mjs).
# The dev preset's gallop-record is the reference, and its gallop-resave saves
# the sheets again; they are built here when missing.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$source_dir"
source tools/deps.sh
gallop_install_packages
gallop_install_web_packages

if [ ! -x build/dev/run/gallop-record ] || [ ! -x build/dev/tests/gallop-resave ]; then
    cmake --preset dev >/dev/null
    cmake --build --preset dev -j 2 --target gallop-record gallop-resave art rundata
fi
cmake --preset web >/dev/null
cmake --build --preset web -j 2
run_dir=$source_dir/build/web/run

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

tests/cross/same_race.sh web build/dev/run node "$run_dir/gallop-record.js" || failed=1
tests/cross/resaved_sheets.sh web build/dev/tests/gallop-resave "$run_dir" \
    node "$run_dir/gallop-record.js" || failed=1

# The node recorder writes no GIF: --gif is a usage error (exit 2), and its
# usage does not offer it.
usage_rc=0
usage=$(cd "$scratch" && node "$run_dir/gallop-record.js" --gif race.gif 2>&1 >/dev/null) ||
    usage_rc=$?
if [ "$usage_rc" = 2 ] && [[ $usage == *"usage: gallop-record"* && $usage != *"[--gif"* ]]; then
    echo "ok: web: --gif is a usage error, and the usage does not offer it"
else
    echo "FAIL: web: --gif is a usage error, and the usage does not offer it (exit $usage_rc): $usage"
    failed=1
fi

# The same race once more with the recorder under AddressSanitizer and
# UndefinedBehaviorSanitizer: the web layer's own code (sheets, back buffer).
cmake --preset web-asan >/dev/null
cmake --build --preset web-asan -j 2
tests/cross/same_race.sh web-asan build/dev/run node "$source_dir/build/web-asan/run/gallop-record.js" ||
    failed=1

# The browser driver at the versions in package-lock.json; no browser download.
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
node tests/web/link_test.mjs "$run_dir" || failed=1
node tests/web/page_test.mjs "$run_dir" "$scratch" || failed=1
node tests/web/race_day_test.mjs "$run_dir" "$scratch" || failed=1
node tests/web/clip_test.mjs "$run_dir" "$scratch/clip" || failed=1

exit "$failed"
