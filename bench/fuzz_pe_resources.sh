#!/bin/sh
# Fuzzes the PE resource reader and writer (fuzz_pe_resources.cc) with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, starting from images of the mingw-w64 toolchain.
#   bench/fuzz_pe_resources.sh [SECONDS [WORK_FOLDER]]   (default 300 s, build-fuzz)
# The corpus stays in WORK_FOLDER/corpus for the next run; crashes land in WORK_FOLDER.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
work=${2:-$root/build-fuzz}
command -v clang++ >/dev/null ||
  { echo "fuzz_pe_resources.sh: needs clang (apt-get install clang)" >&2; exit 2; }
mkdir -p "$work/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/bench/fuzz_pe_resources.cc" "$root/src/standins/pe_resources.cc" \
  "$root/src/foundation/utf8.cc" -o "$work/fuzz_pe_resources"
if [ -z "$(ls -A "$work/corpus")" ]; then
  "$root/tests/rsrc/make-samples.sh" --layouts "$work/corpus"
fi
cd "$work"
exec ./fuzz_pe_resources -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus
