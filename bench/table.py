#!/usr/bin/env python3
"""Prints the performance table: each piece of work done by the Linux program beside its
yardstick, in one run, with the ratio of their median times and the target.

    bench/table.py [--build build/native] [--rounds 5] [--windows build/win64] [--only TEXT]
                   [--parent DIR]

Builds the ISA-L yardstick, makes the data (about 2 GiB written, and a sparse 5 GiB file)
in a temporary folder under --parent (default $TMPDIR or /tmp) and removes it at the end.
The two commands of a row alternate, round by round, each after the same preparation and a
sync, so that a slow moment of a shared machine falls on both. With --windows, the
Windows program's CRC and COPY rows are added, run under Wine by that build's wine-run.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent


def spawn(argv, env):
    """Runs argv; returns (seconds, exit status)."""
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, env,
                         file_actions=[(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)])
    _, status = os.waitpid(pid, 0)
    return time.perf_counter() - start, os.waitstatus_to_exitcode(status)


def peak_kib(argv, env):
    """The peak RSS of argv, through GNU time: a child keeps its parent's high-water mark
    across exec, so Python's own would show."""
    with tempfile.NamedTemporaryFile("r") as out:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out.name] + [str(a) for a in argv],
                       env=env, stdout=subprocess.DEVNULL)
        return int(out.read().split()[-1])


class Table:
    def __init__(self, args, work):
        self.rounds = args.rounds
        self.work = work
        self.transcript = work / "boxes.jsonl"
        self.env = dict(os.environ, UPDATER_UNATTENDED=str(self.transcript))
        self.rows = []
        self.only = args.only.lower() if args.only else None

    def run(self, argv, env=None):
        self.transcript.unlink(missing_ok=True)
        seconds, status = spawn([str(a) for a in argv], env or self.env)
        if status != 0:
            raise SystemExit(f"{argv[0]} ended with {status}: {self.boxes()}")
        return seconds

    def boxes(self):
        return self.transcript.read_text() if self.transcript.exists() else ""

    def row(self, what, yardstick, target, ours, theirs, prepare=lambda: None, repeat=1,
            ours_env=None, boxes=False):
        """Times ours and theirs alternately; a row's time is the median of its rounds,
        each round the median of `repeat` runs (for commands of a few milliseconds). Ours
        may show boxes only where boxes says so."""
        if self.only and self.only not in what.lower():
            return
        print(f"timing: {what}", file=sys.stderr)
        times = {0: [], 1: []}
        commands = [(ours, ours_env), (theirs, None)]
        for round_number in range(self.rounds + 1):  # the first round warms up
            for which in (0, 1) if round_number % 2 else (1, 0):
                argv, env = commands[which]
                runs = []
                for _ in range(repeat):
                    prepare()
                    os.sync()
                    runs.append(self.run(argv, env))
                    if which == 0 and not boxes and self.boxes():
                        raise SystemExit(f"{what}: the updater showed {self.boxes()}")
                if round_number:
                    times[which].append(statistics.median(runs))
        self.rows.append((what, yardstick, statistics.median(times[0]),
                          statistics.median(times[1]), target))


def updater(folder, program, script):
    """A copy of program in folder with script beside it as updater.ini."""
    folder.mkdir(parents=True, exist_ok=True)
    name = "updater.exe" if program.suffix == ".exe" else "updater"
    shutil.copy(program, folder / name)
    (folder / "updater.ini").write_text(script)
    return folder / name


def linux_path(path):
    """A path as scripts write it for the Linux program: backslashes for slashes."""
    return str(path).replace("/", "\\")


def windows_path(path):
    return "Z:" + linux_path(path)


def script(name, section):
    return f"[UPDATER]\nNAME=Bench\nPROC={name}\n\n[{name}]\n{section}"


def make_tree(root):
    for d in range(100):
        (root / f"d{d}").mkdir(parents=True)
        for f in range(100):
            (root / f"d{d}" / f"f{f}.bin").write_bytes(os.urandom(4096))


def many_procedures(n, present):
    """Groups of 100 EXIST procedures run by SWITCH sections, each its own section."""
    groups = [range(g, min(g + 100, n)) for g in range(0, n, 100)]
    lines = ["[UPDATER]", "NAME=Bench",
             "PROC=Present," + ",".join(f"G{i}" for i in range(len(groups))), ""]
    for i, group in enumerate(groups):
        lines += [f"[G{i}]", "MODE=SWITCH", "PROC=Present", "0=",
                  "1=" + ",".join(f"P{j}" for j in group), ""]
    for name in ["Present"] + [f"P{j}" for j in range(n)]:
        lines += [f"[{name}]", "MODE=EXIST", f"FILE={present}", ""]
    return "\n".join(lines)


def remove(*paths):
    for path in paths:
        if path.is_dir():
            shutil.rmtree(path)
        elif path.exists():
            path.unlink()


