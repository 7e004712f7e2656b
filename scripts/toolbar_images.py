#!/usr/bin/env python3
"""Draws the button images of the program's toolbars and writes their
toolbar resources.

usage: toolbar_images.py <output folder>

Writes TB<id>.bmp (4 bits per pixel, one row of images) and Toolbars.rc (a
TOOLBAR resource and a BITMAP of the same id for each bar, in its small and
its large size, plus bitmap 245, the picture of a tool without an icon).
Every picture is drawn here from primitives on a 16 x 16 design grid in the
four standard button colours (black, dark grey, light grey face, white),
which the toolbar maps to the system colours; the small images are 17 x 16,
the large 24 x 24 (the design scaled by one and a half).

A bar lists only commands whose handlers exist (the menu plan's "on" rows);
a command joins its bar here when its handler does.
"""
import os
import struct
import sys

K, D, L, W = 0, 8, 7, 15  # palette indices: black, dark grey, light grey, white

# The 16 colours of the 4-bit palette; the four standard ones at 0, 7, 8, 15.
PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]


class Canvas:
    def __init__(self, width, height, scale, dx=0, dy=0):
        self.w, self.h, self.s = width, height, scale
        self.dx, self.dy = dx, dy
        self.px = [[L] * width for _ in range(height)]

    def at(self, x, y):
        return (int(round(x * self.s)) + self.dx, int(round(y * self.s)) + self.dy)

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def _line_px(self, x0, y0, x1, y1):
        pts = []
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            pts.append((x0, y0))
            if x0 == x1 and y0 == y1:
                return pts
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def line(self, a, b, c=K, width=1, dash=False):
        (x0, y0), (x1, y1) = self.at(*a), self.at(*b)
        for (x, y) in self._line_px(x0, y0, x1, y1):
            for o in range(width):
                col = c
                if dash:
                    col = K if ((x + y) // 2) % 2 == 0 else W
                self.put(x + o, y, col)
                if width > 1:
                    self.put(x, y + o, col)

    def polyline(self, pts, c=K, width=1, dash=False):
        for a, b in zip(pts, pts[1:]):
            self.line(a, b, c, width, dash)

    def polygon(self, pts, fill=None, outline=K, dash=False):
        if fill is not None:
            sp = [(x * self.s + self.dx, y * self.s + self.dy) for (x, y) in pts]
            for y in range(self.h):
                for x in range(self.w):
                    if _inside(sp, x + 0.5, y + 0.5):
                        self.px[y][x] = fill
        if outline is not None:
            self.polyline(list(pts) + [pts[0]], outline, 1, dash)

    def rect(self, x0, y0, x1, y1, fill=None, outline=K, dash=False):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], None, None)
        if fill is not None:
            (a, b), (c, d) = self.at(x0, y0), self.at(x1, y1)
            for y in range(b, d + 1):
                for x in range(a, c + 1):
                    self.put(x, y, fill)
        if outline is not None:
            self.polyline([(x0, y0), (x1, y0), (x1, y1), (x0, y1), (x0, y0)], outline, 1, dash)

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=K, dash=False):
        import math
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        rx, ry = (x1 - x0) / 2, (y1 - y0) / 2
        pts = [(cx + rx * math.cos(t * math.pi / 24), cy + ry * math.sin(t * math.pi / 24)) for t in range(48)]
        self.polygon(pts, fill, outline, dash)


def _inside(pts, x, y):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


# ---- The pictures, one function per command (design grid 0..15).

def new(c):
    c.polygon([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], W)
    c.polyline([(10, 1), (10, 4), (13, 4)])


def open_(c):
    c.polygon([(1, 3), (5, 3), (6, 5), (12, 5), (12, 13), (1, 13)], D)
    c.polygon([(4, 8), (15, 8), (12, 13), (1, 13)], W)


def save(c):
    c.rect(1, 1, 14, 14, D)
    c.rect(4, 1, 11, 6, W)
    c.rect(5, 10, 10, 14, L)


def cut(c):
    c.ellipse(1, 9, 6, 14)
    c.ellipse(9, 9, 14, 14)
    c.line((5, 9), (10, 1))
    c.line((10, 9), (5, 1))


def copy(c):
    c.rect(1, 1, 9, 10, W)
    c.rect(6, 5, 14, 14, W)
    for y in (8, 10, 12):
        c.line((8, y), (12, y), D)


def paste(c):
    c.rect(2, 2, 12, 14, D)
    c.rect(5, 1, 9, 3, L)
    c.rect(7, 6, 14, 14, W)


def undo(c):
    c.polyline([(12, 13), (13, 10), (12, 7), (9, 5), (4, 5)], K, 2)
    c.polygon([(5, 1), (1, 5), (5, 9)], K)


