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
  exec wine "$@"
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

# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$build_dir"
trap wine_env_cleanup EXIT
rc=0
wine "$@" || rc=$?
exit "$rc"
