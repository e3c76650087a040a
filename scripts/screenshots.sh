#!/usr/bin/env bash
# Builds, then takes screenshots of the real program under Wine (the started window, an open
# menu, the help box, a resized window with changed colours) into build/screenshots as PNG.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
out=$build/screenshots

bash "$root/scripts/build.sh"
mkdir -p "$out"
export QUENLO_WINEARCH=win64
. "$root/scripts/wine-env.sh" "$build/win64"
trap wine_env_cleanup EXIT
QUENLO_SCREENSHOTS="Z:${out//\//\\}" \
  "$QUENLO_WINE" "$build/win64/quenlo_e2e.exe" --gtest_filter='Screenshots.*' >"$out/log.txt" 2>&1
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$out"/*.png
