#!/usr/bin/env bash
# Starts the PE32 program that ships once under wine32 and drives it as a user would: its window
# comes up, text is typed, Ctrl+S saves, Esc closes, the exit code is 0 and the backup file holds
# the typed bytes (tests/e2e/smoke_e2e_test.cpp, run by the PE32 end-to-end driver).
#
#   bash scripts/pe32-smoke.sh BUILD/win
#
# For kernels that run no 32-bit code, where wine32 and every program under it runs through the
# qemu-i386 emulator (scripts/setup.sh registers it), so the whole of it, a first boot of the
# Wine prefix included, is bounded by QUENLO_PE32_SMOKE_SECONDS (default 1200). Exit 0 passed,
# 1 failed, 124 out of time.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
folder=$1
seconds=${QUENLO_PE32_SMOKE_SECONDS:-1200}
log=$folder/pe32-smoke.log

start=$(date +%s)
status=0
timeout --kill-after=30 "$seconds" bash -c '
  trap "exit 124" TERM
  export QUENLO_WINEARCH=win32
  . "$1/scripts/wine-env.sh" "$2" || exit 1
  trap wine_env_cleanup EXIT
  trap "wine_env_cleanup; exit 124" TERM
  "$QUENLO_WINE" "$2/quenlo_e2e.exe" --gtest_filter="SmokeE2E.*" &
  wait $!
' smoke "$root" "$folder" >"$log" 2>&1 || status=$?
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
