#!/usr/bin/env python3
"""Checks what the static quillanor-report printed in the bare QEMU guest
(scripts/qemu-test.sh; tools/qemu/linux-report.sh left it in one folder):
the JSON, the text, their exit statuses and the kernel's own view of the
drives; the detail against three peers nobody here wrote (sg_get_config's
features, sdparm's capabilities page, cd-drive's summary; the disc against
wodim -toc, cd-info and dvd+rw-mediainfo), each peer held
against MMC through the raw answers where the two disagree; --probe on the
CD's sector against sg_raw, cd-read, the block device and the image, and its
verdicts against what QEMU answered; and, with --report, that --replay of
each saved report prints that report again, byte for byte. One line per check, then "N passed, M failed"; exits 1 when a
check failed.

  check_linux_report.py FOLDER [--guest-status TEXT] [--report PROGRAM]

The expected drives are those scripts/qemu-kernel.sh gives QEMU 7.2; the
expected capability bytes are what QEMU's two CD emulations answer.
"""
import argparse
import json
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests"))
from checks import ROWS, Checks, parse_text, rows_from_page, schema_problems  # noqa: E402

# The drives of scripts/qemu-kernel.sh in SCSI address order: PIIX IDE (one
# host per channel), AHCI, then virtio-scsi targets 2 and 10 (10 after 2:
# the order is numeric, not textual), then USB: usb-bot, then usb-uas. Each
# with the driver of its SCSI host.
# "disc": what is in it (scripts/qemu-kernel.sh): the data CD
# (tools/qemu/cd_image.py), the blank DVD image, or nothing.
EXPECTED_DRIVES = [
    {"what": "ide-cd on PIIX IDE, the data CD", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM",
     "driver": "ata_piix", "disc": "CD"},
    {"what": "ide-cd on PIIX IDE, empty", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM",
     "driver": "ata_piix", "disc": None},
    {"what": "ide-cd on AHCI, a DVD", "kind": "atapi", "vendor": "QEMU", "product": "QEMU DVD-ROM",
     "driver": "ahci", "disc": "DVD"},
    {"what": "scsi-cd on virtio-scsi, the data CD", "kind": "scsi", "vendor": "QEMU", "product": "QEMU CD-ROM",
     "driver": "virtio_scsi", "disc": "CD"},
    {"what": "scsi-cd on virtio-scsi, a DVD, own INQUIRY", "kind": "scsi", "vendor": "QLNRTEST",
     "product": "EMULATED DRIVE", "driver": "virtio_scsi", "disc": "DVD"},
    {"what": "scsi-cd behind usb-bot, a DVD", "kind": "scsi", "vendor": "QEMU", "product": "QEMU CD-ROM",
     "driver": "usb-storage", "disc": "DVD"},
    {"what": "scsi-cd behind usb-uas, empty", "kind": "scsi", "vendor": "QEMU", "product": "QEMU CD-ROM",
     "driver": "uas", "disc": None},
]
# The bus each host driver lies on, in the report's words.
DRIVER_BUSES = {"ata_piix": "ATA", "ahci": "ATA", "virtio_scsi": "virtio", "usb-storage": "USB", "uas": "USB"}

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


LOADING = {"Tray type": "tray", "Caddy/Slot type": "caddy/slot", "Pop-up type": "pop-up"}
INTERFACES = {"SCSI family": "SCSI", "ATAPI": "ATAPI", "Serial ATAPI": "Serial ATAPI", "USB": "USB"}
# sg_get_config's names of feature fields, and ours.
SG_FIELDS = {"INQ2": "inq2", "DBE": "dbe", "Load": "load", "Eject": "eject", "Prevent jumper": "prevent_jumper",
             "Lock": "lock", "DBML": "dbml", "SAO": "sao", "raw": "raw", "raw MS": "raw_multisession",
             "test write": "test_write", "CD-RW": "cd_rw", "R-W": "rw", "BUF": "buf", "DAP": "dap",
             "C2 flags": "c2_flags", "CD-Text": "cd_text", "MULTI110": "multi110"}
# sdparm's acronyms on page 2Ah: of the rows (by their page byte and bit),
# and of the mechanism's fields.
SDPARM_BITS = {"CD_R_R": (2, 0), "CD_RW_R": (2, 1), "METH2": (2, 2), "D_ROM_R": (2, 3), "D_R_R": (2, 4),
               "D_RAM_R": (2, 5), "CD_R_W": (3, 0), "CD_RW_W": (3, 1), "TST_WR": (3, 2), "D_R_W": (3, 4),
               "D_RAM_W": (3, 5), "AUDIO_P": (4, 0), "M2F1": (4, 4), "M2F2": (4, 5), "MULT_S": (4, 6),
               "CDDA_CS": (5, 0), "CDDA_SA": (5, 1), "ISRC": (5, 5), "UPC": (5, 6), "LOCK": (6, 0), "LS": (6, 1),
               "PJ": (6, 2), "EJECT": (6, 3), "SVL": (7, 0), "SCM": (7, 1), "RWILI": (7, 5)}
SDPARM_WORDS = {"MRSS": ("max_read_speed", 8), "NVLS": ("volume_levels", 10), "BSS": ("buffer_size", 12),
                "CRSS": ("current_read_speed", 14), "MWSS": ("max_write_speed", 18),
                "CWSS": ("current_write_speed", 20)}
# cd-drive's questions, and the row of ours that answers each.
CD_DRIVE_ROWS = {"Can read CD-R": "Can read CD-R discs", "Can read CD-RW": "Can read CD-RW discs",
                 "Can read DVD-ROM": "Can read DVD-ROM discs", "Can play audio": "Can play audio CDs",
                 "Can read Mode 2 Form 1": "Can read sectors in Mode 2 Form 1 (XA) format",
                 "Can read Mode 2 Form 2": "Can read sectors in Mode 2 Form 2 format",
                 "Can read IRSC": "Can return ISRC value", "Can read Media Channel Number (or UPC)":
                 "Can return media catalog number (UPC)",
                 "Can read multiple sessions (e.g. PhotoCD)": "Can read multisession discs or Photo-CD discs",
                 "Can eject": "Can eject media using Start/Stop Unit command",
                 "Can disable manual eject": "Can prevent ejection of media",
                 "Can read CD-DA": "Can read Red Book audio using Read CD command",
                 "Can write CD-R": "Can write CD-R discs", "Can write CD-RW": "Can write CD-RW discs",
                 "Can write DVD-R": "Can write DVD-R discs", "Can write DVD-RAM": "Can write DVD-RAM discs"}
