#!/bin/sh
# Loads and runs scripts of N procedures with the Linux program and prints the time of
# each run, to show how the run grows with the script's size. With RUNS set, each size runs
# that many times under hyperfine (after two warm-up runs) and the median is printed, with
# /bin/true's median for scale.
#   bench/many_procedures.sh [PROGRAM] [N...]     (default: build/native/updater 1000 10000)
#   RUNS=5 bench/many_procedures.sh build/native/updater 1 10000 100000
set -eu
program=$(realpath "${1:-build/native/updater}")
shift || true
sizes=${*:-1000 10000}
work=$(mktemp -d "${TMPDIR:-/tmp}/updater-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for n in $sizes; do
  dir="$work/$n"
  mkdir -p "$dir"
  cp "$program" "$dir/updater"
  : > "$dir/present.txt"
  # A value holds at most 32,766 bytes, so the procedures come in groups of 100: the
  # UPDATER list runs a condition and one SWITCH per group, whose branch lists the group.
  # Every procedure has its own section, so every key is looked up among N sections.
  python3 - "$n" > "$dir/updater.ini" <<'PY'
import sys
n = int(sys.argv[1])
groups = [list(range(g, min(g + 100, n))) for g in range(0, n, 100)]
print("[UPDATER]\nNAME=bench\nPROC=Present," + ",".join(f"G{i}" for i in range(len(groups))))
print("[Present]\nMODE=EXIST\nFILE=<Src>\\present.txt\n")
for i, group in enumerate(groups):
    print(f"[G{i}]\nMODE=SWITCH\nPROC=Present\n0=\n1=" + ",".join(f"P{j}" for j in group) + "\n")
for j in range(n):
    print(f"[P{j}]\nMODE=EXIST\nFILE=<Src>\\present.txt\n")
PY
  if [ -n "${RUNS:-}" ]; then
    UPDATER_UNATTENDED="$dir/boxes.jsonl" hyperfine -N -w 2 -r "$RUNS" --prepare "rm -f $dir/boxes.jsonl" \
      --export-json "$dir/times.json" "$dir/updater" >/dev/null 2>&1
    median=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$dir/times.json")
    boxes=$(cat "$dir/boxes.jsonl" 2>/dev/null | wc -l)
    awk -v n="$n" -v m="$median" -v b="$boxes" 'BEGIN { printf "%6d procedures: %.4f s median (%d boxes)\n", n, m, b }'
    continue
  fi
  start=$(date +%s.%N)
  UPDATER_UNATTENDED="$dir/boxes.jsonl" "$dir/updater"
  end=$(date +%s.%N)
  boxes=$(cat "$dir/boxes.jsonl" 2>/dev/null | wc -l)
  awk -v n="$n" -v s="$start" -v e="$end" -v b="$boxes" 'BEGIN { printf "%6d procedures: %.3f s (%d boxes)\n", n, e - s, b }'
done
if [ -n "${RUNS:-}" ]; then
  hyperfine -N -w 2 -r "$RUNS" --export-json "$work/true.json" /bin/true >/dev/null 2>&1
  python3 -c 'import json, sys; print("   /bin/true: %.4f s median" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$work/true.json"
fi
