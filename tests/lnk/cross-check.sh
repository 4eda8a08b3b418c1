#!/bin/sh
# Makes the same shortcuts with the Linux program (which writes the shell link format
# itself) and with the Windows program under Wine (the shell's link object), reads both
# with lnkinfo (package liblnk-utils) and fails when their target, working folder or
# arguments differ. The window state is read from the header bytes, since lnkinfo does not
# show it correctly.
#
#   tests/lnk/cross-check.sh [NATIVE_BUILD [WIN64_BUILD]]    (default build/native build/win64)
cd "$(dirname "$0")/../.." || exit 1
native_build=${1:-build/native}
win64_build=${2:-build/win64}

command -v lnkinfo >/dev/null || { echo "cross-check: lnkinfo not found (liblnk-utils)" >&2; exit 2; }
for program in "$native_build/updater" "$win64_build/updater.exe" "$win64_build/wine-run"; do
  [ -x "$program" ] || [ -f "$program" ] || { echo "cross-check: $program missing; build it first" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lnk-cross-check-XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
mkdir "$work/native" "$work/win64"

# Targets need not exist. Each shortcut: its name, the SHOWCMD item, and the show command
# the header must hold (2 is minimised without activation, 0 and 4 keep the default).
cat >"$work/updater.ini" <<'EOF'
[UPDATER]
NAME=Cross-check
PROC=Link

[Link]
MODE=LINK
SRC=C:\Apps\Tool\tool.exe, C:\root.exe, C:\Program Files\My App\app.exe, C:\アプリ\ツール.exe, D:\x\y.exe
PARAM=-a "b c" --flag, , /x ソフト, 日本語 "引数", 
SHOWCMD=1,2,3,0,4
DST=<Src>\links\one, <Src>\links\two, <Src>\links\sub\three, <Src>\links\four, <Src>\links\five
EOF
names="one two sub/three four five"
show_expected="1 7 3 1 1"

cp "$native_build/updater" "$work/native/" &&
  cp "$work/updater.ini" "$work/native/updater.ini" &&
  cp "$win64_build/updater.exe" "$work/win64/" &&
  iconv -f UTF-8 -t CP932 "$work/updater.ini" >"$work/win64/updater.ini" || exit 2

LC_ALL=C.UTF-8 UPDATER_UNATTENDED="$work/native-boxes.jsonl" "$work/native/updater" ||
  { echo "cross-check: the Linux program failed:" >&2; cat "$work/native-boxes.jsonl" >&2; exit 1; }
windows_work="Z:$(printf '%s' "$work" | tr / '\\')"
UPDATER_UNATTENDED="$windows_work\\win64-boxes.jsonl" \
  "$win64_build/wine-run" "$work/win64/updater.exe" </dev/null >/dev/null 2>&1 ||
  { echo "cross-check: the Windows program failed:" >&2; cat "$work/win64-boxes.jsonl" >&2; exit 1; }

# The three fields as lnkinfo shows them; lnkinfo leaves out an empty string (Wine counts
# a NUL in each string, so its empty ones are shown), so a missing field reads as empty.
fields() {
  lnkinfo -c windows-932 "$1" 2>/dev/null | awk -F '\t+: ?' '
    /^\tLocal path\t/ { path = $2; has_path = 1 }
    /^\tWorking directory\t/ { folder = $2 }
    /^\tCommand line arguments\t/ { arguments = $2 }
    END {
      if (!has_path) exit 1
      print "target:    " path; print "folder:    " folder; print "arguments: " arguments
    }'
}
# The show command: the 32-bit value at offset 0x3C of the header.
show_command() {
  od -A n -t u4 -j 60 -N 4 "$1" | tr -d ' '
}

check() {
  name=$1 expected_show=$2
  linux="$work/native/links/$name.LNK"
  windows="$work/win64/links/$name.LNK"
  for file in "$linux" "$windows"; do
    [ -f "$file" ] || { echo "FAIL $name: $file was not made"; return 1; }
    fields "$file" >"$file.txt" || { echo "FAIL $name: lnkinfo finds no local path in $file"; return 1; }
  done
  if ! diff -u --label windows --label linux "$windows.txt" "$linux.txt"; then
    echo "FAIL $name: lnkinfo reads the two shortcuts differently"
    return 1
  fi
  for file in "$linux" "$windows"; do
    got=$(show_command "$file")
    [ "$got" = "$expected_show" ] ||
      { echo "FAIL $name: $file shows $got, expected $expected_show"; return 1; }
  done
  echo "ok   $name (show command $expected_show)"
  sed 's/^/       /' "$linux.txt"
}

status=0
set -- $show_expected
for name in $names; do
  check "$name" "$1" || status=1
  shift
done
exit $status
