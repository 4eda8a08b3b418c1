#!/usr/bin/env python3
"""Kills runs at random moments and takes files away during walks, then checks that no
file is torn, nothing is left behind and nothing outside the tree is touched.

    tests/faults/run.py                       # both programs, the default counts
    tests/faults/run.py --platform native --kills 200 --vanish 50 --seed 7

kills: a script replaces a tree of files, copies new files, moves a file, copies
resources into an executable and copies a large file. Each round kills the program
(SIGKILL) after a random delay within the time of a whole run, then checks every target:
old bytes or new bytes, never anything else; the moved file in exactly one of its two
places. A second run completes the update, after which the folder must equal the folder
of a run never killed, with no temporary file of ours left anywhere.

vanish: COPY, DELETE and MOVE of a tree of many small files while another process deletes
files of it at random. The run may succeed or end with one error box; a file copied must
hold its source's bytes; the folder beside the tree stays as it was.

Each failure prints the round, the delay and what was wrong, and the runner exits 1.
"""

import argparse
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import run as e2e  # noqa: E402  (the end-to-end runner's platforms and transcript reader)

MiB = 1 << 20
TEMPORARY = (".updater-",)  # the prefix of every temporary file the programs make

KILL_SCRIPT = r"""[UPDATER]
NAME=Patch
PROC=Tree,Fresh,Big,Source,HasMoved,Rsrc

[Tree]
MODE=COPY
FROM=<Src>\patch\data
TO=<Src>\app\data

[Fresh]
MODE=COPY
FROM=<Src>\patch\new
TO=<Src>\app\new

[Big]
MODE=COPY
FROM=<Src>\patch\big.bin
TO=<Src>\app\big.bin

[HasMoved]
MODE=SWITCH
PROC=Source
0=
1=Move

[Source]
MODE=EXIST
FILE=<Src>\patch\moved.bin

[Move]
MODE=MOVE
FROM=<Src>\patch\moved.bin
TO=<Src>\app\moved.bin

[Rsrc]
MODE=RSRC
FROM=<Src>\patch\source.exe
TO=<Src>\app\target.exe
TYPE=#6, #10 ,CONFIG
NAME=#1,data, main
"""


