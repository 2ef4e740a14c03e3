#!/usr/bin/env python3
"""Builds the build's package with CPack and checks it as a user gets it.

  check_package.py SOURCE_DIR deb CC CXX        the way a user builds it: the report
                                                 alone, tests off, in a build of its
                                                 own; its .deb checked by lintian and
                                                 installed into a scratch root with
                                                 dpkg -x, cmake --install checked too,
                                                 the command run
  check_package.py BUILD_DIR zip WINE_RUN        the Windows .zip, unpacked, its
                                                 report command run under Wine
  check_package.py SOURCE_DIR zip WINE_RUN TOOLCHAIN
                                                 the same from a build of its own, as
                                                 the README makes it: tests off, Release

Exits non-zero, naming the first thing that was wrong.
"""
import glob
import gzip
import os
import re
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


def must(args, what, **kw):
    done = run(args, **kw)
    if done.returncode != 0:
        fail(f"{what} failed:\n" + done.stdout.decode(errors="replace")[-3000:] + done.stderr.decode(errors="replace"))
    return done


# The files a Linux installation holds, below its prefix.
LINUX_FILES = ["bin/quillanor-report", "share/man/man1/quillanor-report.1.gz",
               "share/doc/quillanor-report/changelog.gz", "share/doc/quillanor-report/copyright"]

def version_text(source):
    """The version as the build spells it for people, from its one setting."""
    found = re.search(r'set\(QUILLANOR_VERSION_TEXT "([^"]+)"\)', open(os.path.join(source, "CMakeLists.txt")).read())
    if not found:
        fail("CMakeLists.txt sets no QUILLANOR_VERSION_TEXT")
    return found.group(1)


def source_of(build):
    for line in open(os.path.join(build, "CMakeCache.txt")):
        if line.startswith("Quillanor_SOURCE_DIR:"):
            return line.split("=", 1)[1].strip()
    fail(f"{build} is not a build of Quillanor")


kind = sys.argv[2]
scratch = tempfile.mkdtemp(prefix="quillanor-package-")
try:
    if kind == "deb":
        source, cc, cxx = sys.argv[1], sys.argv[3], sys.argv[4]
        build = os.path.join(scratch, "b")
        must(["cmake", "-S", source, "-B", build, "-DBUILD_TESTING=OFF", f"-DCMAKE_C_COMPILER={cc}",
              f"-DCMAKE_CXX_COMPILER={cxx}"], "configuring the report alone")
        must(["cmake", "--build", build, "--target", "quillanor-report"], "building the report alone")
        must(["cpack"], "cpack", cwd=build)
        installed = os.path.join(scratch, "installed")
        must(["cmake", "--install", build, "--prefix", installed], "cmake --install")
        missing = [f for f in LINUX_FILES if not os.path.isfile(os.path.join(installed, f))]
        if missing:
            fail(f"cmake --install left out {missing}")
        packages = glob.glob(os.path.join(build, "*.deb"))
    elif len(sys.argv) > 4:
        build = os.path.join(scratch, "b")
        must(["cmake", "-S", sys.argv[1], "-B", build, "-G", "Ninja", f"-DCMAKE_TOOLCHAIN_FILE={sys.argv[4]}",
              "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF"], "configuring with tests off")
        must(["cmake", "--build", build], "building with tests off")
        for made in ("app/Quillanor.exe", "app/report/quillanor-report.exe"):
            if not os.path.isfile(os.path.join(build, made)):
                fail(f"the build made no {made}")
        must(["cpack", "-G", "ZIP"], "cpack", cwd=build)
        packages = glob.glob(os.path.join(build, "*.zip"))
    else:
        build = sys.argv[1]
        must(["cpack", "-G", "ZIP", "-B", scratch], "cpack", cwd=build)
        packages = glob.glob(os.path.join(scratch, "*.zip"))
    if len(packages) != 1:
        fail(f"cpack made {packages}")
    version = version_text(source_of(build) if len(sys.argv) == 4 else sys.argv[1])
    if version not in os.path.basename(packages[0]):
        fail(f"the package {os.path.basename(packages[0])} is not named for version {version}")
    root = os.path.join(scratch, "root")
    if kind == "deb":
        info = run(["dpkg-deb", "-f", packages[0], "Package", "Version", "Depends"]).stdout.decode()
        if "Package: quillanor-report" not in info or "libc6" not in info or f"Version: {version}" not in info:
            fail(f"the package's control fields: {info}")
        # Errors and warnings fail; the hardening notes lintian gives as
        # information only are left (docs/development.md, Packages, says why).
        linted = run(["lintian", "--fail-on", "error,warning", packages[0]])
        tags = [line for line in linted.stdout.decode().splitlines() if line[:2] in ("E:", "W:")]
        if linted.returncode != 0 or tags:
            fail("lintian: " + (" ".join(tags) or linted.stderr.decode()))
        changelog = run(["dpkg-parsechangelog", "-l", os.path.join(source, "packaging/changelog"),
                         "-S", "Version"]).stdout.decode().strip()
        if f"Version: {changelog}" not in info:
            fail(f"the changelog's latest entry is {changelog!r}, the package's {info}")
        must(["dpkg", "-x", packages[0], root], "dpkg -x")
        for f in LINUX_FILES:
            path = os.path.join(root, "usr", f)
            if not os.path.isfile(path) or (f.endswith(".gz") and run(["gzip", "-t", path]).returncode != 0):
                fail(f"the package has no usr/{f}")
        with gzip.open(os.path.join(root, "usr/share/man/man1/quillanor-report.1.gz"), "rt") as manual:
            heading = manual.readline()
        if f'"Quillanor {version}"' not in heading:
            fail(f"the manual page's heading is {heading!r}, not of version {version}")
        command = [os.path.join(root, "usr/bin/quillanor-report")]
    else:
        with zipfile.ZipFile(packages[0]) as archive:
            names = sorted(os.path.basename(n) for n in archive.namelist() if not n.endswith("/"))
            if names != ["LICENSE.txt", "Quillanor.exe", "quillanor-report.exe"]:
                fail(f"the archive holds {names}")
            archive.extractall(root)
        found = glob.glob(os.path.join(root, "**", "quillanor-report.exe"), recursive=True)
        command = [sys.argv[3], found[0]]
    said = run(command + ["--version"])
    if said.returncode != 0 or said.stdout.decode().strip() != f"quillanor-report {version}":
        fail(f"--version gave {said.returncode}: {said.stdout!r} {said.stderr!r}")
    # The installed command, for real: whatever drives this machine has.
    report = run(command + ["--json"])
    if report.returncode not in (0, 1) or b'"drives"' not in report.stdout:
        fail(f"--json gave {report.returncode}: {report.stdout[:200]!r} {report.stderr[:200]!r}")
    print(f"check_package: {os.path.basename(packages[0])} installs and runs")
finally:
    shutil.rmtree(scratch, ignore_errors=True)
