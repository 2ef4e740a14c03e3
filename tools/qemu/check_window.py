#!/usr/bin/env python3
"""Checks what the real window and report showed of QEMU's drives on Wine's
pass-through road, and the Linux report's detail of the same drives
(tools/qemu/window-road.sh left it all in one folder).

The reference is the guest's own reading of each drive through SG_IO
(tools/qemu/sgio_read.py): names from its INQUIRY data, rows from its
capabilities page through the shared row table. Prints one line per check
(the detail's from check_detail.py), then "N passed, M failed"; exits 1 when
a check failed.

  check_window.py FOLDER [--guest-status TEXT]
"""
import argparse
import json
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [here, os.path.join(here, "..", "..", "tests")]
from check_linux_report import DRIVER_BUSES, EXPECTED_DRIVES, VARYING_BITS, read, status  # noqa: E402
from checks import ROWS, Checks, parse_window, rows_from_page, schema_problems  # noqa: E402
import check_detail  # noqa: E402
from check_detail import page_bytes  # noqa: E402

WIDTHS = (32, 64)
# The drive's lock state depends on who holds it open, and how.
LOCK_ROW = next(label for label, byte, bit in ROWS if VARYING_BITS.get(byte, 0) & (1 << bit))


def inquiry_name(drive):
    data = bytes.fromhex(drive["inquiry"]["data"])
    vendor = data[8:16].decode("latin-1").rstrip(" ")
    product = data[16:32].decode("latin-1").rstrip(" ")
    return f"{vendor} {product}"


# Wine's pass-through reaches only the drives attached directly: it answers
# "Invalid function" for the sr devices behind QEMU's USB bridges, so the
# window road lists only the others to Wine (tools/qemu/window-road.sh).
DIRECT = [position for position, d in enumerate(EXPECTED_DRIVES) if DRIVER_BUSES[d["driver"]] != "USB"]


def comparable(report, positions=None):
    """A report's drives without what depends on how the drive was opened;
    only those at `positions`, where given."""
    drives = []
    for position, drive in enumerate(report["drives"]):
        if positions is not None and position not in positions:
            continue
        rows = [row for row in drive["rows"] if row["label"] != LOCK_ROW]
        drives.append((drive["name"], drive["answered"], drive["scsi_status"], rows, drive["failure"]))
    return drives


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--guest-status", default="0")
    args = parser.parse_args()
    folder = args.folder
    checks = Checks()

    ran = args.guest_status == "0" and read(folder, "fixture.status") is not None
    checks.check("the guest ran the window road", None if ran else f"it did not ({args.guest_status})")

    drives = []
    try:
        drives = json.loads(read(folder, "drives.json") or "")["drives"]
        problem = None
        if len(drives) != len(EXPECTED_DRIVES):
            problem = f"{len(drives)} drives, {len(EXPECTED_DRIVES)} expected"
        for drive, expected in zip(drives, EXPECTED_DRIVES):
            if "error" in drive:
                problem = f"{drive['node']}: {drive['error']}"
            elif drive["inquiry"]["status"] != 0 or drive["mode_sense"]["status"] != 0 or page_bytes(drive) is None:
                problem = f"{drive['node']} did not answer INQUIRY and MODE SENSE"
            elif inquiry_name(drive) != f"{expected['vendor']} {expected['product']}":
                problem = f"{drive['node']} is {inquiry_name(drive)!r}, not the {expected['what']}"
    except (ValueError, KeyError, TypeError) as error:
        problem = f"no reading of the drives ({error})"
        drives = []
    checks.check(f"the guest's own SG_IO reading found its {len(EXPECTED_DRIVES)} drives, each answering", problem)
    readable = problem is None

    fixture = status(folder, "fixture")
    checks.check("the drives were listed to Wine as CD-ROM interfaces",
                 None if fixture == 0 else f"fixture.py ended with {fixture}: {read(folder, 'fixture.txt')}")

    linux = None
    try:
        linux = json.loads(read(folder, "linux-report.json") or "")
    except ValueError:
        pass
    for width in WIDTHS:
        text = read(folder, f"window{width}.txt") or ""
        messages, root, shown = parse_window(text)
        names = [inquiry_name(drives[p]) for p in DIRECT] if readable else None
        problem = None
        if status(folder, f"window{width}") != 0:
            problem = f"the UI driver ended with {status(folder, f'window{width}')}: {text.strip()[-300:]}"
        elif messages:
            problem = f"message boxes: {messages}"
        elif root != "My Computer":
            problem = f"the tree's root is {root!r}"
        elif names is None:
            problem = "nothing to compare with"
        elif [name for name, _ in shown] != names:
            problem = f"the tree lists {[name for name, _ in shown]}, the drives are {names}"
        checks.check(f"win{width}: the window lists the drives in order, named from their INQUIRY", problem)
        for index, position in enumerate(DIRECT):
            expected = EXPECTED_DRIVES[position]
            name = f"win{width}: drive {index} ({expected['what']}): 24 rows as its capabilities page says"
            if not readable or index >= len(shown):
                checks.check(name, "the drive is not in the window or could not be read")
                continue
            want = rows_from_page(page_bytes(drives[position]), 0)
            got = shown[index][1]
            wrong = [f"{w[0]}: {g[1]!r} for {w[1]!r}" for w, g in zip(want, got) if w != g and w[0] != LOCK_ROW]
            if len(got) != len(want):
                checks.check(name, f"{len(got)} rows: {got[:3]}")
            else:
                checks.check(name, "; ".join(wrong) if wrong else None)
        report = None
        try:
            report = json.loads(read(folder, f"report{width}.json") or "")
        except ValueError:
            pass
        problem = None
        if report is None or linux is None:
            problem = f"no JSON from the {'Windows' if report is None else 'Linux'} report"
        elif schema_problems(report) or schema_problems(linux):
            problem = "; ".join((schema_problems(report) + schema_problems(linux))[:3])
        elif status(folder, f"report{width}") != 0 or status(folder, "linux-report") != 0:
            problem = f"exit statuses {status(folder, f'report{width}')} (Wine) and {status(folder, 'linux-report')} (Linux)"
        elif comparable(report) != comparable(linux, DIRECT):
            wine_drives, linux_drives = comparable(report), comparable(linux, DIRECT)
            problem = f"{len(wine_drives)} drives under Wine, {len(linux_drives)} on Linux"
            for index, (a, b) in enumerate(zip(wine_drives, linux_drives)):
                if a != b:
                    problem = f"drive {index}: Wine {a}, Linux {b}"
                    break
        checks.check(f"win{width}: quillanor-report.exe under Wine agrees with the Linux report", problem)

    check_detail.run(folder, checks)
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
