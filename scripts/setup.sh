#!/usr/bin/env bash
# One entry point for a new machine: installs what the build needs (Debian 12),
# configures and builds, then starts the app or runs every test.
#
#   scripts/setup.sh app    build and start NorixGUI
#   scripts/setup.sh test   build and run every test suite
#   scripts/setup.sh package  build the Debian package into the build folder
#
# All are idempotent: packages already present are not installed again and the
# build directory is reused.
set -euo pipefail

cd "$(dirname "$0")/.."
mode=${1:-app}
build_dir=${NORIX_BUILD_DIR:-build}
jobs=${NORIX_JOBS:-$(nproc)}

packages=(build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          libpng-dev)
# The font window's tests import a desktop font from this family.
packages+=(fonts-dejavu-core)

install_missing_packages() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Please run as root or install sudo." >&2; exit 1; }
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local werror=OFF
    [ -n "${CI:-}" ] && werror=ON
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORIX_WERROR="$werror" "$@"
    cmake --build "$build_dir" -j "$jobs"
}

# The app's icon is drawn as SVG and rendered to the theme's sizes when it is built.
packages+=(librsvg2-bin)
# CPack finds the package's library dependencies with dpkg-shlibdeps, picking
# the programs out with file(1).
[ "$mode" = package ] && packages+=(dpkg-dev file)
# Whatever a caller needs on top (CI's package checks).
read -r -a extra_packages <<<"${NORIX_EXTRA_PACKAGES:-}"
packages+=("${extra_packages[@]}")

install_missing_packages
case "$mode" in
    app)
        configure_and_build
        exec "$build_dir/gui/norixgui"
        ;;
    test)
        configure_and_build
        ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
        ;;
    package)
        configure_and_build
        (cd "$build_dir" && cpack -G DEB)
        ;;
    *)
        echo "usage: scripts/setup.sh app|test|package" >&2
        exit 2
        ;;
esac