# Where a peer is wrong by MMC, as found here: told, and compared with MMC instead.
PEER_MISTAKES = []
# Where a peer failed to give what it read: told, and another road compared instead.
PEER_FAILURES = []


def raw(drive, command):
    for c in drive.get("commands", []):
        if c["command"] == command:
            return bytes.fromhex(c["data"])
    return b""


def raw_page(drive):
    """Page 2Ah from the report's own raw MODE SENSE answer, as MMC lays it out."""
    data = raw(drive, "MODE SENSE(10)")
    if len(data) < 8:
        return b""
    start = 8 + int.from_bytes(data[6:8], "big")
    return data[start:start + 2 + data[start + 1]] if start + 2 <= len(data) else b""


def sg_features(text):
    """[(code, version, persistent, current, {field: value})] as sg_get_config prints them."""
    features = []
    for line in text.splitlines():
        head = re.fullmatch(r"\s+version=(\d+), persist=(\d), current=(\d) \[0x([0-9a-fA-F]+)\]", line)
        if head:
            features.append((int(head[4], 16), int(head[1]), head[2] == "1", head[3] == "1", {}))
            continue
        if not features or not line.startswith("      "):
            continue
        fields = features[-1][4]
        named = re.fullmatch(r"\s+(Physical interface standard|Loading mechanism): (.*?)(,.*)?", line)
        if named:
            fields["physical_interface" if named[1].startswith("Physical") else "loading_mechanism"] = \
                (INTERFACES if named[1].startswith("Physical") else LOADING).get(named[2], named[2])
        for key, value in re.findall(r"([A-Za-z0-9 -]+?)=(\d+)", line):
            if key.strip() in SG_FIELDS:
                fields[SG_FIELDS[key.strip()]] = value == "1"
    return features


def peer_checks(checks, folder, drives):
    for position, drive in enumerate(drives):
        node = (drive.get("path") or "").replace("/dev/", "")
        title = f"drive {position} ({node})"
        # sg_get_config: the same features in the same order, and every field both decode.
        text = read(folder, f"sg_get_config-{node}.txt")
        ours = (drive.get("configuration") or {}).get("features", [])
        if text is None or not ours:
            checks.check(f"{title}: features agree with sg_get_config", "no sg_get_config output or no features")
        else:
            theirs = sg_features(text)
            problems = []
            if [f[0] for f in theirs] != [f["code"] for f in ours]:
                problems.append(f"sg_get_config lists {[hex(f[0]) for f in theirs]}, the report {[hex(f['code']) for f in ours]}")
            for them, us in zip(theirs, ours):
                if them[1:4] != (us["version"], us["persistent"], us["current"]):
                    problems.append(f"feature {us['code']:#06x}: sg_get_config says version, persistent, current "
                                    f"{them[1:4]}, the report {(us['version'], us['persistent'], us['current'])}")
                for key, value in them[4].items():
                    if key in us["fields"] and us["fields"][key] != value:
                        problems.append(f"feature {us['code']:#06x} {key}: sg_get_config {value!r}, the report "
                                        f"{us['fields'][key]!r}")
            checks.check(f"{title}: features agree with sg_get_config", problems)
        # sdparm: every field of page 2Ah it shows, against the report and the raw page.
        text = read(folder, f"sdparm-{node}.txt") or ""
        page = raw_page(drive)
        fields = dict(re.findall(r"^\s+([A-Z0-9_]+)\s+(\d+)\s", text, re.M))
        problems = [] if fields and page else ["no sdparm output or no raw page"]
        rows = {r["label"]: r["value"] for r in drive["rows"]}
        for acronym, (byte, bit) in SDPARM_BITS.items():
            if acronym not in fields or byte >= len(page) or acronym == "LS":
                continue  # the lock state follows who holds the drive open
            mmc = page[byte] >> bit & 1
            label = next((label for label, b, t in ROWS if (b, t) == (byte, bit)), None)
            if int(fields[acronym]) != mmc:
                PEER_MISTAKES.append(f"sdparm {acronym} on {node}")
            if label is not None and rows.get(label) != ("YES" if mmc else "NO"):
                problems.append(f"{acronym}: the report shows {rows.get(label)}, the page has {mmc}")
            if acronym == "PJ" and drive["mechanism"]["prevent_jumper"] != bool(mmc):
                problems.append(f"PJ: the report says {drive['mechanism']['prevent_jumper']}, the page {mmc}")
        for acronym, (key, at) in SDPARM_WORDS.items():
            if acronym in fields and at + 2 <= len(page):
                mmc = int.from_bytes(page[at:at + 2], "big")
                if int(fields[acronym]) != mmc:
                    PEER_MISTAKES.append(f"sdparm {acronym} on {node}")
                if drive["mechanism"][key] != mmc:
                    problems.append(f"{acronym}: the report says {drive['mechanism'][key]}, the page {mmc}")
        if "LMT" in fields and len(page) > 6 and int(fields["LMT"]) != page[6] >> 5:
            PEER_MISTAKES.append(f"sdparm LMT on {node}")
        checks.check(f"{title}: page 2Ah agrees with sdparm", problems)
        # cd-drive: its yes/no questions that a row answers, where it could ask them.
        text = read(folder, f"cd-drive-{node}.txt") or ""
        answers = dict(re.findall(r"^\s*(Can [^:]*?)\s*: (Yes|No)$", text, re.M))
        problems = []
        for question, label in CD_DRIVE_ROWS.items():
            if question in answers and label in rows and (answers[question] == "Yes") != (rows[label] == "YES"):
                problems.append(f"{question}: cd-drive {answers[question]}, the report {rows[label]}")
        if not answers and "Error in getting drive" not in text:
            problems.append("cd-drive answered nothing: " + text.strip()[-200:])
        checks.check(f"{title}: what cd-drive can tell agrees with the rows", problems)
        disc_checks(checks, folder, drive, title, node)


