#!/usr/bin/env bash
# Builds Quenlo and starts it under Wine with the Chinese code page. Uses the current X display
# when there is one, otherwise a private Xvfb (take a look with `import -window root shot.png`).
# Where the kernel cannot run 32-bit code, Wine would run the PE32 program only through an
# emulator, minutes per start; the PE32+ build of the same sources is started instead.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}

# A 32-bit system call from a 64-bit process works only with the kernel's IA-32 support.
kernel_runs_32bit() {
  python3 - <<'PY' >/dev/null 2>&1
import ctypes, mmap
code = mmap.mmap(-1, 4096, prot=mmap.PROT_READ | mmap.PROT_WRITE | mmap.PROT_EXEC)
code.write(bytes([0xB8, 20, 0, 0, 0, 0xCD, 0x80, 0xC3]))  # mov eax, getpid; int 0x80; ret
ctypes.CFUNCTYPE(ctypes.c_int)(ctypes.addressof(ctypes.c_char.from_buffer(code)))()
PY
}

bash "$root/scripts/build.sh"
[ -n "${DISPLAY:-}" ] && export QUENLO_KEEP_DISPLAY=1
if kernel_runs_32bit; then
  program=$build/win/Quenlo.exe
  . "$root/scripts/wine-env.sh" "$build/win"
else
  echo "This kernel runs no 32-bit code: starting the PE32+ build of the same sources."
  program=$build/win64/Quenlo.exe
  export QUENLO_WINEARCH=win64
  . "$root/scripts/wine-env.sh" "$build/win64"
fi
trap wine_env_cleanup EXIT
echo "Quenlo is running on display $DISPLAY (close its window to end)."
"$QUENLO_WINE" "$program"
