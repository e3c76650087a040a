#!/usr/bin/env bash
# Cross-builds the image libraries from Debian's source packages into
# BUILD_DIR/deps/install. Sources are fetched at build time, never kept in the repo.
# With --check, only tells by its exit status whether they are built and up to date.
set -euo pipefail

check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 [--check] BUILD_DIR [i686|x86_64]" >&2
  exit 2
fi
arch=${2:-i686}
case $arch in
  i686) toolchain_name=mingw-i686.cmake ;;
  x86_64) toolchain_name=mingw-x86_64.cmake ;;
  *) echo "deps: unknown arch $arch" >&2; exit 2 ;;
esac
triple=$arch-w64-mingw32

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$1"
build_dir=$(cd "$1" && pwd)
deps=$build_dir/deps
src=$deps/src
install=$deps/install
toolchain=$root/cmake/$toolchain_name
stamp=$install/.deps-stamp

jpeg_pkg=libjpeg-turbo
png_pkg=libpng1.6/bookworm

# Rebuild when this script or the toolchain changes, not otherwise.
key=$( { echo "$arch"; cat "${BASH_SOURCE[0]}" "$root/cmake/mingw-i686.cmake" "$toolchain"; } | sha256sum | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ]; then
  exit 0
fi
[ $check = 0 ] || exit 1

fetch() {
  local pkg=$1 name=${1%%/*}
  local dir
  dir=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name "$name-*" 2>/dev/null | head -n1)
  if [ -n "$dir" ]; then
    echo "$dir"
    return
  fi
  mkdir -p "$src"
  # apt-get source needs the deb-src lists; fetch them once if they are missing.
  if ! (cd "$src" && apt-get source -q "$pkg") >&2; then
    echo "deps: apt-get source $pkg failed; updating package lists and retrying" >&2
    if [ "$(id -u)" = 0 ]; then apt-get update -q >&2; else sudo apt-get update -q >&2; fi
    (cd "$src" && apt-get source -q "$pkg") >&2
  fi
  dir=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name "$name-*" | head -n1)
  if [ -z "$dir" ]; then
    echo "deps: no unpacked source for $pkg in $src" >&2
    exit 1
  fi
  echo "$dir"
}

cmake_build() {
  local name=$1 source=$2
  shift 2
  local b=$deps/build/$name
  rm -rf "$b"
  cmake -S "$source" -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$install" \
    "$@" >"$deps/build/$name.log" 2>&1 || { tail -n 40 "$deps/build/$name.log" >&2; exit 1; }
  cmake --build "$b" -j "$(nproc)" >>"$deps/build/$name.log" 2>&1 || { tail -n 40 "$deps/build/$name.log" >&2; exit 1; }
  cmake --install "$b" >>"$deps/build/$name.log" 2>&1 || { tail -n 40 "$deps/build/$name.log" >&2; exit 1; }
}

for tool in cmake ninja nasm "$triple-gcc-posix" dpkg-source; do
  command -v "$tool" >/dev/null || { echo "deps: $tool not found; run scripts/setup.sh" >&2; exit 1; }
done

jpeg_src=$(fetch "$jpeg_pkg")
png_src=$(fetch "$png_pkg")

rm -rf "$install"
mkdir -p "$install" "$deps/build"

# REQUIRE_SIMD turns a silently missing nasm into an error instead of a slow decoder.
cmake_build jpeg "$jpeg_src" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
  -DWITH_TURBOJPEG=OFF \
  -DCMAKE_ASM_NASM_COMPILER=nasm

cmake_build png "$png_src" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON \
  -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_INCLUDE_DIR="/usr/$triple/include" \
  -DZLIB_LIBRARY="/usr/$triple/lib/libz.a"

for f in lib/libjpeg.a lib/libpng16.a include/jpeglib.h include/png.h; do
  [ -f "$install/$f" ] || { echo "deps: $install/$f missing after build" >&2; exit 1; }
done

echo "$key" >"$stamp"
echo "deps: installed into $install"
