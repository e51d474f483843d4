#!/usr/bin/env bash
# Cross-builds the program for 64-bit Windows on Debian 12 into
# build-windows/quillmark.exe, a single executable that needs only the DLLs
# Windows comes with. Qt is linked in statically, from a small Qt built once
# out of Debian's own qt6-base source (the version of the host's Qt tools,
# which generate code for it) and kept in $QUILLMARK_QT_CACHE, by default
# ~/.cache/quillmark, for every later run. The first run takes about 20
# minutes on two cores for that.
# usage: build-windows.sh [further cmake arguments for the program's build]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$repo/cmake/mingw-w64-x86_64.cmake

bash "$repo/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix dpkg-dev wine wine64 icoutils

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
host_cmake=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake
cache=${QUILLMARK_QT_CACHE:-$HOME/.cache/quillmark}
qt=$cache/qt-$qt_version-mingw-w64-static
# The detector of legacy encodings, of the version the Linux build links.
uchardet_version=$(dpkg-query -W -f='${Version}' libuchardet-dev)
uchardet=$cache/uchardet-$uchardet_version-mingw-w64-static

# Only what the program and its tests use. The tablet support needs a header
# that Debian's source leaves out; Direct2D and DirectWrite go together, as
# this Qt links its Windows platform only with both or neither.
qt_options=(
    -static -release -optimize-size -nomake examples -nomake tests
    -xplatform win32-g++ -qt-host-path /usr
    -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent -no-feature-xml
    -no-dbus -no-opengl -no-feature-vulkan -no-icu -no-feature-zstd
    -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite
    -qt-zlib -qt-pcre -qt-libpng -qt-harfbuzz -no-libjpeg -no-freetype
)

# A static library with no DLL of its own, and neither its command-line tool
# nor its manual.
uchardet_options=(-DBUILD_SHARED_LIBS=OFF -DBUILD_BINARY=OFF -DCMAKE_BUILD_TYPE=Release)

# Unpacks Debian's source package NAME=VERSION into WORK/source, fetched from
# the mirrors this machine installs from.
unpack_source() {
    local work=$1 package=$2
    rm -rf "$work"
    mkdir -p "$work/apt/lists/partial" "$work/apt/cache"
    apt-get indextargets --format 'deb-src $(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Created-By: Packages' 'Origin: Debian' | sort -u >"$work/apt/sources.list"
    local apt_private=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
                       -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache")
    apt-get "${apt_private[@]}" update
    (cd "$work" && apt-get "${apt_private[@]}" source --download-only "$package")
    # Debian's patches apply here too.
    (cd "$work" && dpkg-source --no-check -x ./*.dsc source)
}

# Whether PREFIX was built with the options given after it.
built_with() {
    local prefix=$1
    shift
    [ -f "$prefix/quillmark-options.txt" ] && [ "$(printf '%s\n' "$@")" = "$(cat "$prefix/quillmark-options.txt")" ]
}

build_uchardet() {
    local work=$cache/uchardet-build
    rm -rf "$uchardet"
    unpack_source "$work" "uchardet=$uchardet_version"
    cmake -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$uchardet" "${uchardet_options[@]}"
    nice cmake --build "$work/build" -j2
    cmake --install "$work/build"
    printf '%s\n' "${uchardet_options[@]}" >"$uchardet/quillmark-options.txt"
    rm -rf "$work"
}

build_qt() {
    local work=$cache/qt-build
    rm -rf "$qt"
    unpack_source "$work" "qt6-base=$qt_version"
    mkdir -p "$work/build"
    (cd "$work/build" && nice "$work/source/configure" -prefix "$qt" "${qt_options[@]}" \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake")
    nice cmake --build "$work/build" -j2
    cmake --install "$work/build"
    printf '%s\n' "${qt_options[@]}" >"$qt/quillmark-options.txt"
    rm -rf "$work"
}

if ! built_with "$uchardet" "${uchardet_options[@]}"; then
    echo "Building uchardet $uchardet_version for Windows into $uchardet"
    build_uchardet
fi
if ! built_with "$qt" "${qt_options[@]}"; then
    echo "Building Qt $qt_version for Windows into $qt"
    build_qt
fi

# Qt's toolchain file finds this Qt and the host's tools, then reads ours.
cmake -S "$repo" -B "$repo/build-windows" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
    -DQUILLMARK_WINDOWS_LIBRARIES="$uchardet" -DQUILLMARK_WARNINGS_AS_ERRORS=ON \
    -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$repo/build-windows" "$@"
cmake --build "$repo/build-windows" -j2
echo "Built $repo/build-windows/quillmark.exe"
