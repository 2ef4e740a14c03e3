#!/usr/bin/env python3
"""Runs the README's run command as a user without a display would, with
the demonstration drives forced (QUILLANOR_DEMO=yes, for machines that have
drives), and checks what it printed: the tree names the CD/DVD drives of
tools/profiles/demo.profile in order, the first drive's 24 rows are those of
its capabilities bytes, and the screenshot was saved. Prints one line per
check, then "N passed, M failed"; exits 1 when a check failed.

  check_run.py [--log FILE]
"""
import argparse
import os
import re
import shlex
import subprocess
import sys
import time

from checks import ROOT, Checks, parse_window, rows_from_page

PROFILE = os.path.join(ROOT, "tools", "profiles", "demo.profile")
SCREENSHOT = os.path.join(ROOT, "build", "run", "quillanor.png")
# The guest's way takes a few minutes; a prefix made anew some more.
LIMIT = 3000


def demo_drives():
    """[(name, capability bytes or None)] of the profile's CD/DVD units, in its order."""
    drives, kind = [], None
    with open(PROFILE, encoding="ascii") as f:
        for line in f:
            words = shlex.split(line, comments=True)
            if not words:
                continue
            if words[0] == "device":
                kind = words[words.index("type") + 1].lower() if "type" in words else "05"
                if kind == "05":
                    drives.append([None, None])
            elif kind == "05" and words[0] == "inquiry":
                drives[-1][0] = f"{words[1]} {words[2]}"
            elif kind == "05" and words[0] == "capabilities":
                drives[-1][1] = bytes(int(b, 16) for b in words[1:])
    return [tuple(d) for d in drives]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--log", help="keep the run command's output here")
    args = parser.parse_args()
    checks = Checks()
    environment = dict(os.environ, QUILLANOR_DEMO="yes")
    environment.pop("DISPLAY", None)
    started = time.time()
    try:
        run = subprocess.run([os.path.join(ROOT, "scripts", "run.sh")], cwd=ROOT, env=environment,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=LIMIT)
        output, status = run.stdout.decode("utf-8", "replace"), run.returncode
    except subprocess.TimeoutExpired as expired:
        output, status = (expired.stdout or b"").decode("utf-8", "replace"), f"no end within {LIMIT} s"
    if args.log:
        with open(args.log, "w", encoding="utf-8") as f:
            f.write(output)
    print(f"run: scripts/run.sh took {time.time() - started:.0f} s")
    checks.check("the run command ends with status 0",
                 None if status == 0 else f"status {status}: {output.strip()[-400:]}")

    # The window's text begins at the UI driver's first line.
    at = re.search(r"^window: ", output, re.M)
    messages, root, shown = parse_window(output[at.start():] if at else "")
    expected = demo_drives()
    problem = None
    if at is None:
        problem = "it printed no window"
    elif messages:
        problem = f"message boxes: {messages}"
    elif root != "My Computer":
        problem = f"the tree's root is {root!r}"
    elif [name for name, _ in shown] != [name for name, _ in expected]:
        problem = f"the tree lists {[name for name, _ in shown]}"
    checks.check(f"it shows the {len(expected)} demonstration drives, in the profile's order", problem)

    name, page = expected[0]
    got = shown[0][1] if shown else []
    want = rows_from_page(page)
    checks.check(f"{name}: the 24 rows of its capabilities bytes",
                 None if got == want else f"{len(got)} rows, first differing: "
                 f"{next((g, w) for g, w in zip(got + [None] * 24, want) if g != w)}")

    fresh = os.path.exists(SCREENSHOT) and os.path.getmtime(SCREENSHOT) >= started - 1
    said = f"screenshot: {SCREENSHOT}" in output
    checks.check("the screenshot is saved where it says",
                 None if fresh and said else f"{SCREENSHOT}: {'not said' if fresh else 'not written by this run'}")
    return checks.summary()


if __name__ == "__main__":
    sys.exit(main())
