#!/bin/sh
# Checks what is shipped, in the three builds:
# - each Windows program (the build's own and the stripped release copy, win64 and win32):
#   the manifest and the version resource, read by our PE reader and by wrestool, which must
#   give the same bytes; the manifest is well-formed XML holding the entries we ship and
#   the build's execution level, the version resource holds the project's version;
# - the release copies: stripped, under 1 MiB, naming their debug file, which holds the
#   symbols;
# - `--version`: the Linux program prints the version and runs nothing, the 64-bit Windows
#   program prints it too under Wine;
# - the packages, when built (scripts/package.sh): the stripped program, README.md and
#   LICENSE, with the debug file beside them.
#   check.sh [NATIVE_BUILD [WIN64_BUILD [WIN32_BUILD]]]   (default build/native, build/win64, build/win32)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
win64=$(cd "${2:-$root/build/win64}" && pwd)
win32=$(cd "${3:-$root/build/win32}" && pwd)
for tool in wrestool g++ python3 objdump objcopy x86_64-w64-mingw32-objcopy i686-w64-mingw32-objcopy; do
  command -v "$tool" >/dev/null || { echo "check.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
g++ -std=c++20 -O1 -I"$root/src" "$root/tests/rsrc/dump_resources.cc" \
  "$root/src/standins/pe_resources.cc" "$root/src/foundation/utf8.cc" -o "$work/dump_resources"

failures=0
fail() {
  echo "FAIL  $1"
  failures=$((failures + 1))
}
cache() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }
version=$(cache "$native" CMAKE_PROJECT_VERSION)
[ -n "$version" ] || { echo "check.sh: no project version in $native" >&2; exit 2; }
mib=1048576

for build in "$win64" "$win32"; do
  level=$(cache "$build" UPDATER_EXECUTION_LEVEL)
  [ "$(cache "$build" CMAKE_PROJECT_VERSION)" = "$version" ] ||
    fail "$build: version $(cache "$build" CMAKE_PROJECT_VERSION), the Linux build's is $version"
  for program in "$build/updater.exe" "$build/release/updater.exe"; do
    if [ ! -f "$program" ]; then
      fail "$program is missing"
      continue
    fi
    for resource in "24 1 manifest" "16 1 version"; do
      set -- $resource
      "$work/dump_resources" "$program" "#$1" "#$2" >"$work/$3.ours" ||
        fail "$program: our reader finds no resource $1/$2"
      wrestool -x --raw --type="$1" --name="$2" "$program" >"$work/$3.wrestool" 2>/dev/null || true
      [ -s "$work/$3.ours" ] && cmp -s "$work/$3.ours" "$work/$3.wrestool" ||
        fail "$program: resource $1/$2 differs between our reader and wrestool"
    done
    out=$(python3 "$root/tests/release/check_resources.py" "$work/manifest.ours" \
      "$work/version.ours" "$version" "$level") || fail "$program: $out"
  done
done

# A stripped release program: under 1 MiB, no debug sections, and a .gnu_debuglink naming
# the file beside the package that holds its symbols.
check_release() {
  tools=$1 build=$2 release=$3
  if [ ! -f "$release" ]; then
    fail "$release is missing"
    return
  fi
  size=$(wc -c <"$release")
  [ "$size" -lt "$mib" ] || fail "$release: $size bytes, not under 1 MiB"
  ! "${tools}objdump" -h "$release" | grep -q '\.debug_' || fail "$release: debug sections left"
  rm -f "$work/link"
  "${tools}objcopy" --dump-section .gnu_debuglink="$work/link" "$release" "$work/discard" \
    2>/dev/null || true
  link=$(tr '\0' '\n' <"$work/link" 2>/dev/null | head -n 1)
  if [ -z "$link" ] || [ ! -f "$build/packages/$link" ]; then
    fail "$release: debug file '$link' not in $build/packages"
    return
  fi
  "${tools}objdump" -h "$build/packages/$link" | grep -q '\.debug_info' ||
    fail "$build/packages/$link: no .debug_info"
  echo "$release: $size bytes, symbols in $link"
}
check_release "" "$native" "$native/release/updater"
check_release x86_64-w64-mingw32- "$win64" "$win64/release/updater.exe"
check_release i686-w64-mingw32- "$win32" "$win32/release/updater.exe"

# --version: one line on standard output, exit code 0, and no script read: the script
# beside the program would make a folder.
mkdir "$work/run"
cp "$native/updater" "$work/run/updater"
printf '[UPDATER]\nNAME=Version\nPROC=Make\n\n[Make]\nMODE=MAKEDIR\nDIR=<Src>\\made\n' \
  >"$work/run/updater.ini"
out=$(UPDATER_UNATTENDED=- "$work/run/updater" --version 2>"$work/stderr") ||
  fail "updater --version: exit code $?"
[ "$out" = "updater $version" ] || fail "updater --version printed '$out'"
[ ! -s "$work/stderr" ] || fail "updater --version wrote to standard error: $(cat "$work/stderr")"
[ ! -e "$work/run/made" ] || fail "updater --version ran the script"
# The same script runs with any other command line (here, --versions).
UPDATER_UNATTENDED=- "$work/run/updater" --versions 2>/dev/null || true
[ -d "$work/run/made" ] || fail "updater --versions did not run the script"
if [ -x "$win64/wine-run" ]; then
  out=$("$win64/wine-run" "$win64/release/updater.exe" --version </dev/null 2>/dev/null | tr -d '\r') ||
    fail "updater.exe --version under Wine: exit code $?"
  [ "$out" = "updater $version" ] || fail "updater.exe --version printed '$out' under Wine"
fi

# The packages, where scripts/package.sh has built them.
for entry in "$native:tar.gz:updater" "$win64:zip:updater.exe" "$win32:zip:updater.exe"; do
  build=${entry%%:*}
  rest=${entry#*:}
  kind=${rest%%:*}
  program=${rest#*:}
  package=$(ls "$build/packages/"*".$kind" 2>/dev/null | head -n 1)
  [ -n "$package" ] || continue
  name=$(basename "$package" ".$kind")
  list=$(python3 - "$package" <<'EOF'
import sys, tarfile, zipfile
p = sys.argv[1]
names = zipfile.ZipFile(p).namelist() if p.endswith(".zip") else tarfile.open(p).getnames()
print("\n".join(sorted(n for n in names if not n.endswith("/"))))
EOF
)
  expected=$(printf '%s\n' "$name/LICENSE" "$name/README.md" "$name/$program" | sort)
  [ "$list" = "$expected" ] || fail "$package holds: $(echo $list)"
  [ -f "$build/packages/$name.debug" ] || fail "$package: no $name.debug beside it"
  mkdir -p "$work/unpacked"
  python3 -c 'import shutil, sys; shutil.unpack_archive(sys.argv[1], sys.argv[2])' \
    "$package" "$work/unpacked"
  cmp -s "$work/unpacked/$name/$program" "$build/release/$program" ||
    fail "$package: $program is not the stripped release program"
  echo "$package: $(wc -c <"$package") bytes"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures release check(s) failed"
  exit 1
fi
echo "release checks passed"
