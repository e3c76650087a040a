#!/usr/bin/env bash
# Builds everything, then runs every test: the host tests under sanitizers, a bounded fuzz
# run of each fuzz target, and the Windows tests and end-to-end tests under Wine + Xvfb.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
fuzz_seconds=${QUENLO_FUZZ_SECONDS:-20}

bash "$root/scripts/build.sh"

echo "== host tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --test-dir "$build/host" --output-on-failure

echo "== fuzzing, ${fuzz_seconds}s per target"
CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DQUENLO_FUZZ=ON >/dev/null
cmake --build "$build/fuzz"
for target in "$build"/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="$build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "$corpus" 2>"$build/fuzz/$name.log" || { tail -50 "$build/fuzz/$name.log"; exit 1; }
  echo "$name: $(ls "$corpus" | wc -l) corpus inputs, no crash"
done

echo "== Windows and end-to-end tests (PE32+ build) under wine64"
status=0
bash "$root/scripts/wine-tests.sh" "$build" || status=$?
if [ "$status" = 3 ]; then
  echo "WINE COULD NOT START A PROGRAM: the Windows tests did not run" >&2
fi
exit "$status"
