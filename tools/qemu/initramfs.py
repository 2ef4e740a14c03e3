#!/usr/bin/env python3
"""Builds the guest's initramfs (cpio newc, gzip) for scripts/qemu-test.sh.

It holds a static busybox, the init script, the kernel modules the CD drives
need (with their dependencies, read from each module's .modinfo section,
since the kernel package ships no modules.dep) and the given programs. Files
added with --with-libs also bring the shared libraries and the dynamic loader
that ldd names for them, at the same paths.

The archive is written here rather than by cpio(1) so that it needs no tool
beyond Python and comes out the same for the same inputs (mtime 0, owner 0).
"""
import argparse
import gzip
import os
import stat
import struct
import subprocess
import sys


def modinfo_depends(path):
    """The module names in the depends= entry of a .ko's .modinfo section."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
        raise ValueError(f"{path}: not a 64-bit little-endian ELF file")
    shoff, = struct.unpack_from("<Q", data, 0x28)
    shentsize, shnum, shstrndx = struct.unpack_from("<HHH", data, 0x3A)

    def section(index):
        # name, type, flags, addr, offset, size
        return struct.unpack_from("<IIQQQQ", data, shoff + index * shentsize)

    names_offset = section(shstrndx)[4]
    for i in range(shnum):
        name_index, _, _, _, offset, size = section(i)
        end = data.index(b"\0", names_offset + name_index)
        if data[names_offset + name_index:end] != b".modinfo":
            continue
        for entry in data[offset:offset + size].split(b"\0"):
            if entry.startswith(b"depends="):
                value = entry[len(b"depends="):].decode()
                return [name for name in value.split(",") if name]
        return []
    raise ValueError(f"{path}: no .modinfo section")


def module_name(filename):
    # The kernel treats '-' and '_' in module names alike.
    return filename.split(".ko")[0].replace("-", "_")


def resolve_modules(modules_dir, wanted):
    """Relative paths of the .ko files for `wanted`, dependencies first.

    Modules built into the kernel have no file and are left out; a name that
    is neither a file nor built in is an error."""
    files = {}
    for root, _, names in os.walk(os.path.join(modules_dir, "kernel")):
        for name in names:
            if name.endswith(".ko"):
                files[module_name(name)] = os.path.relpath(os.path.join(root, name), modules_dir)
    builtin = set()
    builtin_list = os.path.join(modules_dir, "modules.builtin")
    if os.path.exists(builtin_list):
        with open(builtin_list) as f:
            builtin = {module_name(os.path.basename(line.strip())) for line in f if line.strip()}

    order, state = [], {}

    def visit(name, chain):
        name = name.replace("-", "_")
        if state.get(name) == "done":
            return
        if state.get(name) == "visiting":
            raise ValueError("module dependency cycle: " + " -> ".join(chain + [name]))
        if name not in files:
            if name in builtin:
                state[name] = "done"
                return
            raise ValueError(f"module {name} is neither a file nor built in")
        state[name] = "visiting"
        for dependency in modinfo_depends(os.path.join(modules_dir, files[name])):
            visit(dependency, chain + [name])
        state[name] = "done"
        order.append(files[name])

    for name in wanted:
        visit(name, [])
    return order


def shared_libraries(program):
    """Absolute paths ldd names for a dynamic program (loader included)."""
    result = subprocess.run(["ldd", program], capture_output=True, text=True)
    if result.returncode != 0 or "not a dynamic executable" in result.stdout + result.stderr:
        return []
    paths = []
    for line in result.stdout.splitlines():
        line = line.strip()
        if "=>" in line:
            target = line.split("=>", 1)[1].strip()
            if target.startswith("not found"):
                raise ValueError(f"{program}: ldd cannot find {line.split()[0]}")
            path = target.split(" (")[0].strip()
        else:
            path = line.split(" (")[0].strip()
        if path.startswith("/"):
            paths.append(path)
    return paths


class Archive:
    """A cpio newc archive built in memory, directories made on demand."""

    def __init__(self):
        self.chunks = []
        self.inode = 1
        self.entries = set()

    def _entry(self, name, mode, data=b"", rdev=(0, 0)):
        name = name.strip("/")
        if name in self.entries:
            raise ValueError(f"{name} added twice")
        self.entries.add(name)
        encoded = name.encode() + b"\0"
        fields = (self.inode, mode, 0, 0, 2 if stat.S_ISDIR(mode) else 1, 0, len(data),
                  0, 0, rdev[0], rdev[1], len(encoded), 0)
        header = b"070701" + b"".join(b"%08X" % value for value in fields)
        self.inode += 1
        self.chunks.append(header + encoded + b"\0" * (-(len(header) + len(encoded)) % 4))
        self.chunks.append(data + b"\0" * (-len(data) % 4))

    def directory(self, path):
        path = path.strip("/")
        if not path or path in self.entries:
            return
        self.directory(os.path.dirname(path))
        self._entry(path, stat.S_IFDIR | 0o755)

    def file(self, path, data, mode=0o755):
        self.directory(os.path.dirname(path.strip("/")))
        self._entry(path, stat.S_IFREG | mode, data)

    def symlink(self, path, target):
        self.directory(os.path.dirname(path.strip("/")))
        self._entry(path, stat.S_IFLNK | 0o777, target.encode())

    def char_device(self, path, major, minor):
        self.directory(os.path.dirname(path.strip("/")))
        self._entry(path, stat.S_IFCHR | 0o600, rdev=(major, minor))

    def write(self, out):
        self._entry("TRAILER!!!", 0)
        with open(out + ".tmp", "wb") as raw:
            with gzip.GzipFile(fileobj=raw, mode="wb", mtime=0, compresslevel=6) as packed:
                for chunk in self.chunks:
                    packed.write(chunk)
        os.replace(out + ".tmp", out)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def placement(text):
    destination, _, source = text.partition("=")
    if not destination.startswith("/") or not source:
        raise argparse.ArgumentTypeError(f"expected /guest/path=host/path, got {text!r}")
    return destination, source


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--busybox", required=True)
    parser.add_argument("--init", required=True)
    parser.add_argument("--modules-dir", required=True, help="lib/modules/<version> of the kernel")
    parser.add_argument("--module", action="append", default=[], help="module to load (with its dependencies)")
    parser.add_argument("--spare-module", action="append", default=[],
                        help="module placed at /lib/modules/spare/NAME.ko for the guest to load itself (its "
                             "dependencies are loaded)")
    parser.add_argument("--file", action="append", default=[], type=placement, help="/guest/path=host/path")
    parser.add_argument("--with-libs", action="append", default=[], type=placement,
                        help="/guest/path=host/path of a dynamic program, with its libraries")
    args = parser.parse_args()

    try:
        archive = Archive()
        for path in ("dev", "proc", "sys", "tmp", "bin", "sbin", "usr/bin", "usr/sbin", "mnt", "root"):
            archive.directory(path)
        # The kernel opens the console before /init runs, before devtmpfs exists.
        archive.char_device("dev/console", 5, 1)
        archive.char_device("dev/null", 1, 3)
        archive.file("bin/busybox", read(args.busybox))
        archive.symlink("bin/sh", "busybox")
        archive.file("init", read(args.init))

        order = resolve_modules(args.modules_dir, args.module)
        for name in args.spare_module:
            spare = resolve_modules(args.modules_dir, [name])
            order += [p for p in spare[:-1] if p not in order]
            archive.file(f"lib/modules/spare/{name}.ko", read(os.path.join(args.modules_dir, spare[-1])), 0o644)
        for relative in order:
            archive.file("lib/modules/" + relative, read(os.path.join(args.modules_dir, relative)), 0o644)
        archive.file("lib/modules/load-order", "".join(p + "\n" for p in order).encode(), 0o644)

        libraries = []
        for destination, source in args.file:
            archive.file(destination, read(source))
        for destination, source in args.with_libs:
            archive.file(destination, read(source))
            libraries += [lib for lib in shared_libraries(source) if lib not in libraries]
        for library in libraries:
            if library.strip("/") not in archive.entries:
                archive.file(library, read(library))
        archive.write(args.out)
    except (OSError, ValueError) as error:
        print(f"initramfs: {error}", file=sys.stderr)
        return 1
    print(f"initramfs: {args.out}: {len(order)} modules ({' '.join(module_name(os.path.basename(p)) for p in order)}), "
          f"{len(libraries)} shared libraries")
    return 0


if __name__ == "__main__":
    sys.exit(main())
