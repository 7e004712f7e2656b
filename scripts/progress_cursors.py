#!/usr/bin/env python3
"""Writes the 13 frames of the progress indicator's busy cursor, "CUR0" to
"CUR12": a clock face whose dark sector grows by a twelfth per frame, from
empty to full, as monochrome 32 x 32 cursor files.

usage: progress_cursors.py OUTPUT_FOLDER
"""
import math
import os
import struct
import sys

SIZE = 32
CENTRE = 15.5
RADIUS = 12.5


def pixel(x, y, frame):
    """'t' transparent, 'b' black, 'w' white."""
    dx, dy = x - CENTRE, y - CENTRE
    r = math.hypot(dx, dy)
    if r > RADIUS + 1.0:
        return 't'
    if r > RADIUS - 0.5:
        return 'b'  # the rim
    # Clockwise from twelve o'clock (y grows downward).
    angle = (math.degrees(math.atan2(dx, -dy)) + 360.0) % 360.0
    return 'b' if angle < frame * 30.0 else 'w'


def cursor_file(frame):
    xor_rows, and_rows = [], []
    for y in range(SIZE - 1, -1, -1):  # bottom-up rows
        xor_bits = and_bits = 0
        for x in range(SIZE):
            p = pixel(x, y, frame)
            bit = 1 << (SIZE - 1 - x)
            if p == 'w':
                xor_bits |= bit
            elif p == 't':
                and_bits |= bit
        xor_rows.append(struct.pack('>I', xor_bits))
        and_rows.append(struct.pack('>I', and_bits))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<II', 0x000000, 0xFFFFFF)
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    hotspot = int(CENTRE)
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, hotspot, hotspot, len(image), 6 + 16)
    return directory + entry + image


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for frame in range(13):
        data = cursor_file(frame)
        path = os.path.join(folder, f'CUR{frame}.cur')
        try:
            if open(path, 'rb').read() == data:
                continue
        except OSError:
            pass
        with open(path, 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