BOOK_TYPES = {0x0: "DVD-ROM", 0x1: "DVD-RAM", 0x2: "DVD-R", 0x3: "DVD-RW", 0x9: "DVD+RW", 0xA: "DVD+R"}


def disc_checks(checks, folder, drive, title, node):
    """The disc as the report tells it, against wodim -toc, cd-info and dvd+rw-mediainfo; where a peer
    and the report differ, the raw answer decides by MMC."""
    disc = drive.get("disc") or {}
    problems = []
    # What each printed, its complaints (on standard error) after.
    said = {peer: (read(folder, f"{peer}-{node}.txt") or "") + (read(folder, f"{peer}-{node}.txt.stderr") or "")
            for peer in ("wodim", "cd-info", "dvd+rw-mediainfo")}
    wodim, cd_info, mediainfo = said["wodim"], said["cd-info"], said["dvd+rw-mediainfo"]
    if disc.get("no_disc"):
        # Every peer finds no medium either.
        if "no media mounted" not in mediainfo:
            problems.append("the report says no disc, dvd+rw-mediainfo: " + mediainfo.strip()[-80:])
        if "No medium found" not in cd_info:
            problems.append("the report says no disc, cd-info: " + cd_info.strip()[-80:])
        if "Not Ready" not in wodim:
            problems.append("the report says no disc, wodim: " + wodim.strip()[-80:])
        checks.check(f"{title}: the disc agrees with wodim, cd-info and dvd+rw-mediainfo", problems)
        return
    toc = disc.get("toc") or {}
    ours = [(e["track"], e["start_lba"]) for e in toc.get("entries", [])]
    # wodim -toc: "track:   1 lba:         0 ..." and "track:lout lba: ...".
    theirs = [(0xAA if t == "lout" else int(t), int(lba))
              for t, lba in re.findall(r"^track:\s*(\d+|lout) lba:\s+(-?\d+)", wodim, re.M)]
    if not ours or theirs != ours:
        problems.append(f"wodim -toc lists {theirs}, the report {ours}")
    profile = (disc.get("profile") or {}).get("number", 0)
    if 0x08 <= profile <= 0x0A:
        # cd-info: "  1: 00:02:00  000000 data ..." with the lead-out as track 170.
        listed = [(int(t), msf, int(lsn)) for t, msf, lsn in
                  re.findall(r"^\s*(\d+): (\d\d:\d\d:\d\d)\s+(\d+) ", cd_info, re.M)]
        mine = [(e["track"], e["start_msf"], e["start_lba"]) for e in toc.get("entries", [])]
        if listed != mine:
            problems.append(f"cd-info lists {listed}, the report {mine}")
        if "non-DVD media" not in mediainfo:
            problems.append("a CD, but dvd+rw-mediainfo: " + mediainfo.strip()[-80:])
    else:
        mounted = re.search(r"Mounted Media:\s+([0-9A-F]+)h", mediainfo)
        if not mounted or int(mounted[1], 16) != profile:
            problems.append(f"dvd+rw-mediainfo's mounted media {mounted and mounted[1]}, the report's profile {profile:#x}")
        if "DVD" not in cd_info:
            problems.append("a DVD, but cd-info: " + cd_info.strip()[-80:])
        book = re.search(r"Media Book Type:\s+([0-9A-F]+)h", mediainfo)
        physical = disc.get("dvd_physical") or {}
        raw_book = raw(drive, "READ DISC STRUCTURE (physical format)")
        if not book or len(raw_book) < 5:
            problems.append("no book type from dvd+rw-mediainfo or no raw physical format")
        else:
            if BOOK_TYPES.get(raw_book[4] >> 4) != physical.get("book_type"):
                problems.append(f"the report's book type {physical.get('book_type')}, the answer's byte {raw_book[4]:02X}h")
            if int(book[1], 16) != raw_book[4] >> 4:
                PEER_MISTAKES.append(f"dvd+rw-mediainfo's book type on {node}")
            revision = re.search(r"book \[revision (\d+)\]", mediainfo)
            if physical.get("part_version") != raw_book[4] & 0x0F:
                problems.append(f"the report's part version {physical.get('part_version')}, the answer's byte "
                                f"{raw_book[4]:02X}h")
            if revision and int(revision[1]) != raw_book[4] & 0x0F:
                PEER_MISTAKES.append(f"dvd+rw-mediainfo's book revision on {node} (the part version, byte 4 bits 3-0)")
        lead_out = re.search(r"Legacy lead-out at:\s+(\d+)\*2KB", mediainfo)
        if not lead_out or ours[-1:] != [(0xAA, int(lead_out[1]))]:
            problems.append(f"dvd+rw-mediainfo's lead-out {lead_out and lead_out[1]}, the report's {ours[-1:]}")
    capacity = disc.get("capacity") or {}
    if ours and capacity.get("last_lba") is not None and capacity["last_lba"] + 1 != ours[-1][1]:
        problems.append(f"READ CAPACITY's last LBA {capacity['last_lba']}, the lead-out at {ours[-1][1]}")
    checks.check(f"{title}: the disc agrees with wodim, cd-info and dvd+rw-mediainfo", problems)


def sysfs_connections(folder):
    """{node: what the guest's sysfs said of the drive's connection} (tools/qemu/linux-report.sh)."""
    said = {}
    for line in (read(folder, "connection.txt") or "").splitlines():
        parts = line.split("|")
        if len(parts) != 11:
            continue
        node, device, proc_name, bound, vpd, usb = parts[:6]
        # uas leaves proc_name unset; the driver bound above the host is then the host's.
        driver = proc_name if proc_name not in ("", "(null)") else bound
        serial = None
        page = bytes.fromhex(vpd) if re.fullmatch(r"([0-9a-f]{2})*", vpd) else b""
        if len(page) >= 4 and page[1] == 0x80:
            serial = page[4:4 + int.from_bytes(page[2:4], "big")].split(b"\0")[0].strip(b" ").decode("latin-1")
        said[node] = {"device": device, "driver": driver, "serial": serial or None,
                      "usb": dict(zip(("vendor_id", "product_id", "manufacturer", "product", "speed_mbps"),
                                      parts[6:])) if usb else None}
    return said


