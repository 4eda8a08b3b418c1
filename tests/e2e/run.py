#!/usr/bin/env python3
"""Runs the end-to-end cases against the Linux program and the Windows program under Wine.

Each case is a folder cases/<group>/<case>/ holding case.json, usually updater.ini, and
optionally files/. For each case and platform the runner makes a fresh temporary folder,
copies the program, the script and files/ into it, runs the program there unattended and
compares the exit code, the transcript of boxes and the files with what case.json expects.
Every ```ini block of the Markdown files in SNIPPET_DOCS is a case too: its script is the
block, its case.json the <!-- e2e: {...} --> comment after it.
See tests/e2e/README.md for the fields of case.json.
"""

import argparse
import functools
import hashlib
import json
import os
import re
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
CASES = HERE / "cases"
TIMEOUT = 60  # seconds; a run that takes longer fails the case
CASE_FIELDS = {"args", "answers", "registry", "env", "exit", "boxes", "files", "platforms",
               "why", "pending", "template", "script", "description", "helpers", "setup",
               "links", "named", "file_size_limit", "immutable", "log", "locale", "program",
               "stdout", "checker", "unchanged", "journal"}
# The locales a case may run in ("locale"), and the code page the Windows program then
# reads its script in. Without one, the programs run where their messages are Japanese.
LOCALES = {"ja_JP.UTF-8": "cp932", "en_US.UTF-8": "cp1252"}
# The programs a case may run: the updater, or the checker given the case's args.
PROGRAMS = ("updater", "updater-check")
# Markdown files, relative to the project, whose ```ini blocks are run so that they cannot
# drift from what the programs do.
SNIPPET_DOCS = ["README.md", "docs/scripts.md"]
BOX_FIELDS = ["caption", "style", "text", "answer"]
# A rollback journal's first line: the format, the script's full path, a checksum.
JOURNAL_HEADER = re.compile(r"updater-rollback 1\t([^\t]+)\t(\S+)")
SANITIZER_LOG = "sanitizer"  # reports go to aux/sanitizer.<pid>
SANITIZER_OUTPUT = re.compile(r"^\S.*: runtime error: |^==\d+==ERROR: \w+Sanitizer|"
                              r"^SUMMARY: \w+Sanitizer", re.M)


class CaseError(Exception):
    """A case.json or case folder that cannot be run as written."""


class Case:
    """What one run needs: the case.json fields, the script text (None: no script) and the
    folder copied beside the program (None: nothing)."""

    def __init__(self, fields, script, files):
        self.fields, self.script, self.files = fields, script, files


# ---------------------------------------------------------------------------- platforms

class Native:
    name = "native"
    program = "updater"
    suffix = ""
    encoding = "utf-8"  # the program runs in a UTF-8 locale
    time_unit_ns = 1  # file times are kept to the nanosecond

    def __init__(self, build):
        self.build = build

    def windows_path(self, path):
        """A path as the program sees it (the form ${SRC} takes)."""
        return str(path).replace("/", "\\")

    def program_path(self, path):
        """A path as the program takes it from its environment."""
        return str(path)

    def encoding_for(self, locale):
        return self.encoding

    def environment(self, env, aux, locale=None):
        env["LC_ALL"] = "C.UTF-8"
        env["LANG"] = "C.UTF-8"
        # Rollback journals go to a state folder of the run's own, never the user's.
        env["XDG_STATE_HOME"] = str(aux / "state")
        if locale:
            # The locale's language chooses the messages; its character set is UTF-8 too.
            del env["LC_ALL"]
            env.pop("LC_MESSAGES", None)
            env["LANG"] = locale
            env["LOCPATH"] = str(generate_locale(self.build / "locale", locale))
        # A program built with sanitizers (and the helpers it starts) writes each report to
        # a file of its own in aux, found there after the run whatever the exit code.
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
            options = [env[name]] if env.get(name) else []
            env[name] = ":".join(options + [f"log_path={aux / SANITIZER_LOG}"])

    def command(self, program, args):
        return [str(program)] + args

    def rollback_folders(self, env):
        """Where the program keeps rollback journals, given its environment."""
        state = env.get("XDG_STATE_HOME", "")
        if not state.startswith("/"):
            state = os.path.join(env.get("HOME", ""), ".local", "state")
        return [Path(state) / "corvan-updater" / "rollback"]

    def install_registry(self, registry, aux, env):
        reg = aux / "registry.reg"
        reg.write_bytes(regedit_file(registry))
        env["UPDATER_REGISTRY"] = self.program_path(reg)

    def remove_registry(self, registry):
        pass

    def start(self):
        check_program(self)

    def stop(self):
        pass


