#!/bin/sh
# Times the Linux program's COPY beside `cp -r` on the same data in the same run: a tree
# of 10,000 small files (100 folders of 100) and one 1 GiB file, each copied to a new
# target and then again over the target it made (every file replaced, which the updater
# syncs before putting in place). Not a test.
#   bench/copy_tree.sh [PROGRAM] [PARENT_FOLDER] [ROUNDS]
# PROGRAM defaults to build/native/updater; the data goes to a temporary folder under
# PARENT_FOLDER (default $TMPDIR or /tmp) and is removed at the end. Every copy starts
# with its target absent and with the source in the page cache, for both tools alike.
set -eu
program=$(realpath "${1:-build/native/updater}")
parent=${2:-${TMPDIR:-/tmp}}
rounds=${3:-3}
work=$(mktemp -d "$parent/copy-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

cp "$program" "$work/updater"
mkdir "$work/tree"
for d in $(seq 0 99); do
  mkdir "$work/tree/d$d"
  for f in $(seq 0 99); do echo "file $d/$f" >"$work/tree/d$d/f$f.txt"; done
done
head -c 1073741824 /dev/urandom >"$work/big.bin"
cat >"$work/updater.ini" <<'INI'
[UPDATER]
NAME=Bench
PROC=Copy

[Copy]
MODE=COPY
FROM=<Src>\source
TO=<Src>\target
INI

now() { date +%s.%N; }
# race WHAT CP-COMMAND...: the updater's COPY, then the cp command, each after a sync.
race() {
  what=$1
  shift
  sync
  start=$(now)
  UPDATER_UNATTENDED="$work/boxes.jsonl" "$work/updater" || { echo "COPY failed" >&2; exit 1; }
  middle=$(now)
  sync
  start_cp=$(now)
  "$@"
  end=$(now)
  [ ! -s "$work/boxes.jsonl" ] || { cat "$work/boxes.jsonl" >&2; exit 1; }
  echo "$start $middle $start_cp $end" | awk -v what="$what" \
    '{ printf "%-34s COPY %7.3f s   cp -r %7.3f s\n", what, $2 - $1, $4 - $3 }'
}
# run SOURCE WHAT: to a clean target, then again over what each tool made.
run() {
  rm -rf "$work/source" "$work/target" "$work/target-cp"
  mv "$work/$1" "$work/source"
  cat "$work/source" >/dev/null 2>&1 || find "$work/source" -type f -exec cat {} + >/dev/null
  race "$2" cp -r "$work/source" "$work/target-cp"
  cmp -s "$work/source" "$work/target" 2>/dev/null || diff -r "$work/source" "$work/target" >/dev/null
  race "$2, replacing" cp -rT "$work/source" "$work/target-cp"
  mv "$work/source" "$work/$1"
}

echo "$(nproc) cores, $(df -T "$work" | awk 'NR == 2 { print $2 }') file system, $rounds rounds"
for i in $(seq "$rounds"); do
  run tree "10,000 small files"
  run big.bin "1 GiB file"
done
