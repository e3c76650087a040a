#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine with the Chinese code
# page. Builds only what it starts: the image libraries, the form compiler and Quenlo.exe, the
# PE32 build, or where the kernel runs no 32-bit code (Wine would run the PE32 program only
# through an emulator, minutes per start) the PE32+ build of the same sources. Says what it is
# doing in a few lines; the details go to $QUENLO_BUILD/run.log, whose end is shown when a step
# fails. Uses the current X display when there is one, otherwise a private Xvfb (take a look
# with `import -window root shot.png`).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
. "$root/scripts/lib.sh"
mkdir -p "$build"
log=$build/run.log
: >"$log"

if kernel_runs_32bit; then
  folder=win arch=i686 kind=PE32
else
  folder=win64 arch=x86_64 kind="PE32+ (this kernel runs no 32-bit code)"
  export QUENLO_WINEARCH=win64
fi

say "checking the packages the build needs (details in $log)"
quietly "$log" bash "$root/scripts/setup.sh" run
if ! bash "$root/scripts/deps.sh" --check "$build/$folder" "$arch"; then
  say "building the image libraries libjpeg-turbo and libpng (first run only, a minute or two)"
  quietly "$log" bash "$root/scripts/deps.sh" "$build/$folder" "$arch"
fi
say "building Quenlo.exe, $kind, in $build/$folder"
quietly "$log" env QUENLO_BUILD="$build" bash "$root/scripts/build.sh" "$folder:Quenlo"

[ -n "${DISPLAY:-}" ] && export QUENLO_KEEP_DISPLAY=1
[ -f "$build/$folder/wineprefix/.quenlo-initialised" ] ||
  say "preparing Wine (first run only, about a minute)"
. "$root/scripts/wine-env.sh" "$build/$folder" >>"$log" 2>&1 || {
  echo "---- the last lines of $log:" >&2
  tail -n 40 "$log" >&2
  exit 1
}
trap wine_env_cleanup EXIT
say "Quenlo is running on display $DISPLAY (close its window to end)"
"$QUENLO_WINE" "$build/$folder/Quenlo.exe"
