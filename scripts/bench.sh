#!/usr/bin/env bash
# Runs the benchmarks and rewrites the results in bench/NOTES.md:
#
#   bash scripts/bench.sh
#
# 1. builds the program and the benchmarks (scripts/build.sh, into $QUENLO_BUILD, default
#    build/): the PE32 build under wine32 wherever the kernel runs 32-bit code, else the PE32+
#    build under wine64 (Wine would run PE32 only through an emulator);
# 2. writes GBK test files of 1, 5, 20 and 32 MB (the largest that opens) into
#    $QUENLO_BUILD/bench-data (kept between runs);
# 3. with its own Xvfb and prefix (scripts/wine-env.sh), runs bench/paint_bench (start-up and
#    repaint cost of the background picture) and bench/notepad_bench (Quenlo against Wine's
#    notepad: start-up in turns, open, save, memory, repaint frames, raw Win32 floors, and
#    keystrokes in 1, 5 and 20 MB and zoom and font sizes in 5 MB against notepad);
# 4. replaces the part of bench/NOTES.md between the "bench:begin" and "bench:end" markers
#    ("bench-typing:" for a typing-only run, "bench-opens:" for an opens-only one).
#
# BENCH_RUNS (default 5) and BENCH_BIG_RUNS (default 2) set the runs per figure, BENCH_START_RUNS
# (default 31) the start-ups in turns; BENCH_START_ONLY=1 measures start-up alone and
# BENCH_BASELINE=path/Quenlo.exe adds another build to its turns and to the typing and zoom
# figures. BENCH_TURNS (default 7) sets the keystrokes per place and program, BENCH_ZOOM_TURNS
# (default 3, 0 for none) the zoom and font-size changes; BENCH_TYPING_ONLY=1 measures those
# alone, into a section of its own. BENCH_OPENS_ONLY=1 opens and saves the 1 and 20 MB files in
# Quenlo, the baseline and notepad in turns, BENCH_RUNS times (fresh processes), with each
# one's peak working set and its slowest answer to other programs during the open, into a
# section of its own. The logs stay in $QUENLO_BUILD/bench-results. The full run takes most of
# an hour on 2 cores, most of it loading the 32 and 20 MB files into the edit controls. Not
# part of scripts/test.sh: benchmarks are not tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
runs=${BENCH_RUNS:-5}
big_runs=${BENCH_BIG_RUNS:-2}
start_runs=${BENCH_START_RUNS:-31}
. "$root/scripts/lib.sh"

if kernel_runs_32bit; then
  folder=win
  export QUENLO_WINEARCH=win32
  setting="wine32 running the PE32 build that ships (the kernel runs 32-bit code)"
else
  folder=win64
  export QUENLO_WINEARCH=win64
  setting="wine64 running the PE32+ build: the kernel lacks ia32 emulation, so the PE32 build
  cannot run here"
fi
bash "$root/scripts/setup.sh" run
QUENLO_BUILD=$build bash "$root/scripts/build.sh" "$folder:Quenlo,paint_bench,notepad_bench"

data=$build/bench-data
results=$build/bench-results
run=$build/bench-run # Quenlo writes its backup file beside itself
mkdir -p "$results"
rm -rf "$run" && mkdir -p "$run"
cp "$build/$folder/Quenlo.exe" "$run/"
extra=()
if [ -n "${BENCH_BASELINE:-}" ]; then
  mkdir -p "$run/baseline"
  cp "$BENCH_BASELINE" "$run/baseline/Quenlo.exe"
  extra=(--baseline "$run/baseline/Quenlo.exe")
fi
if [ "${BENCH_START_ONLY:-}" = 1 ]; then
  extra+=(--start-only)
elif [ "${BENCH_TYPING_ONLY:-}" = 1 ]; then
  extra+=(--typing-only)
  python3 "$root/bench/make_text.py" "$data" 1 5 20
elif [ "${BENCH_OPENS_ONLY:-}" = 1 ]; then
  extra+=(--opens-only)
  python3 "$root/bench/make_text.py" "$data" 1 5 20
else
  python3 "$root/bench/make_text.py" "$data" 1 5 20 32
