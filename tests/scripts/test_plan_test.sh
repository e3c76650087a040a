#!/usr/bin/env bash
# The test command's choice of build: the PE32 program that ships is what the Windows and
# end-to-end tests run wherever the kernel runs 32-bit code; elsewhere the PE32+ build runs
# them and the PE32 program is still built and started once. Run by ctest in the host build.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=0

plan() { QUENLO_TEST_PLAN=1 QUENLO_BUILD=/b QUENLO_KERNEL_RUNS_32BIT=$1 bash "$root/scripts/test.sh"; }

expect() {  # description, plan text, pattern, wanted (1 present, 0 absent)
  local found=0
  grep -qE -- "$3" <<<"$2" && found=1
  if [ "$found" != "$4" ]; then
    echo "FAILED: $1" >&2
    echo "$2" >&2
    failures=$((failures + 1))
  fi
}

native=$(plan 1)
expect "32-bit kernel: the PE32 build is built" "$native" '^build: .*\bwin\b' 1
expect "32-bit kernel: no PE32+ build" "$native" 'win64' 0
expect "32-bit kernel: tests on the PE32 build under wine32" "$native" \
  '^Windows and end-to-end tests on the PE32 build \(/b/win\) under wine32' 1
expect "32-bit kernel: no separate smoke test" "$native" 'smoke' 0

emulated=$(plan 0)
expect "64-bit-only kernel: both builds" "$emulated" '^build: .*\bwin64\b.*\bwin:Quenlo\b' 1
expect "64-bit-only kernel: tests on the PE32+ build under wine64" "$emulated" \
  '^Windows and end-to-end tests on the PE32\+ build \(/b/win64\) under wine64' 1
expect "64-bit-only kernel: the PE32 program is started once" "$emulated" \
  "^PE32 smoke test: /b/win/Quenlo.exe under wine64's 32-bit side" 1

[ "$failures" = 0 ] && echo "test plan: all checks passed"
exit "$failures"
