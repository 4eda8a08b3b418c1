#!/usr/bin/env python3
"""Kills runs at random moments and takes files away during walks, then checks that no
file is torn, nothing is left behind and nothing outside the tree is touched.

    tests/faults/run.py                       # both programs, the default counts
    tests/faults/run.py --platform native --kills 200 --vanish 50 --rollback 80 --seed 7

kills: a script replaces a tree of files, copies new files, moves a file, copies
resources into an executable and copies a large file. Each round kills the program
(SIGKILL) after a random delay within the time of a whole run, then checks every target:
old bytes or new bytes, never anything else; the moved file in exactly one of its two
places. A second run completes the update, after which the folder must equal the folder
of a run never killed, with no temporary file of ours left anywhere.

vanish: COPY, DELETE and MOVE of a tree of many small files while another process deletes
files of it at random. The run may succeed or end with one error box; a file copied must
hold its source's bytes; the folder beside the tree stays as it was.

rollback: a ROLLBACK=1 script that first asks whether to go on, then changes a folder with
every command that is undone (COPY, MOVE, DELETE, MAKEDIR, ATTR, SHELL, RSRC, LINK). Each
round kills the program after a random delay within the time of a whole run, then starts it
again answering No: it must undo the interrupted run, saying so in one information box
when that run had changed anything, so that the folder is exactly as before (names, bytes,
times of files and folders, permission bits, Windows attributes, links), and leave no
journal. Every fourth round also kills that second start, and a third must still undo all;
every third asks for the English box; every fifth keeps the Linux program's journal under
HOME rather than XDG_STATE_HOME. A run killed after its last change may be kept whole.
Before the rounds, a second start of the script while a run of it waits for a program must
leave that run and its journal alone.

Each failure prints the round, the delay and what was wrong, and the runner exits 1.
"""

