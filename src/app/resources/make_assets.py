#!/usr/bin/env python3
"""Draws the wizard's left picture (image1.bmp, 118 x 254, 24-bit) and its window icon
(update_icon.png, 32 x 32, and the same as update.ico for the Windows build). Run once; the outputs are committed beside this script.

    python3 make_assets.py

Pure standard library: each pixel is the average of 4 x 4 samples of a few shapes.
"""
import math
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
SUPERSAMPLE = 4


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def inside_arrow(x, y, cx, top, head_w, head_h, shaft_w, bottom):
    """An upward arrow: a triangle on a rectangular shaft."""
    if top <= y <= top + head_h:
        half = head_w / 2 * (y - top) / head_h
        return abs(x - cx) <= half
    return top + head_h < y <= bottom and abs(x - cx) <= shaft_w / 2


def picture_sample(x, y, w, h):
    # Sky gradient, deep blue at the top to light blue at the bottom.
    colour = mix((22, 58, 128), (142, 196, 240), y / h)
    # The globe: sea with a grid of meridians and parallels, lit from the upper left.
    gx, gy, r = w / 2, 84, 40
    dx, dy = x - gx, y - gy
    d = math.hypot(dx, dy)
    if d <= r:
        light = max(0.0, 1 - math.hypot(dx + 14, dy + 14) / (2 * r))
        colour = mix((40, 110, 190), (190, 228, 255), light)
        nx, ny = dx / r, dy / r
        lat = math.degrees(math.asin(max(-1.0, min(1.0, ny))))
        if abs(nx) < 1:
            lon = math.degrees(math.asin(max(-1.0, min(1.0, nx / math.sqrt(max(1e-9, 1 - ny * ny))))))
        else:
            lon = 0.0
        if abs(lat % 30 - 15) > 13.2 or abs(lon % 30 - 15) > 13.2:
            colour = mix(colour, (255, 255, 255), 0.55)
        if d > r - 1.5:
            colour = (18, 50, 110)
    # The arrow rising from the globe: an update coming in.
    if inside_arrow(x, y, w / 2, 118, 46, 26, 18, 196):
        colour = mix((250, 200, 40), (236, 120, 20), (y - 118) / 78)
    # Three stacked bars below: the installed files.
    for i, top in enumerate((206, 220, 234)):
        if top <= y < top + 10 and 22 <= x < w - 22:
            colour = mix((230, 240, 250), (180, 200, 225), i / 2)
    return colour


def icon_sample(x, y, w, h):
    # A rounded blue square with a white upward arrow.
    r = 6
    cx = min(max(x, r), w - r)
    cy = min(max(y, r), h - r)
    if math.hypot(x - cx, y - cy) > r:
        return None
    colour = mix((40, 110, 200), (20, 60, 140), y / h)
    if inside_arrow(x, y, w / 2, 5, 20, 11, 8, 27):
        colour = (255, 255, 255)
    return colour


def render(w, h, sample):
    rows = []
    n = SUPERSAMPLE
    for py in range(h):
        row = []
        for px in range(w):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n, w, h)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(255 * acc[3] / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def write_bmp24(path, rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    path.write_bytes(header + info + pixels)


def write_png_rgba(path, rows):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    path.write_bytes(png)


def write_ico32(path, rows):
    """One 32-bit image with alpha and its AND mask, as every Windows version reads it."""
    h, w = len(rows), len(rows[0])
    xor = bytearray()
    for row in reversed(rows):  # bottom-up, BGRA
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 6 + 16)
    path.write_bytes(header + entry + image)


if __name__ == "__main__":
    write_bmp24(HERE / "image1.bmp", render(118, 254, picture_sample))
    icon = render(32, 32, icon_sample)
    write_png_rgba(HERE / "update_icon.png", icon)
    write_ico32(HERE / "update.ico", icon)
