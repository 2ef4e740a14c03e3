#!/usr/bin/env python3
"""Checks what quillanor-report printed inside the QEMU guest.

Reads the guest's serial console (scripts/qemu-test.sh saves it), cuts out
the sections between the "==QLNR==" markers of tools/qemu/init, saves them
under the output folder (report.json, report.txt, their exit statuses, the
kernel's view of the drives, wodim's answers), runs the checks and prints
one line per check, then the benchmark table (bench.txt), then
"N passed, M failed". Exits 1 when a check failed.

The expected drives are those scripts/qemu-test.sh gives QEMU 7.2; the
expected capability bytes are what QEMU's two CD emulations answer.
"""
import argparse
import json
import os
import re
import statistics
import sys

MARKER = "==QLNR== "

# The drives of scripts/qemu-test.sh in SCSI address order: PIIX IDE (one
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

# The rows in display order: (label, page byte, bit), with the MMC field each
# one reads.
ROWS = [
    ("Can read CD-R discs", 2, 0),                                    # CD-R Read
    ("Can read CD-RW discs", 2, 1),                                   # CD-RW Read
    ("Can read DVD-ROM discs", 2, 3),                                 # DVD-ROM Read
    ("Can read DVD-R discs", 2, 4),                                   # DVD-R Read
    ("Can read DVD-RAM discs", 2, 5),                                 # DVD-RAM Read
    ("Can write CD-R discs", 3, 0),                                   # CD-R Write
    ("Can write CD-RW discs", 3, 1),                                  # CD-RW Write
    ("Can write DVD-R discs", 3, 4),                                  # DVD-R Write
    ("Can write DVD-RAM discs", 3, 5),                                # DVD-RAM Write
    ("Can handle Method 2 addressing", 2, 2),                         # Method 2
    ("Can play audio CDs", 4, 0),                                     # Audio Play
    ("Can read Red Book audio using Read CD command", 5, 0),          # CD-DA Commands Supported
    ("Can read Red Book audio stream accurate", 5, 1),                # CD-DA Stream Accurate
    ("Can prevent ejection of media", 6, 0),                          # Lock
    ("Can eject media using Start/Stop Unit command", 6, 3),          # Eject
    ("Can read multisession discs or Photo-CD discs", 4, 6),          # Multi-Session
    ("Can read sectors in Mode 2 Form 1 (XA) format", 4, 4),          # Mode 2 Form 1
    ("Can read sectors in Mode 2 Form 2 format", 4, 5),               # Mode 2 Form 2
    ("Can read R-W subcode in the Lead-in (e.g. CD Text)", 7, 5),     # R-W in Lead-in
    ("Can return ISRC value", 5, 5),                                  # ISRC
    ("Can return media catalog number (UPC)", 5, 6),                  # UPC
    ("Can independently control each channel volume level", 7, 0),   # Separate Volume Levels
    ("Can independently control each channel mute function", 7, 1),  # Separate Channel Mute
    ("Device currently in prevent (locked) state", 6, 1),             # Lock State
]

DRIVE_FIELDS = {
    "index": (int,), "name": (str,), "vendor": (str,), "product": (str,), "answered": (bool,),
    "scsi_status": (int, type(None)), "capabilities": (str, type(None)), "sense": (str, type(None)),
    "rows": (list,), "failure": (list,),
}


def rows_from_page(page):
    """The 24 (label, YES/NO) rows for page bytes 2..7 (page[0] is byte 2)."""
    return [(label, "YES" if page[byte - 2] >> bit & 1 else "NO") for label, byte, bit in ROWS]


def cut_sections(console):
    """Sections {name: (lines, fields of the end marker)} and other marker lines."""
    sections, markers, current, lines = {}, [], None, []
    for line in console.splitlines():
        at = line.find(MARKER)
        if at < 0:
            if current is not None:
                lines.append(line)
            continue
        # A kernel message may leave text before the marker on its line.
        if at > 0 and current is not None:
            lines.append(line[:at])
        words = line[at + len(MARKER):].split()
        if len(words) >= 2 and words[0] == "begin":
            current, lines = words[1], []
        elif len(words) >= 2 and words[0] == "end" and words[1] == current:
            fields = dict(word.split("=", 1) for word in words[2:] if "=" in word)
            sections[current] = (lines, fields)
            current = None
        else:
            markers.append(words)
    return sections, markers


