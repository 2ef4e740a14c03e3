#!/usr/bin/env python3
"""Checks quillanor-report --detail against QEMU's drives (tools/qemu/window-road.sh
left the report's JSON and the guest's own SG_IO reading in one folder);
check_window.py runs these checks after its own, with the same reporter.

The capabilities page and the profile list are decoded here from the raw
answers, with none of the report's code. The lock state is left out: it
depends on who holds the drive open.
"""
import json

from check_linux_report import EXPECTED_DRIVES, read, status
from checks import schema_problems

LOADING = {0: "caddy/slot", 1: "tray", 2: "pop-up", 4: "changer, individually changeable discs", 5: "changer, magazine"}
PROFILES = {0x08: "CD-ROM", 0x09: "CD-R", 0x0A: "CD-RW", 0x10: "DVD-ROM", 0x11: "DVD-R", 0x12: "DVD-RAM",
            0x1A: "DVD+RW", 0x1B: "DVD+R", 0x2B: "DVD+R DL", 0x40: "BD-ROM", 0x41: "BD-R sequential", 0x43: "BD-RE"}


def whole_page(drive):
    data = bytes.fromhex(drive["mode_sense"]["data"])
    total = min(len(data), int.from_bytes(data[0:2], "big") + 2)
    start = 8 + int.from_bytes(data[6:8], "big")
    return data[start:min(total, start + 2 + data[start + 1])]


def expected_mechanism(drive):
    page = whole_page(drive)

    def word(at):
        return int.from_bytes(page[at:at + 2], "big") if len(page) >= at + 2 else None
    count = word(30)
    return {
        "loading_mechanism": LOADING.get(page[6] >> 5, f"reserved ({page[6] >> 5})"),
        "prevent_jumper": bool(page[6] & 4),
        "max_read_speed": word(8), "volume_levels": word(10), "buffer_size": word(12),
        "current_read_speed": word(14), "max_write_speed": word(18), "current_write_speed": word(20),
        "rotation_control": None if len(page) < 28 else ("CLV", "CAV", "reserved (2)", "reserved (3)")[page[27] & 3],
        "selected_write_speed": word(28), "write_speed_count": count,
        "write_speeds": [] if count is None else [
            {"speed": int.from_bytes(page[32 + 4 * i + 2:32 + 4 * i + 4], "big"),
             "rotation_control": "CAV" if page[32 + 4 * i + 1] & 7 == 1 else "CLV"}
            for i in range(min(count, (len(page) - 32) // 4))],
    }


def expected_profiles(drive):
    answer = drive["configuration"]
    if answer["status"] != 0:
        return None
    data = bytes.fromhex(answer["data"])
    current = int.from_bytes(data[6:8], "big")
    profiles = []
    at = 8
    while at + 4 <= len(data):
        code, length = int.from_bytes(data[at:at + 2], "big"), data[at + 3]
        if code == 0:
            for p in range(at + 4, min(at + 4 + length, len(data)) - 3, 4):
                number = int.from_bytes(data[p:p + 2], "big")
                profiles.append({"number": number, "name": PROFILES.get(number, f"{number:04X}h"),
                                 "current": bool(data[p + 2] & 1)})
            break
        at += 4 + length
    return {"current_profile": None if current == 0 else {"number": current, "name": PROFILES.get(current)},
            "profiles": profiles}


def differences(want, got):
    return [f"{key}: {got.get(key)!r} for {value!r}" for key, value in want.items() if got.get(key) != value]


def page_bytes(drive):
    """Bytes 0..7 of page 2Ah in a MODE SENSE(10) answer, or None."""
    data = bytes.fromhex(drive["mode_sense"]["data"])
    if len(data) < 8:
        return None
    start = 8 + int.from_bytes(data[6:8], "big")
    page = data[start:start + 8]
    return page if len(page) == 8 and page[0] & 0x3F == 0x2A else None


def run(folder, checks):
    try:
        drives = json.loads(read(folder, "drives.json") or "")["drives"]
    except (ValueError, KeyError):
        drives = []
    try:
        report = json.loads(read(folder, "detail.json") or "")["drives"]
    except (ValueError, KeyError):
        report = []
    problem = None
    documents = []
    for name in ("detail.json", "device.json"):
        try:
            documents.append(json.loads(read(folder, name) or ""))
        except ValueError:
            pass
    if status(folder, "detail") != 0:
        problem = f"exit status {status(folder, 'detail')}: {read(folder, 'detail.stderr')}"
    elif len(report) != len(EXPECTED_DRIVES) or len(drives) != len(EXPECTED_DRIVES):
        problem = f"{len(report)} drives in the report, {len(drives)} read, {len(EXPECTED_DRIVES)} expected"
    elif any(schema_problems(document) for document in documents):
        problem = "; ".join(sum((schema_problems(document) for document in documents), [])[:3])
    checks.check(f"--detail --json ran on Linux and listed the {len(EXPECTED_DRIVES)} drives", problem)

    for index, what in enumerate(EXPECTED_DRIVES):
        name = f"drive {index} ({what['what']}): the page's fields as its MODE SENSE answer holds them"
        if index >= min(len(report), len(drives)) or page_bytes(drives[index]) is None:
            checks.check(name, "no drive to compare")
            continue
        got = report[index].get("mechanism") or {}
        wrong = differences(expected_mechanism(drives[index]), got)
        checks.check(name, "; ".join(wrong) if wrong else None)

    for index, what in enumerate(EXPECTED_DRIVES):
        name = f"drive {index} ({what['what']}): the profiles its GET CONFIGURATION answer names"
        if index >= min(len(report), len(drives)) or "configuration" not in drives[index]:
            checks.check(name, "no drive to compare")
            continue
        want = expected_profiles(drives[index])
        got = report[index].get("configuration") or {}
        if want is None:
            checks.check(name, None if got.get("answered") is False and got.get("notes") else
                         f"the drive refused, the report says {got}")
        elif not want["profiles"]:
            checks.check(name, "QEMU named no profiles")
        else:
            wrong = differences(want, got)
            checks.check(name, "; ".join(wrong) if wrong else None)

    problem = None
    try:
        one = json.loads(read(folder, "device.json") or "")["drives"]
        if status(folder, "device") != 0:
            problem = f"exit status {status(folder, 'device')}"
        elif len(one) != 1 or one[0]["index"] != 3 or not one[0].get("mechanism"):
            problem = f"it listed {[d['index'] for d in one]}"
        elif report and one[0] != report[3]:
            problem = "its drive differs from drive 3 of the whole report"
    except (ValueError, KeyError) as error:
        problem = f"no JSON ({error})"
    checks.check("--device with drive 3's node reports drive 3 alone, as the whole report does", problem)
