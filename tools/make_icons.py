#!/usr/bin/env python3
"""Draws the program's icons, a cassette in the live view's colours, as
resources/velliqor.ico (32 x 32) and resources/velliqor_small.ico (16 x 16)
for Windows, and resources/velliqor.png (48 x 48) for the Linux desktop entry.
Standard library only:  python3 tools/make_icons.py"""
import os
import struct
import zlib

# Colours as (red, green, blue): the Canvas background, the '1' bit blue, the
# '0' bit cyan, the level lane's blue and a dark outline.
BACKGROUND = (255, 255, 228)
BODY = (0, 100, 255)
LABEL = (128, 255, 255)
WINDOW = (155, 230, 255)
OUTLINE = (20, 30, 60)
REEL = (255, 255, 255)


def cassette(size):
    """Returns size x size pixels, top row first, as (r, g, b, a) tuples."""
    s = size / 32.0
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def inside_rounded(x, y, left, top, right, bottom, radius):
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2

    for row in range(size):
        for col in range(size):
            x, y = (col + 0.5) / s, (row + 0.5) / s
            if not inside_rounded(x, y, 1, 5, 31, 27, 3):
                continue
            colour = BODY
            if not inside_rounded(x, y, 2, 6, 30, 26, 2.2):
                colour = OUTLINE
            elif inside_rounded(x, y, 5, 8, 27, 19, 1.5):
                colour = LABEL
                if inside_rounded(x, y, 9, 11, 23, 16, 1):
                    colour = WINDOW
                for reel_x in (11.5, 20.5):
                    d = (x - reel_x) ** 2 + (y - 13.5) ** 2
                    if d <= 2.6 ** 2:
                        colour = REEL if d > 1.2 ** 2 else OUTLINE
            elif 21 <= y <= 26 and 8 <= x <= 24 and abs(x - 16) <= 8 - (26 - y) * 0.6:
                colour = OUTLINE if y >= 25.5 or abs(x - 16) > 7.5 - (26 - y) * 0.6 else BACKGROUND
            pixels[row][col] = colour + (255,)
    return pixels


def ico(size):
    pixels = cassette(size)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for col, p in enumerate(row):
            if p[3] == 0:
                bits |= 1 << (mask_row * 8 - 1 - col)
        mask += bits.to_bytes(mask_row, "big")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


def png(size):
    pixels = cassette(size)
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    for name, size in (("velliqor.ico", 32), ("velliqor_small.ico", 16)):
        with open(os.path.join(here, name), "wb") as f:
            f.write(ico(size))
    with open(os.path.join(here, "velliqor.png"), "wb") as f:
        f.write(png(48))
