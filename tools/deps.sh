# Installs the Debian packages that building, running and testing need.
# Sourced by ./run and ./test; installs only what is missing.

gallop_packages=(
    build-essential cmake ninja-build pkg-config # the build
    clang-format                                 # the code's one layout, checked by ./test
    clang libclang-rt-14-dev libfuzzer-14-dev    # the clang build and the fuzz targets
    libsdl2-dev                                  # window, surfaces, BMP loading, blits
    libstb-dev                                   # PNG frames (stb_image_write)
    libgif-dev                                   # the animated GIF
    libavcodec-dev libavformat-dev libswscale-dev libavutil-dev # the video clips (H.264, AV1)
    ffmpeg # the tests decode the clips and measure their PSNR with ffmpeg and ffprobe
    libpng-dev                                   # the tests read the PNG frames back
    libgtest-dev libbenchmark-dev                # tests and benchmarks
    xvfb xauth xdotool x11-utils xfonts-base imagemagick # window tests on a virtual display
    time # tools/measure-window.sh: the program's CPU time and peak memory
)

# The Windows programs: the MinGW-w64 cross compilers, and Wine to run and
# test the real gallop.exe. A machine that runs no 32-bit code at all still
# runs the 64-bit program under wine64.
gallop_windows_packages=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 # the 32-bit and 64-bit Windows cross compilers
    wine wine32:i386 wine64                 # run gallop.exe for its tests
    locales                                 # the locales below
)
# The Windows programs are tested under a Western ANSI code page (1252) and
# the Japanese one (932); Wine takes the code page from the locale.
gallop_windows_locales=(en_US.UTF-8 ja_JP.UTF-8)

# The web page: Emscripten (Debian's, which works offline) and node-acorn for
# its JavaScript optimiser; node runs the recorder; Chromium and the browser
# driver from npm test the page; python3 serves it; ffmpeg checks its videos.
gallop_web_packages=(
    emscripten node-acorn nodejs # the web build and the recorder under node
    chromium                     # the page's tests in a headless browser
    firefox-esr                  # the core of the page's tests in a second browser
    python3                      # the static server of ./run --web and the tests
    ffmpeg                       # ffprobe and ffmpeg read back the page's saved videos
)

# The Debian package: dh and its CMake build system, and Debian's checkers of
# packages, desktop entries and AppStream metainfo (dpkg-dev comes with
# build-essential).
gallop_deb_packages=(
    debhelper          # dh, dpkg-buildpackage's helpers
    lintian            # Debian's checker of packages
    desktop-file-utils # desktop-file-validate
    appstream          # appstreamcli validate
)

gallop_install_packages() {
    gallop_install_list "${gallop_packages[@]}"
}

gallop_install_web_packages() {
    gallop_install_list "${gallop_web_packages[@]}"
    # A node from elsewhere brings its own npm, which Debian's package would clash with.
    if ! command -v npm >/dev/null; then
        gallop_install_list npm
    fi
}

gallop_install_deb_packages() {
    gallop_install_list "${gallop_deb_packages[@]}"
}

gallop_install_windows_packages() {
    # wine32 comes from the i386 architecture, which apt must know before its update.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        gallop_sudo dpkg --add-architecture i386
    fi
    gallop_install_list "${gallop_windows_packages[@]}"
    gallop_make_locales "${gallop_windows_locales[@]}"
}

# Compiles those of the given locales (LANGUAGE_TERRITORY.UTF-8) that are
# missing; `locale -a` lists en_US.UTF-8 as en_US.utf8.
gallop_make_locales() {
    local locale
    for locale in "$@"; do
        if ! locale -a 2>/dev/null | grep -qx "${locale%.UTF-8}.utf8"; then
            echo "Making the locale $locale"
            gallop_sudo localedef -i "${locale%.UTF-8}" -c -f UTF-8 "$locale"
        fi
    done
}

gallop_sudo() {
    if [ "$(id -u)" -ne 0 ]; then
        sudo "$@"
    else
        "$@"
    fi
}

# Installs those of the given packages that are missing.
gallop_install_list() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    gallop_sudo apt-get update -qq
    gallop_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
