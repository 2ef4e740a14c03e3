#!/usr/bin/env python3
"""Checks the runs of quillanor-report under the faults of tools/qemu/faults.sh
(scripts/fault-test.sh): every run ended with exit status 0, 1 or 2, within
the bound its commands' time-outs set, printed one JSON document of the
report's schema in which every drive is reported or its failure told with
its reason, and held no descriptor of a drive when it wrote its output.
Prints one line per check, a table of the runs (figures), then
"N passed, M failed"; exits 1 when a check failed.

  check_faults.py FOLDER [--guest-status TEXT]
"""
import argparse
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests"))
from checks import Checks, schema_problems  # noqa: E402

# The runs of faults.sh, in order, with what each must show of the scsi_debug drive.
RUNS = [
    ("baseline", "answers, refusing the capabilities page it does not know"),
    ("timeout-all", "every command ignored: INQUIRY times out, and nothing more is asked"),
    ("recovered", "the first run once the faults are off"),
    ("timeout-every-third", "every third command ignored"),
    ("recovered-again", "the first run once the faults are off"),
    ("slow", "every command answered after 0.5 s"),
    ("vanish-debug-1", "the slow drive deleted through sysfs 0.4 s into the run"),
    ("vanish-debug-2", "the same, 0.8 s into the run"),
    ("vanish-qemu-1", "a QEMU drive deleted through sysfs 0.4 s into the run"),
    ("vanish-qemu-2", "another, 0.8 s into the run"),
    ("vanish-host", "scsi_debug's host removed 0.8 s into the run"),
    ("after", "scsi_debug gone, QEMU's remaining drives"),
]
TIME_OUT = 15        # seconds, the time-out of every command the report sends
RECOVERY = 16        # seconds the kernel's error recovery adds to a time-out (abort, a TEST UNIT READY)
OPEN = 31            # seconds the sr driver may take to open a drive that ignores commands (its own 30 s time-out)
DELAY = 0.5          # seconds, the injected answer delay of the slow runs
SLACK = 10           # seconds of starting, discovery and writing


def bound(name, timed_out_commands, calls):
    """How long a run may take: what the time-outs and delays of its commands explain."""
    seconds = SLACK + timed_out_commands * (TIME_OUT + RECOVERY)
    if name.startswith("timeout"):
        seconds += OPEN
    if name.startswith("recovered"):
        seconds += TIME_OUT + RECOVERY  # the kernel still recovering from the run before
    if name == "slow" or name.startswith("vanish"):
        seconds += calls * DELAY
    return seconds


def read(folder, name):
    try:
        with open(os.path.join(folder, name), encoding="latin-1") as f:
            return f.read()
    except OSError:
        return None


def shim(folder, name):
    fields = {}
    for word in (read(folder, name + ".shim") or "").split():
        key, _, value = word.partition("=")
        fields[key] = value
    return fields


def timed_out(drive):
    return [c["command"] for c in drive.get("commands", []) if c["failure"] == "timed out"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--guest-status", default="0")
    args = parser.parse_args()
    folder = args.folder
    checks = Checks()
    reasons = [] if args.guest_status == "0" else [args.guest_status]
    if read(folder, "faults.done") is None:
        reasons.append("the guest did not reach the end of the faults: " + (read(folder, "faults.error") or "").strip())
    checks.check("the guest ran every fault", reasons)
    debug = (read(folder, "debug-node.txt") or "").strip()
    table = [f"{'run':<20} {'exit':>4} {'SG_IO':>5} {'time s':>7} {'bound s':>7}  scsi_debug drive"]
    for name, what in RUNS:
        problems = []
        status = (read(folder, name + ".status") or "").strip()
        figures = shim(folder, name)
        if status not in ("0", "1", "2"):
            problems.append(f"exit status {status or 'none'}")
        try:
            document = json.loads(read(folder, name + ".out") or "")
            problems += schema_problems(document)
            drives = document.get("drives", [])
        except ValueError as error:
            problems.append(f"no JSON: {error}")
            drives = []
        for drive in drives if not problems else []:
            if not drive["answered"] and not (drive["not_carried"] or drive["sense_text"] or drive["failure"]):
                problems.append(f"drive {drive['index']} failed and says not why")
        if figures.get("sr_open_at_output") != "0":
            problems.append(f"{figures.get('sr_open_at_output', 'no count of')} descriptors of drives still open "
                            "when the report wrote its output")
        outs = sum(len(timed_out(d)) for d in drives)
        seconds = int(figures.get("wall_us", "0")) / 1e6
        calls = int(figures.get("sgio", "0"))
        limit = bound(name, outs, calls)
        if seconds > limit:
            problems.append(f"{seconds:.1f} s, beyond the bound of {limit:.0f} s ({outs} commands timed out)")
        faulty = next((d for d in drives if d.get("path") == debug), None)
        if name == "timeout-all" and (faulty is None or timed_out(faulty) != ["INQUIRY"]):
            problems.append(f"the drive's timed-out commands: {timed_out(faulty) if faulty else 'no drive'}")
        if name == "slow" and (faulty is None or faulty["vendor"] != "Linux"):
            problems.append("the slow drive was not named from its answer")
        if name.startswith("vanish-debug") and faulty is not None and faulty["answered"]:
            problems.append("the deleted drive answered")
        told = "absent" if faulty is None else (
            "answered" if faulty["answered"] else faulty["not_carried"] or faulty["sense_text"] or "failed")
        table.append(f"{name:<20} {status or '-':>4} {calls:>5} {seconds:>7.1f} {limit:>7.0f}  {told}")
        checks.check(f"{name} ({what})", problems)
    print("runs (figures, not checks):")
    print("\n".join(table))
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
