#!/usr/bin/env python3
"""The table of scripts/bench.sh's SG_IO benchmark, from the lines that
tools/qemu/sgio-bench.sh left in FOLDER/bench.txt: medians per tool and
drive of the SG_IO calls and the wall time (figures, not checks).

  bench_table.py FOLDER
"""
import glob
import os
import statistics
import sys


def bench_table(markers, drives):
    """The table from the runs' lines: medians per tool and drive."""
    runs = {}
    for words in markers:
        if not words:
            continue
        fields = dict(w.split("=", 1) for w in words if "=" in w)
        # One shim line per process: a forking tool counts all its processes.
        # SG_IO calls and CD-ROM ioctls alike: each is a command or a few.
        sgio = [int(w.split("=")[1]) for w in words if w.startswith(("sgio=", "cdrom="))]
        if sgio:
            fields["sgio"] = sum(sgio)
            walls = [int(w[8:]) for w in words if w.startswith("wall_us=")]
            # Tools run one after the other add up; a forking tool's processes overlap.
            fields["wall_us"] = sum(walls) if "+" in fields.get("tool", "") else max(walls, default=0)
        runs.setdefault((fields.get("tool"), fields.get("drive")), []).append(fields)
    if not runs:
        return None
    lines = [f"{'tool':<30} {'drive':<6} {'ioctls':>11} {'wall ms':>9}  runs"]
    notes = []
    for (tool, drive), rounds in sorted(runs.items(), key=lambda item: (item[0][1] != "all", item[0][1], item[0][0])):
        if tool.startswith("quillanor-report") and drive == "all":
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
                lines.append(f"{tool:<30} {drive:<6} {sgio:>11g} {wall:>9.1f}  0/{len(rounds)} ({why}; "
                             "not comparable)")
            else:
                lines.append(f"{tool:<30} {drive:<6} {'-':>11} {'-':>9}  0/{len(rounds)} ({why})")
            continue
        sgio = statistics.median(int(r["sgio"]) for r in good)
        wall = statistics.median(int(r["wall_us"]) for r in good) / 1000
        if tool.startswith("quillanor-report") and drive == "all" and drives:
            lines.append(f"{tool:<30} {'all':<6} {sgio:>11g} {wall:>9.1f}  {label}")
            lines.append(f"{tool:<30} {'each':<6} {sgio / drives:>11g} {wall / drives:>9.1f}  (total / {drives} drives)")
        else:
            lines.append(f"{tool:<30} {drive:<6} {sgio:>11g} {wall:>9.1f}  {label}")
    lines.append("medians over the rounds that exited 0 and printed what the tool is for; ioctls: SG_IO calls "
                 "and CD-ROM ioctls; wall time from the shim's load to the program's exit")
    return "\n".join(lines + notes)



def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "bench.txt")) as f:
        lines = [line.split() for line in f]
    drives = len(glob.glob(os.path.join(folder, "wodim-sr*.txt")))
    print(bench_table(lines, drives) or "no benchmark runs")


if __name__ == "__main__":
    main()
