#!/usr/bin/env bash
# Checks the Windows packages the way a user meets them, through Wine on a
# private X server: installs silently, checks the installed files, the
# Start-menu shortcut and the entry in the list of installed programs, drives
# the installed program end to end, uninstalls silently and checks that
# nothing of it is left; and checks that the portable zip holds the same
# program. Build first with scripts/package-windows.sh.
# usage: test-windows-packages.sh [BUILD_DIR]   (default: build-windows)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-windows}" && pwd)
version=$(bash "$repo/scripts/version.sh")
setup=$build/packages/quillmark-$version-setup.exe
zip=$build/packages/quillmark-$version-windows.zip
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark'

# A Wine installation of its own, so that nothing from the tests' runs is
# mistaken for something the installer left. Wine's menu builder would copy
# the Start-menu shortcut into this machine's own desktop menus.
export WINEPREFIX=$build/wine-packages WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
work=$(mktemp -d)
source "$repo/scripts/private-xvfb.sh"
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

start_private_xvfb "$work/display"

rm -rf "$WINEPREFIX"
wineboot --init
wineserver --wait
# A Windows folder of the Wine user's, as a path here.
folder() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }
installed=$(folder LOCALAPPDATA)/Programs/Quillmark
shortcut="$(folder APPDATA)/Microsoft/Windows/Start Menu/Programs/Quillmark.lnk"
# Everything in the Wine drive but Windows itself. The uninstaller runs on
# from a copy of itself in the user's temporary folder, so that it can delete
# itself; that copy goes too, but leaves its folder, empty, to the next
# clean-up of the temporary folder.
snapshot() {
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -path './users/*/Temp/~nsu*.tmp' -empty -prune -o -print | sort)
}
snapshot >"$work/before"

echo "== installing $setup silently"
wine "$setup" /S || fail "the installer exits with $?"
wineserver --wait
[ -f "$installed/quillmark.exe" ] && cmp -s "$installed/quillmark.exe" "$build/quillmark.exe" \
    || fail "the installed quillmark.exe is not the built program"
[ -f "$installed/LICENSE.txt" ] || fail "no LICENSE.txt in $installed"
[ -f "$installed/uninstall.exe" ] || fail "no uninstall.exe in $installed"
if [ ! -f "$shortcut" ]; then
    fail "no Start-menu shortcut $shortcut"
else
    tr -d '\0' <"$shortcut" | grep -qF 'Programs\Quillmark\quillmark.exe' \
        || fail "the Start-menu shortcut does not start Programs\\Quillmark\\quillmark.exe"
fi

wine reg query "$uninstall_key" | tr -d '\r' >"$work/key" || fail "no uninstall key $uninstall_key"
cat "$work/key"
installed_in='C:\\users\\[^\\]*\\AppData\\Local\\Programs\\Quillmark\\'
for value in "DisplayName REG_SZ Quillmark" "DisplayVersion REG_SZ $version" \
        "Publisher REG_SZ The Quillmark developers" "InstallLocation REG_SZ ${installed_in%\\\\}" "DisplayIcon REG_SZ ${installed_in}quillmark.exe,0" \
        "UninstallString REG_SZ \"${installed_in}uninstall.exe\"" \
        "QuietUninstallString REG_SZ \"${installed_in}uninstall.exe\" /S" \
        "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1" "EstimatedSize REG_DWORD 0x[0-9a-f]*[1-9a-f][0-9a-f]*"; do
    read -r name type data <<<"$value"
    grep -Eqx "\s+$name\s+$type\s+$data" "$work/key" || fail "the uninstall key has no $name $data"
done

echo "== the installed program"
python3 "$repo/tests/system/e2e_window.py" --wine "$installed/quillmark.exe" "$repo/forms/MainWindow.ui" \
    "$build/packages/installed-window.png" || fail "the installed program does not pass the end-to-end test"

echo "== uninstalling silently"
wine "$installed/uninstall.exe" /S || fail "the uninstaller exits with $?"
wineserver --wait
[ ! -e "$installed" ] || fail "$installed is left: $(ls -A "$installed")"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall key is left"
snapshot >"$work/after"
if ! diff "$work/before" "$work/after" >"$work/changes"; then
    fail "the installation and removal left changes in drive_c:"
    cat "$work/changes"
fi

echo "== the portable zip"
python3 -m zipfile -l "$zip"
python3 -m zipfile -e "$zip" "$work/unzipped"
(cd "$work/unzipped" && find . -type f | sort) >"$work/zipped"
printf '%s\n' "./quillmark-$version/LICENSE.txt" "./quillmark-$version/quillmark.exe" | diff - "$work/zipped" \
    || fail "the zip does not hold exactly quillmark-$version/quillmark.exe and LICENSE.txt"
cmp -s "$work/unzipped/quillmark-$version/quillmark.exe" "$build/quillmark.exe" \
    || fail "the zip's quillmark.exe is not the built program"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "the installer installs, starts and uninstalls without a trace; the zip holds the same program"
