#!/usr/bin/env bash
# Runs the Windows build's tests through Wine on a private X server: every
# QtTest test, the program's icon resource, and the real window driven end to
# end. Build first with scripts/build-windows.sh.
# usage: test-windows.sh [BUILD_DIR]   (default: build-windows)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-windows}" && pwd)

# A Wine installation of the build's own, without the .NET and browser
# add-ons that Wine would otherwise offer to download.
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# QtTest on Windows writes to the debugger rather than to a stdout that is no
# console, unless told otherwise. Wine hands a QT_ variable on to the program
# only when it is given with the prefix WINE.
export WINEQT_FORCE_STDERR_LOGGING=1

source "$repo/scripts/private-xvfb.sh"
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

start_private_xvfb "$build/xvfb-display"

started=$SECONDS
# A new Wine installation goes on setting itself up after wineboot returns;
# tests started meanwhile would take minutes instead of seconds.
wineboot --init
wineserver --wait
# Then one server for all the tests, rather than one started for each.
wineserver --persistent
# Without a window manager, which Xvfb lacks, Wine spends about two seconds
# on each window that a test opens and closes. The tests' windows therefore
# open in a desktop that Wine draws itself; the program's own stay top-level
# windows for the end-to-end test to find.
{
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"tests"="1024x768"\n'
    for test in "$build"/tests/*.exe; do
        printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\Explorer]\n"Desktop"="tests"\n' "${test##*/}"
    done
} >"$build/tests-desktop.reg"
wine regedit /S "$build/tests-desktop.reg"
echo "Wine ready in $((SECONDS - started)) s"

ctest --test-dir "$build" --output-on-failure
