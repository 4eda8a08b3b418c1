#!/bin/sh
# Runs every end-to-end case against build/native/updater and, under Wine,
# build/win64/updater.exe. Builds nothing. Arguments go to the runner (see --help).
cd "$(dirname "$0")/.." || exit 1
exec python3 tests/e2e/run.py "$@"
