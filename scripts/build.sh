#!/usr/bin/env bash
# Installs what is missing, then builds the host tools and tests and the Windows program.
# The build folder is $QUENLO_BUILD (default: build/ in the checkout).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
mkdir -p "$build"

bash "$root/scripts/setup.sh"
bash "$root/scripts/deps.sh" "$build"

cmake -S "$root" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/host"

cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DQUENLO_FORMC="$build/host/formc" -DQUENLO_DEPS_DIR="$build/deps/install" >/dev/null
cmake --build "$build/win"
