#!/usr/bin/env bash
# Builds, then takes screenshots under Wine into build/screenshots as PNG: the real program
# (started, an open menu, the help box, resized with changed colours), and the components
# (labels over the picture beside a status bar, each picture mode).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
out=$build/screenshots

. "$root/scripts/lib.sh"
folder=win64 arch=win64
if kernel_runs_32bit; then folder=win arch=win32; fi # the PE32 build that ships

bash "$root/scripts/setup.sh" test
QUENLO_BUILD=$build bash "$root/scripts/build.sh" $folder
mkdir -p "$out"
export QUENLO_WINEARCH=$arch
. "$root/scripts/wine-env.sh" "$build/$folder"
trap wine_env_cleanup EXIT
QUENLO_SCREENSHOTS=$(windows_path "$out") \
  "$QUENLO_WINE" "$build/$folder/quenlo_e2e.exe" --gtest_filter='Screenshots.*' >"$out/log.txt" 2>&1
QUENLO_SCREENSHOTS=$(windows_path "$out") \
  "$QUENLO_WINE" "$build/$folder/quenlo_tests.exe" --gtest_filter='Screenshots.*' >>"$out/log.txt" 2>&1
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$out"/*.png
