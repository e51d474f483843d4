#!/usr/bin/env bash
# Installs the build into staging folders, once with the configured prefix
# under DESTDIR and once with another prefix, and checks that a desktop would
# find the program, its menu entry, its icons and its software-centre data.
# usage: install_layout.sh CMAKE BUILD_DIR PREFIX BINDIR DATADIR
set -euo pipefail
cmake=${1:?cmake}; build=${2:?build dir}; prefix=${3:?install prefix}
bindir=${4:?bin dir}; datadir=${5:?data dir}
app_id=io.github.quillmark.Quillmark

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (bash scripts/install-deps.sh)"; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Width and height from a PNG's IHDR chunk, as "WxH".
png_size() {
    local signature words
    signature=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
    [ "$signature" = 89504e470d0a1a0a ] || { echo "not-a-png"; return; }
    words=$(od -An -tu1 -j16 -N8 "$1")
    set -- $words
    echo "$(( ($1 << 24) | ($2 << 16) | ($3 << 8) | $4 ))x$(( ($5 << 24) | ($6 << 16) | ($7 << 8) | $8 ))"
}

check_tree() {
    local root=$1
    local bin=$root/$bindir/quillmark
    local desktop=$root/$datadir/applications/$app_id.desktop
    local metainfo=$root/$datadir/metainfo/$app_id.metainfo.xml
    echo "checking $root"

    [ -f "$bin" ] && [ -x "$bin" ] || fail "no executable $bin"
    [ -f "$desktop" ] || fail "no desktop entry $desktop"
    [ -f "$metainfo" ] || fail "no metainfo $metainfo"
    local size icon
    for size in 16x16 32x32 48x48 256x256; do
        icon=$root/$datadir/icons/hicolor/$size/apps/$app_id.png
        if [ ! -f "$icon" ]; then
            fail "no icon $icon"
        elif [ "$(png_size "$icon")" != "$size" ]; then
            fail "$icon is $(png_size "$icon"), its folder says $size"
        fi
    done
    [ -f "$desktop" ] && [ -f "$metainfo" ] || return 0

    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"

    # The entry must start the installed program and name the installed icon.
    local exec_line icon_line
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    icon_line=$(sed -n 's/^Icon=//p' "$desktop")
    [ "${exec_line%% *}" = quillmark ] || fail "Exec=$exec_line does not start quillmark"
    [ "$icon_line" = "$app_id" ] || fail "Icon=$icon_line is not the installed icon name $app_id"
    grep -qx 'Terminal=false' "$desktop" || fail "the desktop entry lacks Terminal=false"
    grep -qx 'Categories=Utility;TextTools;' "$desktop" || fail "the desktop entry's categories are not Utility;TextTools;"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
        || fail "the metainfo does not launch $app_id.desktop"
    grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
    grep -q '<binary>quillmark</binary>' "$metainfo" || fail "the metainfo does not provide the quillmark binary"
}

DESTDIR=$stage/destdir "$cmake" --install "$build" >/dev/null
check_tree "$stage/destdir/${prefix#/}"

"$cmake" --install "$build" --prefix "$stage/prefix" >/dev/null
check_tree "$stage/prefix"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "install layout, desktop entry and metainfo are valid"
