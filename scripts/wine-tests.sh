#!/usr/bin/env bash
# Runs the Windows test binaries of one build folder under Wine + Xvfb:
#
#   bash scripts/wine-tests.sh BUILD/win     (PE32, under wine32)
#   bash scripts/wine-tests.sh BUILD/win64   (PE32+, under wine64)
#
# Exit 0 all passed, 1 a test failed, 3 Wine cannot run programs here (the smoke test of the
# environment did not pass in time), so that callers can tell a broken Wine from a failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tests=$1
smoke_seconds=${QUENLO_WINE_SMOKE_SECONDS:-600}

# The PE header's machine field picks the prefix kind: 0x8664 is x86-64.
pe_offset=$(od -An -tu4 -j60 -N4 "$tests/quenlo_tests.exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$tests/quenlo_tests.exe" | tr -d ' ')
if [ "$machine" = 8664 ]; then
  export QUENLO_WINEARCH=win64
else
  export QUENLO_WINEARCH=win32
fi
. "$root/scripts/wine-env.sh" "$tests" || exit 3
trap wine_env_cleanup EXIT

if ! timeout "$smoke_seconds" "${QUENLO_WINE:-wine}" "$tests/quenlo_tests.exe" \
     --gtest_filter='Environment.*' >"$tests/wine-smoke.log" 2>&1; then
  cat "$tests/wine-smoke.log" >&2
  exit 3
fi
ctest --test-dir "$tests" --output-on-failure --timeout "${QUENLO_WINE_TEST_SECONDS:-3600}" || exit 1
