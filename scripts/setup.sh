#!/usr/bin/env bash
# Installs what is missing on a Debian bookworm machine:
#
#   bash scripts/setup.sh [run|test]
#
# run: what scripts/run.sh needs to build and start the one Windows build it starts (PE32, or
# PE32+ where the kernel runs no 32-bit code): the cross compiler, the build tools and Wine.
# test (the default): everything the builds and the tests need as well.
# Cheap when everything is present: it only asks dpkg.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib.sh"
purpose=${1:-test}

common=(cmake ninja-build nasm dpkg-dev python3 g++ libz-mingw-w64-dev libjpeg-turbo-progs
  xvfb xauth locales fonts-wqy-microhei fonts-wine)
pe32=(g++-mingw-w64-i686 wine wine32:i386)
pe32plus=(g++-mingw-w64-x86-64 wine wine64)
testing=(clang libclang-rt-14-dev googletest libjpeg62-turbo-dev libpng-dev
  x11-utils xdotool imagemagick)

packages=("${common[@]}")
if kernel_runs_32bit; then
  packages+=("${pe32[@]}")
elif [ "$purpose" = run ]; then
  packages+=("${pe32plus[@]}")
else
  # The tests run on PE32+; the PE32 program is started once through the emulator.
  packages+=("${pe32plus[@]}" "${pe32[@]}" qemu-user-static)
fi
case $purpose in
  run) ;;
  test) packages+=("${testing[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

enable_deb_src() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ] && ! grep -q '^Types:.*deb-src' "$f"; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    return 0
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list &&
     ! grep -q '^deb-src ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee -a /etc/apt/sources.list >/dev/null
    return 0
  fi
  return 1
}

# The image libraries are built from Debian's sources (scripts/deps.sh).
need_update=0
enable_deb_src && need_update=1
if printf '%s\n' "${packages[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  as_root apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Some kernels here are booted with ia32 emulation off, so no 32-bit x86 code runs
# natively (neither 32-bit ELF nor a 32-bit code segment). qemu's user-mode emulator
# then runs wine32 through binfmt_misc, for the tests' one start of the PE32 program.
# Not persistent: run this after every boot.
can_run_i386() {
  local probe
  probe=$(mktemp)
  # A 91-byte static i386 ELF that calls exit(0).
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00'\
'\x00\x10\x00\x00\x31\xdb\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  return "$rc"
}

if [ "$purpose" = test ] && ! can_run_i386; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e $binfmt/register ] || as_root mount -t binfmt_misc binfmt_misc $binfmt
  if [ ! -e $binfmt/qemu-i386 ]; then
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      as_root tee $binfmt/register >/dev/null
  fi
  can_run_i386 || { echo "setup: 32-bit x86 programs still cannot run" >&2; exit 1; }
  echo "setup: 32-bit x86 programs run through qemu-i386 (kernel has ia32 emulation off)"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
fi
