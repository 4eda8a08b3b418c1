#!/bin/sh
# Loads and runs scripts of N procedures with the Linux program and prints the time of
# each run, to show how the run grows with the script's size.
#   bench/many_procedures.sh [PROGRAM] [N...]     (default: build/native/updater 1000 10000)
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
  start=$(date +%s.%N)
  UPDATER_UNATTENDED="$dir/boxes.jsonl" "$dir/updater"
  end=$(date +%s.%N)
  boxes=$(cat "$dir/boxes.jsonl" 2>/dev/null | wc -l)
  awk -v n="$n" -v s="$start" -v e="$end" -v b="$boxes" 'BEGIN { printf "%6d procedures: %.3f s (%d boxes)\n", n, e - s, b }'
done
