#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# any further packages named as arguments, asking apt only when something is
# missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build
    qt6-base-dev qt6-base-dev-tools libgl-dev libvulkan-dev
    # Telling the legacy encoding of a file that is not Unicode.
    pkg-config libuchardet-dev
    # Running the tests in locales of legacy character sets.
    locales
    # The window is laid out for a sans with Arial's metrics; the others show
    # the scripts that lists hold, as a desktop's fonts do, for the tests that
    # size rows of them and the benchmark. Not the color emoji font: under
    # Wine, Qt sizes its glyphs millions of pixels wide and crashes falling
    # back to it.
    fonts-liberation fonts-noto-core fonts-wqy-microhei
    # Validating the installed desktop entry and metainfo, and compiling the
    # Windows resource.
    desktop-file-utils appstream binutils-mingw-w64-x86-64
    # Driving the real window in a private X server.
    python3 xvfb xauth xdotool imagemagick
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
