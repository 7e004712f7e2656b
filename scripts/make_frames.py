#!/usr/bin/env python3
"""Draws the frame strips and mats shipped beside the program.

usage: make_frames.py <program folder>

Writes Frame/Frame/<type>/<style>.bmp (24-bit side strips: the length runs
along x, row 0 is the frame's outer edge) and Frame/Mat/<mat>.bmp (24-bit
tiles whose blue byte is the brightness). Every picture is drawn here from
a formula; nothing is taken from elsewhere.
"""
import math
import os
import struct
import sys


def bmp(width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            b, g, r = pixel(x, y)
            row += bytes((max(0, min(255, int(b))), max(0, min(255, int(g))), max(0, min(255, int(r)))))
        row += b"\0" * (stride - len(row))
        rows += row
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(rows), 0, 0, 54) + header + rows


def wood(tone):
    def pixel(x, y):
        grain = 18 * math.sin(x * 0.35 + 3 * math.sin(y * 0.9)) + 8 * math.sin(x * 1.7)
        return tone[0] + grain * 0.5, tone[1] + grain * 0.8, tone[2] + grain
    return pixel


def metal(tone):
    def pixel(x, y):
        shine = 40 * math.cos(y * 0.4) + 6 * ((x * 7) % 5)
        return tone[0] + shine, tone[1] + shine, tone[2] + shine
    return pixel


def beads(tone):
    def pixel(x, y):
        d = math.hypot((x % 8) - 3.5, y - 7.5)
        lift = 60 - 12 * d
        return tone[0] + lift, tone[1] + lift, tone[2] + lift
    return pixel


STYLES = {
    "Wood": {"Oak": wood((60, 110, 160)), "Walnut": wood((30, 60, 95)), "Pine": wood((120, 180, 220))},
    "Metal": {"Gold": metal((40, 160, 210)), "Silver": metal((180, 180, 180))},
    "Classic": {"Beads": beads((90, 90, 140))},
}

MATS = {
    "Linen": lambda x, y: (200 + 30 * ((x + y) % 2) + 10 * ((x // 3) % 2),) * 3,
    "Paper": lambda x, y: (235 + 10 * math.sin(x * 1.3) * math.cos(y * 0.7),) * 3,
    "Canvas": lambda x, y: (190 + 40 * ((x % 4 == 0) or (y % 4 == 0)),) * 3,
}


def main():
    root = os.path.join(sys.argv[1], "Frame")
    for kind, styles in STYLES.items():
        folder = os.path.join(root, "Frame", kind)
        os.makedirs(folder, exist_ok=True)
        for name, pixel in styles.items():
            with open(os.path.join(folder, name + ".bmp"), "wb") as out:
                out.write(bmp(64, 16, pixel))
    folder = os.path.join(root, "Mat")
    os.makedirs(folder, exist_ok=True)
    for name, pixel in MATS.items():
        with open(os.path.join(folder, name + ".bmp"), "wb") as out:
            out.write(bmp(32, 32, pixel))


if __name__ == "__main__":
    main()
