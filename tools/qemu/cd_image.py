#!/usr/bin/env python3
"""The data CD of the QEMU guests (scripts/qemu-kernel.sh): an image of a
CD's size, sparse, whose first sectors hold bytes of their own, different in
every sector and never all zero, so that a read of the wrong sector, or of
none, shows; the rest reads as zeros. The checks take what a sector holds
from sector() here.

  cd_image.py PATH   writes the image unless PATH already holds it
"""
import os
import sys

SECTOR = 2048
# 650 MiB: QEMU presents an image up to 80 minutes of CD as a CD.
SIZE = 681574400
FILLED = 64  # sectors 0-63


def sector(lba):
    """The 2048 bytes of sector `lba`: a line naming it, then a generator's bytes seeded by it."""
    if not 0 <= lba < FILLED:
        return bytes(SECTOR)
    head = f"Quillanor test CD, sector {lba}\n".encode("ascii")
    state = (lba + 1) * 2654435761 & 0xFFFFFFFF
    body = bytearray()
    for _ in range(SECTOR - len(head)):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        body.append(state >> 16 & 0xFF)
    return head + bytes(body)


def holds_image(path):
    try:
        if os.path.getsize(path) != SIZE:
            return False
        with open(path, "rb") as f:
            return all(f.read(SECTOR) == sector(lba) for lba in range(FILLED))
    except OSError:
        return False


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    path = sys.argv[1]
    if holds_image(path):
        return 0
    # Written aside and renamed, so that a run cut short leaves no half image.
    partial = path + ".partial"
    with open(partial, "wb") as f:
        for lba in range(FILLED):
            f.write(sector(lba))
        f.truncate(SIZE)
    os.replace(partial, path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
