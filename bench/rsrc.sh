#!/bin/sh
# RSRC on a big target, not a test: time and peak memory (RSS) of the Linux program and of
# the Windows program under Wine, copying a string table into a 64-bit image that already
# holds SIZE_MIB MiB of resource data (so the whole section is rebuilt and rewritten).
#   bench/rsrc.sh [SIZE_MIB [NATIVE_BUILD [WIN64_BUILD]]]   (default 128, build/native, build/win64)
# The Wine figure includes starting the program under a running wineserver.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-128}
native=$(cd "${2:-$root/build/native}" && pwd)
win=$(cd "${3:-$root/build/win64}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/rsrc-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

"$root/tests/rsrc/make-samples.sh" "$work"
head -c "$((size * 1024 * 1024))" /dev/urandom >"$work/big.bin"
cat >"$work/big.rc" <<'RC'
LANGUAGE 0x11, 0x01
BIG RCDATA "big.bin"
RC
printf 'int start(void) { return 0; }\n' >"$work/empty.c"
(cd "$work" && x86_64-w64-mingw32-windres big.rc -O coff -o big.o)
x86_64-w64-mingw32-gcc -s -nostdlib -Wl,-e,start "$work/empty.c" "$work/big.o" -o "$work/big.exe"

cat >"$work/updater.ini" <<'INI'
[UPDATER]
NAME=Bench
PROC=Copy

[Copy]
MODE=RSRC
FROM=<Src>\source.exe
TO=<Src>\target.exe
TYPE=#6,#10
NAME=#1,DATA
INI

# run LABEL COMMAND...: prints "LABEL seconds peak_kib" after one run on a fresh target.
run() {
  label=$1
  shift
  cp "$work/big.exe" "$work/target.exe"
  rm -f "$work/boxes"
  (cd "$work" && UPDATER_UNATTENDED=boxes /usr/bin/time -f "%e %M" -o time.txt "$@")
  [ ! -s "$work/boxes" ] || { echo "$label: $(cat "$work/boxes")" >&2; exit 1; }
  echo "$label $(cat "$work/time.txt")"
}

echo "target: $(stat -c %s "$work/big.exe") bytes"
cp "$native/updater" "$work/updater"
cp "$win/updater.exe" "$work/updater.exe"
"$win/wine-run" --start >/dev/null 2>&1 || true
for i in 1 2 3; do
  run linux ./updater
  run wine "$win/wine-run" ./updater.exe
  (cd "$work" && /usr/bin/time -f "cp %e %M" cp big.exe copy.exe)
done
