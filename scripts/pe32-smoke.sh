#!/usr/bin/env bash
# Starts the PE32 program that ships once and drives it as a user would: its window comes up,
# text is typed, Ctrl+S saves, Esc closes, the exit code is 0 and the backup file holds the
# typed bytes (tests/e2e/smoke_e2e_test.cpp).
#
#   bash scripts/pe32-smoke.sh BUILD      (BUILD/win/Quenlo.exe, driven from BUILD/win64)
#
# For kernels that run no 32-bit code. The program runs as 64-bit Windows runs it, on the
# 32-bit side of a 64-bit Wine prefix: Wine's services, its desktop and the PE32+ test driver
# stay native, and only the program itself goes through the qemu-i386 emulator (registered by
# scripts/setup.sh). The whole of it, a first boot of the prefix included, is bounded by
# QUENLO_PE32_SMOKE_SECONDS (default 1200). Exit 0 passed, 1 failed, 124 out of time.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=${QUENLO_PE32_SMOKE_SECONDS:-1200}
folder=$build/pe32-smoke
mkdir -p "$folder"
log=$folder/pe32-smoke.log

start=$(date +%s)
status=0
timeout --kill-after=30 "$seconds" bash -c '
  trap "exit 124" TERM
  export QUENLO_WINEARCH=wow64
  . "$1/scripts/wine-env.sh" "$2/pe32-smoke" || exit 1
  trap wine_env_cleanup EXIT
  trap "wine_env_cleanup; exit 124" TERM
  . "$1/scripts/lib.sh"
  QUENLO_E2E_PROGRAM=$(windows_path "$2/win/Quenlo.exe") \
    "$QUENLO_WINE" "$2/win64/quenlo_e2e.exe" --gtest_filter="SmokeE2E.*" &
  wait $!
' smoke "$root" "$build" >"$log" 2>&1 || status=$?
elapsed=$(($(date +%s) - start))
if [ "$status" = 0 ] && grep -q '\[  PASSED  \] 1 test' "$log"; then
  echo "PE32 smoke test passed in ${elapsed}s (bound ${seconds}s)"
  exit 0
fi
cat "$log"
if [ "$status" = 124 ]; then
  echo "PE32 SMOKE TEST OUT OF TIME after ${elapsed}s (bound ${seconds}s)" >&2
  exit 124
fi
echo "PE32 SMOKE TEST FAILED after ${elapsed}s" >&2
exit 1
