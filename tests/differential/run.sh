#!/bin/sh
# Compares the Linux profile reader with the Windows profile functions (under Wine) over
# every file of tests/ini-corpus, and a file that does not exist. Both sides run in code
# page 932: Wine through its ja_JP locale, the Linux build through a Shift_JIS locale.
#   run.sh [NATIVE_BUILD [WIN64_BUILD]]   (default build/native and build/win64)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
win=$(cd "${2:-$root/build/win64}" && pwd)
corpus=$root/tests/ini-corpus

for program in "$native/ini_dump" "$win/ini_dump.exe" "$win/wine-run"; do
  [ -x "$program" ] || { echo "run.sh: $program is missing; build both trees first" >&2; exit 2; }
done

locales=$native/locale
if [ ! -d "$locales/ja_JP.SJIS" ]; then
  mkdir -p "$locales"
  # SHIFT_JIS is not ASCII-compatible in glibc's eyes, hence -c; the locale still works.
  localedef -c -i ja_JP -f SHIFT_JIS "$locales/ja_JP.SJIS" >/dev/null 2>&1 || true
  [ -d "$locales/ja_JP.SJIS" ] || { echo "run.sh: cannot generate ja_JP.SJIS" >&2; exit 2; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

set -- "$corpus"/*.ini "$corpus/missing.ini"
LOCPATH=$locales LANG=ja_JP.SJIS LC_ALL=ja_JP.SJIS "$native/ini_dump" "$@" >"$work/native.out"

# Wine sees the same files through drive Z:.
for file in "$@"; do
  printf 'Z:%s\n' "$file" | tr / '\\'
done >"$work/list"
tr '\n' '\0' <"$work/list" | xargs -0 "$win/wine-run" "$win/ini_dump.exe" |
  tr -d '\r' >"$work/wine.out"

if cmp -s "$work/native.out" "$work/wine.out"; then
  echo "ini corpus: $# files, $(wc -l <"$work/native.out") answers, no difference"
  exit 0
fi

# The differences file by file, the first lines of each.
mkdir "$work/n" "$work/w"
awk -v dir="$work/n" '/^== /{f = dir "/" substr($0, 4)} {print > f}' "$work/native.out"
awk -v dir="$work/w" '/^== /{f = dir "/" substr($0, 4)} {print > f}' "$work/wine.out"
failed=0
for file in "$@"; do
  name=$(basename "$file")
  if ! cmp -s "$work/n/$name" "$work/w/$name"; then
    failed=$((failed + 1))
    echo "--- $name: Linux (<) and Wine (>) differ"
    diff "$work/n/$name" "$work/w/$name" | grep '^[<>]' | head -n 12
  fi
done
echo "ini corpus: $failed of $# files differ"
exit 1