def redo(c):
    c.polyline([(3, 13), (2, 10), (3, 7), (6, 5), (11, 5)], K, 2)
    c.polygon([(10, 1), (14, 5), (10, 9)], K)


def history(c):
    c.rect(2, 1, 13, 14, W)
    for y in (4, 7, 10):
        c.rect(4, y, 5, y + 1, K)
        c.line((7, y), (11, y), D)


def zoom(c):
    c.ellipse(1, 1, 11, 11, W)
    c.line((9, 9), (14, 14), K, 2)
    c.line((4, 6), (8, 6))
    c.line((6, 4), (6, 8))


def original_size(c):
    c.line((3, 3), (3, 12), K, 2)
    c.line((11, 3), (11, 12), K, 2)
    c.line((1, 5), (3, 3))
    c.line((9, 5), (11, 3))
    c.rect(7, 5, 7, 6, K)
    c.rect(7, 10, 7, 11, K)


def correct_size(c):
    c.rect(1, 2, 14, 13, W)
    c.rect(1, 2, 14, 4, D)
    c.line((4, 10), (11, 7), K)
    c.polygon([(11, 6), (12, 8), (9, 8)], K)


def about(c):
    c.polyline([(4, 4), (5, 2), (8, 1), (11, 2), (12, 4), (11, 6), (8, 8), (8, 10)], K, 2)
    c.rect(7, 12, 8, 13, K)


def context_help(c):
    c.polygon([(1, 1), (1, 12), (4, 9), (6, 14), (8, 13), (6, 8), (10, 8)], W)
    c.polyline([(10, 3), (11, 1), (13, 1), (14, 3), (12, 5), (12, 7)])
    c.rect(12, 9, 12, 10, K)


def airbrush(c):
    c.rect(6, 6, 11, 14, D)
    c.rect(7, 4, 10, 6, K)
    for (x, y) in ((2, 2), (4, 1), (3, 4), (1, 5), (5, 3), (1, 1)):
        c.rect(x, y, x, y, K, None)


def paintbrush(c):
    c.line((14, 1), (8, 7), K, 2)
    c.polygon([(7, 7), (9, 9), (6, 13), (2, 14), (3, 10)], D)


def line(c):
    c.line((2, 13), (13, 2), K, 2)


def curve(c):
    c.polyline([(1, 13), (3, 9), (6, 7), (9, 8), (11, 7), (13, 4), (14, 1)], K, 2)


def rectangle(c):
    c.rect(2, 3, 13, 12)


def ellipse(c):
    c.ellipse(1, 3, 14, 12)


def eraser(c):
    c.polygon([(6, 3), (14, 3), (9, 12), (1, 12)], W)
    c.polygon([(1, 12), (4, 7), (8, 7), (5, 12)], D)


def polygon(c):
    c.polygon([(2, 12), (4, 3), (10, 2), (14, 8), (8, 13)], None)


def clone(c):
    c.rect(6, 1, 9, 7, D)
    c.rect(2, 8, 13, 11, D)
    c.line((1, 13), (14, 13))


def water(c):
    c.polygon([(8, 1), (12, 8), (11, 12), (8, 14), (5, 12), (4, 8)], W)
    c.line((6, 9), (6, 11), D)


def dropper(c):
    c.line((3, 12), (10, 5), K, 2)
    c.rect(10, 2, 13, 5, K)
    c.line((2, 13), (3, 12), D)


def move_layer(c):
    c.line((8, 2), (8, 13))
    c.line((2, 8), (13, 8))
    c.polygon([(8, 0), (11, 3), (5, 3)], K)
    c.polygon([(8, 15), (11, 12), (5, 12)], K)
    c.polygon([(0, 8), (3, 5), (3, 11)], K)
    c.polygon([(15, 8), (12, 5), (12, 11)], K)


def text_tool(c):
    c.rect(2, 2, 13, 4, K)
    c.rect(7, 4, 8, 13, K)


def move_selection(c):
    c.rect(1, 1, 10, 10, None, K, True)
    c.line((8, 8), (13, 13), K, 2)
    c.polygon([(14, 14), (14, 9), (9, 14)], K)


def invert_selection(c):
    c.rect(2, 2, 13, 13, W)
    c.polygon([(2, 2), (13, 2), (2, 13)], K)


def delete_selection(c):
    c.rect(1, 1, 14, 14, None, K, True)
    c.line((4, 4), (11, 11), K, 2)
    c.line((11, 4), (4, 11), K, 2)


def area_whole(c):
    c.rect(1, 1, 14, 14, D, K, True)


