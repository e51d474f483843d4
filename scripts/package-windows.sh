#!/usr/bin/env bash
# Packs the cross-built Windows program into an installer,
# quillmark-<version>-setup.exe (NSIS), and a portable
# quillmark-<version>-windows.zip, both in BUILD_DIR/packages. Build first
# with scripts/build-windows.sh.
# usage: package-windows.sh [BUILD_DIR]   (default: build-windows)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-windows}" && pwd)
program=$build/quillmark.exe
[ -f "$program" ] || { echo "FAIL: no $program (bash scripts/build-windows.sh)" >&2; exit 1; }

bash "$repo/scripts/install-deps.sh" nsis
version=$(bash "$repo/scripts/version.sh")
out=$build/packages
rm -rf "$out"
mkdir -p "$out"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPROGRAM="$program" -DICON="$repo/resources/quillmark.ico" \
    -DLICENSE="$repo/LICENSE" -DOUTFILE="$out/quillmark-$version-setup.exe" "$repo/packaging/quillmark.nsi"

# One folder that runs wherever it is unpacked: the program needs no other
# file and keeps no settings.
portable=$out/quillmark-$version
mkdir "$portable"
cp "$program" "$portable/quillmark.exe"
cp "$repo/LICENSE" "$portable/LICENSE.txt"
(cd "$out" && python3 -m zipfile -c "quillmark-$version-windows.zip" "quillmark-$version")
rm -rf "$portable"
ls -l "$out"
