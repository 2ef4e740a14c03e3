#!/usr/bin/env python3
"""Makes Linux CD drives visible to Windows programs under Wine as CD-ROM
device interfaces, the way Windows lists them: a test and run-command aid,
never part of the program.

Wine's Setup API lists the interfaces of a class from the registry alone
(Control\\DeviceClasses), and its mount manager registers none for CD drives.
For each node given, in order, this writes

  HKLM\\System\\CurrentControlSet\\Enum\\QUILLANOR\\CDROM\\<nnnn>     ClassGUID
  ...\\Control\\DeviceClasses\\{CD-ROM interface}\\##?#QUILLANOR#CDROM#<nnnn>#{...}
        DeviceInstance, and a "#" subkey whose Control key says Linked=1

and links dosdevices/<the interface path's name, lower case> to the node, so
that CreateFileA of the path Wine builds (\\\\?\\quillanor#cdrom#<nnnn>#{...})
opens the drive and pass-through requests reach it as SG_IO. Entries of an
earlier run are removed first; with no node, only that is done.

  fixture.py [--wine COMMAND] [NODE ...]     (WINEPREFIX names the prefix)
  fixture.py [--wine COMMAND] --all          every /dev/srN, in SCSI address
                                             order, as the Linux build lists them
"""
import argparse
import os
import subprocess
import sys
import tempfile

INTERFACE = "{53f56308-b6bf-11d0-94f2-00a0c91efb8b}"  # CD-ROM device interface class
CDROM_CLASS = "{4d36e965-e325-11ce-bfc1-08002be10318}"  # CD-ROM setup class
BUS = "QUILLANOR"
MOST = 64  # instances an earlier run may have left
HKLM = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet"


def instance(index):
    return f"{index:04d}"


def link_name(index):
    return f"{BUS}#CDROM#{instance(index)}#{INTERFACE}".lower()


def linux_drives():
    def address(block):
        target = os.path.basename(os.path.realpath(f"/sys/class/block/{block}/device"))
        return tuple(int(part) if part.isdigit() else -1 for part in target.split(":"))
    try:
        blocks = [b for b in os.listdir("/sys/class/block") if b.startswith("sr")]
    except OSError:
        return []
    return [f"/dev/{b}" for b in sorted(blocks, key=address)]


def reg_text(count):
    lines = ["REGEDIT4", ""]
    for index in range(MOST):
        lines.append(f"[-{HKLM}\\Control\\DeviceClasses\\{INTERFACE}\\##?#{BUS}#CDROM#{instance(index)}#{INTERFACE}]")
    lines += [f"[-{HKLM}\\Enum\\{BUS}]", ""]
    for index in range(count):
        device = f"{BUS}\\CDROM\\{instance(index)}"
        key = f"{HKLM}\\Control\\DeviceClasses\\{INTERFACE}\\##?#{BUS}#CDROM#{instance(index)}#{INTERFACE}"
        lines += [
            f"[{HKLM}\\Enum\\{device}]", f'"ClassGUID"="{CDROM_CLASS}"', "",
            f"[{key}]", f'"DeviceInstance"="{device.replace(chr(92), chr(92) * 2)}"', "",
            f"[{key}\\#]", "",
            f"[{key}\\#\\Control]", '"Linked"=dword:00000001', "",
        ]
    return "\r\n".join(lines) + "\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wine", default="wine", help="the Wine command (default: wine)")
    parser.add_argument("--all", action="store_true", help="every CD drive of this Linux system")
    parser.add_argument("nodes", nargs="*")
    args = parser.parse_args()
    if args.all:
        args.nodes = linux_drives()
    if len(args.nodes) > MOST:
        print(f"fixture: at most {MOST} drives", file=sys.stderr)
        return 2
    prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    dosdevices = os.path.join(prefix, "dosdevices")
    if not os.path.isdir(dosdevices):
        print(f"fixture: {prefix} is no Wine prefix (it has no dosdevices)", file=sys.stderr)
        return 1

    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, newline="") as f:
        f.write(reg_text(len(args.nodes)))
        reg_file = f.name
    try:
        windows_path = "Z:" + os.path.abspath(reg_file).replace("/", "\\")
        result = subprocess.run([*args.wine.split(), "regedit", "/S", windows_path],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if result.returncode != 0:
            print(f"fixture: regedit failed: {result.stderr.decode(errors='replace').strip()}", file=sys.stderr)
            return 1
    finally:
        os.unlink(reg_file)

    for index in range(MOST):
        try:
            os.unlink(os.path.join(dosdevices, link_name(index)))
        except FileNotFoundError:
            pass
    for index, node in enumerate(args.nodes):
        os.symlink(os.path.abspath(node), os.path.join(dosdevices, link_name(index)))
        print(f"fixture: {node} is \\\\?\\{link_name(index)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