def area_rect(c):
    c.rect(2, 3, 13, 12, None, K, True)


def area_ellipse(c):
    c.ellipse(1, 3, 14, 12, None, K, True)


def area_poly(c):
    c.polygon([(2, 12), (4, 3), (10, 2), (14, 8), (8, 13)], None, K, True)


def area_text(c):
    c.polygon([(2, 2), (13, 2), (13, 5), (9, 5), (9, 13), (6, 13), (6, 5), (2, 5)], None, K, True)


def area_wand(c):
    c.line((2, 13), (10, 5), K, 2)
    c.line((12, 0), (12, 6))
    c.line((9, 3), (15, 3))
    c.line((10, 1), (14, 5), D)
    c.line((14, 1), (10, 5), D)


def area_line(c):
    c.polyline([(1, 12), (5, 3), (9, 11), (14, 2)], K, 1, True)


def area_pen(c):
    c.polygon([(3, 13), (5, 8), (11, 2), (13, 4), (7, 10)], W)
    c.line((3, 13), (6, 10))


def area_new_text(c):
    c.polygon([(2, 2), (13, 2), (13, 5), (9, 5), (9, 13), (6, 13), (6, 5), (2, 5)], D, K, True)


def area_smart(c):
    c.ellipse(1, 1, 12, 10, None, K, True)
    c.line((6, 10), (6, 14), K)
    c.rect(11, 11, 14, 14, K)


def save_tools(c):
    c.rect(1, 1, 14, 10, W)
    c.line((7, 11), (7, 12))
    c.line((4, 13), (11, 13))
    c.rect(4, 3, 8, 7, D)


def image_size(c):
    c.rect(1, 1, 14, 14, None, D)
    c.rect(1, 6, 9, 14, W)
    c.line((6, 9), (12, 3))
    c.polygon([(13, 2), (13, 6), (9, 2)], K)


def rotate_numeric(c):
    c.rect(4, 5, 11, 12, W)
    c.polyline([(2, 6), (3, 3), (6, 1), (10, 1), (13, 3)], K)
    c.polygon([(14, 1), (14, 5), (11, 4)], K)


def tool_default(c):
    c.ellipse(3, 3, 12, 12, D)
    c.ellipse(6, 6, 9, 9, L)
    for (a, b) in (((7, 0), (8, 3)), ((7, 12), (8, 15)), ((0, 7), (3, 8)), ((12, 7), (15, 8))):
        c.rect(a[0], a[1], b[0], b[1], K)


PICTURES = {
    57600: new, 57601: open_, 57603: save, 57635: cut, 57634: copy, 57637: paste, 57643: undo, 57644: redo,
    32944: history, 33114: zoom, 32805: original_size, 32977: correct_size, 57664: about, 57669: context_help,
    32835: airbrush, 32889: paintbrush, 32891: line, 32892: curve, 32894: rectangle, 32895: ellipse,
    32896: eraser, 32898: polygon, 32902: clone, 32903: water, 32945: dropper,
    32957: move_layer, 32958: text_tool, 32959: move_selection, 32960: invert_selection, 32961: delete_selection,
    32962: area_whole, 32963: area_rect, 32964: area_ellipse, 32965: area_poly, 32966: area_text,
    32967: area_wand, 32968: area_line, 32971: area_pen, 32972: area_new_text, 33125: area_smart,
    33108: save_tools, 33109: image_size, 32954: rotate_numeric,
}

# The bars: (small id, large id, buttons; 0 is a separator).
BARS = [
    # The main bar.
    (180, 254, [57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57643, 57644, 32944, 0, 33114, 32805, 32977, 0,
                57664, 57669]),
    # The paint (brush) bar.
    (252, 253, [32835, 32889, 32891, 32892, 32894, 32895, 32898, 32896, 32902, 32903, 0, 32945]),
    # The selection bar: its fixed buttons lend their pictures to the
    # buttons the bar makes for the registered area tools.
    (228, 256, [32957, 32958, 32959, 32960, 32961, 32962, 32963, 32964, 32965, 32966, 32967, 32968, 32971, 32972,
                33125]),
    # The tools bar's own buttons, before the user's tools.
    (246, 257, [33108, 0, 33109, 32954]),
]

SMALL = (17, 16, 1.0)
LARGE = (24, 24, 1.5)


def draw(command, size):
    w, h, s = size
    c = Canvas(w, h, s)
    PICTURES[command](c)
    return c.px


