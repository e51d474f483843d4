#!/usr/bin/env bash
# Builds the Debian package build-deb/quillmark_<version>_<arch>.deb with
# debhelper, from a copy of the source tree, so that the build's by-products
# stay in build-deb/ rather than beside the repository.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$repo/build-deb

bash "$repo/scripts/install-deps.sh" debhelper dpkg-dev

# The package carries the project's version; debian/changelog must agree.
version=$(bash "$repo/scripts/version.sh")
changelog_version=$(dpkg-parsechangelog -l "$repo/debian/changelog" -SVersion)
if [ "$version" != "$changelog_version" ]; then
    echo "FAIL: debian/changelog is at $changelog_version, CMakeLists.txt at $version" >&2
    exit 1
fi

source=$out/quillmark-$version
rm -rf "$out"
mkdir -p "$source"
tar -C "$repo" --exclude='./build*' --exclude=./.git --exclude=__pycache__ -cf - . | tar -C "$source" -xf -
# Our own builds treat warnings as errors; debian/rules alone does not.
(cd "$source" && QUILLMARK_WARNINGS_AS_ERRORS=1 dpkg-buildpackage -b -us -uc)
echo "Built $out/quillmark_${version}_$(dpkg --print-architecture).deb"
