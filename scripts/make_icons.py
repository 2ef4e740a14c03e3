#!/usr/bin/env python3
"""Turns the pixel-art text files of app/res into the icon and cursor files.

Usage:
  make_icons.py                  rewrite every .ico/.cur next to its .txt
  make_icons.py --check          exit 1 if a committed file differs from its .txt
  make_icons.py --preview DIR [--scale N]
                                 also write enlarged PNG previews into DIR

Text format (one character per pixel; see any app/res/*.txt):
  # comment                      (only between blocks)
  format 32bpp | 4bpp | cursor   how the images are stored
  hotspot X Y                    cursors only
  colour C RRGGBB[AA]            the colour of character C (AA: alpha, 32bpp only)
  colour C transparent           see-through pixel
  colour C inverted              cursors only: inverts the screen
  image WxH                      followed by exactly H rows of W characters

4bpp images may use only the 16 standard colours, which form their palette.
Cursors use black (000000) and white (ffffff) besides transparent and inverted.
Only the standard library is used, so the script runs anywhere Python 3 does.
"""

import argparse
import pathlib
import struct
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
ART_DIR = ROOT / "app" / "res"

# The 16 colours of the classic Windows palette, in palette order.
STANDARD_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

TRANSPARENT = "transparent"
INVERTED = "inverted"


class ArtError(Exception):
    pass


class Art:
    def __init__(self, path):
        self.path = path
        self.format = None
        self.hotspot = None
        self.colours = {}   # character -> (r, g, b, a) or TRANSPARENT / INVERTED
        self.images = []    # (width, height, [row strings])


