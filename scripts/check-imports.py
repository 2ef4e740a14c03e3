#!/usr/bin/env python3
"""Fails when a Windows program imports a function not in its allowed list.

  check-imports.py <objdump> <program.exe> <allowed.txt>
  check-imports.py <objdump> <program.exe> --list   (prints the imports)
"""
import subprocess
import sys

objdump, program, allowed_path = sys.argv[1:4]
allowed = set()
if allowed_path != "--list":
    with open(allowed_path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                dll, name = line.split()
                allowed.add((dll.upper(), name))

dump = subprocess.run([objdump, "-p", program], capture_output=True, text=True, check=True).stdout
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
