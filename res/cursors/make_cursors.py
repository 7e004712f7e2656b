#!/usr/bin/env python3
"""Writes the program's 32 x 32 monochrome cursors (.cur) from the pictures
below: '#' black, '.' white, ' ' transparent; 'H' marks the hot spot (a
black pixel). Run from this folder: python3 make_cursors.py"""
import struct

PICTURES = {}

def picture(name):
    def keep(f):
        PICTURES[name] = f()
        return f
    return keep


def canvas():
    return [[' '] * 32 for _ in range(32)]


def put(c, x, y, v):
    if 0 <= x < 32 and 0 <= y < 32:
        c[y][x] = v


def outlined_line(c, x0, y0, x1, y1):
    pts = []
    n = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(n + 1):
        pts.append((x0 + (x1 - x0) * i // max(n, 1), y0 + (y1 - y0) * i // max(n, 1)))
    for x, y in pts:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if c[y + dy][x + dx] == ' ':
                    put(c, x + dx, y + dy, '.')
    for x, y in pts:
        put(c, x, y, '#')


def magnifier(sign):
    c = canvas()
    cx, cy, r = 10, 10, 8
    for y in range(32):
        for x in range(32):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if r - 1.0 <= d <= r + 0.5:
                c[y][x] = '#'
            elif d < r - 1.0:
                c[y][x] = '.'
            elif d <= r + 1.5:
                c[y][x] = '.'
    for i in range(5):
        outlined_line(c, 16 + i, 16 + i, 17 + i, 17 + i)
    for i in range(8):
        outlined_line(c, 16 + i, 17 + i, 17 + i, 18 + i)
    for x in range(6, 15):
        c[10][x] = '#'
    if sign == '+':
        for y in range(6, 15):
            c[y][10] = '#'
    c[10][10] = 'H'
    return c


@picture('ZOOMON')
def _():
    return magnifier('+')


@picture('ZOOMOUT')
def _():
    return magnifier('-')


def double_arrow(vertical):
    c = canvas()
    # An arrow across 5..26 through the middle, a bar across the other way.
    for i in range(5, 27):
        x, y = (15, i) if vertical else (i, 15)
        put(c, x, y, '#')
    for k in range(1, 5):
        for end, step in ((5, 1), (26, -1)):
            a = end + step * k
            for w in range(-k, k + 1):
                x, y = (15 + w, a) if vertical else (a, 15 + w)
                put(c, x, y, '#')
    for i in range(8, 23):
        x, y = (i, 15) if vertical else (15, i)
        put(c, x, y, '#')
        x2, y2 = (i, 14) if vertical else (14, i)
        put(c, x2, y2, '#')
    for y in range(32):
        for x in range(32):
            if c[y][x] == '#':
                for dx in (-1, 0, 1):
                    for dy in (-1, 0, 1):
                        if 0 <= x + dx < 32 and 0 <= y + dy < 32 and c[y + dy][x + dx] == ' ':
                            c[y + dy][x + dx] = '.'
    c[15][15] = 'H'
    return c


@picture('GUIDEH')
def _():
    return double_arrow(True)


@picture('GUIDEV')
def _():
    return double_arrow(False)


@picture('RULERORIGIN')
def _():
    c = canvas()
    for i in range(2, 30):
        put(c, i, 15, '#')
        put(c, 15, i, '#')
        for d in (14, 16):
            if c[d][i] == ' ':
                put(c, i, d, '.')
            if c[i][d] == ' ':
                put(c, d, i, '.')
    c[15][15] = 'H'
    return c


def hand(closed):
    rows = [
        "      ##        ",
        "     #..#       ",
        "     #..#       ",
        "     #..###     ",
        "     #..#..###  ",
        "  ## #..#..#..# ",
        " #..##........# ",
        " #............# ",
        "  #...........# ",
        "  #...........# ",
        "   #.........#  ",
        "   #.........#  ",
        "    #.......#   ",
        "    #.......#   ",
        "    #########   ",
    ]
    if closed:
        rows = [
            "                ",
            "                ",
            "                ",
            "     ## ## ##   ",
            "    #..#..#..## ",
            "  ##..........# ",
            " #............# ",
            " #............# ",
            "  #...........# ",
            "  #...........# ",
            "   #.........#  ",
            "   #.........#  ",
            "    #.......#   ",
            "    #.......#   ",
            "    #########   ",
        ]
    c = canvas()
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            put(c, x + 8, y + 8, ch)
    return c


@picture('347')
def _():
    c = hand(False)
    c[8][14] = 'H'
    return c


@picture('349')
def _():
    c = double_arrow(False)
    d = double_arrow(True)
    for y in range(32):
        for x in range(32):
            if d[y][x] == '#' or (d[y][x] == '.' and c[y][x] == ' '):
                c[y][x] = d[y][x]
    c[15][15] = 'H'
    return c


@picture('351')
def _():
    c = hand(True)
    c[15][15] = 'H' if c[15][15] != ' ' else c[15][15]
    return c


def dropper():
    c = canvas()
    # The tube from the tip (bottom left) up to the bulb (top right).
    for i in range(14):
        outlined_line(c, 2 + i, 29 - i, 3 + i, 28 - i)
    for y in range(4, 14):
        for x in range(18, 28):
            if (x - 23) ** 2 + (y - 9) ** 2 <= 20:
                put(c, x, y, '#')
    c[29][2] = 'H'
    return c


@picture('249')
def _():
    return dropper()


def brush_cursor():
    c = canvas()
    # A brush from its tip (the hot spot, bottom left) up to the handle.
    for i in range(16):
        outlined_line(c, 12 + i, 19 - i, 13 + i, 18 - i)
    for y in range(19, 29):
        for x in range(2, 13):
            d = ((x - 7) ** 2 + (y - 24) ** 2) ** 0.5
            if d <= 4.5:
                put(c, x, y, '#')
            elif d <= 5.8 and c[y][x] == ' ':
                put(c, x, y, '.')
    c[28][3] = 'H'
    return c


@picture('258')
def _():
    return brush_cursor()


@picture('279')
def _():
    # No painting here: a ring with a bar across.
    c = canvas()
    for y in range(32):
        for x in range(32):
            d = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
            if 8 <= d <= 11:
                c[y][x] = '#'
            elif 7 <= d <= 12:
                c[y][x] = '.'
    for i in range(-7, 8):
        outlined_line(c, 15 + i, 15 + i, 16 + i, 16 + i)
    c[15][15] = 'H'
    return c


@picture('325')
def _():
    # An air brush: a nozzle with a spray of dots from the hot spot.
    c = canvas()
    for y in range(10, 18):
        for x in range(14, 29):
            put(c, x, y, '#' if 11 <= y <= 16 and 15 <= x <= 27 else '.')
    for x, y in ((3, 4), (6, 2), (9, 5), (4, 8), (8, 9), (2, 12), (6, 14), (10, 12)):
        put(c, x, y, '#')
    outlined_line(c, 11, 13, 14, 13)
    c[13][10] = 'H'
    return c


@picture('327')
def _():
    # An eraser block, its working edge at the hot spot.
    c = canvas()
    for y in range(8, 24):
        for x in range(4, 28):
            edge = y in (8, 23) or x in (4, 27) or x == 12
            put(c, x, y, '#' if edge else '.')
    c[23][4] = 'H'
    return c


@picture('344')
def _():
    # A stamp over a cross at the hot spot.
    c = canvas()
    for y in range(2, 12):
        for x in range(14, 26):
            put(c, x, y, '#' if y in (2, 11) or x in (14, 25) else '.')
    for y in range(12, 17):
        for x in range(18, 22):
            put(c, x, y, '#' if x in (18, 21) else '.')
    for y in range(17, 21):
        for x in range(12, 28):
            put(c, x, y, '#')
    for i in range(2, 11):
        put(c, i, 6, '#')
        put(c, 6, i, '#')
    c[6][6] = 'H'
    return c


@picture('403')
def _():
    # A drop of water, its point at the hot spot.
    c = canvas()
    for y in range(32):
        for x in range(32):
            d = ((x - 15.5) ** 2 + (y - 20) ** 2) ** 0.5
            if d <= 7:
                c[y][x] = '#' if d >= 6 else '.'
    for y in range(4, 14):
        half = (y - 4) * 6 // 10
        for x in range(15 - half, 17 + half):
            if c[y][x] == ' ':
                c[y][x] = '#' if x in (15 - half, 16 + half) else '.'
    c[4][15] = 'H'
    return c


@picture('1060')
def _():
    # An I-beam with a small T beside it: the click places a text.
    c = canvas()
    for y in range(6, 26):
        outlined_line(c, 11, y, 11, y)
    for x in range(8, 15):
        put(c, x, 5, '#')
        put(c, x, 26, '#')
    for x in range(18, 27):
        put(c, x, 19, '#')
    for y in range(19, 28):
        put(c, 22, y, '#')
    for y in range(4, 28):
        for x in range(7, 28):
            if c[y][x] == ' ' and any(
                    0 <= y + dy < 32 and 0 <= x + dx < 32 and c[y + dy][x + dx] == '#'
                    for dy in (-1, 0, 1) for dx in (-1, 0, 1)):
                c[y][x] = '.'
    c[25][11] = 'H'
    return c


def arrow(c):
    # The pointer: black outlined in white, its tip at the hot spot.
    rows = [
        "#",
        "##",
        "#.#",
        "#..#",
        "#...#",
        "#....#",
        "#.....#",
        "#......#",
        "#.......#",
        "#........#",
        "#.....#####",
        "#..#..#",
        "#.# #..#",
        "##  #..#",
        "#    #..#",
        "     #..#",
        "      ##",
    ]
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != ' ':
                put(c, x + 1, y + 1, ch)
    c[1][1] = 'H'


def dragged_thing(c, control):
    # Below the pointer: a button (a small square with a face) or a
    # control (a wide field with its drop-down arrow).
    left, top = 8, 18
    width, height = (17, 9) if control else (10, 10)
    for y in range(top, top + height):
        for x in range(left, left + width):
            edge = x in (left, left + width - 1) or y in (top, top + height - 1)
            put(c, x, y, '#' if edge else '.')
    if control:
        # The drop-down button at the right end, its arrow inside.
        for y in range(top, top + height):
            put(c, left + width - 7, y, '#')
        for k in range(3):
            for x in range(left + width - 5 + k, left + width - 2 - k):
                put(c, x, top + 3 + k, '#')
    else:
        # A picture on the face.
        for y in range(top + 3, top + height - 3):
            for x in range(left + 3, left + width - 3):
                put(c, x, y, '#')


def copy_sign(c):
    # A plus in a white box at the lower right.
    for y in range(22, 31):
        for x in range(22, 31):
            edge = x in (22, 30) or y in (22, 30)
            put(c, x, y, '#' if edge else '.')
    for i in range(24, 29):
        put(c, i, 26, '#')
        put(c, 26, i, '#')


def no_sign(c):
    # A circle with a bar across: nothing would take the drop here.
    cx, cy = 24.5, 24.5
    for y in range(17, 32):
        for x in range(17, 32):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if 4.5 <= d <= 6.5:
                put(c, x, y, '#')
            elif d < 4.5:
                put(c, x, y, '#' if abs((x - cx) - (y - cy)) < 1.2 else '.')
            elif d <= 7.5:
                put(c, x, y, '.')


def drag_cursor(control, sign):
    c = canvas()
    dragged_thing(c, control)
    if sign == 'copy':
        copy_sign(c)
    elif sign == 'none':
        no_sign(c)
    arrow(c)
    return c


# Resizing a toolbar's control by its right edge.
@picture('30980')
def _():
    return double_arrow(False)


# The toolbar customise drags: a button or a control, moved, copied, or
# over no bar.
@picture('133')
def _():
    return drag_cursor(False, 'none')


@picture('146')
def _():
    return drag_cursor(False, 'move')


@picture('4')
def _():
    return drag_cursor(False, 'copy')


@picture('148')
def _():
    return drag_cursor(True, 'none')


@picture('149')
def _():
    return drag_cursor(True, 'move')


@picture('147')
def _():
    return drag_cursor(True, 'copy')


def write_cur(name, c):
    hot = (15, 15)
    for y in range(32):
        for x in range(32):
            if c[y][x] == 'H':
                hot = (x, y)
                c[y][x] = '#'
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(32)):  # bottom-up rows
        xr = mr = 0
        for x in range(32):
            v = c[y][x]
            bit = 1 << (31 - x)
            if v == ' ':
                mr |= bit
            elif v == '.':
                xr |= bit
        xor += struct.pack('>I', xr)
        mask += struct.pack('>I', mr)
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    palette = struct.pack('<II', 0x000000, 0xFFFFFF)
    image = header + palette + bytes(xor) + bytes(mask)
    entry = struct.pack('<BBBBHHII', 32, 32, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    with open(name.lower() + '.cur', 'wb') as f:
        f.write(struct.pack('<HHH', 0, 2, 1) + entry + image)


for name, pic in PICTURES.items():
    write_cur(name, [row[:] for row in pic])
