#!/usr/bin/env bash
# Measures how a file's encoding is chosen (bench/encoding_bench.cpp): the share of a labelled
# set of short and long texts each rule gets right, and the time to choose for 20 MB files.
#
#   bash scripts/encoding-bench.sh [REF]
#
# Natively, with glibc's CP936 standing in for the system's code page: installs what is missing
# (libuchardet-dev, fortunes-zh, python3-jieba), takes uchardet's test corpus from its Debian
# source package, builds the program with -O2 and runs it. With REF (a commit, such as main),
# the 20 MB times are measured again with runtime/document_encoding.* as they were there.
# ENCODING_BENCH_WINE=1 also runs the program as a PE32+ program under wine64, with the
# system's own code page 936, in process (and, with REF, the code of REF). Output in
# $QUENLO_BUILD/encoding-bench. Not a test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUENLO_BUILD:-$root/build}
out=$build/encoding-bench
mkdir -p "$out"
. "$root/scripts/lib.sh"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for p in g++ dpkg-dev libuchardet-dev fortunes-zh python3-jieba; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  as_root apt-get install -y -q "${missing[@]}" >"$out/apt.log" 2>&1
fi
if [ ! -d "$out/uchardet" ]; then
  say "fetching uchardet's source package for its test corpus"
  (cd "$out" && apt-get source -q uchardet >"$out/source.log" 2>&1)
  mv "$out"/uchardet-*/ "$out/uchardet"
fi

compile() {  # output, folder with runtime/document_encoding.*
  g++ -O2 -std=c++20 -DQUENLO_UCHARDET -I"$2" -I"$root" "$root/bench/encoding_bench.cpp" \
    "$2/runtime/document_encoding.cpp" -luchardet -o "$1"
}
say "building and running the native program"
compile "$out/encoding_bench" "$root"
"$out/encoding_bench" --uchardet-tests "$out/uchardet/test" | tee "$out/native.txt"

if [ $# -gt 0 ]; then
  say "the 20 MB times with the code of $1"
  rm -rf "$out/baseline" && mkdir -p "$out/baseline/runtime"
  for f in document_encoding.h document_encoding.cpp; do
    git -C "$root" show "$1:runtime/$f" >"$out/baseline/runtime/$f"
  done
  compile "$out/encoding_bench-baseline" "$out/baseline"
  "$out/encoding_bench-baseline" --time-only | tee "$out/native-baseline.txt"
fi

if [ "${ENCODING_BENCH_WINE:-}" = 1 ]; then
  say "building the PE32+ programs and running them under wine64"
  compile_win() {  # output, folder with runtime/document_encoding.*
    x86_64-w64-mingw32-g++-posix -O2 -std=c++20 -static -I"$2" -I"$root" \
      "$root/bench/encoding_bench.cpp" "$2/runtime/document_encoding.cpp" \
      "$root/runtime/system_code_page.cpp" -o "$1"
  }
  compile_win "$out/encoding_bench.exe" "$root"
  [ $# -eq 0 ] || compile_win "$out/encoding_bench-baseline.exe" "$out/baseline"
  export QUENLO_WINEARCH=win64
  . "$root/scripts/wine-env.sh" "$out"
  trap wine_env_cleanup EXIT
  # The labelled set but for uchardet's corpus, which is taken to UTF-8 with iconv.
  "$QUENLO_WINE" "$out/encoding_bench.exe" --samples 500 --fortunes 'Z:\usr\share\games\fortunes' \
    --jieba 'Z:\usr\lib\python3\dist-packages\jieba\dict.txt' | tee "$out/wine64.txt"
  [ $# -eq 0 ] || "$QUENLO_WINE" "$out/encoding_bench-baseline.exe" --time-only |
    tee "$out/wine64-baseline.txt"
fi