class Win64:
    name = "win64"
    program = "updater.exe"
    suffix = ".exe"
    encoding = "cp932"  # wine-run gives the program code page 932
    time_unit_ns = 100  # Windows file times count 100 ns

    def __init__(self, build):
        self.build = build
        self.wine_run = build / "wine-run"
        self.started_server = False

    def windows_path(self, path):
        return "Z:" + str(path).replace("/", "\\")

    program_path = windows_path

    def encoding_for(self, locale):
        return LOCALES[locale] if locale else self.encoding

    def environment(self, env, aux, locale=None):
        # wine-run sets the prefix, the locale (this one, or ja_JP.UTF-8) and the rest.
        env.pop("WINE_RUN_LOCALE", None)
        if locale:
            env["WINE_RUN_LOCALE"] = locale

    def command(self, program, args):
        return [str(self.wine_run), str(program)] + args

    def rollback_folders(self, env):
        # %LOCALAPPDATA% of whichever user the prefix was made for.
        return sorted((self.build / "wineprefix" / "drive_c" / "users").glob(
            "*/AppData/Local/Corvan Updater/Rollback"))

    def install_registry(self, registry, aux, env):
        reg = aux / "registry.reg"
        reg.write_bytes(regedit_file(registry))
        done = self.wine(["regedit", "/S", self.windows_path(reg)])
        if done.returncode != 0:
            raise CaseError("regedit could not import the case's registry values")

    def remove_registry(self, registry):
        for key in registry:
            self.wine(["reg", "delete", key, "/f"])

    def wine(self, args):
        return subprocess.run([str(self.wine_run)] + args, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=TIMEOUT)

    def server_running(self):
        """True when a wineserver already serves this build's prefix (someone else's run)."""
        prefix = ("WINEPREFIX=" + str(self.build / "wineprefix")).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if not Path(f"/proc/{pid}/comm").read_text().startswith("wineserver"):
                    continue
                if prefix in Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                    return True
            except OSError:
                continue
        return False

    def start(self):
        check_program(self)
        if not self.wine_run.exists():
            raise CaseError(f"{self.wine_run} does not exist")
        self.started_server = not self.server_running()
        subprocess.run([str(self.wine_run), "--start"], check=True, timeout=300)

    def stop(self):
        # A server that was running before us belongs to another run in this build folder.
        if self.started_server:
            subprocess.run([str(self.wine_run), "--stop"], timeout=TIMEOUT)


