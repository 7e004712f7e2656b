#!/usr/bin/env python3
"""Draws the pictures of the paint attributes window and writes their
resources.

usage: brush_pictures.py <output folder>

Writes BrushPictures.rc and its bitmaps (24 bits per pixel):
- 353, 355, 357, 359, 361, 363: the six standard brush shapes (square,
  round, rectangle, ellipse, slash, back slash), black on white, a strip of
  four 32 x 32 copies as the shape list keeps every shape's picture;
- "Pen_w1" ... "Pen_w11": the predefined widths, a black bar that thick
  (24 x 14);
- "Edge_0" ... "Edge_3": the edge sizes, a bar whose sides fade over 0..3
  pixels;
- 208: the ten tab icons (16 x 16 each, in tab order), mask colour
  RGB(192, 192, 192);
- 211: the eight attribute bar images (16 x 15 each, buttons 32904..32911),
  the same mask colour.
Everything is drawn here from primitives.
"""
import math
import os
import struct
import sys

WHITE, BLACK, FACE, GREY, DARK = (255, 255, 255), (0, 0, 0), (192, 192, 192), (128, 128, 128), (64, 64, 64)
RED, BLUE, GREEN = (192, 0, 0), (0, 0, 192), (0, 128, 0)


def bmp24(px, w, h):
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = px[y][x]
            row += bytes((b, g, r))
        row += b'\0' * (stride - w * 3)
        data += row
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + 40 + len(data), 0, 0, 54) + header + bytes(data)


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def put(px, x, y, c):
    if 0 <= y < len(px) and 0 <= x < len(px[0]):
        px[y][x] = c


def rect(px, x0, y0, x1, y1, c, fill=True):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if fill or x in (x0, x1) or y in (y0, y1):
                put(px, x, y, c)


