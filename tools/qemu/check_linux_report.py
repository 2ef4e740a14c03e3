#!/usr/bin/env python3
"""Checks what the static quillanor-report printed in the bare QEMU guest
(scripts/qemu-test.sh; tools/qemu/linux-report.sh left it in one folder):
the JSON, the text, their exit statuses and the kernel's own view of the
drives. One line per check, then "N passed, M failed"; exits 1 when a check
failed.

  check_linux_report.py FOLDER [--guest-status TEXT]

The expected drives are those scripts/qemu-kernel.sh gives QEMU 7.2; the
expected capability bytes are what QEMU's two CD emulations answer.
"""
import argparse
import json
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests"))
from checks import Checks, parse_text, rows_from_page, schema_problems  # noqa: E402

# The drives of scripts/qemu-kernel.sh in SCSI address order: PIIX IDE (one
# host per channel), AHCI, then virtio-scsi targets 2 and 10 (10 after 2:
# the order is numeric, not textual).
EXPECTED_DRIVES = [
    {"what": "ide-cd on PIIX IDE, disc", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM"},
    {"what": "ide-cd on PIIX IDE, empty", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM"},
    {"what": "ide-cd on AHCI, disc", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM"},
    {"what": "scsi-cd on virtio-scsi, empty", "kind": "scsi", "vendor": "QEMU", "product": "QEMU CD-ROM"},
    {"what": "scsi-cd on virtio-scsi, disc, own INQUIRY", "kind": "scsi", "vendor": "QLNRTEST",
     "product": "EMULATED DRIVE"},
]

# Page 2Ah bytes 2..7 as QEMU 7.2 answers them (hw/ide/atapi.c for ide-cd,
# hw/scsi/scsi-disk.c for scsi-cd). Byte 6 bit 1 (the prevent state) follows
# the drive's lock: the kernel locks the door of a drive opened without
# O_NONBLOCK that holds a disc, so it may be set; it is checked only for
# agreement between the hex and the row.
EXPECTED_PAGE = {
    "atapi": bytes.fromhex("3b0071602900"),
    "scsi": bytes.fromhex("3b007fff2d00"),
}
VARYING_BITS = {6: 0x02}


def read(folder, name):
    try:
        with open(os.path.join(folder, name), encoding="latin-1") as f:
            return f.read().replace("\r\n", "\n")
    except OSError:
        return None


def status(folder, name):
    text = read(folder, name + ".status")
    return int(text) if text and text.strip().isdigit() else None


def capability_problems(drive, expected):
    if not drive["answered"]:
        return [f"did not answer: {' / '.join(drive['failure'])}"]
    problems = []
    page = bytes.fromhex(drive["capabilities"])
    wanted = EXPECTED_PAGE[expected["kind"]]
    for n in range(6):
        mask = 0xFF & ~VARYING_BITS.get(n + 2, 0)
        if page[n] & mask != wanted[n] & mask:
            problems.append(f"page byte {n + 2} is {page[n]:02x}, QEMU's {expected['kind']} drive answers "
                            f"{wanted[n]:02x}")
    shown = [(r["label"], r["value"]) for r in drive["rows"]]
    for number, (got, want) in enumerate(zip(shown, rows_from_page(page))):
        if got != want:
            problems.append(f"row {number}: report shows {got[0]!r} {got[1]}, its capabilities "
                            f"{drive['capabilities']} make it {want[0]!r} {want[1]}")
    return problems


def text_problems(text, drives):
    try:
        blocks = parse_text(text)
    except ValueError as error:
        return [str(error)]
    problems = []
    if len(blocks) != len(drives):
        problems.append(f"{len(blocks)} drives in the text, {len(drives)} in the JSON")
    for block, drive in zip(blocks, drives):
        where = f"drive {drive['index']}"
        if (block["index"], block["name"]) != (drive["index"], drive["name"]):
            problems.append(f"{where}: text says {block['index']}: {block['name']!r}, JSON {drive['name']!r}")
        if block["rows"] != [(r["label"], r["value"]) for r in drive["rows"]]:
            problems.append(f"{where}: rows differ from the JSON")
        if block["other"][:len(drive["failure"])] != drive["failure"]:
            problems.append(f"{where}: failure lines {block['other']} differ from the JSON {drive['failure']}")
        if len(block["value_columns"]) > 1:
            problems.append(f"{where}: YES/NO do not stand in one column")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--guest-status", default="0", help="0, or why the guest did not run")
    args = parser.parse_args()
    folder = args.folder
    checks = Checks()

    # The guest ran: without this nothing below can pass, and the reason is told once.
    reasons = [] if args.guest_status == "0" else [args.guest_status]
    for name in ("report.json", "report.txt"):
        if status(folder, name) is None:
            reasons.append(f"the guest never ran the report for {name}")
    checks.check("the guest booted and ran the report", reasons)

    # Later checks use the document only when it is whole and of the schema.
    document, drives = None, []
    problems = ["not evaluated: no JSON from the guest"] if read(folder, "report.json") is None else []
    if not problems:
        try:
            document = json.loads(read(folder, "report.json"))
            problems = schema_problems(document)
        except ValueError as error:
            problems = [f"the JSON does not parse: {error}"]
    if not problems:
        drives = document["drives"]
    checks.check("JSON is one document of the report's schema", problems)

    # The kernel's own view: sr name, H:C:T:L, INQUIRY vendor, model, revision.
    kernel = []
    for line in (read(folder, "sysfs.txt") or "").splitlines():
        parts = line.split("|")
        if len(parts) == 5:
            kernel.append({"address": tuple(int(x) for x in parts[1].split(":")),
                           "vendor": parts[2].rstrip(), "product": parts[3].rstrip()})
    kernel.sort(key=lambda d: d["address"])
    found = [f"{d['vendor']} {d['product']}" for d in kernel]
    wanted = [f"{d['vendor']} {d['product']}" for d in EXPECTED_DRIVES]
    problems = []
    if not drives:
        problems = ["not evaluated: no drives in the JSON"]
    else:
        if found != wanted:
            problems.append(f"the guest kernel sees {found}, the emulation was set up for {wanted}")
        if [d["name"] for d in drives] != wanted:
            problems.append(f"the report lists {[d['name'] for d in drives]}, expected {wanted} in SCSI address order")
    checks.check("exactly the 5 emulated drives, in SCSI address order", problems)

    for position, expected in enumerate(EXPECTED_DRIVES):
        title = f"drive {position} ({expected['what']})"
        if position >= len(drives):
            checks.check(f"{title}: named from INQUIRY", "not evaluated: the drive is not in the JSON")
            checks.check(f"{title}: rows and capabilities", "not evaluated: the drive is not in the JSON")
            continue
        drive = drives[position]
        checks.check(f"{title}: named from INQUIRY",
                     f"vendor {drive['vendor']!r}, product {drive['product']!r}; QEMU answers "
                     f"{expected['vendor']!r}, {expected['product']!r}"
                     if (drive["vendor"], drive["product"]) != (expected["vendor"], expected["product"]) else None)
        checks.check(f"{title}: rows and capabilities", capability_problems(drive, expected))

    for name, mode in (("report.json", "--json"), ("report.txt", "text")):
        code = status(folder, name)
        stderr = (read(folder, name + ".stderr") or "").strip()[:200]
        checks.check(f"exit status 0 ({mode})", None if code == 0 else
                     f"exit status {code}" + (f"; stderr: {stderr}" if stderr else ""))

    text = read(folder, "report.txt")
    checks.check("the text output agrees with the JSON",
                 text_problems(text, drives) if drives and text is not None else
                 "not evaluated: no text, or no drives in the JSON")

    locked = [d["index"] for d in drives if d["capabilities"] and int(d["capabilities"][8:10], 16) & 0x02]
    print(f"note: drives reported in the prevent (locked) state: {locked or 'none'}")
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