def connection_checks(checks, folder, drives):
    """Each drive's connection against what the guest's sysfs said, and the expected driver; the USB
    drives' capability rows against those of the scsi-cd drives reached directly."""
    said = sysfs_connections(folder)
    strings = {}
    for line in (read(folder, "sysfs.txt") or "").splitlines():
        parts = line.split("|")
        if len(parts) == 5:
            strings[parts[0]] = [p.strip() for p in parts[2:]]
    for position, (drive, expected) in enumerate(zip(drives, EXPECTED_DRIVES)):
        node = (drive.get("path") or "").replace("/dev/", "")
        connection = drive.get("connection")
        kernel = said.get(node)
        problems = []
        if not isinstance(connection, dict) or kernel is None:
            problems.append(f"no connection in the report ({connection!r}) or nothing from sysfs for {node}")
        else:
            bus = DRIVER_BUSES.get(kernel["driver"])
            want = {"source": "sysfs", "driver": kernel["driver"], "bus": bus, "bridged": bus == "USB",
                    "usb": kernel["usb"], "serial": kernel["serial"],
                    "vendor": strings.get(node, [None] * 3)[0], "product": strings.get(node, [None] * 3)[1],
                    "revision": strings.get(node, [None] * 3)[2]}
            if kernel["driver"] != expected["driver"]:
                problems.append(f"sysfs names the driver {kernel['driver']!r}, the emulation was set up for "
                                f"{expected['driver']!r}")
            for key, value in want.items():
                got = connection.get(key)
                if key == "usb" and isinstance(got, dict):
                    got = {k: got.get(k) for k in ("vendor_id", "product_id", "manufacturer", "product",
                                                   "speed_mbps")}
                if got != value and not (value is None and got == ""):
                    problems.append(f"{key}: the report says {got!r}, sysfs {value!r}")
        checks.check(f"drive {position} ({expected['what']}): the connection is as sysfs tells it", problems)

    # A bridge in the way changes nothing the drive says of itself.
    fixed = [(label, byte, bit) for label, byte, bit in ROWS if VARYING_BITS.get(byte, 0) & (1 << bit) == 0]

    def rows(drive):
        shown = {r["label"]: r["value"] for r in drive["rows"]}
        return [(label, shown.get(label)) for label, _, _ in fixed]

    direct = [d for d, e in zip(drives, EXPECTED_DRIVES) if e["driver"] == "virtio_scsi" and d["answered"]]
    bridged = [(d, e) for d, e in zip(drives, EXPECTED_DRIVES) if DRIVER_BUSES[e["driver"]] == "USB"]
    problems = [] if direct and bridged else ["no scsi-cd drive reached directly, or no USB drive"]
    for drive, expected in bridged:
        if not drive["answered"] or len(drive["rows"]) != 24:
            problems.append(f"{expected['what']}: {len(drive['rows'])} rows, answered {drive['answered']}")
        for other in direct:
            if rows(drive) != rows(other):
                problems.append(f"{expected['what']}: rows differ from drive {other['index']}'s: "
                                f"{[a for a, b in zip(rows(drive), rows(other)) if a != b][:3]}")
    checks.check("the USB drives' rows are those of the scsi-cd drives reached directly", problems)


def region_check(checks, drives):
    """QEMU implements no REPORT KEY: each drive that lists a DVD profile tells its region setting as
    a refusal or a command not carried, and nothing decoded; the others have none."""
    problems = []
    for drive in drives:
        profiles = (drive.get("configuration") or {}).get("profiles") or []
        dvd = any(0x10 <= p["number"] <= 0x2B for p in profiles)
        region = drive.get("region")
        if not dvd:
            if region is not None:
                problems.append(f"drive {drive['index']}: a region without a DVD profile")
        elif region is None:
            problems.append(f"drive {drive['index']}: no region setting for a DVD drive")
        elif region["answered"] or region["state"] is not None or not (region["sense_text"] or region["not_carried"]):
            problems.append(f"drive {drive['index']}: the region is {region}")
    checks.check("REPORT KEY: every DVD drive's region setting told as QEMU refused it, none decoded", problems)


# --probe. Its commands by name: the CDB with the LBA as {lba} (MMC's READ(10)
# and READ CD forms), and the bytes asked for: the C2 and sub-channel forms
# read two blocks, the second to show where the first one's extra bytes end.
PROBE_DATA_COMMANDS = {
    "READ(10) (probe)": ("2800{lba}00000100", 2048),
    "READ CD (user data)": ("be00{lba}000001100000", 2048),
    "READ CD (raw sector)": ("be00{lba}000001f80000", 2352),
    "READ CD (C2 pointers)": ("be00{lba}000002fa0000", 2 * 2646),
    "READ CD (C2 and block error)": ("be00{lba}000002fc0000", 2 * 2648),
    "READ CD (formatted Q)": ("be00{lba}000002f80200", 2 * 2368),
    "READ CD (raw P-W)": ("be00{lba}000002f80100", 2 * 2448),
}
PROBE_AUDIO_COMMANDS = {
    "READ CD (audio)": ("be04{lba}000001f80000", 2352),
    "READ CD (audio again)": ("be04{lba}000001f80000", 2352),
}
PROBE_IDS = ["read_cd_user_data", "raw_sector", "c2_pointers", "c2_block_error", "formatted_q", "raw_pw",
             "audio_repeat"]
PROBE_VERDICTS = {"works": "works (verified)", "refused": "refused (", "wrong": "answers but wrong: ",
                  "not_tried": "not tried: "}
