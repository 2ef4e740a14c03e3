#!/usr/bin/env python3
"""Fails when a Windows program imports a function not in its allowed list.

  check-imports.py <objdump> <program.exe> <allowed.txt>
  check-imports.py <objdump> <program.exe> --list   (prints the imports)
  check-imports.py <objdump> <program.exe> --oldest 4.0
      fails when the program's header asks for a newer Windows than that
      (Windows 98 refuses a program marked for a later subsystem)
"""
import subprocess
import sys

objdump, program, allowed_path = sys.argv[1:4]
dump = subprocess.run([objdump, "-p", program], capture_output=True, text=True, check=True).stdout

if allowed_path == "--oldest":
    oldest = tuple(int(part) for part in sys.argv[4].split("."))
    fields = dict(line.split(None, 1) for line in dump.splitlines() if line.startswith(("Major", "Minor")))
    failed = False
    for kind in ("OSystem", "Subsystem"):
        marked = (int(fields[f"Major{kind}Version"]), int(fields[f"Minor{kind}Version"]))
        if marked > oldest:
            print(f"{program}: marked for {kind} version {marked[0]}.{marked[1]}, newer than {sys.argv[4]}")
            failed = True
    if not failed:
        print(f"{program}: marked to start on Windows {sys.argv[4]}")
    sys.exit(1 if failed else 0)

allowed = set()
if allowed_path != "--list":
    with open(allowed_path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                dll, name = line.split()
                allowed.add((dll.upper(), name))

imports = set()
dll = None
in_imports = False
for line in dump.splitlines():
    if line.startswith("The Import Tables"):
        in_imports = True
        continue
    # The tables are indented; the next section's heading is not.
    if in_imports and line and not line[0].isspace():
        break
    if not in_imports:
        continue
    words = line.split()
    if line.strip().startswith("DLL Name:"):
        dll = words[2].upper()
    elif dll and len(words) >= 3 and words[1].isdigit() and words[2].strip("0"):
        imports.add((dll, words[2]))

if allowed_path == "--list":
    for dll, name in sorted(imports):
        print(dll, name)
    sys.exit(0)
unexpected = sorted(imports - allowed)
for dll, name in unexpected:
    print(f"{program}: imports {dll} {name}, which is not known to exist on every supported system")
if not imports:
    print(f"{program}: no imports found; objdump output not understood")
    sys.exit(1)
print(f"{len(imports)} imports checked, {len(unexpected)} unexpected")
sys.exit(1 if unexpected else 0)