def generate_locale(folder, locale):
    """A folder for LOCPATH holding the locale, generated once (glibc's localedef)."""
    if not (folder / locale).is_dir():
        folder.mkdir(parents=True, exist_ok=True)
        name, _, charset = locale.partition(".")
        done = subprocess.run(["localedef", "-i", name, "-f", charset, str(folder / locale)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not (folder / locale).is_dir():
            raise CaseError(f"cannot generate the {locale} locale (localedef: {done.returncode})")
    return folder


def check_program(platform):
    for name in PROGRAMS:
        if not (platform.build / (name + platform.suffix)).is_file():
            raise CaseError(f"{platform.build / (name + platform.suffix)} does not exist; "
                            "build it first")


def regedit_file(registry):
    """The case's registry values as a .reg file (UTF-16LE, as regedit writes it)."""
    def quote(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in registry.items():
        lines.append(f"[{key}]")
        for name, data in values.items():
            lines.append(("@" if name == "" else quote(name)) + "=" + quote(data))
        lines.append("")
    return "\ufeff".encode("utf-16-le") + "\r\n".join(lines + [""]).encode("utf-16-le")


# -------------------------------------------------------------------------------- cases

def substitute(value, src):
    """Replaces ${SRC} in every string of a JSON value."""
    if isinstance(value, str):
        return value.replace("${SRC}", src)
    if isinstance(value, list):
        return [substitute(v, src) for v in value]
    if isinstance(value, dict):
        return {substitute(k, src): substitute(v, src) for k, v in value.items()}
    return value


def check_fields(case, where):
    if not isinstance(case, dict):
        raise CaseError(f"{where}: not a JSON object")
    unknown = set(case) - CASE_FIELDS
    if unknown:
        raise CaseError(f"{where}: unknown fields {sorted(unknown)}")
    if case.get("locale", next(iter(LOCALES))) not in LOCALES:
        raise CaseError(f"{where}: locale must be one of {sorted(LOCALES)}")
    if case.get("program", "updater") not in PROGRAMS:
        raise CaseError(f"{where}: program must be one of {list(PROGRAMS)}")
    checker = case.get("program") == "updater-check"
    # The checker shows no box: its cases expect its output instead.
    for field in ("exit",) + (("stdout",) if checker else ("boxes",)):
        if field not in case:
            raise CaseError(f"{where}: missing field {field!r}")
    if "stdout" in case and not checker:
        raise CaseError(f"{where}: stdout is for updater-check cases")
    case.setdefault("boxes", [])
    for box in case["boxes"]:
        fields = sorted(box) if isinstance(box, dict) else None
        if fields != sorted(BOX_FIELDS) and fields != sorted(
                ["text_starts" if f == "text" else f for f in BOX_FIELDS]):
            raise CaseError(f"{where}: a box needs exactly the fields {BOX_FIELDS}: {box}")
    if not isinstance(case.get("setup", {}), dict):
        raise CaseError(f"{where}: setup needs an object of file names and texts")
    for name, content in case.get("setup", {}).items():
        if not isinstance(content, str):
            raise CaseError(f"{where}: setup file {name} needs a text, not {content!r}")
    if case.get("unchanged", True) is not True:
        raise CaseError(f"{where}: unchanged can only be true")
    if case.get("journal", False) is not False:
        raise CaseError(f"{where}: journal can only be false")
    return case


def load_case(folder):
    try:
        case = json.loads((folder / "case.json").read_text(encoding="utf-8"))
    except (OSError, ValueError) as e:
        raise CaseError(f"case.json: {e}")
    script = folder / "updater.ini"
    return Case(check_fields(case, "case.json"),
                script.read_text(encoding="utf-8") if script.is_file() else None,
                folder / "files" if (folder / "files").is_dir() else None)


FENCE = re.compile(r"^\s*(`{3,}|~{3,})\s*([^`\s]*)")
COMMENT = re.compile(r"\s*<!--\s*e2e:(.*?)-->", re.DOTALL)


def read_snippets(text):
    """The ```ini blocks of a Markdown text, in order, as (line number, script, the texts of
    the e2e comments that follow the block)."""
    lines = text.splitlines()
    snippets = []
    i = 0
    while i < len(lines):
        opening = FENCE.match(lines[i])
        if not opening:
            i += 1
            continue
        fence, info = opening.groups()
        indent = len(lines[i]) - len(lines[i].lstrip())
        closing = re.compile(r"^\s*" + re.escape(fence[0]) + "{" + str(len(fence)) + r",}\s*$")
        end = i + 1
        while end < len(lines) and not closing.match(lines[end]):
            end += 1
        if info.lower() == "ini":
            # A block inside a list item is indented; its script is not.
            body = [line[indent:] if not line[:indent].strip() else line.lstrip()
                    for line in lines[i + 1:end]]
            after = "\n".join(lines[end + 1:])
            comments = []
            position = 0
            while comment := COMMENT.match(after, position):
                comments.append(comment.group(1))
                position = comment.end()
            snippets.append((i + 1, "\n".join(body) + "\n", comments))
        i = end + 1
    return snippets


def fail(message):
    """A loader for what cannot become a case: it fails on every platform."""
    raise CaseError(message)


def load_snippet(doc, line, script, comment):
    where = f"{doc} line {line}"
    try:
        case = json.loads(comment)
    except ValueError as e:
        raise CaseError(f"{where}: the e2e comment is not JSON: {e}")
    return Case(check_fields(case, f"{where}: e2e comment"), script, None)


def snippet_cases(doc):
    """(name, loader) for each case of each ```ini block of a Markdown file: README.md gives
    readme/1, readme/2..., docs/scripts.md docs/scripts/1...; a block with several e2e
    comments gives readme/1.1, readme/1.2..."""
    group = str(Path(doc).with_suffix("")).lower()
    try:
        snippets = read_snippets((ROOT / doc).read_text(encoding="utf-8"))
    except OSError as e:
        return [(group, functools.partial(fail, f"{doc}: {e}"))]
    cases = []
    for number, (line, script, comments) in enumerate(snippets, 1):
        name = f"{group}/{number}"
        if not comments:
            cases.append((name, functools.partial(
                fail, f"{doc} line {line}: the ```ini block needs an <!-- e2e: {{...}} -->"
                " comment right after it holding its case.json fields")))
        for index, comment in enumerate(comments, 1):
            cases.append((name if len(comments) == 1 else f"{name}.{index}",
                          functools.partial(load_snippet, doc, line, script, comment)))
    return cases


def load_example(folder):
    script = folder / "updater.ini"
    return Case({"exit": 0, "boxes": []}, script.read_text(encoding="utf-8"),
                folder / "files" if (folder / "files").is_dir() else None)


def load_clean_check(load):
    """The checker over a script that the updater runs to its end: it must report nothing.
    The folder is prepared as for the updater's run; the checker gets the updater's
    arguments as the command line that ?Param sees, and the program's folder as <Src>."""
    case = load()
    fields = case.fields
    if (case.script is None or fields.get("program", "updater") != "updater"
            or fields["exit"] != 0 or fields.get("pending")):
        return None
    # A case that runs its command's edge on purpose (a DATE of a year alone, an ISABORT of
    # one number) says what the checker reports of it.
    report = fields.get("checker", [])
    checked = {k: v for k, v in fields.items()
               if k not in ("args", "answers", "exit", "boxes", "files", "description", "checker",
                            "log", "unchanged", "journal")}
    checked.update({"program": "updater-check", "boxes": [], "stdout": report,
                    "exit": 1 if any(": error: " in line for line in report) else 0,
                    "args": ["--src", ".", "--args", subprocess.list2cmdline(fields.get("args", [])),
                             fields.get("script", "updater.ini")]})
    return Case(checked, case.script, case.files)


def find_cases(filters):
    """(name, loader) for every case; a loader returns a Case, None (no such case after
    all) or raises CaseError."""
    folders = sorted(p.parent for p in CASES.glob("*/*/case.json"))
    cases = [(str(p.relative_to(CASES)), functools.partial(load_case, p)) for p in folders]
    for doc in SNIPPET_DOCS:
        cases += snippet_cases(doc)
    # The examples run to their end too (answered by default), though no case checks them.
    examples = [(str(p.relative_to(ROOT)), functools.partial(load_example, p))
                for p in sorted(ROOT.glob("examples/*")) if (p / "updater.ini").is_file()]
    # Every script the updater runs to its end, checked: none may give a report.
    cases += [("checker-clean/" + name, functools.partial(load_clean_check, load))
              for name, load in cases + examples]
    if filters:
        cases = [(n, load) for n, load in cases if any(f in n for f in filters)]
    return cases


def copy_tree(source, target, template, src, encoding):
    for path in sorted(source.rglob("*")):
        dest = target / path.relative_to(source)
        if path.is_dir():
            dest.mkdir(parents=True, exist_ok=True)
        else:
            dest.parent.mkdir(parents=True, exist_ok=True)
            data = path.read_bytes()
            if template:
                data = data.replace(b"${SRC}", src.encode(encoding))
            dest.write_bytes(data)


def write_script(text, target, template, src, encoding):
    """The script is kept in UTF-8 and written in the code page that the program reads."""
    if template:
        text = text.replace("${SRC}", src)
    try:
        data = text.encode(encoding)
    except UnicodeEncodeError as e:
        raise CaseError(f"the script cannot be written in {encoding}: {e}")
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(data)


def read_json_lines(path, what):
    """The objects of a JSON-lines file (none when it does not exist) and a problem for
    each line that is not JSON; what names the file in those problems."""
    if not path.exists():
        return [], []
    objects, problems = [], []
    for number, line in enumerate(path.read_bytes().decode("utf-8", "replace").splitlines(), 1):
        try:
            objects.append(json.loads(line))
        except ValueError:
            problems.append(f"{what} line {number} is not JSON: {line!r}")
    return objects, problems


def read_transcript(path):
    return read_json_lines(path, "transcript")


def sanitizer_reports(aux, output):
    """A problem for each report a sanitizer wrote: to its own file (log_path), or to the
    output, where GCC's UndefinedBehaviorSanitizer writes whatever log_path says."""
    problems = []
    for path in sorted(aux.glob(SANITIZER_LOG + ".*")):
        problems.append(f"sanitizer report ({path.name}):")
        problems += ["  " + line for line in
                     path.read_bytes().decode("utf-8", "replace").rstrip().splitlines()]
    if SANITIZER_OUTPUT.search(output.decode("utf-8", "replace")):
        problems.append("sanitizer report in the program output")
    return problems


def show_box(box):
    if isinstance(box, dict) and sorted(box) == sorted(BOX_FIELDS):
        box = {k: box[k] for k in BOX_FIELDS}
    return json.dumps(box, ensure_ascii=False)


def compare_boxes(expected, actual):
    # "text_starts" in place of "text": the text is long (a value at the length limit, cut
    # where the code page's characters fall) and only its start is compared.
    matched = []
    for i, e in enumerate(expected):
        a = actual[i] if i < len(actual) else None
        if isinstance(e, dict) and "text_starts" in e:
            e = {k: v for k, v in e.items() if k != "text_starts"}
            if isinstance(a, dict) and str(a.get("text", "")).startswith(expected[i]["text_starts"]):
                e["text"] = a["text"]
            else:
                e["text"] = expected[i]["text_starts"] + "..."
        matched.append(e)
    expected = matched
    if expected == actual:
        return []

    def fields(e, a):
        if not (isinstance(e, dict) and isinstance(a, dict)):
            return []
        return [f"       {field}: expected {e.get(field)!r}, got {a.get(field)!r}"
                for field in BOX_FIELDS if e.get(field) != a.get(field)]

    return ["boxes differ (- expected, + actual):"] + differences(
        expected, actual, lambda i, box: f"{i + 1}: {show_box(box)}", fields)


def differences(expected, actual, show, detail=lambda e, a: []):
    """Item by item: a shared item once, an item that differs as - expected and + actual,
    each followed by detail(expected, actual)."""
    lines = []
    for i in range(max(len(expected), len(actual))):
        e = expected[i] if i < len(expected) else None
        a = actual[i] if i < len(actual) else None
        if e == a:
            lines.append(f"    {show(i, e)}")
            continue
        if e is not None:
            lines.append(f"  - {show(i, e)}")
        if a is not None:
            lines.append(f"  + {show(i, a)}")
        lines += detail(e, a)
    return lines


def compare_log(expected, path):
    """The operation log against the case's "log": the same events in the same order, each
    holding the fields the case gives (times and durations vary, so cases leave them out);
    true for "system_error" asks only that the system's error be there, as codes differ
    between the systems."""
    if not path.exists():
        return ["no operation log was written"]
    actual, problems = read_json_lines(path, "log")
    names = [e.get("event") for e in actual]
    wanted = [e.get("event") for e in expected]
    if names != wanted:
        return problems + [f"log events {names}, expected {wanted}"]
    for number, (want, got) in enumerate(zip(expected, actual), 1):
        for field, value in want.items():
            if value is True and field == "system_error":
                if not got.get(field) or not got.get("system_error_text"):
                    problems.append(f"log event {number} ({got['event']}) has no system error")
            elif got.get(field) != value:
                problems.append(f"log event {number} ({got['event']}): {field} is "
                                f"{got.get(field)!r}, expected {value!r}")
    return problems


def compare_output(expected, output, encoding):
    """The program's output (in the code page it writes, line ends as LF) against the text
    expected, or its lines."""
    if isinstance(expected, list):
        expected = "".join(line + "\n" for line in expected)
    actual = output.decode(encoding, "replace").replace("\r\n", "\n")
    if actual == expected:
        return []
    return ["output differs (- expected, + actual):"] + differences(
        expected.splitlines(), actual.splitlines(), lambda i, line: line)


def compare_files(expected, folder, case_files):
    problems = []
    for name, want in expected.items():
        path = folder / name.replace("\\", "/")
        if "*" in name and isinstance(want, bool):
            matches = sorted(str(p.relative_to(folder)) for p in folder.glob(name))
            if want and not matches:
                problems.append(f"nothing matches {name}")
            elif not want and matches:
                problems.append(f"{name} should match nothing but matches {matches}")
        elif isinstance(want, dict):
            # {"same_as": name}: the bytes of that file of the case's files/, for binary files.
            original = case_files / want["same_as"] if case_files and "same_as" in want else None
            if original is None or not original.is_file():
                problems.append(f"file {name}: {want} names no file of the case's files/")
            elif not path.is_file() or path.read_bytes() != original.read_bytes():
                problems.append(f"file {name} does not hold the bytes of files/{want['same_as']}")
        elif want is True and not os.path.lexists(path):
            problems.append(f"file {name} should exist but does not")
        elif want is False and os.path.lexists(path):
            problems.append(f"file {name} should not exist but does")
        elif isinstance(want, str):
            if not path.is_file():
                problems.append(f"file {name} should hold {want!r} but is missing")
            else:
                got = path.read_bytes()
                if got != want.encode("utf-8"):
                    shown = got.decode("utf-8", "replace")
                    if len(shown) > 200:
                        shown = f"{shown[:200]}... ({len(got)} bytes)"
                    problems.append(f"file {name} holds {shown!r}, expected {want!r}")
    return problems


def tree_state(folder, leave_out=()):
    """{relative path: properties} of the folder and everything under it but the paths in
    leave_out: kind, bytes (hashed), modification time, permission bits, the Windows
    attributes (the user.DOSATTRIB extended attribute, as Wine keeps them too) and where a
    symbolic link leads."""
    found = {}
    for path in [folder] + sorted(folder.rglob("*")):
        relative = str(path.relative_to(folder))
        if relative in leave_out:
            continue
        info = os.lstat(path)
        if stat.S_ISLNK(info.st_mode):
            found[relative] = {"kind": "link", "target": os.readlink(path)}
            continue
        entry = {"kind": "folder" if stat.S_ISDIR(info.st_mode) else "file",
                 "mtime_ns": info.st_mtime_ns, "mode": oct(stat.S_IMODE(info.st_mode))}
        try:
            entry["dosattrib"] = os.getxattr(path, "user.DOSATTRIB").decode("ascii", "replace")
        except OSError:
            entry["dosattrib"] = None
        if entry["kind"] == "file":
            data = path.read_bytes()
            entry["bytes"] = f"{len(data)} bytes, sha256 {hashlib.sha256(data).hexdigest()[:16]}"
        found[relative] = entry
    return found


def state_differences(expected, actual, time_unit_ns=1):
    """One line per path and property that differ; times are compared in the platform's
    unit (a Windows program sets file times to 100 ns)."""
    def same(field, e, a):
        if field == "mtime_ns" and e is not None and a is not None:
            return e // time_unit_ns == a // time_unit_ns
        return e == a

    lines = []
    for path in sorted(set(expected) | set(actual)):
        e, a = expected.get(path), actual.get(path)
        if a is None:
            lines.append(f"{path}: missing (expected a {e['kind']})")
        elif e is None:
            lines.append(f"{path}: should not exist but is a {a['kind']}")
        elif e["kind"] != a["kind"]:
            lines.append(f"{path}: a {a['kind']}, expected a {e['kind']}")
        else:
            lines += [f"{path}: {field} is {a.get(field)!r}, expected {e.get(field)!r}"
                      for field in e if not same(field, e.get(field), a.get(field))]
    return lines


def same_script(recorded, script):
    """Whether a path written by the program names the script: on Linux it may be written
    with either slash, under Wine with a drive letter, in any letter case."""
    def plain(path):
        path = path.replace("/", "\\").lower()
        return path[2:] if re.match(r"[a-z]:", path) else path
    return plain(recorded) == plain(str(script))


def journals(platform, env):
    """{journal folder: first line of its journal, None when it has none} of every rollback
    journal the program could have left, given its environment."""
    found = {}
    for parent in platform.rollback_folders(env):
        for folder in sorted(parent.iterdir()) if parent.is_dir() else []:
            try:
                with open(folder / "journal", "rb") as journal:
                    found[folder] = journal.readline().decode("utf-8", "replace")
            except OSError:
                found[folder] = None
    return found


def journal_problems(before, after, script, platform):
    """What is left of a run's journal: a folder whose journal names the script, or any
    folder that was not there before the run."""
    problems = []
    for folder, line in after.items():
        header = JOURNAL_HEADER.match(line or "")
        if header and same_script(header.group(1), platform.windows_path(script)):
            problems.append(f"the journal of the script is left in {folder}")
        elif folder not in before:
            problems.append(f"a journal folder is left in {folder} (first line {line!r})")
    return problems


def run_process(command, cwd, env, output, file_size_limit=None):
    """Runs the program in a session of its own; kills the whole session on time-out.

    Its output goes to a file, not a pipe: a Wine helper process that inherits a pipe would
    keep it open after the program ended. A file size limit stands for a full disk: a write
    past it fails with EFBIG instead of ending the program."""
    def limit():
        if file_size_limit is not None:
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))

    with open(output, "wb") as out:
        proc = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT, start_new_session=True,
                                preexec_fn=limit if file_size_limit is not None else None)
        try:
            return proc.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            return None


