#!/usr/bin/env python3
"""Counts the test cases of one step of the test command; prints "passed failed".

  count-results.py JUNIT RESULTS_DIR   a CTest run: every test that wrote a
      GoogleTest XML file counts as the cases in it; any other test (or one
      whose program could not run and wrote nothing) as one case with
      CTest's verdict
  count-results.py --line LOG          a test script: its closing line
      "N passed, M failed" (tests/checks.py prints it); none counts as one
      failure
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

if sys.argv[1] == "--line":
    try:
        with open(sys.argv[2], encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
    except OSError:
        lines = []
    last = re.fullmatch(r"(\d+) passed, (\d+) failed", lines[-1].strip()) if lines else None
    print(f"{last[1]} {last[2]}" if last else "0 1")
    sys.exit(0)

junit, results_dir = sys.argv[1], sys.argv[2]
passed = failed = 0
try:
    tests = ET.parse(junit).getroot().iter("testcase")
except (OSError, ET.ParseError) as error:
    print(f"count: cannot read {junit}: {error}", file=sys.stderr)
    print("0 1")
    sys.exit(0)

for case in tests:
    name = case.get("name")
    ok = case.get("status") in ("run", "pass", "passed") and case.find("failure") is None
    gtest_xml = os.path.join(results_dir, f"{name}.xml")
    if os.path.exists(gtest_xml):
        try:
            root = ET.parse(gtest_xml).getroot()
            total = int(root.get("tests", 0)) - int(root.get("disabled", 0))
            bad = int(root.get("failures", 0)) + int(root.get("errors", 0))
            passed += total - bad
            failed += bad
            # The program ended badly after its cases (a crash at exit).
            if not ok and bad == 0:
                failed += 1
            continue
        except (OSError, ET.ParseError, ValueError):
            pass
    if ok:
        passed += 1
    else:
        failed += 1
        print(f"count: {name} failed", file=sys.stderr)
print(passed, failed)
