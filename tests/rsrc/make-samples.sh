#!/bin/sh
# Builds the two small PE files that the RSRC tests copy resources between, with the
# mingw-w64 toolchain: an empty program and a resource script each.
#   make-samples.sh [--layouts] [FOLDER]   (default folder: tests/rsrc/samples, which the
#                                          RSRC end-to-end cases link to)
# source.exe: 64-bit, a string table (0409), RCDATA "DATA" in 0409 and 0411, RCDATA 7
#   in 0407, RCDATA ALPHA, MIKE and ZULU in 0409 and a resource of the named type
#   CONFIG, MAIN in 0000.
# target.exe: 32-bit, RCDATA "DATA" and "GONE" in 0411 and a string table (0411).
# Both are stripped, so that .rsrc is their last section, as Wine's writer needs.
# damaged-*.exe: target.exe with a damaged resource directory (make-damaged.py).
# --layouts also builds 64-bit targets of the other layouts, with target.exe's resources:
# target-reloc.exe (.reloc after .rsrc), target-debug.exe (unstripped: debug sections after
# .rsrc, the symbol table after them) and target-bare.exe (no resources at all).
set -eu
layouts=false
if [ "${1:-}" = --layouts ]; then
  layouts=true
  shift
fi
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/samples}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'int start(void) { return 0; }\n' >"$work/empty.c"
cat >"$work/source.rc" <<'RC'
LANGUAGE 0x09, 0x01
STRINGTABLE
BEGIN
  1 "Hello from the source"
  2 "Second string"
END
LANGUAGE 0x09, 0x01
DATA RCDATA { "english data" }
LANGUAGE 0x11, 0x01
DATA RCDATA { "japanese data" }
LANGUAGE 0x07, 0x01
7 RCDATA { "sieben" }
LANGUAGE 0x09, 0x01
ZULU RCDATA { "z" }
LANGUAGE 0x09, 0x01
ALPHA RCDATA { "a" }
LANGUAGE 0x09, 0x01
MIKE RCDATA { "m" }
LANGUAGE 0x00, 0x00
MAIN CONFIG { "configuration" }
RC
cat >"$work/target.rc" <<'RC'
LANGUAGE 0x11, 0x01
DATA RCDATA { "old data" }
LANGUAGE 0x11, 0x01
GONE RCDATA { "removed when the source lacks it" }
LANGUAGE 0x11, 0x01
STRINGTABLE
BEGIN
  1 "old string"
END
RC

# A fixed time stamp, so that the files are the same on every run.
link="-Os -s -nostdlib -Wl,--no-insert-timestamp"
x86_64-w64-mingw32-windres "$work/source.rc" -O coff -o "$work/source.o"
x86_64-w64-mingw32-gcc $link -Wl,-e,start "$work/empty.c" "$work/source.o" -o "$out/source.exe"
i686-w64-mingw32-windres "$work/target.rc" -O coff -o "$work/target.o"
i686-w64-mingw32-gcc $link -Wl,-e,_start "$work/empty.c" "$work/target.o" -o "$out/target.exe"
python3 "$here/make-damaged.py" "$out"

if $layouts; then
  printf 'int x; int *p = &x;\nint start(void) { return *p; }\n' >"$work/reloc.c"
  x86_64-w64-mingw32-windres "$work/target.rc" -O coff -o "$work/target64.o"
  x86_64-w64-mingw32-gcc $link -Wl,-e,start -Wl,--dynamicbase "$work/reloc.c" "$work/target64.o" \
    -o "$out/target-reloc.exe"
  x86_64-w64-mingw32-gcc -g -Os -nostdlib -Wl,-e,start "$work/empty.c" "$work/target64.o" \
    -o "$out/target-debug.exe"
  x86_64-w64-mingw32-gcc $link -Wl,-e,start "$work/empty.c" -o "$out/target-bare.exe"
fi
