#!/usr/bin/env bash
# Runs the Windows test binaries of the PE32+ build under wine64 + Xvfb.
# Exit 0 all passed, 1 a test failed, 3 Wine cannot run programs here (the smoke test of the
# environment did not pass in time), so that callers can tell a broken Wine from a failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$1
tests=$build/win64
smoke_seconds=${QUENLO_WINE_SMOKE_SECONDS:-600}

export QUENLO_WINEARCH=win64
. "$root/scripts/wine-env.sh" "$tests" || exit 3
trap wine_env_cleanup EXIT

if ! timeout "$smoke_seconds" "${QUENLO_WINE:-wine}" "$tests/quenlo_tests.exe" \
     --gtest_filter='Environment.*' >"$tests/wine-smoke.log" 2>&1; then
  cat "$tests/wine-smoke.log" >&2
  exit 3
fi
ctest --test-dir "$tests" --output-on-failure --timeout "${QUENLO_WINE_TEST_SECONDS:-3600}" || exit 1