def parse(path):
    art = Art(path)
    lines = path.read_text(encoding="utf-8").splitlines()
    i = 0

    def fail(message):
        raise ArtError(f"{path.name}:{i + 1}: {message}")

    while i < len(lines):
        words = lines[i].split()
        if not words or words[0].startswith("#"):
            i += 1
            continue
        keyword = words[0]
        if keyword == "format" and len(words) == 2 and words[1] in ("32bpp", "4bpp", "cursor"):
            art.format = words[1]
        elif keyword == "hotspot" and len(words) == 3:
            art.hotspot = (int(words[1]), int(words[2]))
        elif keyword == "colour" and len(words) == 3 and len(words[1]) == 1:
            value = words[2].lower()
            if value in (TRANSPARENT, INVERTED):
                art.colours[words[1]] = value
            elif len(value) in (6, 8):
                try:
                    rgba = bytes.fromhex(value if len(value) == 8 else value + "ff")
                except ValueError:
                    fail(f"bad colour {words[2]}")
                art.colours[words[1]] = tuple(rgba)
            else:
                fail(f"bad colour {words[2]}")
        elif keyword == "image" and len(words) == 2 and "x" in words[1]:
            width, height = (int(n) for n in words[1].split("x"))
            rows = lines[i + 1:i + 1 + height]
            if len(rows) != height:
                fail("image ends early")
            for n, row in enumerate(rows):
                if len(row) != width:
                    i += 1 + n
                    fail(f"row is {len(row)} wide, not {width}")
                for ch in row:
                    if ch not in art.colours:
                        i += 1 + n
                        fail(f"character {ch!r} has no colour")
            art.images.append((width, height, rows))
            i += height
        else:
            fail(f"cannot read {lines[i]!r}")
        i += 1

    if art.format is None:
        raise ArtError(f"{path.name}: no format line")
    if not art.images:
        raise ArtError(f"{path.name}: no images")
    if (art.format == "cursor") != (art.hotspot is not None):
        raise ArtError(f"{path.name}: a hot spot belongs to cursors, and every cursor needs one")
    for ch, colour in art.colours.items():
        if colour == INVERTED and art.format != "cursor":
            raise ArtError(f"{path.name}: only cursors can invert ({ch!r})")
        if isinstance(colour, tuple):
            if art.format != "32bpp" and colour[3] != 255:
                raise ArtError(f"{path.name}: only 32bpp images have partial alpha ({ch!r})")
            if art.format == "4bpp" and colour[:3] not in STANDARD_16:
                raise ArtError(f"{path.name}: {ch!r} is not one of the 16 standard colours")
            if art.format == "cursor" and colour[:3] not in ((0, 0, 0), (255, 255, 255)):
                raise ArtError(f"{path.name}: cursors are black and white ({ch!r})")
    return art


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def pack_rows(rows, bpp, value_of):
    """Packs pixel values bottom-up, each row padded to 32 bits, as BMP wants."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(row_bytes(len(row) * bpp))
        for x, ch in enumerate(row):
            value = value_of(ch)
            if bpp == 32:
                line[x * 4:x * 4 + 4] = value
            else:
                bit = x * bpp
                line[bit // 8] |= value << (8 - bpp - bit % 8)
        out += line
    return bytes(out)


def encode_image(art, width, height, rows):
    colours = art.colours

    def see_through(ch):
        return colours[ch] in (TRANSPARENT, INVERTED)

    if art.format == "32bpp":
        bpp, palette = 32, b""

        def xor_value(ch):
            c = colours[ch]
            return b"\0\0\0\0" if c == TRANSPARENT else bytes((c[2], c[1], c[0], c[3]))

        # Systems without alpha blending fall back on the mask: clear where alpha is 0.
        def and_value(ch):
            c = colours[ch]
            return 1 if c == TRANSPARENT or c[3] == 0 else 0
    elif art.format == "4bpp":
        bpp = 4
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in STANDARD_16)

        def xor_value(ch):
            c = colours[ch]
            return 0 if c == TRANSPARENT else STANDARD_16.index(c[:3])

        def and_value(ch):
            return 1 if see_through(ch) else 0
    else:
        bpp = 1
        palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))

        def xor_value(ch):
            c = colours[ch]
            return 1 if c == INVERTED or (c != TRANSPARENT and c[0] == 255) else 0

        def and_value(ch):
            return 1 if see_through(ch) else 0

    xor = pack_rows(rows, bpp, xor_value)
    mask = pack_rows(rows, 1, and_value)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + xor + mask, bpp


def build(art):
    """Returns the bytes of the .ico (or .cur) file for the art."""
    cursor = art.format == "cursor"
    blobs = [encode_image(art, w, h, rows) for w, h, rows in art.images]
    out = bytearray(struct.pack("<HHH", 0, 2 if cursor else 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for (width, height, _), (blob, bpp) in zip(art.images, blobs):
        colour_count = {1: 2, 4: 16}.get(bpp, 0)
        if cursor:
            field1, field2 = art.hotspot
        else:
            field1, field2 = 1, bpp
        out += struct.pack("<BBBBHHII", width % 256, height % 256, colour_count, 0,
                           field1, field2, len(blob), offset)
        offset += len(blob)
    for blob, _ in blobs:
        out += blob
    return bytes(out)


def output_path(art):
    return art.path.with_suffix(".cur" if art.format == "cursor" else ".ico")


# --- previews -----------------------------------------------------------------

def write_png(path, width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9))
           + chunk(b"IEND", b""))
    path.write_bytes(png)


def preview(art, directory, scale):
    """One PNG per art file: every image enlarged, side by side, on a checkerboard."""
    gap = 8
    width = sum(w * scale + gap for w, _, _ in art.images) + gap
    height = max(h for _, h, _ in art.images) * scale + 2 * gap
    canvas = [[(0xE8, 0xE8, 0xF0)] * width for _ in range(height)]
    left = gap
    for w, h, rows in art.images:
        for y in range(h * scale):
            for x in range(w * scale):
                ch = rows[y // scale][x // scale]
                c = art.colours[ch]
                check = 0xCC if ((x // 4) + (y // 4)) % 2 else 0xFF
                if c == TRANSPARENT:
                    pixel = (check, check, check)
                elif c == INVERTED:
                    pixel = (255, 0, 255)
                else:
                    a = c[3] / 255
                    pixel = tuple(round(c[k] * a + check * (1 - a)) for k in range(3))
                canvas[gap + y][left + x] = pixel
        if art.hotspot and (w, h) == art.images[0][:2]:
            hx, hy = art.hotspot
            for d in range(scale):
                canvas[gap + hy * scale + scale // 2][left + hx * scale + d] = (255, 0, 0)
                canvas[gap + hy * scale + d][left + hx * scale + scale // 2] = (255, 0, 0)
        left += w * scale + gap
    rows = [b"".join(bytes((r, g, b, 255)) for r, g, b in line) for line in canvas]
    target = directory / (art.path.stem + ".png")
    write_png(target, width, height, rows)
    return target


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare instead of writing; exit 1 on a difference")
    parser.add_argument("--preview", type=pathlib.Path, metavar="DIR",
                        help="write enlarged PNG previews into DIR")
    parser.add_argument("--scale", type=int, default=8, help="preview enlargement")
    args = parser.parse_args()

    stale = []
    try:
        arts = [parse(path) for path in sorted(ART_DIR.glob("*.txt"))]
    except ArtError as error:
        print(f"error: {error}", file=sys.stderr)
        return 2
    for art in arts:
        data = build(art)
        target = output_path(art)
        if args.check:
            if not target.exists() or target.read_bytes() != data:
                stale.append(target)
        else:
            target.write_bytes(data)
            print(f"wrote {target.relative_to(ROOT)}")
        if args.preview:
            args.preview.mkdir(parents=True, exist_ok=True)
            print(f"preview {preview(art, args.preview, args.scale)}")
    for target in stale:
        print(f"out of date: {target.relative_to(ROOT)}", file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