# What the report may send with --probe: it reads, and never writes. INQUIRY,
# MODE SENSE(10), GET CONFIGURATION, GET PERFORMANCE, READ DISC INFORMATION,
# READ TOC, READ CAPACITY, READ DISC STRUCTURE, REPORT KEY, READ(10), READ CD.
READING_OPCODES = {0x12, 0x5A, 0x46, 0xAC, 0x51, 0x43, 0x25, 0xAD, 0xA4, 0x28, 0xBE}
CD_SYNC = bytes.fromhex("00ffffffffffffffffffff00")
# The last two checks of a drive with the CD: what sg_raw got from READ CD is
# what QEMU's emulation is known to do (ide-cd: sync, the header address in
# binary, Mode 1, the data, 288 zero bytes for EDC and ECC; scsi-cd: refused,
# 05/20/00); and the report's verdicts follow from it (ide-cd: the user data
# works, the raw sector wrong for what breaks MMC, C2 and sub-channel wrong
# as 2352 bytes come whatever is asked; scsi-cd: every READ CD form refused
# in those words, READ(10) answered); audio never tried on a CD without it.
PEER_SAW = "sg_raw's READ CD got what QEMU's emulation is known to answer"
VERDICTS = "the probe's verdicts follow from what QEMU answered"
SENSE_WORDS_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "interrogation",
                                  "sense_words.cpp")


def cd_edc(data):
    """A CD sector's EDC: CRC-32 of polynomial 8001801Bh, reflected, initial value 0, no final XOR."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = crc >> 1 ^ 0xD8018001 if crc & 1 else crc >> 1
    return crc


def msf(lba):
    """The physical address (LBA + 150) as minutes, seconds, frames."""
    physical = lba + 150
    return physical // 4500, physical // 75 % 60, physical % 75


def sense_words(key, asc, ascq):
    """The report's words for a sense key and ASC/ASCQ, read from its own table."""
    try:
        with open(SENSE_WORDS_SOURCE, encoding="utf-8") as f:
            source = f.read()
    except OSError:
        return None
    keys = re.findall(r'"([^"]+)"', source[source.index("kKeys"):source.index("};", source.index("kKeys"))])
    code = re.search(r"\{0x%02X, 0x%02X, \"([^\"]+)\"\}" % (asc, ascq), source)
    return f"{keys[key]}, {code[1]}" if len(keys) == 16 and code else None


def fixed_sense(hex_text):
    """(key, ASC, ASCQ) of fixed-format sense bytes, or None."""
    data = bytes.fromhex(hex_text or "")
    if len(data) < 14 or data[0] & 0x7F not in (0x70, 0x71):
        return None
    return data[2] & 0x0F, data[12], data[13]


def read_bytes(folder, name):
    try:
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()
    except OSError:
        return None


def sg_raw_cdb(folder, name):
    """The CDB sg_raw says it sent (-v: "cdb to send: [28 00 ...]"), as the report's hex writes it."""
    said = re.search(r"cdb to send: \[([0-9a-fA-F ]+)\]", read(folder, name + ".stderr") or "")
    return said[1].replace(" ", "").lower() if said else None


def probe_of(drive):
    probe = drive.get("probe")
    return probe if isinstance(probe, dict) else {}


def probe_form_problems(document):
    """What in a --probe document breaks the probe's form: each drive's seven checks in order, each
    verdict one of four with the text that goes with it."""
    problems = []
    for drive in document.get("drives", []):
        where = f"drive {drive.get('index')}"
        probe = drive.get("probe")
        if not isinstance(probe, dict):
            problems.append(f"{where}: probe is {probe!r}, not an object")
            continue
        checks = probe.get("checks") or []
        if [c.get("check") for c in checks] != PROBE_IDS:
            problems.append(f"{where}: checks {[c.get('check') for c in checks]}, expected {PROBE_IDS}")
        for check in checks:
            verdict, found = check.get("verdict"), check.get("found") or ""
            if verdict not in PROBE_VERDICTS or not found.startswith(PROBE_VERDICTS[verdict]):
                problems.append(f"{where} {check.get('check')}: verdict {verdict!r} with {found!r}")
            if not check.get("capability"):
                problems.append(f"{where} {check.get('check')}: no capability words")
        for key in ("data_sector", "audio_sector"):
            sector = probe.get(key, "absent")
            if sector is not None and not (isinstance(sector, dict) and isinstance(sector.get("lba"), int)
                                           and isinstance(sector.get("track"), int)):
                problems.append(f"{where}: {key} is {sector!r}")
    return problems


def verdict_problems(drive, expected):
    """expected: {check: (verdict, [words its found text must hold])}."""
    found = {c.get("check"): c for c in probe_of(drive).get("checks") or []}
    problems = []
    for check, (verdict, words) in expected.items():
        got = found.get(check) or {}
        text = got.get("found") or ""
        if got.get("verdict") != verdict:
            problems.append(f"{check}: {got.get('verdict')!r} ({text}), expected {verdict!r}")
        missing = [w for w in words if w not in text]
        if missing:
            problems.append(f"{check}: the found text {text!r} does not name {missing}")
    return problems


