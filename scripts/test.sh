#!/usr/bin/env bash
# Installs what is missing, builds, then runs every test: the host tests under sanitizers, a
# bounded fuzz run of each fuzz target, and the Windows tests and end-to-end tests under Wine
# and Xvfb. Those run on the PE32 build that ships (build/win, wine32) wherever the kernel runs
# 32-bit code. Elsewhere they run on the PE32+ build of the same sources (build/win64, wine64),
# and the PE32 program is then started once through the qemu-i386 emulator, on the 32-bit side
# of a 64-bit Wine prefix, and driven as a user would (scripts/pe32-smoke.sh).
# QUENLO_KERNEL_RUNS_32BIT=0 takes that second path on any machine (the PE32 program then runs
# natively unless 32-bit programs are routed to qemu); QUENLO_TEST_PLAN=1 only prints the plan.
# Builds and package installs log to $QUENLO_BUILD/test.log; its end is shown on a failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
fuzz_seconds=${QUENLO_FUZZ_SECONDS:-20}
. "$root/scripts/lib.sh"

if kernel_runs_32bit; then
  parts=(host fuzz win)
  folder=win wine=wine32 smoke=0
  why="this kernel runs 32-bit code"
else
  parts=(host fuzz win64 win:Quenlo)
  folder=win64 wine=wine64 smoke=1
  why="this kernel runs no 32-bit code; the PE32 program is started once through the emulator"
  [ "${QUENLO_KERNEL_RUNS_32BIT:-}" = 0 ] &&
    why="QUENLO_KERNEL_RUNS_32BIT=0, as where the kernel runs no 32-bit code; the PE32 program is then started once"
fi
kind=$([ $folder = win ] && echo PE32 || echo PE32+)
plan="Windows and end-to-end tests on the $kind build ($build/$folder) under $wine: $why"
if [ "${QUENLO_TEST_PLAN:-}" = 1 ]; then
  echo "build: ${parts[*]}"
  echo "$plan"
  [ $smoke = 0 ] || echo "PE32 smoke test: $build/win/Quenlo.exe under wine64's 32-bit side"
  exit 0
fi

mkdir -p "$build"
log=$build/test.log
: >"$log"
say "installing what is missing (details in $log)"
quietly "$log" bash "$root/scripts/setup.sh" test
say "building ${parts[*]}"
quietly "$log" env QUENLO_BUILD="$build" bash "$root/scripts/build.sh" "${parts[@]}"

say "host tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ctest --test-dir "$build/host" --output-on-failure

say "fuzzing, ${fuzz_seconds}s per target"
for target in "$build"/fuzz/*_fuzz; do
  [ -f "$target" ] && [ -x "$target" ] || continue  # not the corpus-*_fuzz folders
  name=$(basename "$target")
  corpus="$build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/corpus/${name%_fuzz}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -print_final_stats=0 \
    "$corpus" 2>"$build/fuzz/$name.log" || { tail -50 "$build/fuzz/$name.log"; exit 1; }
  echo "$name: $(ls "$corpus" | wc -l) corpus inputs, no crash"
done

say "$plan"
status=0
bash "$root/scripts/wine-tests.sh" "$build/$folder" || status=$?
if [ "$status" = 3 ]; then
  echo "WINE COULD NOT START A PROGRAM: the Windows tests did not run" >&2
fi
if [ $smoke = 1 ] && [ "$status" != 3 ]; then
  how="through the qemu-i386 emulator"
  # A registered qemu-i386 handler takes 32-bit programs even where the kernel could run them.
  QUENLO_KERNEL_RUNS_32BIT='' kernel_runs_32bit &&
    ! grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null &&
    how="natively: this kernel runs 32-bit code; QUENLO_KERNEL_RUNS_32BIT=0 chose this path"
  say "PE32 smoke test: $build/win/Quenlo.exe under wine64's 32-bit side, $how"
  bash "$root/scripts/pe32-smoke.sh" "$build" || status=$?
fi
say "done"
exit "$status"