import argparse
import hashlib
import os
import random
import re
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

    def environment(self, aux, extra=None):
        """The program's environment; None in extra takes a variable away."""
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("UPDATER_") and k != "DISPLAY"}
        self.platform.environment(env, aux)
        for name, value in (extra or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def start(self, root, script, aux, extra=None):
        (root / "updater.ini").write_bytes(script.encode(self.platform.encoding))
        env = self.environment(aux, extra)
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


ROLLBACK_SCRIPT = r"""[UPDATER]
NAME=Patch
ROLLBACK=1
PROC=Ask,Tree,Fresh,Big,Move,Unlock,Clean,Folders,Protect,ShellCopy,ShellMove,ShellDelete,Rsrc,Link

[Ask]
MODE=MSGBOX
FLAG=
TYPE=QUESTION
TEXT=Update now?
ISABORT=0,1

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

[Move]
MODE=MOVE
FROM=<Src>\app\old.dll, <Src>\app\plugins
TO=<Src>\app\backup\old.dll, <Src>\app\backup\plugins

[Unlock]
MODE=ATTR
FILE=<Src>\app\locked.txt
ARG=80

[Clean]
MODE=DELETE
FILE=<Src>\app\stale.txt, <Src>\app\cache, <Src>\app\locked.txt

[Folders]
MODE=MAKEDIR
DIR=<Src>\app\logs\2024, <Src>\app\tmp

[Protect]
MODE=ATTR
FILE=<Src>\app\data\keep.txt, <Src>\app\readme.txt, <Src>\app\flags.txt
ARG=1, 2, 21

[ShellCopy]
MODE=SHELL
FUNC=COPY
FROM=<Src>\patch\tool.dll
TO=<Src>\app\tool.dll

[ShellMove]
MODE=SHELL
FUNC=MOVE
FROM=<Src>\patch\extra
TO=<Src>\app\extra

[ShellDelete]
MODE=SHELL
FUNC=DELETE
FROM=<Src>\app\oldlogs
TO=<Src>\app\stale2.txt

[Rsrc]
MODE=RSRC
FROM=<Src>\patch\source.exe
TO=<Src>\app\target.exe
TYPE=#6, #10 ,CONFIG
NAME=#1,data, main

[Link]
MODE=LINK
SRC=<Src>\app\app.exe
PARAM=/safe
SHOWCMD=1
DST=<Src>\app\menu\App
"""
# A run that copies a tree, then waits for a program (which is not undone), then fails.
WAITING_SCRIPT = r"""[UPDATER]
NAME=Patch
ROLLBACK=1
PROC=Ask,Tree,Wait,Missing

[Ask]
MODE=MSGBOX
FLAG=
TYPE=QUESTION
TEXT=Update now?
ISABORT=0,1

[Tree]
MODE=COPY
FROM=<Src>\patch\data
TO=<Src>\app\data

[Wait]
MODE=LAUNCH
FILE=<Src>\bin\test_helper.exe
PARAM=sleep 6
ISWAIT=1

[Missing]
MODE=COPY
FROM=<Src>\patch\missing.txt
TO=<Src>\app\missing.txt
"""
ASK = {"caption": "Patch", "style": 36, "text": "Update now?"}
# The box that tells of an undone run, in the program's default language and in English.
UNDONE = {None: "中断された更新を元に戻しました。", "en": "An interrupted update was undone."}
INFORMATION = 64


def make_rollback_folder(root, odd_modes):
    """The folder the script changes, every entry dated in the past to the nanosecond.
    odd_modes: permission bits a Windows program cannot know of, and symbolic links."""
    samples = ROOT / "tests" / "rsrc" / "samples"
    files = {}
    for i in range(8):
        files[f"app/data/f{i:02}.bin"] = pattern(f"old{i}", MiB)
        files[f"patch/data/f{i:02}.bin"] = pattern(f"new{i}", MiB)
    files["patch/data/sub/s0.bin"] = pattern("sub0", MiB // 4)
    files["patch/data/sub/s1.bin"] = pattern("sub1", MiB // 4)
    files["app/data/keep.txt"] = b"keep"
    for i in range(4):
        files[f"patch/new/n{i:02}.bin"] = pattern(f"fresh{i}", MiB // 2)
        files[f"app/cache/c{i}.bin"] = pattern(f"cache{i}", MiB // 4)
        files[f"app/oldlogs/l{i}.txt"] = f"log {i}\n".encode()
    files["app/cache/deep/d.bin"] = pattern("deep", MiB // 4)
    files["app/big.bin"] = pattern("big-old", 8 * MiB)
    files["patch/big.bin"] = pattern("big-new", 8 * MiB)
    files["app/old.dll"] = pattern("old-dll", MiB)
    files["app/plugins/p.dll"] = pattern("p", MiB // 2)
    files["app/plugins/sub/q.dll"] = pattern("q", MiB // 2)
    files["app/stale.txt"] = b"stale"
    files["app/stale2.txt"] = b"stale too"
    files["app/readme.txt"] = b"readme"
    files["app/locked.txt"] = b"locked"
    files["app/flags.txt"] = b"flags"
    files["app/tool.dll"] = pattern("tool-old", MiB)
    files["patch/tool.dll"] = pattern("tool-new", MiB)
    files["patch/extra/e0.bin"] = pattern("extra0", MiB // 2)
    files["patch/extra/sub/e1.bin"] = pattern("extra1", MiB // 2)
    files["app/app.exe"] = b"app 1.0"
    files["patch/source.exe"] = (samples / "source.exe").read_bytes()
    files["app/target.exe"] = (samples / "target.exe").read_bytes()
    for name, data in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    # Read-only and hidden already: what ATTR and DELETE take away, the undo brings back.
    os.chmod(root / "app/locked.txt", 0o444)
    for hidden in ("app/flags.txt", "app/cache/c1.bin", "app/plugins"):
        os.setxattr(root / hidden, "user.DOSATTRIB", b"0x2")
    if odd_modes:
        os.chmod(root / "app/old.dll", 0o600)
        os.chmod(root / "app/cache/c0.bin", 0o755)
        os.chmod(root / "app/plugins", 0o750)
        os.chmod(root / "app/oldlogs/l0.txt", 0o640)
        os.symlink("../readme.txt", root / "app/cache/readme-link")
        os.symlink("..", root / "app/plugins/up")


def date_everything(root):
    """Sets the times of every entry, deepest first, to distinct moments in the past that
    have nanoseconds: an undo that leaves a time of its own, or rounds one, shows."""
    moment = 1_600_000_000_123_456_789
    for path in sorted(root.rglob("*"), key=lambda p: -len(p.parts)) + [root]:
        if not path.is_symlink():
            moment += 1_000_000_007
            os.utime(path, ns=(moment, moment))


def timeless(state):
    """A folder's state without what differs from run to run: the times, and the bytes of
    a shortcut, which holds the folder's own path."""
    return {path: {k: v for k, v in entry.items()
                   if k != "mtime_ns" and not (k == "bytes" and path.endswith(".LNK"))}
            for path, entry in state.items()}


class RollbackRound:
    """One folder and its state folder: starts the program there, finds its journal."""

    def __init__(self, runner, root, aux, state, home=False, script=ROLLBACK_SCRIPT):
        self.runner, self.root, self.aux, self.text = runner, root, aux, script
        self.platform = runner.platform
        self.script = root / "updater.ini"
        # The Linux program keeps its journals in this round's own state folder, or without
        # XDG_STATE_HOME under the home folder's .local/state.
        self.extra = {}
        if self.platform.name == "native":
            self.extra = ({"XDG_STATE_HOME": None, "HOME": str(state)} if home
                          else {"XDG_STATE_HOME": str(state)})
        self.env = runner.environment(aux, self.extra)
        self.leave_out = {self.platform.program, "updater.ini"}

    def prepare(self):
        self.earlier = set(e2e.journals(self.platform, self.env))
        make_rollback_folder(self.root, self.platform.name == "native")
        self.runner.prepare(self.root)
        if "test_helper" in self.text:
            (self.root / "bin").mkdir()
            shutil.copy2(self.platform.build / ("test_helper" + self.platform.suffix),
                         self.root / "bin" / "test_helper.exe")
        self.script.write_bytes(self.text.encode(self.platform.encoding))
        date_everything(self.root)
        return self.state()

    def state(self):
        return e2e.tree_state(self.root, self.leave_out)

    def settled_state(self):
        """The state once it stops changing: under Wine a killed program's handles are
        closed, and files it deleted go, only when the server notices its end."""
        last = None
        for _ in range(100):
            try:
                now = self.state()
            except FileNotFoundError:
                now = None
            if now is not None and now == last:
                return now
            last = now
            time.sleep(0.05)
        return self.state()

    def start(self, answers=None, language=None, aux=None):
        extra = dict(self.extra)
        if answers:
            extra["UPDATER_ANSWERS"] = answers
        if language:
            extra["UPDATER_LANGUAGE"] = language
        return self.runner.start(self.root, self.text, aux or self.aux, extra)

    def kill(self, process, delay):
        """Kills the process after delay seconds; its exit code if it had ended by then."""
        try:
            return process.wait(timeout=delay)
        except subprocess.TimeoutExpired:
            process.send_signal(signal.SIGKILL)
            process.wait()
            return None

    def journals(self):
        """{journal folder: its first line, None without one} of this script's journals:
        those that name it, and those made since the round began that name no other (on
        Linux every journal of the round's state folder)."""
        mine = {}
        for folder, line in e2e.journals(self.platform, self.env).items():
            header = e2e.JOURNAL_HEADER.match(line or "")
            if header and e2e.same_script(header.group(1), self.platform.windows_path(self.script)):
                mine[folder] = line
            elif folder not in self.earlier and not header:
                mine[folder] = line
        return mine

    def journal_problems(self):
        """What is wrong with the journals left by a killed run that changed the folder: it
        journals each change before making it, so a journal naming the script is there."""
        problems = []
        mine = self.journals()
        named = []
        for folder, line in mine.items():
            if not re.fullmatch(r"[0-9A-Fa-f]{16}", folder.name):
                problems.append(f"journal folder {folder.name} is not named by 16 hex digits")
            header = e2e.JOURNAL_HEADER.match(line or "")
            if line is None or not line.endswith("\n"):
                continue  # the header itself may be cut short by the kill
            if not header:
                problems.append(f"journal {folder} begins {line!r}")
            elif not e2e.same_script(header.group(1), self.platform.windows_path(self.script)):
                problems.append(f"journal {folder} names {header.group(1)!r}, not the script")
            else:
                named.append(folder)
                if not (folder / "kept").is_dir():
                    problems.append(f"journal folder {folder} has no folder kept")
        if not named:
            problems.append(f"the folder changed but no journal names the script ({mine})")
        return problems


def check_recovery(code, boxes, undo, language):
    """The start after a kill, answered No: the undo's box, then the question. undo: "one"
    when the folder was changed, "none" when no run was interrupted, "at most one" when
    the killed run may have journaled without changing anything yet."""
    problems = []
    undone = [b for b in boxes if b.get("style") == INFORMATION]
    asked = [b for b in boxes if {k: b.get(k) for k in ASK} == ASK]
    if code != 2:
        problems.append(f"the start answered No ended with {code}, expected 2")
    if {"one": len(undone) != 1, "none": len(undone) != 0,
            "at most one": len(undone) > 1}[undo]:
        problems.append(f"{len(undone)} boxes telling of an undone run, expected {undo}")
    for box in undone:
        if box.get("text") != UNDONE[language]:
            problems.append(f"the box tells {box.get('text')!r}, expected {UNDONE[language]!r}")
    if len(asked) != 1 or asked[0].get("answer") != 7 or boxes[-1] is not asked[0] or \
            len(boxes) != len(undone) + 1:
        problems.append(f"expected {'the undo box and ' if undone else ''}the question answered "
                        f"No, got {boxes}")
    return problems


def second_start(round_, log):
    """A start of the script while a run of it waits for a program: it must not take the
    running run's journal for an interrupted one, nor undo or forget it. The running run
    then fails and undoes itself alone."""
    runner, aux = round_.runner, round_.aux
    before = round_.prepare()
    first = round_.start()
    # Until the first run has copied the tree and waits for the program.
    copied = [f"patch/data/f{i:02}.bin" for i in range(8)] + ["patch/data/sub/s1.bin"]
    deadline = time.monotonic() + e2e.TIMEOUT
    while time.monotonic() < deadline and first.poll() is None and not all(
            before[name]["bytes"] == round_.state().get(name.replace("patch", "app", 1), {}).get("bytes")
            for name in copied):
        time.sleep(0.05)
    time.sleep(0.2)
    waiting = round_.state()
    # Its transcript apart, as the first run still writes to its own.
    other = aux.parent / (aux.name + "-second")
    other.mkdir()
    code, boxes, problems = runner.finish(round_.start("NO", aux=other), other)
    shutil.rmtree(other)
    second = f"the second start ended with {code} after {len(boxes)} box(es)"
    if first.poll() is not None:
        problems.append("the first run ended before the second start did: nothing was tried")
    # Answered No before it changes anything, it has no reason to fail.
    if code != 2 or boxes != [dict(ASK, answer=7)]:
        problems.append(f"{second}: {boxes}, expected the question alone answered No (2)")
    problems += ["after the second start: " + line for line in
                 e2e.state_differences(waiting, round_.state(), runner.platform.time_unit_ns)]
    if not round_.journals():
        problems.append("the second start removed the journal of the run still going on")
    code, boxes, run_problems = runner.finish(first, aux)
    problems += run_problems
    if code != 1 or len(boxes) != 2 or boxes[0] != dict(ASK, answer=6) or \
            not boxes[1].get("text", "").startswith("ファイルのコピーに失敗しました。"):
        problems.append(f"the first run ended with {code} after {boxes}, expected message 8")
    problems += ["after the first run: " + line for line in
                 e2e.state_differences(before, round_.state(), runner.platform.time_unit_ns)]
    if round_.journals():
        problems.append(f"journals left: {round_.journals()}")
    log(f"rollback: a second start while a run goes on: {second}; "
        + ("passed" if not problems else "failed"))
    for p in problems[:24]:
        log("    " + p)
    return 1 if problems else 0


def rollback(runner, rounds, rng, log):
    failures = 0
    with tempfile.TemporaryDirectory(prefix="faults-") as scratch:
        scratch = Path(os.path.realpath(scratch))
        aux = scratch / "aux"
        aux.mkdir()

        def new_round(name, home=False):
            (scratch / name).mkdir()
            (scratch / f"{name}-state").mkdir()
            return RollbackRound(runner, scratch / name, aux, scratch / f"{name}-state", home)

        # Runs never killed: they keep their changes and leave no journal. The quickest
        # tells how long a run takes, so that few kills come after the end; a start answered
        # No then finds nothing to undo, and tells when the changes begin.
        durations, asking = [], []
        for number in range(3):
            whole = new_round(f"whole{number}")
            before = whole.prepare()
            started = time.monotonic()
            code, boxes, problems = runner.finish(whole.start(), aux)
            durations.append(time.monotonic() - started)
            if code != 0 or boxes != [dict(ASK, answer=6)] or problems:
                log(f"rollback: a run never killed ended with {code}, boxes {boxes}, {problems}")
                return 1
            after = whole.state()
            updated = timeless(after)
            if after.get("app/big.bin", {}).get("bytes") != before["patch/big.bin"]["bytes"] \
                    or "app/menu/App.LNK" not in after or whole.journals():
                log("rollback: a run never killed did not keep its changes, or left a "
                    f"journal: {whole.journals()}")
                return 1
            started = time.monotonic()
            code, boxes, problems = runner.finish(whole.start("NO"), aux)
            asking.append(time.monotonic() - started)
            problems += check_recovery(code, boxes, "none", None)
            problems += e2e.state_differences(after, whole.state(), runner.platform.time_unit_ns)
            if problems:
                log("rollback: a start answered No after a whole run: " + "; ".join(problems))
                return 1
            shutil.rmtree(whole.root)
        duration, asking = min(durations), min(asking)
        (scratch / "waiting").mkdir()
        (scratch / "waiting-state").mkdir()
        failures += second_start(RollbackRound(runner, scratch / "waiting", aux,
                                               scratch / "waiting-state", script=WAITING_SCRIPT),
                                 log)
        log(f"rollback: a whole run takes {duration:.2f} s, the question comes after "
            f"{asking:.2f} s; {rounds} rounds")

        outcomes = {"changed nothing": 0, "changed": 0, "changed everything": 0,
                    "ended before the kill": 0, "second start killed": 0}
        recovery = duration
        for number in range(rounds + 1):
            # Round 0 kills late and times the undo, for the kills of the undo that follow.
            # Most kills come once the question is answered, when the changes are made.
            delay = rng.uniform(asking * 0.9 if number % 4 else 0, duration)
            if number == 0:
                delay = duration * 0.8
            kill_again = number % 4 == 3
            second_delay = rng.uniform(0, recovery)
            language = "en" if number % 3 == 2 else None
            round_ = new_round(f"round{number}", home=number % 5 == 4)
            problems = []
            before = round_.prepare()
            started = time.monotonic()
            ended = round_.kill(round_.start(), delay)
            if ended is not None:
                # Runs take longer under load: later kills aim at the quickest run seen.
                duration = min(duration, time.monotonic() - started)
            killed = round_.settled_state()
            # Killed after its last change, perhaps while it forgot its journal: the next
            # start may undo the run or find nothing to undo.
            complete = ended is None and timeless(killed) == updated
            if ended is not None:
                outcomes["ended before the kill"] += 1
                if ended != 0:
                    problems.append(f"the run ended by itself with {ended}")
                before = killed  # it kept its changes; the next start has nothing to undo
                undo = "none"
            elif complete:
                outcomes["changed everything"] += 1
                undo = "at most one"
            else:
                changed = killed != before
                outcomes["changed" if changed else "changed nothing"] += 1
                if changed:
                    problems += round_.journal_problems()
                undo = "one" if changed else "at most one"
            unit = runner.platform.time_unit_ns
            if kill_again:
                if round_.kill(round_.start("NO", language), second_delay) is None:
                    outcomes["second start killed"] += 1
                shown, _ = e2e.read_transcript(aux / "transcript.jsonl")
                if any(box.get("style") == 16 for box in shown):
                    problems.append(f"the undo that was killed showed an error: {shown}")
                if undo == "one" and round_.settled_state() != killed:
                    undo = "at most one"  # perhaps undone, but not yet forgotten
            started = time.monotonic()
            code, boxes, run_problems = runner.finish(round_.start("NO", language), aux)
            if number == 0:
                recovery = time.monotonic() - started
            problems += run_problems
            final = round_.state()
            if complete and not e2e.state_differences(killed, final, unit):
                before, undo = killed, "none"  # the journal was gone: the update stays
            problems += check_recovery(code, boxes, undo, language)
            problems += e2e.state_differences(before, final, unit)
            left = round_.journals()
            if left:
                problems.append(f"journals left: {left}")
            if problems:
                failures += 1
                log(f"rollback: round {number}, killed after {delay:.3f} s"
                    + (f", its undo after {second_delay:.3f} s" if kill_again else "") + ":")
                for p in problems[:24]:
                    log("    " + p)
                if len(problems) > 24:
                    log(f"    ... and {len(problems) - 24} more")
            shutil.rmtree(round_.root)
        summary = ", ".join(f"{what}: {n}" for what, n in outcomes.items())
        log(f"rollback: {rounds + 1} kills ({summary}), {failures} with a problem")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--platform", action="append", choices=["native", "win64"])
    parser.add_argument("--native-build", type=Path, default=ROOT / "build/native")
    parser.add_argument("--win64-build", type=Path, default=ROOT / "build/win64")
    parser.add_argument("--kills", type=int, default=40, help="rounds of kills (default 40)")
    parser.add_argument("--vanish", type=int, default=15, help="runs with files taken away")
    parser.add_argument("--rollback", type=int, default=40,
                        help="rounds of kills of a run that is undone (default 40)")
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
            if options.rollback:
                failures += rollback(runner, options.rollback, rng, log)
        finally:
            platform.stop()
    print("all rounds passed" if failures == 0 else f"{failures} rounds failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
