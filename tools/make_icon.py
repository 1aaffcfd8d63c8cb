#!/usr/bin/env python3
"""Draws the program's icon, a 32 x 32 explosion in 16 colours, and writes it as an .ico file.

usage: make_icon.py OUT.ico

The picture is computed, not stored: a starburst of twelve uneven flames around a white-hot core,
painted through the same fire ramp the saver uses (dark red, red, orange, yellow, yellow-white).
Outside the flames the icon is transparent.
"""
import math
import struct
import sys

SIZE = 32

# Index 0 is black (used only under the transparency mask); 1..15 run from dark red to white.
PALETTE = [
    (0, 0, 0),
    (64, 0, 0), (96, 8, 0), (128, 16, 0), (160, 24, 0), (192, 32, 0),
    (224, 48, 0), (255, 64, 0), (255, 96, 0), (255, 128, 0), (255, 160, 16),
    (255, 192, 32), (255, 224, 48), (255, 240, 96), (255, 248, 176), (255, 255, 255),
]


def heat(x, y):
    """0 outside the flames, rising to 1 at the centre."""
    dx, dy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
    r = math.hypot(dx, dy)
    theta = math.atan2(dy, dx)
    # Twelve flames of uneven length, so that the burst does not look like a cog.
    spikes = max(0.0, math.cos(6 * theta)) ** 3 + 0.6 * max(0.0, math.cos(6 * theta + math.pi)) ** 4
    wobble = 0.15 * math.sin(5 * theta + 1.0) + 0.1 * math.sin(9 * theta)
    reach = 8.5 + 7.0 * spikes + 2.0 * wobble
    return max(0.0, 1.0 - r / reach)


def pixels():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            h = heat(x, y)
            row.append(0 if h <= 0.0 else min(15, 1 + int(h * 15)))
        rows.append(row)
    return rows


def ico(rows):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        for x in range(0, SIZE, 2):
            xor.append(row[x] << 4 | row[x + 1])
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] == 0 else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    # The height counts the colour bitmap and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(ico(pixels()))


if __name__ == "__main__":
    main()
