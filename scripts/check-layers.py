#!/usr/bin/env python3
"""Fails when an #include under src/ runs against the layers.

Lowest first: the platform headers (src/platform/*.h); foundation; standins; script;
commands. A layer may include its own files and those of the layers below it. The
backends (platform/posix, platform/win32) may include the platform headers, foundation,
standins and their own folder. testing/ holds test fixtures over the platform headers and
foundation; tests may include it. The programs' entries (main.cc, check_main.cc) may include
anything. An
include without a folder names a generated file of the build.

Programs outside src/ (benchmarks, fuzz targets, test tools under bench/ and tests/) are
entries too: they may include the headers of any layer but not a backend's, so that they
build over either backend, nor testing/.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent / "src"
ENTRY_FOLDERS = [ROOT.parent / "bench", ROOT.parent / "tests"]
ORDER = ["platform", "foundation", "standins", "script", "commands"]
ENTRIES = {"main.cc", "check_main.cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(rel):
    """The layer a path under src/ belongs to: a name of ORDER, a backend, or testing."""
    parts = rel.split("/")
    if parts[0] == "platform":
        return "platform/" + parts[1] if len(parts) > 2 else "platform"
    return parts[0]


def allowed(source, target, is_test):
    """Whether the file of layer source may include a file of layer target."""
    if target == source:
        return True
    if target == "testing":
        return is_test or source == "testing"
    if source == "testing":
        return target in ("platform", "foundation")
    if source.startswith("platform/"):
        return target in ("platform", "foundation", "standins")
    if source == "platform" and is_test:
        # The platform contracts are tested through the backends, which may use foundation.
        return target in ("foundation", "standins")
    if source in ORDER and target in ORDER:
        return ORDER.index(target) < ORDER.index(source)
    return False


def main():
    faults = []
    files = sorted(p for p in ROOT.rglob("*") if p.suffix in (".h", ".cc"))
    for path in files:
        rel = path.relative_to(ROOT).as_posix()
        if rel in ENTRIES:
            continue
        source = layer_of(rel)
        is_test = rel.endswith("_test.cc") or rel.endswith("test_support.h") or \
            rel.endswith("test_image.h")
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            included = match.group(1)
            if not (ROOT / included).exists():
                faults.append(f"src/{rel}:{number}: includes {included}, which does not exist")
                continue
            target = layer_of(included)
            if not allowed(source, target, is_test):
                faults.append(f"src/{rel}:{number}: {source} includes {included} ({target})")
    entries = sorted(p for folder in ENTRY_FOLDERS for p in folder.rglob("*")
                     if p.suffix in (".h", ".cc"))
    for path in entries:
        rel = path.relative_to(ROOT.parent).as_posix()
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1) or (path.parent / match.group(1)).exists():
                continue
            included = match.group(1)
            if not (ROOT / included).exists():
                faults.append(f"{rel}:{number}: includes {included}, which does not exist")
            elif layer_of(included).startswith("platform/") or layer_of(included) == "testing":
                faults.append(f"{rel}:{number}: an entry outside src/ includes {included}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} includes run against the layers "
              "(see docs/architecture.md)")
        return 1
    print(f"check-layers: {len(files)} files and {len(entries)} outside src/, every include "
          "runs down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
