#!/usr/bin/env python3
"""Builds the build's package with CPack and checks it as a user gets it.

  check_package.py BUILD_DIR deb                 the .deb, installed into a scratch
                                                 root with dpkg -x, its command run
  check_package.py BUILD_DIR zip WINE_RUN        the Windows .zip, unpacked, its
                                                 report command run under Wine

Exits non-zero, naming the first thing that was wrong.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile


def fail(message):
    print("check_package: " + message)
    sys.exit(1)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, timeout=300, **kw)


build, kind = sys.argv[1], sys.argv[2]
scratch = tempfile.mkdtemp(prefix="quillanor-package-")
try:
    made = run(["cpack", "-G", "DEB" if kind == "deb" else "ZIP", "-B", scratch], cwd=build)
    if made.returncode != 0:
        fail("cpack failed:\n" + made.stdout.decode() + made.stderr.decode())
    packages = glob.glob(os.path.join(scratch, "*.deb" if kind == "deb" else "*.zip"))
    if len(packages) != 1:
        fail(f"cpack made {packages}")
    root = os.path.join(scratch, "root")
    if kind == "deb":
        info = run(["dpkg-deb", "-f", packages[0], "Package", "Version", "Depends"]).stdout.decode()
        if "Package: quillanor-report" not in info or "libc6" not in info:
            fail(f"the package's control fields: {info}")
        if run(["dpkg", "-x", packages[0], root]).returncode != 0:
            fail("dpkg -x failed")
        command = [os.path.join(root, "usr/bin/quillanor-report")]
        manual = os.path.join(root, "usr/share/man/man1/quillanor-report.1.gz")
        if not os.path.isfile(manual) or run(["gzip", "-t", manual]).returncode != 0:
            fail("no manual page at usr/share/man/man1/quillanor-report.1.gz")
    else:
        with zipfile.ZipFile(packages[0]) as archive:
            names = sorted(os.path.basename(n) for n in archive.namelist() if not n.endswith("/"))
            if names != ["Quillanor.exe", "quillanor-report.exe"]:
                fail(f"the archive holds {names}")
            archive.extractall(root)
        found = glob.glob(os.path.join(root, "**", "quillanor-report.exe"), recursive=True)
        command = [sys.argv[3], found[0]]
    version = run(command + ["--version"])
    if version.returncode != 0 or not version.stdout.decode().startswith("quillanor-report "):
        fail(f"--version gave {version.returncode}: {version.stdout!r} {version.stderr!r}")
    # The installed command, for real: whatever drives this machine has.
    report = run(command + ["--json"])
    if report.returncode not in (0, 1) or b'"drives"' not in report.stdout:
        fail(f"--json gave {report.returncode}: {report.stdout[:200]!r} {report.stderr[:200]!r}")
    print(f"check_package: {os.path.basename(packages[0])} installs and runs")
finally:
    shutil.rmtree(scratch, ignore_errors=True)
