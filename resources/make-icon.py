#!/usr/bin/env python3
"""Draws the program icon, a 32x32 256-colour ICO: a blue shield with a white broom sweeping a red bug.

make-icon.py OUTPUT.ico -- the same bytes on every run.
"""
import struct
import sys

SIZE = 32


def shield(x: float, y: float) -> bool:
    # Flat top, straight sides to the middle, then a point at the bottom.
    if y < 2 or y > 30 or x < 4 or x > 27:
        return False
    if y < 16:
        return True
    half = 11.5 * (30 - y) / 14
    return abs(x - 15.5) <= half


def pixel(x: int, y: int) -> int:
    """Palette index of one pixel; 0 is transparent."""
    cx, cy = x + 0.5, y + 0.5
    if not shield(cx, cy):
        return 0
    edge = not (shield(cx - 1.5, cy) and shield(cx + 1.5, cy) and shield(cx, cy - 1.5) and shield(cx, cy + 1.5))
    if edge:
        return 1  # dark navy rim
    # the bug: a red body with black legs in the lower left
    if (cx - 11) ** 2 + (cy - 19) ** 2 <= 10:
        return 4
    if abs(cy - 19) < 0.6 and 6.5 < cx < 15.5:
        return 5
    if abs(cx - 11) < 0.6 and 15 < cy < 23:
        return 5
    # the broom: a white handle from top right, bristles in yellow
    if abs((cx - 25) + (cy - 5)) < 1.1 and 13 < cx < 24:
        return 3
    if 12 < cx < 18 and 11 < cy < 16 and abs((cx - 15) + (cy - 13.5)) < 3.2:
        return 6
    # a gradient of blues from top to bottom
    return 16 + min(int(cy / 2), 15)


def palette() -> list:
    colours = [(0, 0, 0)] * 256
    colours[1] = (10, 24, 70)
    colours[3] = (250, 250, 250)
    colours[4] = (215, 30, 30)
    colours[5] = (20, 20, 20)
    colours[6] = (240, 200, 40)
    for shade in range(16):
        colours[16 + shade] = (40 + shade * 4, 90 + shade * 6, 220 - shade * 5)
    return colours


def main() -> int:
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette())
    xor = b"".join(bytes(rows[y]) for y in reversed(range(SIZE)))
    mask = b""
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if rows[y][x] == 0 else 0)
        mask += struct.pack(">I", bits)
    image = header + colour_table + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + image)
    return 0


if __name__ == "__main__":
    sys.exit(main())
