#!/usr/bin/env python3
"""Draw the Quillmark icon and write it as PNG files and a Windows .ico.

Only the standard library is used so the icon can be regenerated on any
machine with a Python 3 interpreter.  Shapes live in a 0..1 square; most
edges sit on multiples of 1/16 so they land on pixel boundaries at every
size we emit (16, 32, 48, 256) and stay sharp at the smallest ones.
"""
import math
import os
import struct
import zlib

U = 1 / 16  # grid unit; see module docstring for why everything snaps to it

PAPER = (252, 252, 250)
BORDER = (150, 154, 160)
INK = (96, 102, 112)
BULLET = (70, 76, 86)
BAND = (245, 150, 30)
BAND_INK = (255, 255, 255)
OUTLINE = (74, 58, 44)
ERASER = (232, 136, 150)
FERRULE = (168, 172, 180)
FERRULE_DARK = (120, 124, 134)
BODY = (250, 200, 40)
BODY_DARK = (222, 160, 20)
BODY_LIGHT = (255, 226, 120)
WOOD = (240, 204, 160)
GRAPHITE = (50, 50, 54)

# Pencil axis runs from the eraser end (upper right) to the point (lower left).
TAIL = (14.0 * U, 2.0 * U)
TIP = (6.2 * U, 11.2 * U)
HALF = 1.45 * U
AX = (TIP[0] - TAIL[0], TIP[1] - TAIL[1])
LENGTH = math.hypot(*AX)
DIR = (AX[0] / LENGTH, AX[1] / LENGTH)
CONE = 0.27 * LENGTH  # share of the pencil that is sharpened wood


def stroke(size, base):
    """Hairlines should cover whole pixels at small sizes, yet scale up."""
    return max(1, round(size * base)) / size


def in_rounded_rect(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def pencil(x, y, pen):
    px, py = x - TAIL[0], y - TAIL[1]
    t = px * DIR[0] + py * DIR[1]
    s = px * -DIR[1] + py * DIR[0]
    in_cone = t > LENGTH - CONE
    half = HALF * (LENGTH - t) / CONE if in_cone else HALF
    # Along the slanted cone a perpendicular offset of `pen` needs a wider
    # margin across the axis, or the outline would thin towards the point.
    edge = pen * math.hypot(1, HALF / CONE) if in_cone else pen
    # Capping t blunts the outline's apex so it does not grow a dark spike.
    if t < -pen or t > LENGTH + edge or abs(s) > half + edge:
        return None
    if t < 0 or abs(s) > half:
        return OUTLINE
    if t < 0.13 * LENGTH:
        return ERASER
    if t < 0.25 * LENGTH:
        # Crimped bands read as metal rather than as more eraser.
        return FERRULE_DARK if (t / LENGTH) % 0.06 < 0.02 else FERRULE
    if t < LENGTH - CONE:
        if s < -HALF / 3:
            return BODY_LIGHT
        return BODY_DARK if s > HALF / 3 else BODY
    return GRAPHITE if t > LENGTH - 0.36 * CONE else WOOD


def sheet(x, y, hair):
    x0, y0, x1, y1 = 1 * U, 2 * U, 13 * U, 15 * U
    r = 1.2 * U
    if not in_rounded_rect(x, y, x0, y0, x1, y1, r):
        return None
    if not in_rounded_rect(x, y, x0 + hair, y0 + hair, x1 - hair, y1 - hair,
                           max(r - hair, 0)):
        return BORDER
    for row in range(5):
        top = (4 + 2 * row) * U
        selected = row == 1
        if top <= y <= top + U:
            if 3 * U <= x <= 4 * U:
                return BAND_INK if selected else BULLET
            if 5 * U <= x <= 11 * U:
                return BAND_INK if selected else INK
        if (selected and 2 * U <= x <= 12 * U
                and top - hair <= y <= top + U + hair):
            return BAND
    return PAPER


def render(size):
    """Return rows of RGBA tuples, antialiased by supersampling."""
    n = 8 if size <= 48 else 4
    hair = stroke(size, 1 / 32)
    pen = max(0.8 / size, 1 / 40)
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            acc, hits = [0, 0, 0], 0
            for sj in range(n):
                y = (j + (sj + 0.5) / n) / size
                for si in range(n):
                    x = (i + (si + 0.5) / n) / size
                    c = pencil(x, y, pen) or sheet(x, y, hair)
                    if c:
                        hits += 1
                        for k in range(3):
                            acc[k] += c[k]
            if hits:
                row.append(tuple(round(v / hits) for v in acc)
                           + (round(255 * hits / (n * n)),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png_bytes(rows):
    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    h, w = len(rows), len(rows[0])
    # Filter type 0 on every row: the large flat areas already deflate well,
    # and here Sub/Up filtering measurably enlarges the output.
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"sBIT", bytes([8, 8, 8, 8]))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def bmp_entry(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    stride = (size + 31) // 32 * 4
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
        bits = bytearray(stride)
        for i, px in enumerate(row):
            if px[3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + colour + mask


def ico_bytes(images):
    entries = [bmp_entry(rows) for rows in images]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for rows, data in zip(images, entries):
        side = len(rows) % 256  # 0 stands for 256 in the directory
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    images = {size: render(size) for size in (16, 32, 48, 256)}
    write(os.path.join(here, "Resources", "list.png"), png_bytes(images[32]))
    for size, rows in images.items():
        write(os.path.join(here, "icons", "hicolor", f"{size}x{size}", "apps",
                           "io.github.quillmark.Quillmark.png"),
              png_bytes(rows))
    write(os.path.join(here, "quillmark.ico"),
          ico_bytes([images[48], images[32], images[16]]))


if __name__ == "__main__":
    main()