class SkipCase(Exception):
    """The machine cannot set up what the case needs."""


def set_immutable(path, on):
    result = subprocess.run(["chattr", "+i" if on else "-i", str(path)],
                            capture_output=True, text=True)
    if result.returncode != 0 and on:
        raise SkipCase(f"chattr +i fails here: {result.stderr.strip()}")


def run_case(case, platform, keep):
    """Runs one case on one platform; returns the list of problems (empty: passed)."""
    root = Path(os.path.realpath(tempfile.mkdtemp(prefix="e2e-")))
    folder, aux = root / "app", root / "aux"
    folder.mkdir()
    aux.mkdir()
    src = platform.windows_path(folder)
    expect = substitute({k: v for k, v in case.fields.items() if k != "why"}, src)
    template = case.fields.get("template", False)
    registry = expect.get("registry", {})
    locale = case.fields.get("locale")
    encoding = platform.encoding_for(locale)
    problems = []
    immutable = []
    program = expect.get("program", "updater") + platform.suffix
    try:
        shutil.copy2(platform.build / program, folder / program)
        # The project's helper program, as <entry>.exe on both platforms so that one
        # script names it the same way.
        helper = platform.build / ("test_helper" + Path(platform.program).suffix)
        for entry in case.fields.get("helpers", []):
            target = folder / (entry + ".exe")
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(helper, target)
        if case.files:
            copy_tree(case.files, folder, template, src, encoding)
        for name, content in expect.get("setup", {}).items():
            path = folder / name.replace("\\", "/")
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content.encode("utf-8"))
        # Entries a Windows path cannot name: the name is taken as it stands.
        for parent, name, content in expect.get("named", []):
            (folder / parent).mkdir(parents=True, exist_ok=True)
            (folder / parent / name).write_bytes(content.encode("utf-8"))
        for name, target in expect.get("links", {}).items():
            path = folder / name
            path.parent.mkdir(parents=True, exist_ok=True)
            os.symlink(target, path)
        script = folder / expect.get("script", "updater.ini")
        if case.script is not None:
            write_script(case.script, script, template, src, encoding)
        # Entries nobody may change, not even root (the tests' user): as a folder of another
        # user or a file the system holds open would be to a user on Windows. Made last, so
        # that the script may lie in such a folder.
        for name in expect.get("immutable", []):
            set_immutable(folder / name, True)
            immutable.append(folder / name)

        env = {k: v for k, v in os.environ.items()
               if not k.startswith("UPDATER_") and k != "DISPLAY"}
        platform.environment(env, aux, locale)
        transcript = aux / "transcript.jsonl"
        env["UPDATER_UNATTENDED"] = platform.program_path(transcript)
        if "answers" in expect:
            env["UPDATER_ANSWERS"] = expect["answers"]
        log = aux / "log.jsonl"
        if "log" in expect:
            env["UPDATER_LOG"] = platform.program_path(log)
        env.update(expect.get("env", {}))
        if registry:
            platform.install_registry(registry, aux, env)
        leave_out = {program, str(script.relative_to(folder))}
        before = tree_state(folder, leave_out) if expect.get("unchanged") else None
        journals_before = journals(platform, env) if "journal" in expect else None

        command = platform.command(folder / program, expect.get("args", []))
        code = run_process(command, folder, env, aux / "output.txt",
                           expect.get("file_size_limit"))
        output = (aux / "output.txt").read_bytes()
        if code is None:
            problems.append(f"the program did not end within {TIMEOUT} s")
        elif code != expect["exit"]:
            problems.append(f"exit code {code}, expected {expect['exit']}")
            if code != 0 and not transcript.exists() and "stdout" not in expect:
                # A run that ends after an error message has written its box first.
                problems.append("no transcript was written: the program may not have run")
        boxes, transcript_problems = read_transcript(transcript)
        problems += transcript_problems
        problems += compare_boxes(expect["boxes"], boxes)
        problems += compare_files(expect.get("files", {}), folder, case.files)
        if before is not None:
            differ = state_differences(before, tree_state(folder, leave_out),
                                       platform.time_unit_ns)
            if differ:
                problems += ["the folder is not as it was before the run:"] + [
                    "  " + line for line in differ]
        if journals_before is not None:
            problems += journal_problems(journals_before, journals(platform, env), script,
                                         platform)
        if "stdout" in expect:
            # JSON lines are UTF-8 on every platform; text in the program's code page.
            json_lines = "--json" in expect.get("args", [])
            problems += compare_output(expect["stdout"], output,
                                       "utf-8" if json_lines else encoding)
        problems += sanitizer_reports(aux, output)
        if "log" in expect:
            problems += compare_log(expect["log"], log)
        if problems and output.strip() and "stdout" not in expect:
            problems.append("program output:")
            problems += ["  " + line for line in
                         output.decode("utf-8", "replace").rstrip().splitlines()]
    except (CaseError, OSError, subprocess.SubprocessError) as e:
        problems.append(str(e))
    except SkipCase:
        problems = None
        raise
    finally:
        for path in reversed(immutable):
            set_immutable(path, False)
        if registry:
            platform.remove_registry(registry)
        if problems and keep:
            problems.append(f"kept {root}")
        else:
            shutil.rmtree(root, ignore_errors=True)
    return problems