def bmp4(rows, width, height):
    """A bottom-up 4-bit DIB file of `rows` (palette indices)."""
    stride = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = rows[y][x]
            if x % 2 == 0:
                row[x // 2] |= v << 4
            else:
                row[x // 2] |= v
        data += row
    palette = b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    return header + info + palette + bytes(data)


def strip(commands, size):
    w, h, _ = size
    images = [draw(cmd, size) for cmd in commands]
    rows = [[L] * (w * len(images)) for _ in range(h)]
    for i, img in enumerate(images):
        for y in range(h):
            rows[y][i * w:(i + 1) * w] = img[y]
    return bmp4(rows, w * len(images), h)


def ico4(rows):
    """A 16 x 16 icon file image, 4 bits per pixel; None pixels are
    transparent (mask 1, colour 0)."""
    size = 16
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(0, size, 2):
            a, b = rows[y][x], rows[y][x + 1]
            xor.append(((a or 0) << 4) | (b or 0))
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            if rows[y][x] is None:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    palette = b''.join(struct.pack('<BBBB', c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = info + palette + bytes(xor) + bytes(mask)
    header = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 22)
    return header + image


def tool_icons():
    """The pictures of the tools that have their own (resource type IBV)."""
    R, G, B, Y = 9, 10, 12, 11
    blank = lambda: [[None] * 16 for _ in range(16)]
    icons = {}
    # Noise: scattered dots of three colours.
    px = blank()
    for i in range(40):
        x, y = (i * 7 + 3) % 14 + 1, (i * 11 + 5) % 14 + 1
        px[y][x] = (R, G, B, K)[i % 4]
    icons['IBV_NOISE'] = px
    # Emboss: a raised square, light above and left, dark below and right.
    px = blank()
    for y in range(3, 13):
        for x in range(3, 13):
            px[y][x] = W if (x == 3 or y == 3) else D if (x == 12 or y == 12) else L
    icons['IBV_EMBOSS'] = px
    # Invert: a disc, black on the left half and white on the right.
    px = blank()
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 42:
                px[y][x] = K if x < 8 else W
            elif (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 56:
                px[y][x] = K
    icons['IBV_INVERT'] = px
    # Grayscale: four bars from black to white.
    px = blank()
    for y in range(2, 14):
        for x in range(2, 14):
            px[y][x] = (K, D, L, W)[(x - 2) // 3]
    icons['IBV_GRAYSCALE'] = px
    # Brightness: a sun.
    px = blank()
    for y in range(16):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 7.5) ** 2
            if d <= 12:
                px[y][x] = Y
            elif (x == 7 or x == 8 or y == 7 or y == 8 or x == y or x + y == 15) and 20 <= d <= 50:
                px[y][x] = Y
    icons['IBV_BRIGHTNESS'] = px
    # Contrast: a disc half black, half white, framed.
    px = blank()
    for y in range(16):
        for x in range(16):
            d = (x - 7.5) ** 2 + (y - 7.5) ** 2
            if d <= 30:
                px[y][x] = K if y < 8 else W
            elif d <= 49:
                px[y][x] = D
    icons['IBV_CONTRAST'] = px
    return icons


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
    rc = ['// Generated by scripts/toolbar_images.py: the toolbars and their button images.', '']
    for small, large, buttons in BARS:
        images = [b for b in buttons if b != 0]
        for rid, size in ((small, SMALL), (large, LARGE)):
            write_if_changed(os.path.join(folder, f'TB{rid}.bmp'), strip(images, size))
            rc.append(f'{rid} TOOLBAR {size[0]}, {size[1]}')
            rc.append('BEGIN')
            for b in buttons:
                rc.append('  SEPARATOR' if b == 0 else f'  BUTTON {b}')
            rc.append('END')
            rc.append(f'{rid} BITMAP "TB{rid}.bmp"')
            rc.append('')
    c = Canvas(16, 16, 1.0)
    tool_default(c)
    write_if_changed(os.path.join(folder, 'TB245.bmp'), bmp4(c.px, 16, 16))
    rc.append('245 BITMAP "TB245.bmp"')
    # Bitmap 136: the 8 x 8 pattern of the customise-mode selection frame,
    # diagonal bands of black and white that move as the phase advances.
    pattern = [[K if (x + y) % 8 < 4 else W for x in range(8)] for y in range(8)]
    write_if_changed(os.path.join(folder, 'TB136.bmp'), bmp4(pattern, 8, 8))
    rc.append('136 BITMAP "TB136.bmp"')
    for name, rows in tool_icons().items():
        write_if_changed(os.path.join(folder, f'{name}.ico'), ico4(rows))
        rc.append(f'{name} IBV "{name}.ico"')
    write_if_changed(os.path.join(folder, 'Toolbars.rc'), ('\n'.join(rc) + '\n').encode())


if __name__ == '__main__':
    main()
