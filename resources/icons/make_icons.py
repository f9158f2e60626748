#!/usr/bin/env python3
"""Draws the program's icons from their SVG sources.

For each icon this writes one PNG per image (named icon<id>-<size>-<bits>bit.png, already
reduced to the image's colour depth) and the Windows .ico holding all of them. Run it after
changing an SVG and commit what it writes; builds use the committed files and never need the
rasteriser (rsvg-convert, Debian package librsvg2-bin).
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# id, source, images as (size, bits per pixel) in the order they stand in the .ico
ICONS = [
    (128, "app.svg", [(16, 4), (32, 4), (32, 8), (32, 1), (48, 8), (64, 8)]),
    (134, "spare.svg", [(64, 8), (48, 8), (32, 8), (32, 1), (32, 4), (16, 4)]),
    (135, "spare_large.svg", [(64, 8)]),
]

# The standard 16-colour palette.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# 256 colours: the 6x6x6 cube the sources are drawn in, grey steps, the 16 above.
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
GREYS = [(v, v, v) for v in range(8, 256, 10)][:24]
PALETTE_256 = (CUBE + GREYS + VGA)[:256]
MONO = [(0, 0, 0), (255, 255, 255)]


def palette_for(bits):
    return {1: MONO, 4: VGA, 8: PALETTE_256}[bits]


def rasterise(svg, size):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "image.png")
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", out, svg],
                       check=True)
        with open(out, "rb") as f:
            return read_png(f.read())


def read_png(data):
    """RGBA pixels of an 8-bit RGBA or RGB, non-interlaced PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append([tuple(line[x * channels:x * channels + channels]) + ((255,) if channels == 3 else ())
                     for x in range(width)])
        prev = line
    return rows


def nearest(palette, rgb):
    best, best_d = 0, None
    for i, (r, g, b) in enumerate(palette):
        d = (r - rgb[0]) ** 2 + (g - rgb[1]) ** 2 + (b - rgb[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def reduce(rows, bits):
    """Palette indices and a transparency mask for one image."""
    palette = palette_for(bits)
    cache, indices, mask = {}, [], []
    for row in rows:
        irow, mrow = [], []
        for r, g, b, a in row:
            transparent = a < 128
            if bits == 1:
                index = 0 if (r * 299 + g * 587 + b * 114) < 128000 else 1
            else:
                index = cache.setdefault((r, g, b), nearest(palette, (r, g, b)))
            irow.append(0 if transparent else index)
            mrow.append(transparent)
        indices.append(irow)
        mask.append(mrow)
    return palette, indices, mask


def write_png(path, palette, indices, mask):
    raw = b""
    for irow, mrow in zip(indices, mask):
        raw += b"\x00" + b"".join(bytes(palette[i]) + (b"\x00" if m else b"\xff")
                                  for i, m in zip(irow, mrow))
    size = len(indices)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def bmp_entry(palette, indices, mask, bits):
    size = len(indices)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)

    def packed(values, width_bits):
        row_bytes = ((size * width_bits + 31) // 32) * 4
        out = bytearray(row_bytes)
        for x, v in enumerate(values):
            bit = x * width_bits
            out[bit // 8] |= v << (8 - width_bits - bit % 8)
        return bytes(out)

    xor = b"".join(packed(row, bits) for row in reversed(indices))
    and_mask = b"".join(packed([1 if m else 0 for m in row], 1) for row in reversed(mask))
    return header + colours + xor + and_mask


def main():
    for icon_id, source, images in ICONS:
        svg = os.path.join(HERE, source)
        entries = []
        for size, bits in images:
            palette, indices, mask = reduce(rasterise(svg, size), bits)
            write_png(os.path.join(HERE, f"icon{icon_id}-{size}-{bits}bit.png"), palette, indices, mask)
            entries.append((size, bits, len(palette), bmp_entry(palette, indices, mask, bits)))
        directory = struct.pack("<HHH", 0, 1, len(entries))
        offset = 6 + 16 * len(entries)
        data = b""
        for size, bits, colours, blob in entries:
            directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours if colours < 256 else 0,
                                     0, 1, bits, len(blob), offset + len(data))
            data += blob
        with open(os.path.join(HERE, f"icon{icon_id}.ico"), "wb") as f:
            f.write(directory + data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