def probe_drive_checks(checks, folder, drive, expected, title):
    """One drive of the --probe run: the sector and CDBs, the answers against sg_raw and cd-read,
    QEMU's known behaviour as the peers saw it, and the verdicts."""
    import cd_image  # tools/qemu, beside this file
    node = (drive.get("path") or "").replace("/dev/", "")
    probe = probe_of(drive)
    sector_text = (read(folder, f"sector-{node}.txt") or "").strip()
    peers_lba = int(sector_text) if sector_text.isdigit() else None
    probe_commands = {c.get("command"): c for c in drive.get("commands") or []
                      if c.get("command") in PROBE_DATA_COMMANDS or c.get("command") in PROBE_AUDIO_COMMANDS}
    if expected["disc"] != "CD":
        problems = []
        if peers_lba is not None:
            problems.append(f"the guest found a CD in it (sector-{node}.txt)")
        if probe.get("data_sector") is not None or probe.get("audio_sector") is not None:
            problems.append(f"sectors chosen: {probe.get('data_sector')}, {probe.get('audio_sector')}")
        if probe_commands:
            problems.append(f"it sent {sorted(probe_commands)}")
        problems += verdict_problems(drive, {check: ("not_tried", []) for check in PROBE_IDS})
        checks.check(f"{title}: without a CD nothing is probed, every check not tried", problems)
        return

    # The sector: the one the peers chose from wodim's TOC, asked for with the probe's CDBs.
    problems = []
    if peers_lba is None:
        problems.append(f"the guest chose no sector (sector-{node}.txt): sg_get_config or wodim -toc saw no CD")
    elif probe.get("data_sector") != {"track": 1, "lba": peers_lba}:
        problems.append(f"data_sector {probe.get('data_sector')}, the peers' TOC gives track 1, LBA {peers_lba}")
    if probe.get("audio_sector") is not None:
        problems.append(f"audio_sector {probe.get('audio_sector')} on a CD of one data track")
    lba = (probe.get("data_sector") or {}).get("lba", peers_lba)
    for name, (cdb, length) in PROBE_DATA_COMMANDS.items():
        sent = probe_commands.get(name)
        want = cdb.format(lba=f"{lba or 0:08x}")
        if sent is None:
            if name in ("READ(10) (probe)", "READ CD (raw sector)"):
                problems.append(f"no {name!r} among the commands")
        elif sent.get("cdb") != want:
            problems.append(f"{name}: CDB {sent.get('cdb')}, expected {want} ({length} bytes)")
    for name in PROBE_AUDIO_COMMANDS:
        if name in probe_commands:
            problems.append(f"{name} sent on a CD without audio")
    # It says it sends at most nine commands a drive.
    if len(probe_commands) > 9:
        problems.append(f"{len(probe_commands)} probe commands sent: {sorted(probe_commands)}")
    checks.check(f"{title}: the probe reads the sector the peers chose from wodim's TOC, with the probe's CDBs",
                 problems)

    # The same CDB through sg_raw gave the same answer.
    problems = []
    for name, peer in (("READ(10) (probe)", "sg_raw-read10"), ("READ CD (raw sector)", "sg_raw-read-cd"),
                       ("READ CD (C2 pointers)", "sg_raw-read-cd-c2")):
        ours = probe_commands.get(name) or {}
        theirs_cdb = sg_raw_cdb(folder, f"{peer}-{node}.txt")
        if theirs_cdb is None or not ours:
            problems.append(f"{name}: nothing from sg_raw ({peer}-{node}.txt) or from the report")
            continue
        if theirs_cdb != ours.get("cdb"):
            problems.append(f"{name}: sg_raw sent {theirs_cdb}, the report {ours.get('cdb')}")
        theirs = read_bytes(folder, f"{peer}-{node}.bin")
        peer_status = status(folder, f"{peer}-{node}.txt")
        if ours.get("scsi_status") == 0:
            if peer_status != 0 or theirs is None:
                problems.append(f"{name}: the report's answered, sg_raw's did not (status {peer_status}): "
                                f"{(read(folder, f'{peer}-{node}.txt.stderr') or '').strip()[-120:]}")
            elif bytes.fromhex(ours.get("data") or "") != theirs:
                data = bytes.fromhex(ours.get("data") or "")
                at = next((i for i, (a, b) in enumerate(zip(data, theirs)) if a != b), min(len(data), len(theirs)))
                problems.append(f"{name}: the report's {len(data)} bytes differ from sg_raw's {len(theirs)} at "
                                f"byte {at}: {data[at:at + 8].hex()} for {theirs[at:at + 8].hex()}")
        else:
            sense = fixed_sense(ours.get("sense"))
            said = read(folder, f"{peer}-{node}.txt.stderr") or ""
            words = sense and sense_words(*sense)
            if peer_status == 0:
                problems.append(f"{name}: refused to the report (sense {ours.get('sense')}), answered to sg_raw")
            elif not words or words.split(", ")[1].lower() not in said.lower():
                problems.append(f"{name}: the report's sense {ours.get('sense')} ({words}), sg_raw: "
                                f"{said.strip()[-120:]}")
    checks.check(f"{title}: READ(10), READ CD (raw sector) and (C2 pointers) answered what sg_raw read with the "
                 f"same CDB", problems)

    # cd-read's Mode 1 sector, the kernel's block read, the report's, and the image's.
    problems = []
    user = bytes.fromhex((probe_commands.get("READ(10) (probe)") or {}).get("data") or "")
    raw_answer = probe_commands.get("READ CD (raw sector)") or {}
    cd_read = read_bytes(folder, f"cd-read-{node}.bin")
    block = read_bytes(folder, f"dd-{node}.bin") if status(folder, f"dd-{node}.txt") == 0 else None
    said = (read(folder, f"cd-read-{node}.txt.stderr") or "").strip()
    if not cd_read and block and re.search(r"error reading block \d+", said):
        # It read the sector through the node (lseek and read, as strace shows) and then says it failed.
        PEER_FAILURES.append(f"cd-read -m m1f1 on {node} says '{said.splitlines()[-1]}' and writes nothing; the "
                             f"block device's bytes (dd) were compared instead")
    elif not cd_read:
        problems.append(f"cd-read read nothing (status {status(folder, f'cd-read-{node}.txt')}): {said[-120:]}")
    for peer, theirs in (("cd-read", cd_read), ("the block device (dd)", block)):
        if theirs and theirs != user:
            problems.append(f"{peer}'s {len(theirs)} bytes are not READ(10)'s {len(user)}")
    if block is None:
        problems.append(f"dd read nothing from the block device: {(read(folder, f'dd-{node}.txt.stderr') or '')[-120:]}")
    if raw_answer.get("scsi_status") == 0:
        raw = bytes.fromhex(raw_answer.get("data") or "")
        if raw[16:2064] != user:
            problems.append("bytes 16-2063 of the raw sector are not READ(10)'s user data")
    if lba is not None and user != cd_image.sector(lba):
        problems.append(f"READ(10)'s bytes are not sector {lba} of the image (tools/qemu/cd_image.py)")
    checks.check(f"{title}: cd-read's Mode 1 sector and the block device's are READ(10)'s user data, the raw "
                 f"sector's and the image's",
                 problems)

    # What QEMU is known to do, as sg_raw saw it; then the report's verdicts on it.
    raw = read_bytes(folder, f"sg_raw-read-cd-{node}.bin")
    refused = status(folder, f"sg_raw-read-cd-{node}.txt") != 0
    problems = []
    if expected["kind"] == "scsi":
        # scsi-cd implements no READ CD: 05/20/00 to every form; READ(10) reads.
        words = sense_words(0x05, 0x20, 0x00)
        said = read(folder, f"sg_raw-read-cd-{node}.txt.stderr") or ""
        if not refused or "invalid command operation code" not in said.lower():
            problems.append(f"sg_raw's READ CD: status {status(folder, f'sg_raw-read-cd-{node}.txt')}, "
                            f"{said.strip()[-120:]}")
        checks.check(f"{title}: {PEER_SAW}", problems)
        read10 = probe_commands.get("READ(10) (probe)") or {}
        problems = [] if read10.get("scsi_status") == 0 and len(user) == 2048 else [
            f"READ(10) (probe): status {read10.get('scsi_status')}, {len(user)} bytes"]
        if words is None:
            problems.append("no words for 05/20/00 in interrogation/sense_words.cpp")
        else:
            want = {check: ("refused", [words]) for check in PROBE_IDS[:-1]}
            want["audio_repeat"] = ("not_tried", [])
            problems += verdict_problems(drive, want)
        checks.check(f"{title}: {VERDICTS}", problems)
        return

    # ide-cd: sync, the header address in binary, Mode 1, the data, then 288 zero bytes for EDC and ECC.
    m, s, f = msf(lba or 0)
    bcd = bytes(int(str(v), 16) for v in (m, s, f))
    if refused or raw is None or len(raw) != 2352:
        problems.append(f"sg_raw's READ CD: status {status(folder, f'sg_raw-read-cd-{node}.txt')}, "
                        f"{None if raw is None else len(raw)} bytes")
    else:
        if raw[:12] != CD_SYNC:
            problems.append(f"sync {raw[:12].hex()}")
        if raw[12:16] != bytes((m, s, f, 1)):
            problems.append(f"header {raw[12:16].hex()}, QEMU's binary address and mode 1 are "
                            f"{bytes((m, s, f, 1)).hex()}")
        if raw[16:2064] != cd_image.sector(lba or 0):
            problems.append("bytes 16-2063 are not the image's sector")
        if any(raw[2064:]):
            problems.append(f"EDC and ECC bytes not zero: {raw[2064:2072].hex()}...")
    checks.check(f"{title}: {PEER_SAW}", problems)
    # By MMC: the EDC over bytes 0-2063 and the header's address in BCD.
    raw_words = []
    if raw is not None and len(raw) == 2352:
        if int.from_bytes(raw[2064:2068], "little") != cd_edc(raw[:2064]):
            raw_words.append("EDC")
        if raw[12:15] != bcd:
            raw_words.append("header address")
        if raw[:12] != CD_SYNC:
            raw_words.append("sync")
    # QEMU's ide-cd sends the 2352 bytes of each sector however many more
    # are asked for: no C2 pointers, no sub-channel (the next sector follows
    # at once, though the kernel counts the whole allocation moved).
    want = {"read_cd_user_data": ("works", []),
            "raw_sector": ("wrong" if raw_words else "works", raw_words),
            "c2_pointers": ("wrong", []), "c2_block_error": ("wrong", []),
            "formatted_q": ("wrong", []), "raw_pw": ("wrong", []),
            "audio_repeat": ("not_tried", [])}
    problems = verdict_problems(drive, want)
    if problems:
        # What came, to tell a transport that counts bytes never sent from a drive that sent them.
        for name in ("READ CD (C2 pointers)", "READ CD (C2 and block error)", "READ CD (formatted Q)",
                     "READ CD (raw P-W)"):
            answer = probe_commands.get(name) or {}
            tail = bytes.fromhex(answer.get("data") or "")[2352:]
            if tail and not any(tail):
                problems.append(f"{name}: {answer.get('transferred')} bytes transferred by the kernel's count, "
                                f"the {len(tail)} after the sector all zero")
    checks.check(f"{title}: {VERDICTS}", problems)


