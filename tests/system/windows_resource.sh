#!/usr/bin/env bash
# Compiles the Windows resource script with the MinGW resource compiler, the
# way a Windows build would, and checks that the icon group IDI_ICON1 holds
# exactly the 48, 32 and 16 pixel images at 32 bits, both in the .ico and in
# the compiled resource, and that the version resource carries the project's
# version. Nothing else exercises this file on Linux. Given a built Windows
# program, also checks that it carries exactly that icon and version.
# usage: windows_resource.sh QUILLMARK.rc QUILLMARK.ico VERSION [PROGRAM.exe]
set -euo pipefail
rc=${1:?configured resource script}
ico=${2:?icon}
version=${3:?version}
program=${4:-}
windres=x86_64-w64-mingw32-windres
command -v "$windres" >/dev/null || { echo "FAIL: $windres is missing (bash scripts/install-deps.sh)"; exit 1; }
command -v cpp >/dev/null || { echo "FAIL: the C preprocessor cpp is missing"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Whether the version resource in file $1 names the product and its version.
# Its strings are UTF-16 and padded with zeros, which tr drops.
has_version() {
    local strings
    strings=$(tr -d '\0' <"$1")
    [[ $strings == *"ProductNameQuillmark"* && $strings == *"ProductVersion$version"* \
        && $strings == *"FileVersion$version"* ]]
}

# Little-endian unsigned integer of $3 bytes at offset $2 of file $1.
le() {
    local bytes value=0 shift_by=0 byte
    bytes=$(od -An -tu1 -j"$2" -N"$3" "$1")
    for byte in $bytes; do
        value=$((value | (byte << shift_by)))
        shift_by=$((shift_by + 8))
    done
    echo "$value"
}

# The icon directory, then each image's own header, which Windows reads too.
file_size=$(stat -c %s "$ico")
[ "$(le "$ico" 0 2)" -eq 0 ] && [ "$(le "$ico" 2 2)" -eq 1 ] || fail "$ico has no icon directory"
count=$(le "$ico" 4 2)
[ "$count" -eq 3 ] || fail "$ico holds $count images, not 3"
expected=(48 32 16)
for ((i = 0; i < count && i < 3; i++)); do
    entry=$((6 + 16 * i))
    width=$(le "$ico" "$entry" 1); height=$(le "$ico" $((entry + 1)) 1)
    planes=$(le "$ico" $((entry + 4)) 2); bits=$(le "$ico" $((entry + 6)) 2)
    length=$(le "$ico" $((entry + 8)) 4); offset=$(le "$ico" $((entry + 12)) 4)
    want=${expected[i]}
    [ "$width" -eq "$want" ] && [ "$height" -eq "$want" ] \
        || fail "image $i is ${width}x$height in the directory, not ${want}x$want"
    [ "$planes" -eq 1 ] && [ "$bits" -eq 32 ] || fail "image $i has $planes plane(s) at $bits bits, not 1 at 32"
    if [ $((offset + length)) -gt "$file_size" ]; then
        fail "image $i runs past the end of the file"
        continue
    fi
    # A BITMAPINFOHEADER stores twice the height: the colour rows and the mask.
    [ "$(le "$ico" "$offset" 4)" -eq 40 ] || { fail "image $i is not a bitmap"; continue; }
    [ "$(le "$ico" $((offset + 4)) 4)" -eq "$want" ] && [ "$(le "$ico" $((offset + 8)) 4)" -eq $((2 * want)) ] \
        || fail "image $i's bitmap header disagrees with its size $want"
    [ "$(le "$ico" $((offset + 14)) 2)" -eq 32 ] || fail "image $i's bitmap is not 32 bits"
    # 32-bit colour rows, then a 1-bit mask whose rows are padded to 4 bytes.
    mask_row=$(( (want + 31) / 32 * 4 ))
    [ "$length" -eq $((40 + want * want * 4 + mask_row * want)) ] \
        || fail "image $i's length $length does not fit a ${want}x$want 32-bit icon"
done

# The default preprocessor is the MinGW compiler, which a Linux build has no
# other use for; the host's C preprocessor reads this script just as well.
"$windres" --preprocessor=cpp -i "$rc" -O coff -o "$work/quillmark.res.o" || fail "$windres cannot compile $rc to an object"
"$windres" --preprocessor=cpp -i "$rc" -O res -o "$work/quillmark.res" || fail "$windres cannot compile $rc"
if [ -f "$work/quillmark.res" ]; then
    "$windres" -i "$work/quillmark.res" -O rc -o "$work/decompiled.rc"
    group=$(sed -n '/^"IDI_ICON1" 14 /,/^END/p' "$work/decompiled.rc")
    [ -n "$group" ] || fail "the compiled resource has no icon group IDI_ICON1"
    grep -q 'Has 3 elements' <<<"$group" || fail "IDI_ICON1 does not hold three images"
    for want in 48 32 16; do
        octal=$(printf '\\%03o' "$want")
        grep -qF "\"$octal$octal\\000\\000\", 1, 32," <<<"$group" \
            || fail "IDI_ICON1 has no ${want}x$want image at 32 bits"
    done
    has_version "$work/quillmark.res" || fail "the compiled resource does not carry version $version"
fi

# The icon group as the system finds it in the program file, put back
# together as an .ico (which wrestool pads with zeros): the very directory
# and images of the source icon.
if [ -n "$program" ]; then
    if ! command -v wrestool >/dev/null; then
        fail "wrestool is missing (bash scripts/build-windows.sh installs icoutils)"
    elif ! wrestool -x --type=group_icon --name=IDI_ICON1 -o "$work/from-program.ico" "$program"; then
        fail "wrestool cannot read the icon group IDI_ICON1 of $program"
    else
        cmp -s -n "$file_size" "$work/from-program.ico" "$ico" || fail "the icon IDI_ICON1 in $program is not $ico"
    fi
    if command -v wrestool >/dev/null; then
        wrestool -x --raw --type=version -o "$work/version.res" "$program" && has_version "$work/version.res" \
            || fail "$program does not carry version $version"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "the Windows resource compiles, IDI_ICON1 holds 48, 32 and 16 pixel images at 32 bits, and the version is $version"
