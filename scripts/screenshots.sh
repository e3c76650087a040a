#!/usr/bin/env bash
# Builds, then takes screenshots under Wine into build/screenshots as PNG: the real program
# (started, an open menu, the help box, resized with changed colours), and the components
# (labels over the picture beside a status bar, each picture mode).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
out=$build/screenshots

bash "$root/scripts/setup.sh" test
QUENLO_BUILD=$build bash "$root/scripts/build.sh" win64
mkdir -p "$out"
export QUENLO_WINEARCH=win64
. "$root/scripts/wine-env.sh" "$build/win64"
trap wine_env_cleanup EXIT
QUENLO_SCREENSHOTS="Z:${out//\//\\}" \
  "$QUENLO_WINE" "$build/win64/quenlo_e2e.exe" --gtest_filter='Screenshots.*' >"$out/log.txt" 2>&1
QUENLO_SCREENSHOTS="Z:${out//\//\\}" \
  "$QUENLO_WINE" "$build/win64/quenlo_tests.exe" --gtest_filter='Screenshots.*' >>"$out/log.txt" 2>&1
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$out"/*.png