def probe_checks(checks, folder):
    """The --probe run: its exit statuses and form, that it only reads, each drive's probe against the
    peers; and that without --probe nothing is probed."""
    document, drives, problems = None, [], []
    try:
        document = json.loads(read(folder, "report-probe.json") or "")
        drives = document.get("drives") or []
    except ValueError as error:
        problems = [f"no JSON from --probe: {error}"]
    codes = {name: status(folder, name) for name in ("report-probe.json", "report-probe.txt")}
    checks.check("--probe: exit status 0 (JSON and text)",
                 [f"{name}: exit status {code}; {(read(folder, name + '.stderr') or '').strip()[:160]}"
                  for name, code in codes.items() if code != 0])
    if document is not None:
        problems = schema_problems(document) + probe_form_problems(document)
        if len(drives) != len(EXPECTED_DRIVES):
            problems.append(f"{len(drives)} drives, {len(EXPECTED_DRIVES)} expected")
    checks.check("--probe: JSON of the report's schema, each drive's seven probe checks in order, verdict and "
                 "text agreeing", problems)

    # Without --probe no drive is probed.
    problems = []
    try:
        plain = json.loads(read(folder, "detail.json") or "").get("drives") or []
    except ValueError:
        plain = []
    if not plain:
        problems.append("no --detail JSON")
    for drive in plain:
        if drive.get("probe") is not None:
            problems.append(f"drive {drive.get('index')}: probe {drive['probe']!r}, not absent or null")
        sent = [c.get("command") for c in drive.get("commands") or [] if (c.get("cdb") or "")[:2] in ("28", "be")]
        if sent:
            problems.append(f"drive {drive.get('index')}: sent {sent} without --probe")
    checks.check("--detail without --probe: no drive has a probe, none was sent READ(10) or READ CD", problems)

    # It reads and never writes.
    problems = [] if drives else ["no drives in the --probe JSON"]
    for drive in drives:
        for c in drive.get("commands") or []:
            cdb = c.get("cdb") or ""
            if not re.fullmatch(r"([0-9a-f]{2})+", cdb) or int(cdb[:2], 16) not in READING_OPCODES:
                problems.append(f"drive {drive.get('index')}: {c.get('command')} with CDB {cdb!r}")
    checks.check("--probe: every CDB sent is of a command that reads (INQUIRY, MODE SENSE(10), GET CONFIGURATION, "
                 "GET PERFORMANCE, READ DISC INFORMATION, READ TOC, READ CAPACITY, READ DISC STRUCTURE, REPORT KEY, "
                 "READ(10), READ CD)", problems)

    # The text tells what the JSON does.
    text = read(folder, "report-probe.txt")
    problems = []
    try:
        blocks = {b["index"]: b for b in parse_text(text or "")}
    except ValueError as error:
        blocks, problems = {}, [str(error)]
    if text is None or not drives:
        problems.append("no --probe text or JSON")
    for drive in drives:
        other = (blocks.get(drive.get("index")) or {}).get("other", [])
        block = " ".join(" ".join(other).split())
        probe = probe_of(drive)
        # "Probe: data block LBA 16 (track 1); no audio block (...)", or one reason for all: each part
        # says something, and a sector read is named by its LBA and track.
        line = re.search(r"Probe: (.*?)(?= Capability |$)", block)
        parts = [part.strip() for part in line[1].split(";")] if line else []
        if not parts or any(len(part.split()) < 2 for part in parts):
            problems.append(f"drive {drive.get('index')}: the probe's line says {line and line[0]!r}")
        for key in ("data_sector", "audio_sector"):
            sector = probe.get(key)
            if sector and f"LBA {sector.get('lba')} (track {sector.get('track')})" not in (line[1] if line else ""):
                problems.append(f"drive {drive.get('index')}: the probe's line does not name its {key} {sector}")
        found = {" ".join((c.get("found") or "").split()) for c in probe.get("checks") or []}
        if len(found) == 1 and found.pop().startswith("not tried: "):
            # Nothing read, for one reason: told once.
            if line is None or " ".join((probe["checks"][0].get("found") or "").split()) != line[1]:
                problems.append(f"drive {drive.get('index')}: nothing tried, but the line says {line and line[0]!r}")
            continue
        for check in probe.get("checks") or []:
            for words in (check.get("capability") or "", " ".join((check.get("found") or "").split())):
                if words not in block:
                    problems.append(f"drive {drive.get('index')}: {words!r} is not in the text")
    checks.check("--probe: the text tells each drive's probe checks in the JSON's words", problems)

    for position, expected in enumerate(EXPECTED_DRIVES):
        title = f"drive {position} ({expected['what']})"
        if position < len(drives):
            probe_drive_checks(checks, folder, drives[position], expected, title)
            continue
        names = ([f"{title}: without a CD nothing is probed, every check not tried"] if expected["disc"] != "CD" else
                 [f"{title}: the probe reads the sector the peers chose from wodim's TOC, with the probe's CDBs",
                  f"{title}: READ(10), READ CD (raw sector) and (C2 pointers) answered what sg_raw read with the "
                  f"same CDB",
                  f"{title}: cd-read's Mode 1 sector and the block device's are READ(10)'s user data, the raw "
                 f"sector's and the image's",
                  f"{title}: {PEER_SAW}", f"{title}: {VERDICTS}"])
        for name in names:
            checks.check(name, "not evaluated: the drive is not in the --probe JSON")


