#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: lintian, installing it
# with apt, driving the installed program in a private X server, and removing
# it again without leaving any of its files. Build first with
# scripts/build-deb.sh. Installs and removes the package on this machine.
# usage: test-deb.sh [PACKAGE.deb]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
version=$(bash "$repo/scripts/version.sh")
deb=$(realpath "${1:-$repo/build-deb/quillmark_${version}_$(dpkg --print-architecture).deb}")

bash "$repo/scripts/install-deps.sh" lintian
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

echo "== lintian"
lintian --info --display-experimental --pedantic --fail-on error,warning "$deb"

# A package left from an earlier run would make apt skip the installation.
if dpkg-query -W -f='${Status}' quillmark 2>/dev/null | grep -q 'install ok installed'; then
    "${sudo[@]}" apt-get remove --purge -y quillmark
fi

echo "== installing $deb"
"${sudo[@]}" apt-get install -y "$deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg -L quillmark >"$work/files"
for path in /usr/bin/quillmark /usr/share/applications/io.github.quillmark.Quillmark.desktop \
        /usr/share/metainfo/io.github.quillmark.Quillmark.metainfo.xml /usr/share/doc/quillmark/copyright \
        /usr/share/icons/hicolor/256x256/apps/io.github.quillmark.Quillmark.png; do
    grep -qx "$path" "$work/files" || { echo "FAIL: the package does not install $path"; exit 1; }
done

echo "== the installed program"
python3 "$repo/tests/system/e2e_window.py" /usr/bin/quillmark "$repo/forms/MainWindow.ui" "${deb%/*}/installed-window.png"

echo "== removing"
"${sudo[@]}" apt-get remove --purge -y quillmark
# Folders that other packages or the system still hold stay, as they should.
left=()
while read -r path; do
    [ "$path" != /. ] || continue
    if [ -d "$path" ] && ! [ -L "$path" ]; then
        dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path")
    elif [ -e "$path" ] || [ -L "$path" ]; then
        left+=("$path")
    fi
done <"$work/files"
if [ ${#left[@]} -ne 0 ]; then
    printf 'FAIL: left behind: %s\n' "${left[@]}"
    exit 1
fi
echo "the package passes lintian, installs, starts and is removed without a trace"
