#!/usr/bin/env python3
"""Runs the real quillanor-report.exe under Wine and checks what it prints.

  check_report.py WINE_RUN EXE aspi PROFILE   Windows 98 mode, emulated ASPI drives
  check_report.py WINE_RUN EXE nt             default mode: pass-through road

Exits non-zero, naming the first thing that was wrong.
"""
import json
import os
import subprocess
import sys

wine_run, exe, mode = sys.argv[1], sys.argv[2], sys.argv[3]

# Page byte and bit of each row, in the order the window shows them.
ROWS = [(2, 0), (2, 1), (2, 3), (2, 4), (2, 5), (3, 0), (3, 1), (3, 4), (3, 5), (2, 2), (4, 0), (5, 0),
        (5, 1), (6, 0), (6, 3), (4, 6), (4, 4), (4, 5), (7, 5), (5, 5), (5, 6), (7, 0), (7, 1), (6, 1)]


def run(*args):
    env = dict(os.environ)
    if mode == "aspi":
        env["QUILLANOR_ASPI_PROFILE"] = "Z:" + os.path.abspath(sys.argv[4]).replace("/", "\\")
    result = subprocess.run([wine_run, exe, *args], capture_output=True, env=env, timeout=300)
    return result.returncode, result.stdout.decode("latin-1").replace("\r\n", "\n"), result.stderr.decode("latin-1")


def fail(message):
    print("check_report: " + message)
    sys.exit(1)


status, out, err = run("--json")
try:
    document = json.loads(out)
except ValueError as error:
    fail(f"--json printed no valid JSON ({error}):\n{out}\n{err}")
fields = {"index", "name", "vendor", "product", "answered", "scsi_status", "capabilities", "sense", "rows", "failure"}
for drive in document["drives"]:
    if set(drive) != fields:
        fail(f"drive {drive.get('index')} has fields {sorted(drive)}")

status_text, text, _ = run()
text_drives = [line.split(": ", 1)[1] for line in text.splitlines() if line.startswith("Drive ")]
if text_drives != [d["name"] for d in document["drives"]]:
    fail(f"text names {text_drives} differ from the JSON's")
if status_text != status:
    fail(f"text run ended {status_text}, JSON run {status}")

if mode == "nt":
    # Wine lists no CD-ROM interfaces of its own.
    if document["drives"] or status != 0 or text != "No CD/DVD Devices Found\n":
        fail(f"expected no drive and status 0, got {status}:\n{out}")
else:
    expected = [("QUILLTST", "DVD WRITER A"), ("QUILLTST", "SLOW READER B"), ("QUILLTST", "NO PAGE C"),
                ("GENERIC", "CD-ROM3"), ("QUILLTST", "EMPTY TRAY D")]
    names = [(d["vendor"], d["product"]) for d in document["drives"]]
    if names != expected:
        fail(f"drives {names}, expected {expected}")
    a = document["drives"][0]
    page = bytes([0, 0]) + bytes.fromhex("3F3771632923")
    wanted = ["YES" if page[byte] & (1 << bit) else "NO" for byte, bit in ROWS]
    if a["capabilities"] != "3f3771632923" or [r["value"] for r in a["rows"]] != wanted:
        fail(f"drive A: {a['capabilities']} {a['rows']}")
    failures = [d["failure"] for d in document["drives"][2:]]
    if failures != [["Mode Sense Command Failure", "Command not supported by device."],
                    ["Mode Sense Command Failure"],
                    ["Mode Sense Command Failure", "Sense Data = 02 3A 00"]]:
        fail(f"failure lines {failures}")
    if document["drives"][2]["sense"][:28] != "700005000000000a000000002400":
        fail(f"sense of drive C: {document['drives'][2]['sense']}")
    if status != 1:
        fail(f"exit status {status} with failing drives, expected 1")

bad, _, err = run("--bogus")
if bad != 2 or "unrecognized option '--bogus'" not in err:
    fail(f"a bad option ended {bad}: {err}")
print(f"check_report: {mode}: {len(document['drives'])} drives as expected")