def replay_checks(checks, folder, program):
    """--replay of each saved report prints the very report it holds, and the others of the same run."""
    forms = [("detail.json", "detail.json", ["--json", "--detail"]), ("detail.json", "detail.txt", ["--detail"]),
             ("detail.json", "report.json", ["--json"]), ("detail.json", "report.txt", []),
             ("report-probe.json", "report-probe.json", ["--json", "--probe"]),
             ("report-probe.json", "report-probe.txt", ["--probe"])]
    for source, name, options in forms:
        saved = os.path.join(folder, source)
        want = read(folder, name)
        title = f"--replay {source} {' '.join(options) or '(text)'} prints {name} again"
        if not program or want is None or status(folder, source) != 0:
            checks.check(title, "not evaluated: no program or no saved report")
            continue
        result = subprocess.run([program, "--replay", saved, *options], capture_output=True, timeout=60)
        got = result.stdout.decode("latin-1")
        checks.check(title, None if got == want and result.returncode == status(folder, name) else
                     f"exit {result.returncode} for {status(folder, name)}; first difference at byte "
                     f"{next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--guest-status", default="0", help="0, or why the guest did not run")
    parser.add_argument("--report", default="", help="the report command, for the replay checks")
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
    checks.check(f"exactly the {len(EXPECTED_DRIVES)} emulated drives, in SCSI address order", problems)

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

    detail = []
    try:
        document = json.loads(read(folder, "detail.json") or "")
        detail = document["drives"] if not schema_problems(document) else []
    except ValueError:
        pass
    if len(detail) == len(EXPECTED_DRIVES):
        peer_checks(checks, folder, detail)
        connection_checks(checks, folder, detail)
        region_check(checks, detail)
    else:
        for position in range(len(EXPECTED_DRIVES)):
            for peer in ("features agree with sg_get_config", "page 2Ah agrees with sdparm",
                         "what cd-drive can tell agrees with the rows",
                         "the disc agrees with wodim, cd-info and dvd+rw-mediainfo"):
                checks.check(f"drive {position}: {peer}", "not evaluated: no detail of the schema for every drive")
            checks.check(f"drive {position}: the connection is as sysfs tells it",
                         "not evaluated: no detail of the schema for every drive")
        checks.check("the USB drives' rows are those of the scsi-cd drives reached directly",
                     "not evaluated: no detail of the schema for every drive")
        checks.check("REPORT KEY: every DVD drive's region setting told as QEMU refused it, none decoded",
                     "not evaluated: no detail of the schema for every drive")
    probe_checks(checks, folder)
    replay_checks(checks, folder, args.report)
    for mistake in sorted(set(PEER_MISTAKES)):
        print(f"note: {mistake} differs from MMC; the report was compared with MMC instead")
    for failure in sorted(set(PEER_FAILURES)):
        print(f"note: {failure}")

    locked = [d["index"] for d in drives if d["capabilities"] and int(d["capabilities"][8:10], 16) & 0x02]
    print(f"note: drives reported in the prevent (locked) state: {locked or 'none'}")
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