def line(px, x0, y0, x1, y1, c, thick=1):
    n = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i / n
        y = y0 + (y1 - y0) * i / n
        for dy in range(thick):
            for dx in range(thick):
                put(px, int(round(x)) + dx - thick // 2, int(round(y)) + dy - thick // 2, c)


def ellipse(px, cx, cy, rx, ry, c, fill=True):
    for y in range(len(px)):
        for x in range(len(px[0])):
            d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
            if (fill and d <= 1.0) or (not fill and abs(math.sqrt(d) - 1.0) * min(rx, ry) < 0.6):
                put(px, x, y, c)


# ---- Standard shapes: 32 x 32, drawn inside the 6-pixel margin like the
# custom shapes' pictures.
def shape(kind):
    px = canvas(32, 32, WHITE)
    if kind == 0:
        rect(px, 6, 6, 25, 25, BLACK)
    elif kind == 1:
        ellipse(px, 15.5, 15.5, 10, 10, BLACK)
    elif kind == 2:
        rect(px, 6, 11, 25, 20, BLACK)
    elif kind == 3:
        ellipse(px, 15.5, 15.5, 10, 5.5, BLACK)
    elif kind == 4:
        line(px, 7, 24, 24, 7, BLACK, 3)
    else:
        line(px, 7, 7, 24, 24, BLACK, 3)
    return px


def strip4(img):
    return [row * 4 for row in img]


# ---- Width and edge lists: 24 x 14 pictures.
def pen(width):
    px = canvas(24, 14, WHITE)
    top = (14 - width) // 2
    rect(px, 2, top, 21, top + width - 1, BLACK)
    return px


def edge(size):
    px = canvas(24, 14, WHITE)
    core = 5
    top = (14 - core) // 2
    rect(px, 2 + size, top, 21 - size, top + core - 1, BLACK)
    for k in range(1, size + 1):
        level = 255 * k // (size + 1)
        c = (level, level, level)
        for y in range(top - k, top + core + k):
            put(px, 2 + size - k, y, c)
            put(px, 21 - size + k, y, c)
        for x in range(2 + size - k, 22 - size + k):
            put(px, x, top - k, c)
            put(px, x, top + core - 1 + k, c)
    return px


# ---- Tab icons, 16 x 16 on the mask colour, in tab order.
def brush_handle(px, tip):
    line(px, 13, 2, 7, 8, DARK, 2)
    ellipse(px, 5, 11, 3, 3, tip)


def tab_icons():
    icons = []
    p = canvas(16, 16, FACE)  # eraser
    for i in range(8):
        line(px=p, x0=3 + i, y0=12 - i // 2, x1=9 + i, y1=6 - i // 2, c=WHITE if i < 4 else (255, 160, 160))
    line(p, 2, 13, 13, 13, BLACK)
    icons.append(p)
    p = canvas(16, 16, FACE)  # paint brush
    brush_handle(p, BLACK)
    icons.append(p)
    p = canvas(16, 16, FACE)  # clone: a stamp
    rect(p, 4, 2, 11, 8, DARK)
    rect(p, 6, 8, 9, 10, DARK)
    rect(p, 2, 11, 13, 13, BLACK)
    icons.append(p)
    p = canvas(16, 16, FACE)  # water colour: a drop
    ellipse(p, 8, 10, 4, 4, BLUE)
    line(p, 8, 2, 5, 8, BLUE, 2)
    line(p, 8, 2, 11, 8, BLUE, 2)
    icons.append(p)
    p = canvas(16, 16, FACE)  # airbrush: a spray of dots
    rect(p, 9, 9, 14, 12, DARK)
    for x, y in ((2, 3), (5, 2), (4, 6), (7, 5), (2, 8), (6, 8), (3, 11)):
        put(p, x, y, BLACK)
    icons.append(p)
    p = canvas(16, 16, FACE)  # line
    line(p, 2, 13, 13, 2, BLACK, 2)
    icons.append(p)
    p = canvas(16, 16, FACE)  # curve
    for i in range(24):
        t = i / 23
        put(p, int(2 + 11 * t), int(13 - 11 * math.sin(t * math.pi / 2) ** 2), BLACK)
        put(p, int(3 + 11 * t), int(13 - 11 * math.sin(t * math.pi / 2) ** 2), BLACK)
    icons.append(p)
    p = canvas(16, 16, FACE)  # rectangle
    rect(p, 2, 4, 13, 11, BLACK, False)
    icons.append(p)
    p = canvas(16, 16, FACE)  # ellipse
    ellipse(p, 7.5, 7.5, 6, 4.5, BLACK, False)
    icons.append(p)
    p = canvas(16, 16, FACE)  # polygon
    pts = [(3, 12), (2, 5), (8, 2), (13, 6), (11, 13)]
    for a, b in zip(pts, pts[1:] + pts[:1]):
        line(p, a[0], a[1], b[0], b[1], BLACK)
    icons.append(p)
    return icons


# ---- Attribute bar images, 16 x 15: sheet, add/remove shape, add/remove
# paper, add/load/remove preset.
def plus(px, x, y, c=GREEN):
    line(px, x - 2, y, x + 2, y, c)
    line(px, x, y - 2, x, y + 2, c)


def minus(px, x, y):
    line(px, x - 2, y, x + 2, y, RED)


def bar_images():
    imgs = []
    p = canvas(16, 15, FACE)  # additional paint parameters: a sheet with sliders
    rect(p, 2, 1, 13, 13, WHITE)
    rect(p, 2, 1, 13, 13, BLACK, False)
    for y in (4, 7, 10):
        line(p, 4, y, 11, y, GREY)
    for x, y in ((6, 4), (9, 7), (5, 10)):
        rect(p, x, y - 1, x + 1, y + 1, BLACK)
    imgs.append(p)
    for sign in (plus, minus):  # shapes: a round shape
        p = canvas(16, 15, FACE)
        ellipse(p, 6, 8, 4.5, 4.5, BLACK)
        sign(p, 12, 3)
        imgs.append(p)
    for sign in (plus, minus):  # papers: a textured square
        p = canvas(16, 15, FACE)
        rect(p, 1, 4, 10, 13, WHITE)
        for y in range(4, 14):
            for x in range(1, 11):
                if (x * 3 + y * 5) % 7 == 0:
                    put(p, x, y, GREY)
        rect(p, 1, 4, 10, 13, BLACK, False)
        sign(p, 12, 3)
        imgs.append(p)
    for kind in ('add', 'load', 'remove'):  # presets: a list
        p = canvas(16, 15, FACE)
        rect(p, 1, 3, 10, 13, WHITE)
        rect(p, 1, 3, 10, 13, BLACK, False)
        for y in (6, 9, 12):
            line(p, 3, y - 1, 8, y - 1, DARK)
        if kind == 'add':
            plus(p, 12, 3)
        elif kind == 'remove':
            minus(p, 12, 3)
        else:
            line(p, 13, 1, 13, 7, BLUE)
            line(p, 11, 5, 13, 7, BLUE)
            line(p, 15, 5, 13, 7, BLUE)
        imgs.append(p)
    return imgs


def join(images):
    h = len(images[0])
    return [sum((img[y] for img in images), []) for y in range(h)]


def write_if_changed(path, data):
    try:
        if open(path, 'rb').read() == data:
            return
    except OSError:
        pass
    with open(path, 'wb') as f:
        f.write(data)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rc = ['// Generated by scripts/brush_pictures.py: the paint attributes window\'s pictures.', '']
    files = []
    for i, rid in enumerate((353, 355, 357, 359, 361, 363)):
        files.append((str(rid), f'Shape{rid}.bmp', strip4(shape(i))))
    for w in (1, 3, 5, 7, 9, 11):
        files.append((f'Pen_w{w}', f'Pen_w{w}.bmp', pen(w)))
    for e in range(4):
        files.append((f'Edge_{e}', f'Edge_{e}.bmp', edge(e)))
    files.append(('208', 'PaintTabs208.bmp', join(tab_icons())))
    files.append(('211', 'AttribBar211.bmp', join(bar_images())))
    for rid, name, px in files:
        write_if_changed(os.path.join(folder, name), bmp24(px, len(px[0]), len(px)))
        rc.append(f'{rid} BITMAP "{name}"')
    write_if_changed(os.path.join(folder, 'BrushPictures.rc'), ('\n'.join(rc) + '\n').encode())


if __name__ == '__main__':
    main()
