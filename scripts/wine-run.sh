#!/usr/bin/env bash
# Runs a Windows program under Wine and exits with its exit code (ctest's emulator).
# Uses the environment of scripts/wine-env.sh when it is already sourced; otherwise
# sets one up for the build folder that holds the program, and tears it down after.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
  exit 2
fi

if [ -n "${WINEPREFIX:-}" ]; then
  exec "${QUENLO_WINE:-wine}" "$@"
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

build_dir=${QUENLO_BUILD_DIR:-}
if [ -z "$build_dir" ]; then
  dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || dir=$PWD
  while [ "$dir" != / ]; do
    if [ -f "$dir/CMakeCache.txt" ]; then
      build_dir=$dir
      break
    fi
    dir=$(dirname "$dir")
  done
fi
if [ -z "$build_dir" ]; then
  echo "wine-run: WINEPREFIX is unset and no CMake build folder holds $1;" \
       "source scripts/wine-env.sh BUILD_DIR or set QUENLO_BUILD_DIR" >&2
  exit 2
fi

# The PE header's machine field picks the prefix kind: 0x8664 is x86-64.
if [ -z "${QUENLO_WINEARCH:-}" ] && [ -f "$1" ]; then
  pe_offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" | tr -d ' ')
  [ "$machine" = 8664 ] && export QUENLO_WINEARCH=win64
fi

# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$build_dir"
trap wine_env_cleanup EXIT
rc=0
"$QUENLO_WINE" "$@" || rc=$?
exit "$rc"
