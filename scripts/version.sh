#!/usr/bin/env bash
# Prints the project's version, which every package carries.
set -euo pipefail
sed -n 's/^project(Quillmark VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