def parse_text(text):
    """The text report as [{index, name, rows: [(label, value)], failure: [...], value_columns}]."""
    drives = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line:
            continue  # blank lines may part the blocks
        heading = re.fullmatch(r"Drive (\d+): (.*)", line)
        if heading:
            drives.append({"index": int(heading[1]), "name": heading[2], "rows": [], "failure": [],
                           "value_columns": set()})
            continue
        if not drives or not line.startswith("  "):
            raise ValueError(f"line {number} belongs to no drive: {line!r}")
        row = re.fullmatch(r"  (\S.*?) {2,}(YES|NO)", line)
        if row:
            drives[-1]["rows"].append((row[1], row[2]))
            drives[-1]["value_columns"].add(len(line) - len(row[2]))
        else:
            drives[-1]["failure"].append(line[2:])
    return drives


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def case(self, name, problems):
        problems = [p for p in problems if p]
        if problems:
            self.failed += 1
            print(f"FAIL {name}: {problems[0]}")
            for problem in problems[1:6]:
                print(f"     {problem}")
            if len(problems) > 6:
                print(f"     ... and {len(problems) - 6} more")
        else:
            self.passed += 1
            print(f"PASS {name}")


def drive_format_problems(document):
    if not isinstance(document, dict):
        return ["the document is not an object"]
    problems = []
    if document.get("program") != "quillanor-report":
        problems.append(f"program is {document.get('program')!r}")
    if not isinstance(document.get("version"), str) or not re.fullmatch(r"\d+(\.\d+){2,3}", document["version"]):
        problems.append(f"version is {document.get('version')!r}")
    drives = document.get("drives")
    if not isinstance(drives, list):
        return problems + ["drives is not a list"]
    for position, drive in enumerate(drives):
        where = f"drive {position}"
        if not isinstance(drive, dict):
            problems.append(f"{where} is not an object")
            continue
        for field, types in DRIVE_FIELDS.items():
            if field not in drive:
                problems.append(f"{where} has no {field}")
            # bool is an int in Python: keep it out of the integer fields.
            elif not isinstance(drive[field], types) or (bool not in types and isinstance(drive[field], bool)):
                problems.append(f"{where}: {field} is {drive[field]!r}")
        if any(p.startswith(where) for p in problems):
            continue
        if drive["index"] != position:
            problems.append(f"{where} has index {drive['index']}")
        if drive["name"] != f"{drive['vendor']} {drive['product']}":
            problems.append(f"{where}: name {drive['name']!r} is not vendor, blank, product")
        caps, rows = drive["capabilities"], drive["rows"]
        if caps is not None and not re.fullmatch(r"[0-9a-f]{12}", caps):
            problems.append(f"{where}: capabilities {caps!r} is not 12 lowercase hex digits")
        if drive["sense"] is not None and not re.fullmatch(r"([0-9a-f]{2})+", drive["sense"].replace(" ", "")):
            problems.append(f"{where}: sense {drive['sense']!r} is not hex")
        if any(not isinstance(r, dict) or set(r) != {"label", "value"} or r["value"] not in ("YES", "NO")
               for r in rows):
            problems.append(f"{where}: a row is not {{label, value: YES|NO}}")
        if not all(isinstance(line, str) for line in drive["failure"]):
            problems.append(f"{where}: a failure line is not text")
        if drive["answered"]:
            if caps is None or len(rows) != 24 or drive["failure"]:
                problems.append(f"{where} answered but has capabilities {caps!r}, {len(rows)} rows, "
                                f"{len(drive['failure'])} failure lines")
        elif caps is not None or rows or not drive["failure"]:
            problems.append(f"{where} did not answer but has capabilities {caps!r}, {len(rows)} rows, "
                            f"{len(drive['failure'])} failure lines")
    return problems


def capability_problems(drive, expected):
    if not drive["answered"]:
        return [f"did not answer: {' / '.join(drive['failure'])}"]
    problems = []
    if drive["scsi_status"] != 0:
        problems.append(f"scsi_status {drive['scsi_status']}")
    if drive["sense"] is not None:
        problems.append(f"sense {drive['sense']} on an answered query")
    if not re.fullmatch(r"[0-9a-f]{12}", drive["capabilities"] or ""):
        return problems + [f"capabilities {drive['capabilities']!r}"]
    page = bytes.fromhex(drive["capabilities"])
    wanted = EXPECTED_PAGE[expected["kind"]]
    for n in range(6):
        mask = 0xFF & ~VARYING_BITS.get(n + 2, 0)
        if page[n] & mask != wanted[n] & mask:
            problems.append(f"page byte {n + 2} is {page[n]:02x}, QEMU's {expected['kind']} drive answers "
                            f"{wanted[n]:02x}")
    shown = [(r.get("label"), r.get("value")) if isinstance(r, dict) else (None, None) for r in drive["rows"]]
    for number, (got, want) in enumerate(zip(shown, rows_from_page(page))):
        if got != want:
            problems.append(f"row {number}: report shows {got[0]!r} {got[1]}, its capabilities "
                            f"{drive['capabilities']} make it {want[0]!r} {want[1]}")
    if len(shown) != len(ROWS):
        problems.append(f"{len(shown)} rows")
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
        if block["rows"] != [(r.get("label"), r.get("value")) for r in drive["rows"] if isinstance(r, dict)]:
            problems.append(f"{where}: rows differ from the JSON")
        if block["failure"] != drive["failure"]:
            problems.append(f"{where}: failure lines {block['failure']} differ from the JSON {drive['failure']}")
        if len(block["value_columns"]) > 1:
            problems.append(f"{where}: YES/NO do not stand in one column")
    return problems


