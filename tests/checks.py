#!/usr/bin/env python3
"""What the project's Python checkers share: one reporter, the 24-row table
(tests/data/capability-rows.tsv), the report's JSON Schema
(docs/report.schema.json), the reading of the report's text form and of
the UI driver's text of the window.

As a command, it checks report documents against the schema:
  checks.py --validate FILE...   (- for standard input)
"""
import json
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCHEMA = os.path.join(ROOT, "docs", "report.schema.json")


def _rows():
    rows = []
    with open(os.path.join(ROOT, "tests", "data", "capability-rows.tsv"), encoding="ascii") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                label, byte, bit, _field = line.rstrip("\n").split("\t")
                rows.append((label, int(byte), int(bit)))
    return rows


# (label, page byte, bit) of each row, in the order the window shows them.
ROWS = _rows()


def rows_from_page(page, first=2):
    """The 24 (label, YES/NO) rows of page bytes first.., page[0] being byte `first`."""
    return [(label, "YES" if page[byte - first] >> bit & 1 else "NO") for label, byte, bit in ROWS]


class Checks:
    """One line per check, PASS or FAIL with what was wrong, then the count."""

    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, problems=None):
        """problems: None or empty when the check holds; else a text or a list of them."""
        if isinstance(problems, str):
            problems = [problems]
        problems = [p for p in (problems or []) if p]
        if not problems:
            self.passed += 1
            print(f"PASS {name}")
            return True
        self.failed += 1
        print(f"FAIL {name}: {problems[0]}")
        for problem in problems[1:6]:
            print(f"     {problem}")
        if len(problems) > 6:
            print(f"     ... and {len(problems) - 6} more")
        return False

    def summary(self):
        """Prints the closing line and returns the exit status."""
        print(f"{self.passed} passed, {self.failed} failed")
        return 1 if self.failed else 0


def _validator():
    try:
        import jsonschema
    except ImportError:
        # Debian's python3-jsonschema, for a python3 that is not Debian's own.
        sys.path.append("/usr/lib/python3/dist-packages")
        try:
            import jsonschema
        except ImportError:
            return None
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    return jsonschema.Draft7Validator(schema)


def schema_problems(document):
    """What in a report document breaks docs/report.schema.json (empty when nothing)."""
    validator = _validator()
    if validator is None:
        return ["python3-jsonschema is not installed: the document cannot be checked"]
    problems = []
    for error in sorted(validator.iter_errors(document), key=lambda e: list(e.absolute_path)):
        where = "/".join(str(p) for p in error.absolute_path) or "the document"
        problems.append(f"{where}: {error.message[:200]}")
    return problems


def parse_text(text):
    """The text report as [{index, path, name, rows: [(label, value)], other: [lines], value_columns}]."""
    if text == "No CD/DVD Devices Found\n":
        return []
    drives = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line:
            continue  # blank lines part the blocks
        heading = re.fullmatch(r"Drive (\d+)(?: \(([^)]*)\))?: (.*)", line)
        if heading:
            drives.append({"index": int(heading[1]), "path": heading[2], "name": heading[3], "rows": [], "other": [],
                           "value_columns": set()})
            continue
        if not drives or not line.startswith("  "):
            raise ValueError(f"line {number} belongs to no drive: {line!r}")
        row = re.fullmatch(r"  (\S.*?) {2,}(YES|NO)", line)
        if row:
            drives[-1]["rows"].append((row[1], row[2]))
            drives[-1]["value_columns"].add(len(line) - len(row[2]))
        else:
            drives[-1]["other"].append(line[2:])
    return drives


def parse_window(text):
    """(messages, root, [(drive name, [(label, value)])]) of the UI driver's text of the window."""
    messages, root, drives = [], None, []
    for line in text.split("\n"):
        if line.startswith("message: "):
            messages.append(line[len("message: "):])
        elif line.startswith("window: ") or not line.strip() or line.startswith("screenshot"):
            continue
        elif line.startswith("    ") and drives:
            parts = line.strip().rsplit(None, 1)
            drives[-1][1].append((parts[0], parts[1] if len(parts) > 1 else ""))
        elif line.startswith("  "):
            drives.append((line.strip(), []))
        elif root is None:
            root = line.strip()
    return messages, root, drives


def main(argv):
    if len(argv) < 2 or argv[0] != "--validate":
        print(__doc__, file=sys.stderr)
        return 2
    status = 0
    for name in argv[1:]:
        try:
            text = sys.stdin.read() if name == "-" else open(name, encoding="latin-1").read()
            problems = schema_problems(json.loads(text))
        except ValueError as error:
            problems = [f"not JSON: {error}"]
        for problem in problems:
            print(f"{name}: {problem}", file=sys.stderr)
        status |= 1 if problems else 0
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
