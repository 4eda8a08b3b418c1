#!/bin/sh
# Cross-checks RSRC with what lies outside the project, on targets of four layouts (.rsrc
# last, .reloc after .rsrc, unstripped with debug sections and a symbol table after it,
# no resources at all), all built here with the mingw-w64 toolchain:
# - the Linux updater copies resources into each; wrestool lists and extracts them, the
#   Windows loader under Wine (read_resources.exe: enumeration, FindResourceExA,
#   LoadStringA) reads exactly what our reader reads, and binutils still read the image;
# - the Windows updater under Wine does the same copies, and our reader finds the same
#   resources, but for Wine's known departure: a resource written without data stays.
#   cross-check.sh [NATIVE_BUILD [WIN64_BUILD]]   (default build/native and build/win64)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
win=$(cd "${2:-$root/build/win64}" && pwd)
for tool in wrestool x86_64-w64-mingw32-gcc i686-w64-mingw32-gcc x86_64-w64-mingw32-objdump g++; do
  command -v "$tool" >/dev/null || { echo "cross-check.sh: $tool is missing" >&2; exit 2; }
done
for program in "$native/updater" "$win/updater.exe" "$win/wine-run"; do
  [ -x "$program" ] || { echo "cross-check.sh: $program is missing; build both trees" >&2; exit 2; }
done

# True when a wineserver that stays serves the build's prefix: another run's. One that a
# program started (-p0) quits by itself.
server_stays() {
  for p in /proc/[0-9]*; do
    grep -qs '^wineserver' "$p/comm" || continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$win/wineprefix" || continue
    [ "$({ tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null | grep '^-p' | tail -n 1)" = -p0 ] || return 0
  done
  return 1
}

work=$(mktemp -d)
started_server=""
cleanup() {
  [ -z "$started_server" ] || "$win/wine-run" --stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
"$root/tests/rsrc/make-samples.sh" --layouts "$work/samples"
x86_64-w64-mingw32-gcc -O1 "$root/tests/rsrc/read_resources.c" -o "$work/read_resources.exe"
g++ -std=c++20 -O1 -I"$root/src" "$root/tests/rsrc/dump_resources.cc" \
  "$root/src/standins/pe_resources.cc" "$root/src/foundation/utf8.cc" -o "$work/dump_resources"

failures=0
fail() {
  echo "FAIL  $1"
  failures=$((failures + 1))
}
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# Runs a program whose output is compared and leaves that in $out; a failed run is reported
# with its exit code and standard error, which an empty listing would hide.
output() {
  label=$1
  shift
  out=$("$@" 2>"$work/stderr") || fail "$label: exit code $?: $(cat "$work/stderr")"
}

# One wineserver that stays for all the runs. One that a program starts quits as soon as its
# last program ends, often wineboot or explorer.exe ending on their own; a program connecting
# at that moment is reset ("recvmsg: Connection reset by peer") and prints nothing.
server_stays || started_server=yes
"$win/wine-run" --start || { echo "cross-check.sh: cannot start Wine" >&2; exit 2; }

# GONE first: the source lacks it, so it is written without data in the first language,
# 0411, and removed where GONE is 0411.
script='[UPDATER]
NAME=Cross
PROC=Copy

[Copy]
MODE=RSRC
FROM=<Src>\source.exe
TO=<Src>\target.exe
TYPE=#10,#6,#10,#10,CONFIG,#10,#10,#10
NAME=GONE,#1,DATA,#7,MAIN,zulu,alpha,mike'
output "source.exe (our reader)" "$work/dump_resources" "$work/samples/source.exe"
copied=$(printf '%s\n' "$out" | grep -v '^#10 DATA 0411')

# Runs one program on a copy of a target; leaves the result in $work/$2/target.exe.
run() {
  program=$1 dir=$work/$2 target=$3
  mkdir -p "$dir"
  cp "$work/samples/source.exe" "$dir/source.exe"
  cp "$work/samples/$target" "$dir/target.exe"
  printf '%s\n' "$script" >"$dir/updater.ini"
  if [ "$program" = native ]; then
    cp "$native/updater" "$dir/updater"
    (cd "$dir" && UPDATER_UNATTENDED="$dir/boxes" ./updater 2>"$dir/stderr") ||
      fail "$2: exit code $?: $(cat "$dir/stderr")"
  else
    cp "$win/updater.exe" "$dir/updater.exe"
    (cd "$dir" && UPDATER_UNATTENDED="$(winpath "$dir/boxes")" "$win/wine-run" ./updater.exe \
      2>"$dir/stderr") || fail "$2: exit code $?: $(cat "$dir/stderr")"
  fi
  [ ! -s "$dir/boxes" ] || fail "$2: $(cat "$dir/boxes")"
}

for layout in target target-reloc target-debug target-bare; do
  output "$layout.exe (our reader)" "$work/dump_resources" "$work/samples/$layout.exe"
  before=$out
  expected=$(printf '%s\n%s\n' "$before" "$copied" | grep -v '^$' | grep -v '^#10 GONE' | sort)

  run native "native-$layout" "$layout.exe"
  result=$work/native-$layout/target.exe
  output "$layout (Linux): our reader" "$work/dump_resources" "$result"
  ours=$out
  [ "$(printf '%s\n' "$ours" | sort)" = "$expected" ] ||
    fail "$layout (Linux): our reader lists:
$ours
expected:
$expected"
  output "$layout (Linux): the Windows loader" \
    "$win/wine-run" "$work/read_resources.exe" "$(winpath "$result")" 1
  loader=$(printf '%s\n' "$out" | tr -d '\r')
  [ "$(printf '%s\n' "$loader" | grep -v '^string')" = "$ours" ] ||
    fail "$layout (Linux): the Windows loader lists:
$loader
our reader:
$ours"
  if [ "$layout" = target-bare ]; then
    printf '%s\n' "$loader" | grep -qx 'string 1: Hello from the source' ||
      fail "$layout (Linux): LoadStringA: $(printf '%s\n' "$loader" | grep '^string')"
  fi
  output "$layout (Linux): wrestool -l" wrestool -l "$result"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq "$(printf '%s\n' "$ours" | wc -l)" ] ||
    fail "$layout (Linux): wrestool lists $out"
  output "$layout (Linux): wrestool -x" wrestool -x --raw --type=10 --name=DATA --language=1033 \
    "$result"
  [ "$out" = "english data" ] || fail "$layout (Linux): wrestool cannot extract DATA"
  x86_64-w64-mingw32-objdump -h "$result" >/dev/null 2>&1 ||
    fail "$layout (Linux): objdump cannot read the result"
  if [ "$layout" = target-debug ]; then
    [ -n "$(x86_64-w64-mingw32-nm "$result" 2>/dev/null)" ] ||
      fail "$layout (Linux): the symbol table is lost"
  fi

  run wine "wine-$layout" "$layout.exe"
  output "$layout (Wine): our reader" "$work/dump_resources" "$work/wine-$layout/target.exe"
  theirs=$(printf '%s\n' "$out" | sort)
  wine_expected=$(printf '%s\n%s\n' "$expected" "$(printf '%s\n' "$before" | grep '^#10 GONE')" |
    grep -v '^$' | sort)
  [ "$theirs" = "$wine_expected" ] ||
    fail "$layout (Wine): our reader lists:
$theirs
expected:
$wine_expected"
  echo "checked $layout"
done

if [ "$failures" -ne 0 ]; then
  echo "rsrc cross-check: $failures failures"
  exit 1
fi
echo "rsrc cross-check: 4 layouts, both programs, no difference"