def bench_table(markers, drives):
    """The benchmark table from the "bench" marker lines: medians per tool and drive."""
    runs = {}
    for words in markers:
        if not words or words[0] != "bench":
            continue
        fields = dict(w.split("=", 1) for w in words[1:] if "=" in w)
        # One shim line per process: a forking tool counts all its processes.
        sgio = [int(w[5:]) for w in words if w.startswith("sgio=")]
        if sgio:
            fields["sgio"] = sum(sgio)
            fields["wall_us"] = max((int(w[8:]) for w in words if w.startswith("wall_us=")), default=0)
        runs.setdefault((fields.get("tool"), fields.get("drive")), []).append(fields)
    if not runs:
        return None
    lines = [f"{'tool':<23} {'drive':<6} {'SG_IO calls':>11} {'wall ms':>9}  runs"]
    notes = []
    for (tool, drive), rounds in sorted(runs.items(), key=lambda item: (item[0][0] != "wodim", item[0][1])):
        if tool.startswith("quillanor-report"):
            good = [r for r in rounds if r.get("status") == "0" and r.get("printed") == str(drives) and "sgio" in r]
        else:
            good = [r for r in rounds if r.get("status") == "0" and r.get("printed") == "yes" and "sgio" in r]
        label = f"{len(good)}/{len(rounds)}"
        if not good:
            # Keep the figures visible, but never as if they were a real run.
            shown = [r for r in rounds if "sgio" in r]
            why = f"exit {rounds[0].get('status')}, printed {rounds[0].get('printed')}"
            if tool == "wodim" and rounds[0].get("status") == "0" and not notes:
                notes.append("wodim exits 0 without the capabilities on QEMU's ide-cd drives: they refuse "
                             "MODE SENSE(6) and page 3Fh, so wodim takes them for non-MMC drives")
            if shown:
                sgio = statistics.median(int(r["sgio"]) for r in shown)
                wall = statistics.median(int(r["wall_us"]) for r in shown) / 1000
                lines.append(f"{tool:<23} {drive:<6} {sgio:>11g} {wall:>9.1f}  0/{len(rounds)} ({why}; "
                             "not comparable)")
            else:
                lines.append(f"{tool:<23} {drive:<6} {'-':>11} {'-':>9}  0/{len(rounds)} ({why})")
            continue
        sgio = statistics.median(int(r["sgio"]) for r in good)
        wall = statistics.median(int(r["wall_us"]) for r in good) / 1000
        if tool.startswith("quillanor-report") and drives:
            lines.append(f"{tool:<23} {'all':<6} {sgio:>11g} {wall:>9.1f}  {label}")
            lines.append(f"{tool:<23} {'each':<6} {sgio / drives:>11g} {wall / drives:>9.1f}  (total / {drives} drives)")
        else:
            lines.append(f"{tool:<23} {drive:<6} {sgio:>11g} {wall:>9.1f}  {label}")
    lines.append("medians over the rounds that exited 0 and printed the capabilities; "
                 "wall time from the shim's load to the program's exit")
    return "\n".join(lines + notes)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--console", required=True, help="the guest's serial output")
    parser.add_argument("--out", required=True, help="folder for the extracted sections")
    parser.add_argument("--qemu-status", default="0",
                        help="QEMU's exit status, or a reason it did not run (from scripts/qemu-test.sh)")
    args = parser.parse_args()

    try:
        with open(args.console, encoding="utf-8", errors="replace") as f:
            console = f.read().replace("\r", "")
    except OSError:
        console = ""
    sections, markers = cut_sections(console)
    os.makedirs(args.out, exist_ok=True)
    for name, (lines, fields) in sections.items():
        if "/" in name:
            continue
        with open(os.path.join(args.out, name), "w") as f:
            f.write("".join(line + "\n" for line in lines))
        if "status" in fields:
            with open(os.path.join(args.out, name + ".status"), "w") as f:
                f.write(fields["status"] + "\n")

    checks = Checks()

    # The guest ran: without this nothing below can pass, and the reason is told once.
    reasons = []
    if args.qemu_status == "124":
        reasons.append("QEMU timed out before the guest powered off")
    elif args.qemu_status != "0":
        reasons.append(args.qemu_status if not args.qemu_status.isdigit()
                       else f"QEMU exited with status {args.qemu_status}")
    for name in ("report.json", "report.txt"):
        if name not in sections:
            reasons.append(f"the guest never printed the {name} section")
    if ["done"] not in markers:
        reasons.append("the guest never reached the end of its run")
    checks.case("the guest booted and ran the report", reasons)
    ran = not reasons

    # Later checks use whatever drives have all their fields; unmet needs fail.
    document, usable = None, []
    problems = ["not evaluated: no JSON from the guest"] if "report.json" not in sections else []
    if not problems:
        try:
            document = json.loads("\n".join(sections["report.json"][0]))
            problems = drive_format_problems(document)
        except json.JSONDecodeError as error:
            problems = [f"the JSON does not parse: {error}"]
    if isinstance(document, dict) and isinstance(document.get("drives"), list):
        usable = [d if isinstance(d, dict) and all(
            f in d and isinstance(d[f], t) for f, t in DRIVE_FIELDS.items()) else None for d in document["drives"]]
    checks.case("JSON is one document and every drive has every field", problems)

    # The kernel's own view: sr name, H:C:T:L, INQUIRY vendor, model, revision.
    kernel = []
    for line in sections.get("sysfs.txt", ([], {}))[0]:
        parts = line.split("|")
        if len(parts) == 5:
            kernel.append({"block": parts[0], "address": tuple(int(x) for x in parts[1].split(":")),
                           "vendor": parts[2].rstrip(), "product": parts[3].rstrip()})
    kernel.sort(key=lambda d: d["address"])
    found = [f"{d['vendor']} {d['product']}" for d in kernel]
    wanted = [f"{d['vendor']} {d['product']}" for d in EXPECTED_DRIVES]

    if not usable:
        problems = ["not evaluated: no drives in the JSON"]
    else:
        listed = [d["name"] if d else "(malformed)" for d in usable]
        problems = []
        if found != wanted:
            problems.append(f"the guest kernel sees {found}, the emulation was set up for {wanted}")
        if listed != wanted:
            problems.append(f"the report lists {listed}, expected {wanted} in SCSI address order")
    checks.case("exactly the 5 emulated drives, in SCSI address order", problems)

    for position, expected in enumerate(EXPECTED_DRIVES):
        title = f"drive {position} ({expected['what']})"
        drive = usable[position] if position < len(usable) else None
        if drive is None:
            checks.case(f"{title}: named from INQUIRY", ["not evaluated: the drive is missing or malformed in the JSON"])
            checks.case(f"{title}: rows and capabilities", ["not evaluated: the drive is missing or malformed in the JSON"])
            continue
        checks.case(f"{title}: named from INQUIRY", [
            f"vendor {drive['vendor']!r}, product {drive['product']!r}; QEMU answers "
            f"{expected['vendor']!r}, {expected['product']!r}"
        ] if (drive["vendor"], drive["product"]) != (expected["vendor"], expected["product"]) else [])
        checks.case(f"{title}: rows and capabilities", capability_problems(drive, expected))

    for name, mode in (("report.json", "--json"), ("report.txt", "text")):
        if name not in sections:
            checks.case(f"exit status 0 ({mode})", ["not evaluated: the guest did not run it"])
            continue
        status = sections[name][1].get("status")
        stderr = " ".join(sections.get(name + ".stderr", ([], {}))[0])[:200]
        checks.case(f"exit status 0 ({mode})",
                    [f"exit status {status}" + (f"; stderr: {stderr}" if stderr else "")] if status != "0" else [])

    if not usable or None in usable or "report.txt" not in sections:
        problems = ["not evaluated: no text, or drives missing fields in the JSON"]
    else:
        problems = text_problems("\n".join(sections["report.txt"][0]), usable)
    checks.case("the text output agrees with the JSON", problems)

    if usable and None not in usable:
        locked = [d["index"] for d in usable if d["capabilities"] and int(d["capabilities"][8:10], 16) & 0x02]
        print(f"note: drives reported in the prevent (locked) state: {locked or 'none'}")

    table = bench_table(markers, len(kernel)) if ran else None
    if table:
        with open(os.path.join(args.out, "bench.txt"), "w") as f:
            f.write(table + "\n")
        print("benchmark (figures, not checks):")
        print(table)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
