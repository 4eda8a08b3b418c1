#!/bin/sh
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# (build/fuzz) and runs each for a bounded time, one after another, from the seeds in
# tests/fuzz/corpus/<target> and the inputs of past findings in tests/fuzz/regressions/<target>.
#   tests/fuzz/run.sh [-t SECONDS] [TARGET...]   (default: every target, 60 s each)
# What a run adds to the corpus stays in build/fuzz/corpus/<target> for the next run. Fails
# when a target finds a crash, a leak, undefined behaviour, a broken check or an input that
# takes over 10 s; the input is kept as build/fuzz/findings/<target>-crash-... and the
# target's output in build/fuzz/logs/<target>.log. To replay an input:
#   build/fuzz/fuzz/<target>_fuzz INPUT
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=60
if [ "${1:-}" = -t ]; then
  seconds=$2
  shift 2
fi
targets=${*:-"text_string ini_file symbols load_script regedit_file command_line pe_resources shell_link"}
build=$root/build/fuzz

command -v clang++ >/dev/null ||
  { echo "run.sh: needs clang (scripts/install-deps.sh installs it)" >&2; exit 2; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DUPDATER_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers

mkdir -p "$build/findings" "$build/logs"
# Reports name source lines; a leak or undefined behaviour is a crash like any other.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
failed=""
for target in $targets; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  set -- "$corpus" "$root/tests/fuzz/corpus/$target"
  [ -d "$root/tests/fuzz/regressions/$target" ] && set -- "$@" "$root/tests/fuzz/regressions/$target"
  max_len=4096
  [ "$target" = pe_resources ] && max_len=16384
  log=$build/logs/$target.log
  status=0
  "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$@" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    printf '%-14s %10s runs in %s s\n' "$target" "${runs:-?}" "$seconds"
  else
    printf '%-14s FAILED (exit %s); log: %s\n' "$target" "$status" "$log"
    grep -E 'ERROR|runtime error|check failed|Test unit written' "$log" | head -n 5 | sed 's/^/    /'
    failed="$failed $target"
  fi
done
if [ -n "$failed" ]; then
  echo "fuzz targets that found a fault:$failed"
  exit 1
fi
