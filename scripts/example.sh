#!/bin/sh
# Builds the Linux program and runs the example update in a fresh sandbox folder. The
# boxes are asked on this terminal; without one they are printed as JSON lines.
set -eu
cd "$(dirname "$0")/.."
example=${1:-examples/first-update}
if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null; then ./scripts/install-deps.sh; fi
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native --target updater >/dev/null
sandbox=$(mktemp -d "${TMPDIR:-/tmp}/updater-example.XXXXXX")
cp -r "$example"/files/. "$sandbox"/ 2>/dev/null || true
cp "$example"/updater.ini build/native/updater "$sandbox"/
echo "sandbox: $sandbox"
echo "before:"; (cd "$sandbox" && find . -path ./updater -prune -o -print | sort)
set +e
"$sandbox"/updater
code=$?
set -e
echo "after (exit code $code):"; (cd "$sandbox" && find . -path ./updater -prune -o -print | sort)
