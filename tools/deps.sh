# Installs the Debian packages that building, running and testing need.
# Sourced by ./run and ./test; installs only what is missing.

gallop_packages=(
    build-essential cmake ninja-build pkg-config # the build
    libsdl2-dev                                  # window, surfaces, BMP loading, blits
    libpng-dev libgif-dev                        # PNG frames and the animated GIF
    libgtest-dev libbenchmark-dev                # tests and benchmarks
    xvfb xauth xdotool x11-utils xfonts-base imagemagick # window tests on a virtual display
)

gallop_install_packages() {
    local missing=()
    local package
    for package in "${gallop_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
