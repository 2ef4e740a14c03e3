#!/usr/bin/env python3
"""Runs the real quillanor-report.exe under Wine and checks what it prints.

  check_wine_report.py WINE_RUN EXE aspi PROFILE   Windows 98 mode, emulated ASPI drives
  check_wine_report.py WINE_RUN EXE discs PROFILE  the same, drives with discs (discs.profile), --detail
  check_wine_report.py WINE_RUN EXE nt             default mode: pass-through road

One line per check, then "N passed, M failed"; exits 1 when a check failed.
"""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from checks import Checks, parse_text, rows_from_page, schema_problems  # noqa: E402

wine_run, exe, mode = sys.argv[1], sys.argv[2], sys.argv[3]


def run(*args):
    env = dict(os.environ)
    if mode in ("aspi", "discs"):
        env["QUILLANOR_ASPI_PROFILE"] = "Z:" + os.path.abspath(sys.argv[4]).replace("/", "\\")
    result = subprocess.run([wine_run, exe, *args], capture_output=True, env=env, timeout=300)
    return result.returncode, result.stdout.decode("latin-1").replace("\r\n", "\n"), result.stderr.decode("latin-1")


def json_run(*options):
    """The report's JSON with these options, checked against the schema; its exit status and the document."""
    status, out, err = run("--json", *options)
    what = " ".join(("--json",) + options)
    try:
        document = json.loads(out)
        problems = schema_problems(document)
    except ValueError as error:
        document, problems = {"drives": []}, [f"{what} printed no valid JSON ({error}): {out[:200]} {err[:200]}"]
    checks.check(f"{what} prints one document of the report's schema", problems)
    return status, document


checks = Checks()
status, document = json_run()
drives = document.get("drives", [])

status_text, text, _ = run()
try:
    names = [block["name"] for block in parse_text(text)]
    problems = [] if names == [d.get("name") for d in drives] else [f"text names {names} differ from the JSON's"]
except ValueError as error:
    problems = [str(error)]
if status_text != status:
    problems.append(f"text run ended {status_text}, JSON run {status}")
checks.check("the text names the JSON's drives and ends alike", problems)

if mode == "discs":
    status, document = json_run("--detail")
    discs = [d.get("disc") or {} for d in document.get("drives", [])]
    problems = [] if len(discs) == 2 else [f"{len(discs)} drives"]
    if not problems:
        cd, dvd = discs
        sent = [[c["command"] for c in d["commands"] if c["command"].startswith("READ")] for d in document["drives"]]
        wanted = (9, "empty", None, "97:27:21", 0)
        got = ((cd.get("profile") or {}).get("number"), (cd.get("information") or {}).get("disc_status"), cd.get("toc"),
               (cd.get("atip") or {}).get("lead_in_start"), (cd.get("capacity") or {}).get("last_lba"))
        if got != wanted:
            problems.append(f"the blank CD-R: {got}, expected {wanted}")
        entries = [(e["track"], e["start_lba"]) for e in (dvd.get("toc") or {}).get("entries", [])]
        wanted = (0x2B, [(1, 0), (170, 1000000)], "DVD+R DL", "MKM", "003", "2.4x, 4x, 8x DVD")
        got = ((dvd.get("profile") or {}).get("number"), entries, (dvd.get("dvd_physical") or {}).get("book_type"),
               (dvd.get("maker") or {}).get("manufacturer"), (dvd.get("maker") or {}).get("media_type"),
               dvd.get("write_speed_multiples"))
        if got != wanted:
            problems.append(f"the DVD+R DL: {got}, expected {wanted}")
        if sent != [["READ DISC INFORMATION", "READ TOC/PMA/ATIP (ATIP)", "READ CAPACITY"],
                    ["READ DISC INFORMATION", "READ TOC/PMA/ATIP (TOC)", "READ CAPACITY",
                     "READ DISC STRUCTURE (physical format)", "READ DISC STRUCTURE (manufacturer)"]]:
            problems.append(f"the commands about the discs: {sent}")
    checks.check("each disc told from the answers it gave, each asked what its medium calls for", problems)
    _, text, _ = run("--detail")
    # A long value goes on under its column: the text read with its lines joined.
    joined = " ".join(text.split())
    missing = [line for line in ("ATIP lead-in start (the maker's code) 97:27:21", "Tracks none: the disc is empty",
                                 "Layers 2, opposite track path, recordable", "Write speeds for this disc 2.4x, 4x, 8x DVD")
               if line not in joined]
    checks.check("the text tells the discs", missing or None)
elif mode == "nt":
    # Wine lists no CD-ROM interfaces of its own.
    checks.check("no drive on the pass-through road, status 0",
                 None if not drives and status == 0 and text == "No CD/DVD Devices Found\n"
                 else f"status {status}: {out[:300]}")
else:
    expected = [("QUILLTST", "DVD WRITER A"), ("QUILLTST", "SLOW READER B"), ("QUILLTST", "NO PAGE C"),
                ("GENERIC", "CD-ROM3"), ("QUILLTST", "EMPTY TRAY D")]
    names = [(d.get("vendor"), d.get("product")) for d in drives]
    checks.check("the drives of test.profile, in ASPI order", None if names == expected else f"{names}")
    problems = []
    if len(drives) == len(expected):
        a = drives[0]
        wanted = [value for _, value in rows_from_page(bytes.fromhex("3F3771632923"))]
        if a["capabilities"] != "3f3771632923" or [r["value"] for r in a["rows"]] != wanted:
            problems.append(f"drive A: {a['capabilities']} {a['rows']}")
        failures = [d["failure"] for d in drives[2:]]
        if failures != [["Mode Sense Command Failure", "Command not supported by device."],
                        ["Mode Sense Command Failure"],
                        ["Mode Sense Command Failure", "Sense Data = 02 3A 00"]]:
            problems.append(f"failure lines {failures}")
        if (drives[2]["sense"] or "")[:28] != "700005000000000a000000002400":
            problems.append(f"sense of drive C: {drives[2]['sense']}")
    else:
        problems.append("not evaluated: the drives are not those of test.profile")
    if status != 1:
        problems.append(f"exit status {status} with failing drives, expected 1")
    checks.check("rows, failure lines and sense bytes as the profile says", problems)

bad, _, err = run("--bogus")
checks.check("a bad option ends 2 and says so",
             None if bad == 2 and "unrecognized option '--bogus'" in err else f"ended {bad}: {err}")
sys.exit(checks.summary())