# --------------------------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("filters", nargs="*",
                        help="run only cases whose group/name contains one of these texts")
    parser.add_argument("--platform", action="append", choices=["native", "win64"],
                        help="run on this platform only (may be repeated; default: both)")
    parser.add_argument("--native-build", type=Path, default=ROOT / "build/native",
                        help="folder of the Linux build (default build/native)")
    parser.add_argument("--win64-build", type=Path, default=ROOT / "build/win64",
                        help="folder of the win64 build (default build/win64)")
    parser.add_argument("--keep", action="store_true",
                        help="keep the temporary folders of failed cases")
    parser.add_argument("-v", "--verbose", action="store_true",
                        help="also show why pending cases fail")
    options = parser.parse_args()

    chosen = options.platform or ["native", "win64"]
    platforms = [Native(options.native_build.resolve()) if p == "native"
                 else Win64(options.win64_build.resolve()) for p in chosen]
    cases = find_cases(options.filters)
    if not cases:
        print("no case matches", file=sys.stderr)
        return 1

    counts = {"pass": 0, "FAIL": 0, "pending": 0, "skip": 0}
    now_passing = []
    for platform in platforms:
        try:
            platform.start()
        except (CaseError, subprocess.SubprocessError) as e:
            print(f"FAIL     {platform.name:6}  {e}")
            counts["FAIL"] += 1
            continue
        try:
            for name, load in cases:
                try:
                    case = load()
                except CaseError as e:
                    print(f"FAIL     {platform.name:6}  {name}\n    {e}")
                    counts["FAIL"] += 1
                    continue
                if case is None:
                    continue
                if platform.name not in case.fields.get("platforms", ["native", "win64"]):
                    print(f"skip     {platform.name:6}  {name}  ({case.fields.get('why', '')})")
                    counts["skip"] += 1
                    continue
                try:
                    problems = run_case(case, platform, options.keep)
                except SkipCase as e:
                    print(f"skip     {platform.name:6}  {name}  ({e})")
                    counts["skip"] += 1
                    continue
                pending = case.fields.get("pending", False)
                if not problems:
                    status = "pass"
                    if pending:
                        now_passing.append(f"{platform.name} {name}")
                elif pending:
                    status = "pending"
                else:
                    status = "FAIL"
                counts[status] += 1
                note = "  (pending, passes now)" if pending and not problems else ""
                print(f"{status:8} {platform.name:6}  {name}{note}", flush=True)
                if problems and (not pending or options.verbose):
                    print("\n".join("    " + p for p in problems), flush=True)
        finally:
            platform.stop()

    print(f"\n{counts['pass']} passed, {counts['FAIL']} failed, {counts['pending']} pending"
          f" (not counted), {counts['skip']} skipped")
    if now_passing:
        print("pending cases that pass now (remove their \"pending\" field):")
        print("\n".join("  " + n for n in now_passing))
    return 1 if counts["FAIL"] else 0


if __name__ == "__main__":
    sys.exit(main())
