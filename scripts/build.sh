#!/usr/bin/env bash
# Installs what is missing, then builds the host tools and tests, the Windows program (PE32,
# build/win) and the same sources as PE32+ (build/win64) for the tests: where the kernel
# cannot run 32-bit code, Wine runs PE32 programs only through an emulator, far too slowly
# for a test suite, while PE32+ runs natively under wine64.
# The build folder is $QUENLO_BUILD (default: build/ in the checkout).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
mkdir -p "$build"

bash "$root/scripts/setup.sh"

cmake -S "$root" -B "$build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/host"

windows_build() {  # folder, toolchain, architecture
  bash "$root/scripts/deps.sh" "$build/$1" "$3"
  cmake -S "$root" -B "$build/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
    -DQUENLO_FORMC="$build/host/formc" -DQUENLO_DEPS_DIR="$build/$1/deps/install" >/dev/null
  cmake --build "$build/$1"
}
windows_build win mingw-i686.cmake i686
windows_build win64 mingw-x86_64.cmake x86_64
