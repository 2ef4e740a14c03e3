#!/usr/bin/env python3
"""Emulated drives with CDs in them for the report's read probe.

  probe_discs.py OUTPUT   writes the drive profile (tools/driveemu's syntax)
  probe_discs.py --check  checks the CRCs and the discs, writes nothing

The sectors are built here from first principles, with CRC tables of this
script's own, so that a mistake in the report's checks cannot hide behind
the same mistake in the discs it is tested with. Every run checks the CRCs
against known values and each disc against what it is meant to be (a good
one wholly right, a liar wrong in its one way) before writing anything.
"""

import sys

# --- CRCs -----------------------------------------------------------------

def _reflected_table(constant):
    table = []
    for i in range(256):
        r = i
        for _ in range(8):
            r = (r >> 1) ^ constant if r & 1 else r >> 1
        table.append(r)
    return table


def _msb_first_table(polynomial):
    table = []
    for i in range(256):
        r = i << 8
        for _ in range(8):
            r = (r << 1) ^ polynomial if r & 0x8000 else r << 1
        table.append(r & 0xFFFF)
    return table


# EDC: CRC-32 of polynomial 8001801Bh, reflected (hence D8018001h), initial
# value 0, no final XOR.
EDC_TABLE = _reflected_table(0xD8018001)
# Q: CRC-16 of polynomial 1021h, most significant bit first, initial 0.
Q_TABLE = _msb_first_table(0x1021)


def edc(data):
    r = 0
    for b in data:
        r = EDC_TABLE[(r ^ b) & 0xFF] ^ (r >> 8)
    return r


def q_crc(data):
    """The CRC as Q carries it: inverted, to be stored most significant byte first."""
    r = 0
    for b in data:
        r = ((r << 8) & 0xFFFF) ^ Q_TABLE[(r >> 8) ^ b]
    return r ^ 0xFFFF


# --- Sectors --------------------------------------------------------------

MAIN_BYTES = 2352
SYNC = bytes([0x00] + [0xFF] * 10 + [0x00])
PREGAP = 150  # physical address of LBA 0

MODE1, FORM1, FORM2, AUDIO = "mode1", "mode2-form1", "mode2-form2", "audio"
# Where each data kind keeps its user data and its EDC, and where the EDC's
# coverage starts: Mode 2's leaves out the sync and the header.
LAYOUT = {
    MODE1: {"user": (16, 2064), "edc_from": 0, "edc_at": 2064},
    FORM1: {"user": (24, 2072), "edc_from": 16, "edc_at": 2072},
    FORM2: {"user": (24, 2348), "edc_from": 16, "edc_at": 2348},
}
SUBMODE_FORM2 = 0x20
SUBMODE_DATA = 0x08