def pattern(seed, size):
    """size bytes that differ from every other seed's at every 16-byte block."""
    block = hashlib.sha256(seed.encode()).digest()[:16]
    return (block * (size // 16 + 1))[:size]


def make_kill_folder(root):
    rsrc = ROOT / "tests" / "e2e" / "cases" / "rsrc" / "copy-pairs" / "files"
    files = {}
    for i in range(12):
        files[f"app/data/f{i:02}.bin"] = pattern(f"old{i}", MiB)
        files[f"patch/data/f{i:02}.bin"] = pattern(f"new{i}", MiB)
    for i in range(6):
        files[f"patch/new/n{i:02}.bin"] = pattern(f"fresh{i}", MiB // 2)
    files["app/big.bin"] = pattern("big-old", 16 * MiB)
    files["patch/big.bin"] = pattern("big-new", 16 * MiB)
    files["patch/moved.bin"] = pattern("moved", 3 * MiB)
    files["patch/source.exe"] = (rsrc / "source.exe").read_bytes()
    files["app/target.exe"] = (rsrc / "target.exe").read_bytes()
    (root / "app" / "new").mkdir(parents=True)
    for name, data in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    return files


def snapshot(folder, program):
    """{relative path: bytes or None for a folder} of everything under folder that the
    update may change: the script and the program left out."""
    found = {}
    for path in sorted(folder.rglob("*")):
        relative = str(path.relative_to(folder))
        if relative == "updater.ini" or relative.startswith(program):
            continue
        found[relative] = None if path.is_dir() and not path.is_symlink() else path.read_bytes()
    return found


def leftovers(folder):
    return [str(p.relative_to(folder)) for p in folder.rglob("*")
            if p.name.startswith(TEMPORARY)]


class Runner:
    def __init__(self, platform):
        self.platform = platform

    def prepare(self, root):
        shutil.copy2(self.platform.build / self.platform.program, root / self.platform.program)

    def start(self, root, script, aux):
        (root / "updater.ini").write_bytes(script.encode(self.platform.encoding))
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("UPDATER_") and k != "DISPLAY"}
        self.platform.environment(env, aux)
        transcript = aux / "transcript.jsonl"
        if transcript.exists():
            transcript.unlink()
        env["UPDATER_UNATTENDED"] = self.platform.program_path(transcript)
        command = self.platform.command(root / self.platform.program, [])
        return subprocess.Popen(command, cwd=root, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def finish(self, process, aux):
        code = process.wait(timeout=e2e.TIMEOUT)
        boxes, problems = e2e.read_transcript(aux / "transcript.jsonl")
        return code, boxes, problems + e2e.sanitizer_reports(aux, b"")


def check_killed(files, folder, reference):
    """What is wrong with the folder after a kill: each target old or new, never torn."""
    problems = []
    for i in range(12):
        name = f"app/data/f{i:02}.bin"
        data = (folder / name).read_bytes() if (folder / name).exists() else None
        if data not in (files[name], files[f"patch/data/f{i:02}.bin"]):
            problems.append(f"{name} is torn or missing ({'missing' if data is None else len(data)})")
    for i in range(6):
        path = folder / f"app/new/n{i:02}.bin"
        if path.exists() and path.read_bytes() != files[f"patch/new/n{i:02}.bin"]:
            problems.append(f"app/new/n{i:02}.bin is torn ({path.stat().st_size} bytes)")
    big = (folder / "app/big.bin").read_bytes()
    if big not in (files["app/big.bin"], files["patch/big.bin"]):
        problems.append(f"app/big.bin is torn ({len(big)} bytes)")
    places = [p for p in ("patch/moved.bin", "app/moved.bin") if (folder / p).exists()]
    if len(places) != 1 or (folder / places[0]).read_bytes() != files["patch/moved.bin"]:
        problems.append(f"moved.bin is in {places or 'neither place'}")
    target = (folder / "app/target.exe").read_bytes()
    if target not in (files["app/target.exe"], reference["app/target.exe"]):
        problems.append(f"app/target.exe is neither the old nor the updated file ({len(target)} bytes)")
    return problems


def kills(runner, rounds, rng, log):
    failures = 0
    with tempfile.TemporaryDirectory(prefix="faults-") as scratch:
        scratch = Path(scratch)
        # A run never killed: how long a run takes and what the folder looks like after.
        reference_root, aux = scratch / "reference", scratch / "aux"
        reference_root.mkdir()
        aux.mkdir()
        files = make_kill_folder(reference_root)
        runner.prepare(reference_root)
        started = time.monotonic()
        code, boxes, problems = runner.finish(runner.start(reference_root, KILL_SCRIPT, aux), aux)
        duration = time.monotonic() - started
        if code != 0 or boxes or problems:
            log(f"kills: the run never killed ended with {code}, boxes {boxes}, {problems}")
            return 1
        reference = snapshot(reference_root, runner.platform.program)
        log(f"kills: a whole run takes {duration:.2f} s; {rounds} rounds")
        torn = left = 0
        for round_number in range(1, rounds + 1):
            root = scratch / f"round{round_number}"
            root.mkdir()
            make_kill_folder(root)
            runner.prepare(root)
            delay = rng.uniform(0, duration)
            process = runner.start(root, KILL_SCRIPT, aux)
            time.sleep(delay)
            process.send_signal(signal.SIGKILL)
            process.wait()
            problems = check_killed(files, root, reference)
            if leftovers(root):
                left += 1
            # The next run completes the update and removes what the killed one left.
            code, boxes, run_problems = runner.finish(runner.start(root, KILL_SCRIPT, aux), aux)
            problems += run_problems
            if code != 0 or boxes:
                problems.append(f"the run after the kill ended with {code}, boxes {boxes}")
            after = snapshot(root, runner.platform.program)
            if after != reference:
                differ = sorted(k for k in set(after) | set(reference) if after.get(k) != reference.get(k))
                problems.append(f"after the next run the folder differs: {differ[:8]}")
            if problems:
                failures += 1
                torn += 1
                log(f"kills: round {round_number}, killed after {delay:.3f} s:")
                for p in problems:
                    log("    " + p)
            shutil.rmtree(root)
        log(f"kills: {rounds} kills, {torn} with a problem; {left} left a temporary file "
            f"that the next run removed")
    return failures


VANISH_SCRIPTS = {
    "COPY": "[Walk]\nMODE=COPY\nFROM=<Src>\\tree\nTO=<Src>\\copy\n",
    "DELETE": "[Walk]\nMODE=DELETE\nFILE=<Src>\\tree\n",
    "MOVE": "[Walk]\nMODE=MOVE\nFROM=<Src>\\tree\nTO=<Src>\\other\\moved\n",
}


def make_tree(root):
    contents = {}
    for d in range(20):
        for f in range(50):
            name = f"tree/d{d:02}/f{f:02}.txt"
            contents[name] = f"{d}/{f} ".encode() * 20
            path = root / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(contents[name])
    (root / "beside").mkdir()
    (root / "beside" / "keep.txt").write_bytes(b"keep")
    (root / "other").mkdir()
    return contents


def take_away(root, stop, rng):
    """Deletes files and folders of the tree at random until stopped."""
    while not stop.is_set():
        d = root / "tree" / f"d{rng.randrange(20):02}"
        try:
            if rng.random() < 0.1:
                shutil.rmtree(d)
            else:
                (d / f"f{rng.randrange(50):02}.txt").unlink()
        except OSError:
            pass
        time.sleep(0.0005)


def vanish(runner, rounds, rng, log):
    failures = 0
    with tempfile.TemporaryDirectory(prefix="faults-") as scratch:
        scratch = Path(scratch)
        aux = scratch / "aux"
        aux.mkdir()
        outcomes = {}
        for round_number in range(1, rounds + 1):
            command = list(VANISH_SCRIPTS)[round_number % len(VANISH_SCRIPTS)]
            root = scratch / f"round{round_number}"
            root.mkdir()
            contents = make_tree(root)
            runner.prepare(root)
            script = "[UPDATER]\nNAME=Patch\nPROC=Walk\n\n" + VANISH_SCRIPTS[command]
            stop = threading.Event()
            thief = threading.Thread(target=take_away,
                                     args=(root, stop, random.Random(rng.random())))
            process = runner.start(root, script, aux)
            thief.start()
            code, boxes, problems = runner.finish(process, aux)
            stop.set()
            thief.join()
            if code == 0 and boxes:
                problems.append(f"a run that succeeded showed {boxes}")
            if code == 1 and (len(boxes) != 1 or boxes[0].get("style") != 16):
                problems.append(f"a run that failed showed {boxes} instead of one error box")
            if code not in (0, 1):
                problems.append(f"exit code {code}")
            for target in ("copy", "other/moved"):
                for path in (root / target).rglob("*.txt") if (root / target).exists() else []:
                    name = "tree/" + str(path.relative_to(root / target))
                    if path.read_bytes() != contents.get(name):
                        problems.append(f"{path.relative_to(root)} does not hold its source's bytes")
            if (root / "beside" / "keep.txt").read_bytes() != b"keep" or \
                    len(list((root / "beside").iterdir())) != 1:
                problems.append("the folder beside the tree changed")
            if leftovers(root):
                problems.append(f"temporary files left: {leftovers(root)[:4]}")
            outcomes[(command, code)] = outcomes.get((command, code), 0) + 1
            if problems:
                failures += 1
                log(f"vanish: round {round_number} ({command}):")
                for p in problems:
                    log("    " + p)
            shutil.rmtree(root)
        summary = ", ".join(f"{c} exit {x}: {n}" for (c, x), n in sorted(outcomes.items()))
        log(f"vanish: {rounds} runs ({summary}), {failures} with a problem")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--platform", action="append", choices=["native", "win64"])
    parser.add_argument("--native-build", type=Path, default=ROOT / "build/native")
    parser.add_argument("--win64-build", type=Path, default=ROOT / "build/win64")
    parser.add_argument("--kills", type=int, default=40, help="rounds of kills (default 40)")
    parser.add_argument("--vanish", type=int, default=15, help="runs with files taken away")
    parser.add_argument("--seed", type=int, default=None, help="random seed (default: new)")
    options = parser.parse_args()
    seed = options.seed if options.seed is not None else random.randrange(1 << 30)
    print(f"seed {seed} (rerun the same rounds with --seed {seed})", flush=True)
    failures = 0
    for name in options.platform or ["native", "win64"]:
        platform = (e2e.Native(options.native_build.resolve()) if name == "native"
                    else e2e.Win64(options.win64_build.resolve()))
        runner = Runner(platform)
        platform.start()

        def log(line, name=name):
            print(f"{name:6}  {line}", flush=True)

        try:
            rng = random.Random(seed)
            failures += kills(runner, options.kills, rng, log)
            failures += vanish(runner, options.vanish, rng, log)
        finally:
            platform.stop()
    print("all rounds passed" if failures == 0 else f"{failures} rounds failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
