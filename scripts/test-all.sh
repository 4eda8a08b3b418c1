#!/bin/sh
# Installs what is missing, builds the three builds (Linux, win64, win32) and a Linux build
# with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every suite: the unit tests
# natively, sanitized and under Wine, the end-to-end suite on the sanitized Linux program
# and on both programs, kills, vanishing files and killed runs that are undone on both
# programs, and each fuzz target for a minute; then builds the release packages and checks
# what they ship.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

echo "== layers: every include runs down the layers"
python3 scripts/check-layers.py

cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/asan -G Ninja -DUPDATER_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake >/dev/null
cmake --build build/win64 -j "$jobs"
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake >/dev/null
cmake --build build/win32 -j "$jobs"

echo "== unit tests (Linux)"
ctest --test-dir build/native --output-on-failure
echo "== unit tests (Linux, AddressSanitizer and UndefinedBehaviorSanitizer)"
ctest --test-dir build/asan --output-on-failure
echo "== end-to-end tests (Linux program, AddressSanitizer and UndefinedBehaviorSanitizer)"
tests/run-e2e.sh --platform native --native-build build/asan
echo "== fuzz targets (libFuzzer, 60 s each)"
tests/fuzz/run.sh
echo "== unit tests (Windows, under Wine)"
ctest --test-dir build/win64 --output-on-failure
# One persistent wineserver for the suites below, which run Windows programs one after
# another: a server that quits when its last program ends resets a program that connects
# at that moment, which then ends with nothing said.
build/win64/wine-run --start
trap 'build/win64/wine-run --stop' EXIT
echo "== profile reader against the Windows functions (INI corpus)"
tests/differential/run.sh build/native build/win64
echo "== shortcuts written on Linux and under Wine, read by lnkinfo"
tests/lnk/cross-check.sh build/native build/win64
echo "== resources copied on Linux and under Wine, read by the Windows loader and wrestool"
tests/rsrc/cross-check.sh build/native build/win64
echo "== end-to-end tests (both programs)"
tests/run-e2e.sh
echo "== kills at random moments, files taken away during walks, undone runs killed (both programs)"
tests/faults/run.py
echo "== release: packages, manifests and version resources of what is shipped"
scripts/package.sh >/dev/null
tests/release/check.sh build/native build/win64 build/win32
# The GUI test needs a Wine desktop on its own display, so no server of ours may outlive
# the suites above.
build/win64/wine-run --stop
trap - EXIT
echo "== the Windows program as a user sees it (Xvfb)"
tests/gui/run-gui-test.sh build/win64
echo "== all suites passed"