def crc_from_transcript(table):
    return json.loads(table.boxes().splitlines()[0])["text"].split("0x")[-1].lower()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--windows", help="a Windows build folder with wine-run")
    parser.add_argument("--only", help="time only the rows whose text holds this")
    parser.add_argument("--parent", default=os.environ.get("TMPDIR", "/tmp"))
    args = parser.parse_args()
    build = Path(args.build).resolve()
    program = build / "updater"

    with tempfile.TemporaryDirectory(prefix="updater-table.", dir=args.parent) as folder:
        work = Path(folder)
        # The journals of ROLLBACK=1 on the same file system as the data.
        os.environ["XDG_STATE_HOME"] = str(work / "state")
        table = Table(args, work)
        isal = work / "isal_crc"
        subprocess.run(["cc", "-O2", "-o", isal, HERE / "yardsticks/isal_crc.c", "-lisal"],
                       check=True)
        cp, mv, rm = (shutil.which(tool) for tool in ("cp", "mv", "rm"))

        print(f"making the data in {work}", file=sys.stderr)
        big = work / "big.bin"
        with open(big, "wb") as out:
            for _ in range(1024):
                out.write(os.urandom(1 << 20))
        tree = work / "tree"
        make_tree(tree)
        sparse = work / "sparse5.bin"
        with open(sparse, "wb") as out:
            out.truncate(5 << 30)
        os.sync()

        # CRC of 1 GiB in the page cache.
        crc = updater(work / "crc", program,
                      script("Crc", f"MODE=CRC\nFILE={linux_path(big)}\nTYPE=AND\nCRC=\n"))
        table.run([crc])
        expected = subprocess.run([isal, big], capture_output=True, text=True).stdout.strip()
        if crc_from_transcript(table) != expected:
            raise SystemExit(f"CRC values differ: {crc_from_transcript(table)}, {expected}")
        table.row("CRC procedure, 1 GiB file", "ISA-L crc32_gzip_refl", 1.5,
                  [crc], [isal, big], boxes=True)

        target = work / "target"
        copy = updater(work / "copy", program,
                       script("Copy", f"MODE=COPY\nFROM={linux_path(tree)}\nTO={linux_path(target)}\n"))
        table.row("COPY of 10,000 files of 4 KiB in 100 folders", "cp -r", 1.2,
                  [copy], [cp, "-r", tree, target], prepare=lambda: remove(target))
        table.run([copy])
        subprocess.run(["diff", "-r", tree, target], check=True, stdout=subprocess.DEVNULL)

        # Onto the copy just made: every file is replaced, so with ROLLBACK=1 every one is
        # kept aside first. The same script without the key is the yardstick.
        plain = f"MODE=COPY\nFROM={linux_path(tree)}\nTO={linux_path(target)}\n"
        onto = updater(work / "onto", program, script("Copy", plain))
        undoable = updater(work / "undoable", program,
                           script("Copy", plain).replace("PROC=", "ROLLBACK=1\nPROC="))
        table.row("COPY of that tree onto its copy, ROLLBACK=1", "the same without ROLLBACK", 1.5,
                  [undoable], [onto])
        subprocess.run(["diff", "-r", tree, target], check=True, stdout=subprocess.DEVNULL)
        if any((work / "state").rglob("journal")):
            raise SystemExit("a run that ended left its journal")
        remove(target)

        big_copy = work / "big-copy.bin"
        copy1 = updater(work / "copy1", program,
                        script("Copy", f"MODE=COPY\nFROM={linux_path(big)}\nTO={linux_path(big_copy)}\n"))
        table.row("COPY of one 1 GiB file", "cp", 1.1, [copy1], [cp, big, big_copy],
                  prepare=lambda: remove(big_copy))
        remove(big_copy)

        moving, moved = work / "moving", work / "moved"

        def fresh_source():
            remove(moving, moved)
            subprocess.run([cp, "-r", tree, moving], check=True)

        move = updater(work / "move", program,
                       script("Move", f"MODE=MOVE\nFROM={linux_path(moving)}\nTO={linux_path(moved)}\n"))
        table.row("MOVE of that tree to a new folder", "mv", 2, [move], [mv, moving, moved],
                  prepare=fresh_source)

        def fresh_victim():
            remove(moving)
            subprocess.run([cp, "-r", tree, moving], check=True)

        delete = updater(work / "delete", program, script("Delete", f"MODE=DELETE\nFILE={linux_path(moving)}\n"))
        table.row("DELETE of that tree", "rm -rf", 1.1, [delete], [rm, "-rf", moving],
                  prepare=fresh_victim)
        remove(moving, moved)

        small = updater(work / "procs10000", program, many_procedures(10000, linux_path(big)))
        large = updater(work / "procs100000", program, many_procedures(100000, linux_path(big)))
        table.row("A script of 100,000 EXIST procedures", "the same with 10,000", 11,
                  [large], [small])

        one = updater(work / "one", program, script("One", f"MODE=EXIST\nFILE={linux_path(big)}\n"))
        table.row("A script of one procedure, start to end", "/bin/true", 3,
                  [one], ["/bin/true"], repeat=21)

        # Peak memory of the CRC procedure beside a script without procedures (which ends
        # with its message, so its exit status is not looked at).
        empty = updater(work / "empty", program, "[UPDATER]\nNAME=Bench\nPROC=\n")
        empty_peak = peak_kib([empty], table.env)
        crc5 = updater(work / "crc5", program,
                       script("Crc", f"MODE=CRC\nFILE={linux_path(sparse)}\nTYPE=AND\nCRC=\n"))
        peaks = [peak_kib([crc], table.env), peak_kib([crc5], table.env)]

        if args.windows:
            windows_rows(table, Path(args.windows).resolve(), work, big, tree, isal, cp, expected)

        # CRC-32 in memory, from the benchmark: our dispatched function beside zlib's.
        bench = build / "bench" / "crc32_bench"
        if bench.exists():
            table.rows.append(crc_in_memory(bench, args.rounds))

    print(f"\n{os.cpu_count()} cores, {args.rounds} rounds, medians; lower ratios are faster\n")
    print("| Work | Yardstick | Ours | Yardstick's | Ratio | Target | Met |")
    print("|---|---|---|---|---|---|---|")
    for what, yardstick, ours, theirs, target in table.rows:
        ratio = ours / theirs
        verdict = ("yes" if ratio <= target else "NO") if target else ""
        print(f"| {what} | {yardstick} | {ours:.4g} s | {theirs:.4g} s | {ratio:.2f} | "
              f"{f'at most {target}' if target else 'none'} | {verdict} |")
    extra = max(peaks) - empty_peak
    print(f"| Peak memory of a CRC procedure, 1 GiB / 5 GiB | a script without procedures, "
          f"{empty_peak / 1024:.1f} MiB | {peaks[0] / 1024:.1f} / {peaks[1] / 1024:.1f} MiB | | "
          f"+{extra / 1024:.1f} MiB | at most +8 MiB | {'yes' if extra <= 8 * 1024 else 'NO'} |")




