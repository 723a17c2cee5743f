#!/usr/bin/env bash
# Builds the Debian package from a copy of the source tree in build/deb/, so
# that neither the package nor dpkg-buildpackage's scratch files land beside
# or inside the tree. The package is build/deb/gallop_VERSION_ARCH.deb; the
# build's output goes to build/deb/build.log, whose tail is shown on failure.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=$source_dir/build/deb
rm -rf "$out"
mkdir -p "$out/gallop"
tar -C "$source_dir" --exclude=./build --exclude=./.git --exclude=./tests/web/node_modules -cf - . |
    tar -C "$out/gallop" -xf -
# nocheck: see override_dh_auto_test in debian/rules.
if ! (cd "$out/gallop" &&
    DEB_BUILD_OPTIONS="nocheck parallel=${GALLOP_JOBS:-2} ${DEB_BUILD_OPTIONS:-}" \
        dpkg-buildpackage -us -uc -b) >"$out/build.log" 2>&1; then
    tail -n 40 "$out/build.log" >&2
    echo "The package did not build; the whole log is $out/build.log" >&2
    exit 1
fi
ls "$out"/gallop_*.deb
