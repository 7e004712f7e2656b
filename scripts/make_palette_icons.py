#!/usr/bin/env python3
"""Writes the layer palette's small icons (16 x 16, 32-bit) into res/palette/.

Each icon is drawn from a character grid: '.' transparent, any other
character a colour of the table below. Run it again after editing a grid.
"""
import os
import struct
import sys

COLOURS = {
    'k': (0, 0, 0), 'w': (255, 255, 255), 'r': (200, 0, 0), 'g': (128, 128, 128),
    'b': (0, 0, 160), 'y': (230, 190, 40), 'l': (192, 192, 192),
}

ICONS = {
    # 310: the layer is visible (an eye).
    'eye310': [
        '................', '................', '................', '................',
        '.....kkkkkk.....', '...kk......kk...', '..k...kkkk...k..', '.k...kkbbkk...k.',
        '.k...kkbbkk...k.', '..k...kkkk...k..', '...kk......kk...', '.....kkkkkk.....',
        '................', '................', '................', '................'],
    # 474: the layer is hidden (a closed eye).
    'hidden474': [
        '................', '................', '................', '................',
        '................', '................', '................', '.kk..........kk.',
        '..kkk......kkk..', '....kkkkkkkk....', '...k..k..k..k...', '................',
        '................', '................', '................', '................'],
    # 307: painting goes to the layer (a brush).
    'brush307': [
        '................', '.............kk.', '............kkk.', '...........kkk..',
        '..........kkk...', '.........kkk....', '........kkk.....', '.......kkk......',
        '......yyk.......', '.....yyyy.......', '....yyyy........', '...yyyy.........',
        '...yyy..........', '..yy............', '.y..............', '................'],
    # 249: painting goes to the mask (a brush over a mask square).
    'maskbrush249': [
        'kkkkkkkkkkkk....', 'kwwwwwwwwwkk.kk.', 'kwwgggggwkkkkkk.', 'kwggggggkkkkkk..',
        'kwggggggkkkkk...', 'kwgggggkkkkk....', 'kwggggkkkkgk....', 'kwgggkkkkggk....',
        'kwgyykkgggwk....', 'kwyyyygggwwk....', 'kyyyywwwwwwk....', 'kyyyykkkkkkk....',
        '.yyy............', 'yy..............', '................', '................'],
    # 345: linked with the active layer (a chain).
    'link345': [
        '................', '................', '....kkkk........', '...k....k.......',
        '..k......k......', '..k...kkkkkk....', '..k..k...k..k...', '...kkkk..k...k..',
        '.....k...k...k..', '......kkkkkk..k.', '..........k...k.', '...........k..k.',
        '............kk..', '................', '................', '................'],
    # 312: a text layer (a T).
    'text312': [
        '................', '..kkkkkkkkkkkk..', '..kkkkkkkkkkkk..', '..kk...kk...kk..',
        '..k....kk....k..', '.......kk.......', '.......kk.......', '.......kk.......',
        '.......kk.......', '.......kk.......', '.......kk.......', '.......kk.......',
        '......kkkk......', '.....kkkkkk.....', '................', '................'],
    # 475: position locked (a padlock, 10 pixels wide).
    'lock475': [
        '................', '................', '................', '...kkkk.........',
        '..k....k........', '..k....k........', '..k....k........', '.kkkkkkkk.......',
        '.kyyyyyyk.......', '.kyykkyyk.......', '.kyykkyyk.......', '.kyyyyyyk.......',
        '.kkkkkkkk.......', '................', '................', '................'],
    # 259: transparency locked (a chequered padlock).
    'translock259': [
        '................', '................', '................', '...kkkk.........',
        '..k....k........', '..k....k........', '..k....k........', '.kkkkkkkk.......',
        '.kwlwlwlk.......', '.klwlwlwk.......', '.kwlwlwlk.......', '.klwlwlwk.......',
        '.kkkkkkkk.......', '................', '................', '................'],
    # 318: new layer (a page with a folded corner).
    'new318': [
        '................', '..kkkkkkkk......', '..kwwwwwwkk.....', '..kwwwwwwkwk....',
        '..kwwwwwwkkkk...', '..kwwwwwwwwwk...', '..kwwwwwwwwwk...', '..kwwwwwwwwwk...',
        '..kwwwwwwwwwk...', '..kwwwwwwwwwk...', '..kwwwwwwwwwk...', '..kwwwwwwwwwk...',
        '..kwwwwwwwwwk...', '..kkkkkkkkkkk...', '................', '................'],
    # 320: delete layer (a bin).
    'delete320': [
        '................', '......kkkk......', '..kkkkkkkkkkkk..', '................',
        '...kkkkkkkkkk...', '...kwkwkwkwkk...', '...kwkwkwkwkk...', '...kwkwkwkwkk...',
        '...kwkwkwkwkk...', '...kwkwkwkwkk...', '...kwkwkwkwkk...', '...kwkwkwkwkk...',
        '...kkkkkkkkkk...', '................', '................', '................'],
    # 313: add a mask (a square with a hole).
    'mask313': [
        '................', '.kkkkkkkkkkkkkk.', '.kggggggggggggk.', '.kggggggggggggk.',
        '.kgggwwwwwwgggk.', '.kggwwwwwwwwggk.', '.kggwwwwwwwwggk.', '.kggwwwwwwwwggk.',
        '.kggwwwwwwwwggk.', '.kggwwwwwwwwggk.', '.kggwwwwwwwwggk.', '.kgggwwwwwwgggk.',
        '.kggggggggggggk.', '.kggggggggggggk.', '.kkkkkkkkkkkkkk.', '................'],
}


def ico_bytes(grid):
    size = 16
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(grid):
        bits = 0
        for x, ch in enumerate(row):
            if ch == '.':
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
            else:
                r, g, b = COLOURS[ch]
                pixels += bytes((b, g, r, 255))
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 22) + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'res', 'palette')
    os.makedirs(out, exist_ok=True)
    for name, grid in ICONS.items():
        assert len(grid) == 16 and all(len(r) == 16 for r in grid), name
        with open(os.path.join(out, name + '.ico'), 'wb') as f:
            f.write(ico_bytes(grid))


if __name__ == '__main__':
    main()