fi

zoom=(--zoom "$data/text-5mb.txt" --zoom-turns "${BENCH_ZOOM_TURNS:-3}")
[ "${BENCH_ZOOM_TURNS:-}" = 0 ] && zoom=()

cd "$root"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh" "$build/$folder"
trap wine_env_cleanup EXIT

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "bench: paint_bench" >&2
"$QUENLO_WINE" "$build/$folder/paint_bench.exe" "$build/$folder/assets/background.jpg" --naive \
  --app "$run/Quenlo.exe" >"$results/paint.txt" 2>&1
echo "bench: notepad_bench (many minutes)" >&2
"$QUENLO_WINE" "$build/$folder/notepad_bench.exe" --quenlo "$run/Quenlo.exe" --notepad notepad.exe \
  --files "$data/text-1mb.txt,$data/text-20mb.txt" --big "$data/text-32mb.txt" \
  --runs "$runs" --big-runs "$big_runs" --start-runs "$start_runs" "${extra[@]}" \
  --typing "$data/text-1mb.txt,$data/text-5mb.txt,$data/text-20mb.txt" --turns "${BENCH_TURNS:-7}" \
  "${zoom[@]}" \
  --out "$results/table.md" >"$results/notepad.txt" 2>&1
wine_version=$("$QUENLO_WINE" --version)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
wine_env_cleanup
trap - EXIT

# A typing-only run has a section of its own, so that the full run's figures stay.
marker=bench
[ "${BENCH_TYPING_ONLY:-}" = 1 ] && marker=bench-typing
[ "${BENCH_OPENS_ONLY:-}" = 1 ] && marker=bench-opens
section=$results/section.md
{
  echo "<!-- $marker:begin (written by scripts/bench.sh; edit outside these markers) -->"
  echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC'):"
  echo
  echo "- CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
  echo "- $wine_version, $setting; kernel $(uname -r)"
  echo "- Xvfb 1280x800x24, Wine virtual desktop, LANG=zh_CN.UTF-8 (code page 936)"
  if [ "${BENCH_START_ONLY:-}" = 1 ]; then
    echo "- start-ups only (BENCH_START_ONLY=1): $start_runs in turns"
  elif [ "${BENCH_TYPING_ONLY:-}" = 1 ]; then
    echo "- keystrokes and zoom only (BENCH_TYPING_ONLY=1): ${BENCH_TURNS:-7} keystrokes per place"
    echo "  and program, ${BENCH_ZOOM_TURNS:-3} zoom and font-size changes each, in turns"
  elif [ "${BENCH_OPENS_ONLY:-}" = 1 ]; then
    echo "- opens only (BENCH_OPENS_ONLY=1): $runs opens of each file and program, in turns"
  else
    echo "- runs per figure: $runs ($big_runs for the 32 MB file); start-ups: $start_runs in turns"
  fi
  echo "- load average before / after: $load_before / $load_after (other work on the 2 cores"
  echo "  slows both programs alike, but compare figures only within one run)"
  echo
  runs_are=Quenlo/Notepad
  [ "${BENCH_OPENS_ONLY:-}" = 1 ] && runs_are=Quenlo/baseline/Notepad
  echo "Side by side (median ms unless stated; runs = $runs_are):"
  echo
  cat "$results/table.md"
  echo
  echo "Background picture (bench/paint_bench, in-process window of the same picture):"
  echo
  echo '```'
  cat "$results/paint.txt"
  echo '```'
  echo "<!-- $marker:end -->"
} >"$section"

notes=$root/bench/NOTES.md
if [ -f "$notes" ] && grep -q "<!-- $marker:begin" "$notes"; then
  python3 - "$notes" "$section" "$marker" <<'EOF'
import re, sys
notes, section, m = sys.argv[1], open(sys.argv[2]).read().rstrip("\n"), sys.argv[3]
text = open(notes).read()
text = re.sub(rf"<!-- {m}:begin.*?<!-- {m}:end -->", lambda _: section, text, flags=re.S)
open(notes, "w").write(text)
EOF
else
  cat "$section" >>"$notes"
fi
echo "bench: results in $notes (logs in $results)" >&2
