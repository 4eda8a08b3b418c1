#!/usr/bin/env python3
"""Writes the cases of cases/limits: scripts whose every key holds a value at the length
limit a key can be read with (32,766 bytes) or past it, which the reader cuts.

    tests/e2e/make-limit-cases.py      # rewrites cases/limits/*

The cases are kept in the repository; this program says how they were made and makes
them again when a case changes. Each runs on both programs and must end as a real run
would: the box of the command that cannot work with such a value, or the end of the run.
"""

import json
import shutil
from pathlib import Path

LIMIT = 32766  # the most bytes a value is read with
OVER = 40000   # a value past the limit: read cut at LIMIT
HERE = Path(__file__).resolve().parent
LIMITS = HERE / "cases" / "limits"


def box(text, style=64, caption="Patch", starts=False):
    return {"caption": caption, "style": style, ("text_starts" if starts else "text"): text,
            "answer": 1}


def msgbox(name, text, flag=""):
    return f"[{name}]\nMODE=MSGBOX\nFLAG={flag}\nTYPE=INFORMATION\nTEXT={text}\nISABORT=0,0\n"


def long_path(letter, length=OVER):
    """<Src>\\ followed by folder names of 200 letters, to length bytes in all."""
    path = "<Src>"
    while len(path) < length:
        path += "\\" + letter * min(200, length - len(path) - 1)
    return path[:length]


def cases():
    # NAME (the caption of every box) and MSGBOX TEXT past the limit; TEXT holds 16,383
    # "%n", each becoming a line feed.
    yield ("msgbox-caption-and-text",
           "The name and a box's text past the length limit are cut at it; every %n of a "
           "text at the limit becomes a line feed.",
           f"[UPDATER]\nNAME={'N' * OVER}\nPROC=Box\n\n"
           + msgbox("Box", "%n" * (OVER // 2)),
           {"exit": 0, "boxes": [box("\n" * (LIMIT // 2), caption="N" * LIMIT)]})

    # A PROC list of 16,383 items at the limit, each the same condition.
    items = ",".join(["E"] * (LIMIT // 2 - 4) + ["Done"])
    yield ("proc-list-at-the-limit",
           "A PROC list at the length limit: 16,383 procedures load and run.",
           f"[UPDATER]\nNAME=Patch\nPROC={items}\n\n[E]\nMODE=EXIST\nFILE=<Src>\\updater.ini\n\n"
           + msgbox("Done", "done", flag="E,1"),
           {"exit": 0, "boxes": [box("done")]})

    # The DEFINE section is read whole into as many bytes as a value: an entry that fills
    # it leaves no room for the entries after it.
    long_name = "<" + "S" * (OVER - 2) + ">"
    define_room = LIMIT - len("<Long>=") - 1
    yield ("define-at-the-limit",
           "A DEFINE entry that fills the section's length limit: a text naming it holds its "
           "value as read; the entry after it is not read, so its name stays as written.",
           f"[UPDATER]\nNAME=Patch\nPROC=Box,Other\n\n[DEFINE]\n<Long>={'v' * OVER}\n"
           f"{long_name}=short\n\n" + msgbox("Box", "<Long>") + "\n"
           + msgbox("Other", long_name[:100] + ">"),
           {"exit": 0, "boxes": [box("v" * define_room), box(long_name[:100] + ">")],
            "checker": [f"updater.ini:20: [Other] TEXT: error: the symbol {long_name[:100]}> is "
                        "neither built in nor in DEFINE (above its use); it stays as written",
                        "1 error, 0 warnings"]})

    # Conditions on long paths, lists and dates: each can only be false.
    long_list = ",".join([long_path("f", 300)] * 108)
    yield ("conditions-on-long-values",
           "EXIST, DATE and VERIFY with every key at the length limit: each ends false, "
           "without a box.",
           "[UPDATER]\nNAME=Patch\nPROC=Exist,Date,Verify,Report\n\n"
           f"[Exist]\nMODE=EXIST\nFILE={long_path('e')}\n\n"
           f"[Date]\nMODE=DATE\nFILE={long_list}\nDATE={'9' * OVER}\n\n"
           f"[Verify]\nMODE=VERIFY\nARG1={'a' * OVER}\nARG2={'b' * OVER}\n\n"
           + msgbox("Report", "all false", flag="Exist,0"),
           {"exit": 0, "boxes": [box("all false")],
            "checker": [f"updater.ini:12: [Date] DATE: error: DATE \"{'9' * LIMIT}\" is not "
                        "year/month/day with the year in full; the updater reads 65535/0/0",
                        "1 error, 0 warnings"]})

    copy_text = "ファイルのコピーに失敗しました。\n\n転送元：\"${SRC}\\" + "a" * 200
    yield ("copy-long-paths",
           "COPY from and to paths past the length limit: message 8, nothing made.",
           "[UPDATER]\nNAME=Patch\nPROC=Copy\n\n"
           f"[Copy]\nMODE=COPY\nFROM={long_path('a')}\nTO={long_path('b')}\n",
           {"exit": 1, "boxes": [box(copy_text, style=16, starts=True)]})

    yield ("makedir-long-path",
           "MAKEDIR of a path past the length limit: its message, nothing made.",
           "[UPDATER]\nNAME=Patch\nPROC=Make\n\n"
           f"[Make]\nMODE=MAKEDIR\nDIR={long_path('d')}\n",
           {"exit": 1, "boxes": [box("ディレクトリの作成に失敗しました。\n\nディレクトリ：\"${SRC}\\" + "d" * 200, style=16, starts=True)]})


def main():
    shutil.rmtree(LIMITS, ignore_errors=True)
    for name, description, script, expect in cases():
        folder = LIMITS / name
        folder.mkdir(parents=True)
        (folder / "updater.ini").write_text(script, encoding="utf-8")
        case = {"description": description, **expect}
        (folder / "case.json").write_text(json.dumps(case, ensure_ascii=False, indent=1) + "\n",
                                          encoding="utf-8")
        print(f"wrote {folder.relative_to(HERE)}")


if __name__ == "__main__":
    main()
