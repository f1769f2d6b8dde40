#!/usr/bin/env python3
"""Draws the program icon, a 32 x 32 picture in the 16 standard colours (a
synthesizer keyboard under a sound wave on a dark panel), and writes it as a
Windows .ico file: one 4-bit image with its transparency mask.

    tools/make_icon.py app/win32/vexa.ico
"""
import struct
import sys

SIZE = 32
# The 16 colours of the standard Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, SILVER, YELLOW, CYAN, WHITE = 0, 4, 8, 7, 11, 14, 15
CLEAR = None  # transparent


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    # Panel with a bevelled frame, corners cut.
    fill(1, 3, 30, 28, NAVY)
    fill(1, 3, 30, 3, SILVER)
    fill(1, 3, 1, 28, SILVER)
    fill(1, 28, 30, 28, GREY)
    fill(30, 3, 30, 28, GREY)
    for x, y in ((1, 3), (30, 3), (1, 28), (30, 28)):
        px[y][x] = CLEAR

    # A sound wave across the upper half.
    wave = [9, 8, 7, 6, 6, 7, 8, 9, 10, 11, 12, 12, 11, 10, 9, 8, 7, 6, 6, 7,
            8, 9, 10, 11, 12, 12, 11, 10]
    for i, y in enumerate(wave):
        px[y][3 + i] = YELLOW
        px[y + 1][3 + i] = CYAN if i % 7 == 3 else px[y + 1][3 + i]

    # Keyboard: nine white keys with black keys between them.
    fill(3, 16, 28, 26, WHITE)
    for x in range(3, 29, 3):
        fill(x + 2, 16, x + 2, 26, GREY)
    for x in (4, 7, 13, 16, 19, 25):
        fill(x + 1, 16, x + 2, 22, BLACK)
    fill(3, 15, 28, 15, BLACK)
    return px


def ico(px):
    rows = []
    mask_rows = []
    for y in range(SIZE - 1, -1, -1):  # bitmaps are stored bottom-up
        row = bytearray()
        for x in range(0, SIZE, 2):
            hi = px[y][x] or 0
            lo = px[y][x + 1] or 0
            row.append((hi << 4) | lo)
        rows.append(bytes(row))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if px[y][x] is None else 0)
        mask_rows.append(struct.pack(">I", bits))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    pixels = b"".join(rows)
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(pixels) + len(mask), 0, 0, 16, 0)
    image = header + palette + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(ico(draw()))


if __name__ == "__main__":
    main()
