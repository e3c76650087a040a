#!/usr/bin/env bash
# Builds the parts named, into $QUENLO_BUILD (default: build/ in the checkout):
#
#   bash scripts/build.sh [PART...]
#
#   tools      the host form compiler, optimised (build/tools)
#   host       the host tests under sanitizers (build/host)
#   fuzz       the fuzz targets, with clang (build/fuzz)
#   win        the Windows program (PE32), its tests and benchmarks (build/win)
#   win64      the same sources as PE32+ (build/win64): where the kernel runs no 32-bit code,
#              Wine runs PE32 programs only through an emulator, far too slowly for the tests
#   win:T,T    only the named targets of build/win (win:Quenlo is the program alone)
#
# Without parts: tools host win win64. Windows parts build the image libraries first
# (scripts/deps.sh) and the form compiler. Installing packages is scripts/setup.sh's job.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
mkdir -p "$build"
[ $# -gt 0 ] || set -- tools host win win64

# Configures a folder once, and again only when its options change.
configure() {
  local dir=$1
  shift
  local wanted="$*"
  if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$dir/.quenlo-options" 2>/dev/null)" = "$wanted" ]; then
    return
  fi
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  echo "$wanted" >"$dir/.quenlo-options"
}

tools() {
  configure "$build/tools" -DCMAKE_BUILD_TYPE=Release -DQUENLO_TOOLS_ONLY=ON
  cmake --build "$build/tools"
}

windows() {  # folder, toolchain, architecture, targets (comma-separated, or empty for all)
  bash "$root/scripts/deps.sh" "$build/$1" "$3"
  tools
  configure "$build/$1" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
    -DQUENLO_FORMC="$build/tools/formc" -DQUENLO_DEPS_DIR="$build/$1/deps/install"
  local targets=()
  [ -z "$4" ] || targets=(--target ${4//,/ })
  cmake --build "$build/$1" "${targets[@]}"
}

targets_of() { case $1 in *:*) echo "${1#*:}" ;; esac; }

for part in "$@"; do
  case $part in
    tools) tools ;;
    host)
      configure "$build/host" -DCMAKE_BUILD_TYPE=Debug
      cmake --build "$build/host"
      ;;
    fuzz)
      CC=clang CXX=clang++ configure "$build/fuzz" -DQUENLO_FUZZ=ON
      cmake --build "$build/fuzz"
      ;;
    win | win:*) windows win mingw-i686.cmake i686 "$(targets_of "$part")" ;;
    win64 | win64:*) windows win64 mingw-x86_64.cmake x86_64 "$(targets_of "$part")" ;;
    *) echo "build: unknown part $part" >&2; exit 2 ;;
  esac
done
