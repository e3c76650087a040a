#!/usr/bin/env bash
# Builds Quenlo and starts it under Wine with the Chinese code page. Uses the current X display
# when there is one, otherwise a private Xvfb (take a look with `import -window root shot.png`).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}

bash "$root/scripts/build.sh"
[ -n "${DISPLAY:-}" ] && export QUENLO_KEEP_DISPLAY=1
. "$root/scripts/wine-env.sh" "$build"
trap wine_env_cleanup EXIT
echo "Quenlo is running on display $DISPLAY (close its window to end)."
wine "$build/win/Quenlo.exe"