def bcd(n):
    return (n // 10) << 4 | n % 10


def msf(frames):
    return bytes([bcd(frames // 4500), bcd(frames // 75 % 60), bcd(frames % 75)])


def pattern(lba, length, seed):
    """Deterministic bytes, none zero, different for every LBA and seed."""
    return bytes((lba * 131 + i * 7 + seed * 29 + (i >> 8)) % 255 + 1 for i in range(length))


def data_sector(lba, kind, header_lba=None):
    """A data sector; its header may name another LBA (the EDC then covers
    that header). ECC P and Q parity are left zero: nothing reads them here."""
    layout = LAYOUT[kind]
    mode = 1 if kind == MODE1 else 2
    sector = bytearray(MAIN_BYTES)
    sector[0:12] = SYNC
    sector[12:15] = msf((lba if header_lba is None else header_lba) + PREGAP)
    sector[15] = mode
    if kind != MODE1:
        submode = SUBMODE_FORM2 if kind == FORM2 else SUBMODE_DATA
        sector[16:24] = bytes([0, 0, submode, 0]) * 2
    start, end = layout["user"]
    sector[start:end] = pattern(lba, end - start, 1)
    at = layout["edc_at"]
    sector[at:at + 4] = edc(sector[layout["edc_from"]:at]).to_bytes(4, "little")
    return sector


def audio_sector(lba):
    return bytearray(pattern(lba, MAIN_BYTES, 2))


def formatted_q(lba, track, data, absolute_offset=0):
    """Mode-1 Q of a frame in a track's index 1: CONTROL 4 for data, 0 for
    audio; ADR 1; times in BCD, the absolute one moved by absolute_offset."""
    q = bytearray(16)
    q[0] = (0x40 if data else 0x00) | 0x01
    q[1] = bcd(track["number"])
    q[2] = 0x01
    q[3:6] = msf(lba - track["start"])
    q[7:10] = msf(lba + PREGAP + absolute_offset)
    q[10:12] = q_crc(q[0:10]).to_bytes(2, "big")
    return q  # bytes 12-15 zero: the P bit (byte 15 bit 7) is 0 in a track's data


def raw_subchannel(q):
    """Raw P-W: the Q channel's 96 bits, most significant first, one to a
    byte at bit 6; P and R-W zero."""
    return bytes(((q[i // 8] >> (7 - i % 8)) & 1) << 6 for i in range(96))


# --- Checks of our own making ----------------------------------------------

def sector_faults(lba, kind, main, q, raw):
    """What is wrong with a sector, as a careful reader would find it."""
    faults = []
    if kind != AUDIO:
        layout = LAYOUT[kind]
        if main[0:12] != SYNC:
            faults.append("sync")
        if main[12:15] != msf(lba + PREGAP) or main[15] != (1 if kind == MODE1 else 2):
            faults.append("header")
        at = layout["edc_at"]
        if int.from_bytes(main[at:at + 4], "little") != edc(main[layout["edc_from"]:at]):
            faults.append("edc")
    if q_crc(q[0:10]) != int.from_bytes(q[10:12], "big"):
        faults.append("q crc")
    if q[7:10] != msf(lba + PREGAP):
        faults.append("q address")
    if raw_subchannel(q) != raw:
        faults.append("raw q")
    return faults


def self_check():
    def expect(what, got, wanted):
        if got != wanted:
            raise SystemExit("probe_discs: %s is %s, not %s" % (what, got, wanted))

    expect("the EDC table's first entries", [hex(v) for v in EDC_TABLE[:4]],
           [hex(v) for v in (0x00000000, 0x90910101, 0x91210201, 0x01B00300)])
    expect("the EDC of '123456789'", hex(edc(b"123456789")), hex(0x6EC2EDC4))
    zero = bytearray(MAIN_BYTES)
    zero[0:12] = SYNC
    zero[12:16] = bytes([0x00, 0x02, 0x00, 0x01])
    expect("the EDC of a zero Mode 1 sector at LBA 0", edc(zero[0:2064]).to_bytes(4, "little").hex(), "c513682b")
    zero[14] = 0x16
    expect("the EDC of a zero Mode 1 sector at LBA 16", hex(edc(zero[0:2064])), hex(0x5F0017BC))
    expect("the Q CRC of a lead-in frame", "%04X" % q_crc(bytes.fromhex("0100A098061200010000")), "E374")
    expect("the Q CRC of another", "%04X" % q_crc(bytes.fromhex("01000198062000000200")), "3B71")
    expect("a BCD address", msf(4500 * 12 + 75 * 34 + 56).hex(), "123456")


# --- The discs -----------------------------------------------------------

def probed_lba(track):
    """The sector the probe reads of a track: its start + 16, or its last."""
    return min(track["start"] + 16, track["end"])


MIXED = [{"number": 1, "kind": MODE1, "start": 0, "end": 99},
         {"number": 2, "kind": AUDIO, "start": 100, "end": 299}]
XA = [{"number": 1, "kind": FORM1, "start": 0, "end": 199, "form2": [150]}]
DATA_ONLY = [{"number": 1, "kind": MODE1, "start": 0, "end": 249}]

# name, what it is, tracks, disc type, C2 declared, how it lies:
#   edc, header, q crc, q address: the sectors; other words: profile lines.
DRIVES = [
    ("PROBE GOOD", "a good mixed-mode CD: Mode 1 track 1 (LBA 0-99), audio track 2 (100-299)",
     MIXED, 0x00, True, []),
    ("PROBE GOOD XA", "a good CD-ROM XA: one Mode 2 Form 1 track (LBA 0-199), a Form 2 sector at 150",
     XA, 0x20, True, []),
    ("PROBE DATA NO C2", "a Mode 1 data CD (LBA 0-249); C2 neither declared nor given: the truth",
     DATA_ONLY, 0x00, False, ["c2 refused"]),
    ("PROBE BAD EDC", "liar: the mixed CD, one EDC byte of each data sector flipped",
     MIXED, 0x00, True, ["edc"]),
    ("PROBE BAD HEADER", "liar: the mixed CD, data headers naming LBA+1 (their EDC over that header)",
     MIXED, 0x00, True, ["header"]),
    ("PROBE BAD Q CRC", "liar: the mixed CD, every Q CRC wrong, formatted and raw",
     MIXED, 0x00, True, ["q crc"]),
    ("PROBE BAD Q ADDR", "liar: the mixed CD, Q's absolute address one frame on (its CRC right for it)",
     MIXED, 0x00, True, ["q address"]),
    ("PROBE C2 REFUSED", "liar: the mixed CD, C2 declared but READ CD with C2 refused (05/24/00)",
     MIXED, 0x00, True, ["c2 refused"]),
    ("PROBE C2 FLAGGED", "liar: the mixed CD, C2 pointers set on a clean read",
     MIXED, 0x00, True, ["c2 flagged"]),
    ("PROBE NO READ CD", "liar: the mixed CD, READ CD declared but refused (05/20/00); READ(10) reads",
     MIXED, 0x00, True, ["check BE 05 20 00"]),
    ("PROBE AUDIO VARY", "liar: the mixed CD, audio that reads differently each time",
     MIXED, 0x00, True, ["audio-varies"]),
]
SECTOR_LIES = ("edc", "header", "q crc", "q address")


def image(tracks, lies):
    """The sectors the probe reads of the first data and the first audio
    track, with a neighbour either side: (lba, kind, main, q, raw)."""
    wanted = {}
    for kind_is_audio in (False, True):
        track = next((t for t in tracks if (t["kind"] == AUDIO) == kind_is_audio), None)
        if track is None:
            continue
        probed = probed_lba(track)
        for lba in range(max(track["start"], probed - 1), min(track["end"], probed + 1) + 1):
            wanted[lba] = track
        for lba in track.get("form2", []):
            wanted[lba] = track
    sectors = []
    for lba, track in sorted(wanted.items()):
        kind = FORM2 if lba in track.get("form2", []) else track["kind"]
        if kind == AUDIO:
            main = audio_sector(lba)
        else:
            main = data_sector(lba, kind, lba + 1 if "header" in lies else None)
            if "edc" in lies:
                main[LAYOUT[kind]["edc_at"]] ^= 0x01
        q = formatted_q(lba, track, kind != AUDIO, 1 if "q address" in lies else 0)
        if "q crc" in lies:
            q[11] ^= 0x01
        sectors.append((lba, kind, bytes(main), bytes(q), raw_subchannel(q)))
    return sectors


def check_discs():
    for name, _, tracks, _, _, behaviour in DRIVES:
        lies = sorted(set(behaviour) & set(SECTOR_LIES))
        sectors = image(tracks, lies)
        for track in tracks[:2]:
            if probed_lba(track) not in [s[0] for s in sectors]:
                raise SystemExit("probe_discs: %s lacks the sector the probe reads of track %d" %
                                 (name, track["number"]))
        for lba, kind, main, q, raw in sectors:
            faults = sector_faults(lba, kind, main, q, raw)
            # Audio has no header or EDC to be wrong in.
            meant = [f for f in lies if kind != AUDIO or f.startswith("q ")]
            if sorted(faults) != sorted(meant):
                raise SystemExit("probe_discs: %s, LBA %d: faults %s, meant %s" % (name, lba, faults, meant))


# --- The profile ---------------------------------------------------------

def hex_words(data):
    return " ".join("%02X" % b for b in data)


def drive_lines(target, name, about, tracks, disc_type, c2, behaviour):
    lead_out = tracks[-1]["end"] + 1
    control = lambda t: 0x04 if t["kind"] != AUDIO else 0x00
    toc = bytearray([0, 2 + 8 * (len(tracks) + 1), 1, len(tracks)])
    for number, ctl, start in [(t["number"], control(t), t["start"]) for t in tracks] + \
            [(0xAA, control(tracks[-1]), lead_out)]:
        toc += bytes([0, 0x10 | ctl, number, 0]) + start.to_bytes(4, "big")
    # Complete disc, one session; no lead-in or last possible lead-out.
    information = bytes([0x00, 0x20, 0x0E, 1, 1, 1, len(tracks), 0x20, disc_type]) + bytes(7) + \
        b"\xff" * 8 + bytes(10)
    # Page bytes 2-7: reads CD-R and CD-RW; plays audio, reads Form 1 and 2,
    # multisession; CD-DA commands, accurate stream, R-W, C2 if declared.
    capabilities = [0x03, 0x00, 0x71, 0x07 | (0x10 if c2 else 0x00), 0x29, 0x03]
    lines = ["# %d: %s" % (target, about),
             "device 0 %d 0" % target,
             '  inquiry "QUILLTST" "%s" "1.00"' % name,
             "  capabilities " + hex_words(capabilities),
             "  current-profile 0008",
             "  feature 0000 03 00 08 01 00",
             # CD Read, version 2, current; byte 4 bit 1: C2 flags.
             "  feature 001E 09 %02X 00 00 00" % (0x02 if c2 else 0x00),
             "  reply-hex 51 " + hex_words(information),
             "  reply-hex 43/0 " + hex_words(toc),
             "  reply-hex 25 " + hex_words((lead_out - 1).to_bytes(4, "big") + bytes([0, 0, 8, 0]))]
    lines += ["  " + word for word in behaviour if word not in SECTOR_LIES]
    lies = [word for word in behaviour if word in SECTOR_LIES]
    for lba, kind, main, q, raw in image(tracks, lies):
        lines.append("  sector %d %s %s %s %s" % (lba, kind, main.hex().upper(), q.hex().upper(), raw.hex().upper()))
    return lines


def profile():
    out = ["# Generated by tools/probe_discs.py: drives with CDs for the read probe.",
           "# Adapter 0, targets in this order:"]
    out += ["#   %2d %-17s %s" % (t, d[0], d[1]) for t, d in enumerate(DRIVES)]
    for target, drive in enumerate(DRIVES):
        out.append("")
        out += drive_lines(target, *drive)
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) != 2:
        raise SystemExit(__doc__)
    self_check()
    check_discs()
    if argv[1] == "--check":
        print("probe_discs: the CRCs and the %d discs are as meant" % len(DRIVES))
        return 0
    with open(argv[1], "w", newline="\n") as f:
        f.write(profile())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
