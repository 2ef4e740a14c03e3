#!/usr/bin/env python3
"""Asks every CD drive of this Linux system, through SG_IO and none of the
project's code, for its INQUIRY data, its capabilities page (MODE SENSE(10)
of page 2Ah) and its profile list (GET CONFIGURATION), and prints them as JSON: the drives in SCSI address order, each
with its node, address, the kernel's vendor/model/rev and the raw answers in
hex. A tests' reference for what the program should show.
"""
import ctypes
import fcntl
import json
import os
import sys

SG_IO = 0x2285
SG_DXFER_FROM_DEV = -3


class SgIoHdr(ctypes.Structure):
    _fields_ = [
        ("interface_id", ctypes.c_int), ("dxfer_direction", ctypes.c_int),
        ("cmd_len", ctypes.c_ubyte), ("mx_sb_len", ctypes.c_ubyte), ("iovec_count", ctypes.c_ushort),
        ("dxfer_len", ctypes.c_uint), ("dxferp", ctypes.c_void_p), ("cmdp", ctypes.c_void_p),
        ("sbp", ctypes.c_void_p), ("timeout", ctypes.c_uint), ("flags", ctypes.c_uint),
        ("pack_id", ctypes.c_int), ("usr_ptr", ctypes.c_void_p),
        ("status", ctypes.c_ubyte), ("masked_status", ctypes.c_ubyte), ("msg_status", ctypes.c_ubyte),
        ("sb_len_wr", ctypes.c_ubyte), ("host_status", ctypes.c_ushort), ("driver_status", ctypes.c_ushort),
        ("resid", ctypes.c_int), ("duration", ctypes.c_uint), ("info", ctypes.c_uint),
    ]


def command(fd, cdb, length):
    """Sends one data-in command; returns (status, data, sense) or raises OSError."""
    data = ctypes.create_string_buffer(length)
    sense = ctypes.create_string_buffer(32)
    cdb_buffer = ctypes.create_string_buffer(bytes(cdb), len(cdb))
    header = SgIoHdr(interface_id=ord("S"), dxfer_direction=SG_DXFER_FROM_DEV, cmd_len=len(cdb),
                     mx_sb_len=32, dxfer_len=length, dxferp=ctypes.addressof(data),
                     cmdp=ctypes.addressof(cdb_buffer), sbp=ctypes.addressof(sense), timeout=15000)
    fcntl.ioctl(fd, SG_IO, header)
    if header.host_status or (header.driver_status & ~0x08):
        raise OSError(f"host status {header.host_status:#x}, driver status {header.driver_status:#x}")
    return header.status, data.raw[:length - header.resid], sense.raw[:header.sb_len_wr]


def address(block):
    target = os.path.basename(os.path.realpath(f"/sys/class/block/{block}/device"))
    return tuple(int(part) for part in target.split(":"))


def sysfs(block, name):
    with open(f"/sys/class/block/{block}/device/{name}") as f:
        return f.read().strip()


def main():
    drives = []
    blocks = [b for b in os.listdir("/sys/class/block") if b.startswith("sr")]
    for block in sorted(blocks, key=address):
        drive = {"node": f"/dev/{block}", "address": list(address(block)),
                 "vendor": sysfs(block, "vendor"), "model": sysfs(block, "model"), "rev": sysfs(block, "rev")}
        try:
            fd = os.open(drive["node"], os.O_RDONLY | os.O_NONBLOCK)
            try:
                status, data, sense = command(fd, [0x12, 0, 0, 0, 96, 0], 96)
                drive["inquiry"] = {"status": status, "data": data.hex(), "sense": sense.hex()}
                status, data, sense = command(fd, [0x5A, 0, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0], 256)
                drive["mode_sense"] = {"status": status, "data": data.hex(), "sense": sense.hex()}
                # GET CONFIGURATION, the Profile List feature alone (RT 2, feature 0).
                status, data, sense = command(fd, [0x46, 0x02, 0, 0, 0, 0, 0, 0x02, 0x00, 0], 512)
                drive["configuration"] = {"status": status, "data": data.hex(), "sense": sense.hex()}
            finally:
                os.close(fd)
        except OSError as error:
            drive["error"] = str(error)
        drives.append(drive)
    json.dump({"drives": drives}, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
