#!/bin/sh
# CRC of big files by the Linux program, not a test: its peak memory (RSS) on a 1 GiB file
# and its value on a sparse file of more than 4 GiB, each beside python3's zlib.crc32.
#   bench/crc.sh [PROGRAM] [PARENT_FOLDER]
# PROGRAM defaults to build/native/updater; the data goes to a temporary folder under
# PARENT_FOLDER (default $TMPDIR or /tmp) and is removed at the end.
set -eu
program=$(realpath "${1:-build/native/updater}")
parent=${2:-${TMPDIR:-/tmp}}
work=$(mktemp -d "$parent/crc-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cp "$program" "$work/updater"

# The script shows the file's CRC-32 in an information box, which unattended mode writes
# to the transcript.
cat >"$work/updater.ini" <<'INI'
[UPDATER]
NAME=Bench
PROC=Crc

[Crc]
MODE=CRC
FILE=<Src>\data.bin
TYPE=AND
CRC=
INI

# measure: prints "crc seconds peak_kib" for the updater on data.bin.
measure() {
  rm -f "$work/boxes.jsonl"
  UPDATER_UNATTENDED="$work/boxes.jsonl" /usr/bin/time -f "%e %M" -o "$work/time.txt" "$work/updater"
  crc=$(python3 -c 'import json,sys; print(json.loads(open(sys.argv[1]).readline())["text"].split("0x")[-1].lower())' "$work/boxes.jsonl")
  echo "$crc $(cat "$work/time.txt")"
}
# zlib: prints "crc seconds peak_kib" for python3's zlib.crc32 over the same file, read
# in 1 MiB pieces.
zlib() {
  /usr/bin/time -f "%e %M" -o "$work/time.txt" python3 -c '
import sys, zlib
crc = 0
with open(sys.argv[1], "rb") as f:
    for piece in iter(lambda: f.read(1 << 20), b""):
        crc = zlib.crc32(piece, crc)
print("%08x" % crc)' "$work/data.bin" >"$work/zlib.txt"
  echo "$(cat "$work/zlib.txt") $(cat "$work/time.txt")"
}
compare() {
  u=$(measure); z=$(zlib)
  echo "$1"
  echo "  updater CRC: 0x${u%% *}  $(echo "$u" | awk '{ printf "%.2f s, peak RSS %d KiB", $2, $3 }')"
  echo "  zlib.crc32:  0x${z%% *}  $(echo "$z" | awk '{ printf "%.2f s, peak RSS %d KiB", $2, $3 }')"
  [ "${u%% *}" = "${z%% *}" ] && echo "  same value" || { echo "  VALUES DIFFER" >&2; exit 1; }
}

head -c 1073741824 /dev/urandom >"$work/data.bin"
cat "$work/data.bin" >/dev/null
compare "1 GiB of random bytes (in the page cache)"

# Sparse: 4 GiB + 4 KiB, with data at the start, across the 4 GiB mark and at the end, so
# that a size or CRC cut to 32 bits would show. Read once before, as the first reader
# fills the page cache with the zeros of the holes.
rm "$work/data.bin"
truncate -s $((4 * 1024 * 1024 * 1024 + 4096)) "$work/data.bin"
printf 'start' | dd of="$work/data.bin" conv=notrunc status=none
printf 'across 4 GiB' | dd of="$work/data.bin" bs=1 seek=$((4 * 1024 * 1024 * 1024 - 6)) conv=notrunc status=none
printf 'end' | dd of="$work/data.bin" bs=1 seek=$((4 * 1024 * 1024 * 1024 + 4093)) conv=notrunc status=none
cat "$work/data.bin" >/dev/null
compare "sparse file of 4 GiB + 4 KiB ($(du -k "$work/data.bin" | cut -f1) KiB on disk)"
