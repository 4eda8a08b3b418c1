#!/bin/sh
# Builds the release packages of the three builds and gathers them in out/packages:
#   updater-VERSION-win64.zip, updater-VERSION-win32.zip, updater-VERSION-linux-x86_64.tar.gz,
# each with the stripped program, README.md and LICENSE, and beside each its debug symbols
# (updater-VERSION-SYSTEM.debug). Options given to it go to every cmake configuration, for
# example -DUPDATER_EXECUTION_LEVEL=asInvoker.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=${JOBS:-$(nproc)}
out=out/packages
mkdir -p "$out"
for build in native win64 win32; do
  toolchain=""
  [ "$build" = native ] || toolchain="-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$build.cmake"
  cmake -S . -B "build/$build" -G Ninja $toolchain "$@" >/dev/null
  # The package holds only the release program; the tests' programs need not be built.
  cmake --build "build/$build" -j "$jobs" --target release_program
  rm -f "build/$build/packages/"*.zip "build/$build/packages/"*.tar.gz
  (cd "build/$build" && cpack -C "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' CMakeCache.txt)" >/dev/null)
  cp "build/$build/packages/"updater-* "$out/"
done
ls -l "$out"