def windows_rows(table, build, work, big, tree, isal, cp, expected):
    wine_run = build / "wine-run"
    subprocess.run([wine_run, "--start"], check=True)
    try:
        env = dict(table.env, UPDATER_UNATTENDED=windows_path(table.transcript))
        program = build / "updater.exe"
        crc = updater(work / "wcrc", program, script(
            "Crc", f"MODE=CRC\nFILE={windows_path(big)}\nTYPE=AND\nCRC=\n"))
        table.run([wine_run, crc], env)
        if crc_from_transcript(table) != expected:
            raise SystemExit(f"CRC values differ under Wine: {crc_from_transcript(table)}")
        # The targets are the Linux program's; Wine's own costs differ from Windows'.
        table.row("CRC procedure, 1 GiB file (Windows program, Wine)", "ISA-L crc32_gzip_refl",
                  None, [wine_run, crc], [isal, big], ours_env=env, boxes=True)
        one = updater(work / "wone", program, script(
            "One", f"MODE=EXIST\nFILE={windows_path(big)}\n"))
        table.row("A script of one procedure (Windows program, Wine)", "/bin/true", None,
                  [wine_run, one], ["/bin/true"], ours_env=env)
        target = work / "wtarget"
        copy = updater(work / "wcopy", program, script(
            "Copy", f"MODE=COPY\nFROM={windows_path(tree)}\nTO={windows_path(target)}\n"))
        table.row("COPY of 10,000 files of 4 KiB (Windows program, Wine)", "cp -r", None,
                  [wine_run, copy], [cp, "-r", tree, target], ours_env=env,
                  prepare=lambda: remove(target))
        remove(target)
    finally:
        subprocess.run([wine_run, "--stop"])


def crc_in_memory(bench, rounds):
    out = subprocess.run(
        [bench, "--benchmark_filter=BM_(Dispatched|Zlib)/67108864/0$",
         f"--benchmark_repetitions={rounds}", "--benchmark_report_aggregates_only=true",
         "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    medians = [b for b in json.loads(out)["benchmarks"] if b.get("aggregate_name") == "median"]
    ours = next(b for b in medians if "Dispatched" in b["run_name"])["bytes_per_second"]
    zlib = next(b for b in medians if "Zlib" in b["run_name"])["bytes_per_second"]
    # As times for the same bytes, so that the ratio reads as the others do. 64 MiB is far
    # beyond the caches: a larger buffer gives the same throughput.
    return ("CRC-32 of a 64 MiB buffer in memory (as time per byte)", "zlib's crc32", 1 / ours, 1 / zlib, 0.5)


if __name__ == "__main__":
    main()
