#!/usr/bin/env python3
"""Draws the edge templates of Layer/Edges and their catalogue (menu 141).

usage: edge_templates.py <output folder>

Writes EDGE<id>.bmp (8-bit, grey palette, 96 x 72: the coverage 0..255 of
the edge colour, 0 keeps the layer, 255 removes it) and EdgeTemplates.rc
(the bitmaps and menu 141, one popup per page). Each template is drawn here
from a formula after its name; nothing is taken from elsewhere.
"""
import math
import os
import random
import struct
import sys

W, H = 96, 72

PAGES = [
    ("Artistic", [("Charcoal 1", 143), ("Charcoal 2", 145), ("Crayon", 771), ("Scratch Board 1", 772),
                  ("Scratch Board 2", 773), ("Scratch Board 3", 238), ("Scratch Board 4", 774), ("Scribble", 775),
                  ("Sponge 1", 776), ("Sponge 2", 777), ("Swirl", 778), ("Water Color", 779)]),
    ("Strokes", [("Stroke 1", 163), ("Stroke 2", 165), ("Stroke 3", 167), ("Stroke 4", 169), ("Stroke 5", 171),
                 ("Dry Stroke 1", 179), ("Dry Stroke 2", 160), ("Water Stroke 1", 173), ("Water Stroke 2", 175),
                 ("Wide Stroke 1", 177), ("Wide Stroke 2", 157)]),
    ("Vignette", [("Arch", 209), ("Arch Blur", 183), ("Rectangle", 206), ("Rectangle Blur", 181), ("Circle", 185),
                  ("Circle Blur", 187), ("Curved", 189), ("Fade Down", 191), ("Fade Left", 193),
                  ("Fade Right", 195), ("Fade Top", 197), ("Frame", 199), ("Oval Frame", 200), ("Polygon", 203)]),
    ("Objects", [("Circle Swirl", 235), ("Clouds", 215), ("Fingerprint", 217), ("Heart", 220), ("Jigsaw", 223),
                 ("Leaf", 225), ("Old Photo", 227), ("Palette", 230), ("Stamp", 233), ("Star", 212)]),
    ("Textures", [("Abrasive", 289), ("Halftone 1", 272), ("Halftone 2", 270), ("Pond", 277), ("Rays", 280),
                  ("Rippled Paper", 283), ("Ripples", 274), ("Smoky", 286), ("Splatter", 262), ("Foggy", 265)]),
]


def smooth(e0, e1, x):
    t = max(0.0, min(1.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def edge_distance(u, v):
    """0 at the border, 0.5 at the centre."""
    return min(u, v, 1 - u, 1 - v)


def ellipse(u, v):
    return math.hypot((u - 0.5) / 0.5, (v - 0.5) / 0.5)


def rough(seed, amount, scale):
    rnd = random.Random(seed)
    phases = [(rnd.uniform(0, 6.3), rnd.uniform(0.5, 1.5)) for _ in range(6)]

    def f(u, v):
        n = sum(math.sin(scale * k * (u * a + v * (2 - a)) + p) / k for k, (p, a) in enumerate(phases, 1))
        return edge_distance(u, v) + amount * n / 2.5 + amount * (rnd.random() - 0.5) * 0.6
    return f


def heart(u, v):
    x, y = (u - 0.5) * 2.6, (v - 0.45) * 2.6
    return (x * x + y * y - 1) ** 3 - x * x * y ** 3


def star(u, v):
    x, y = u - 0.5, v - 0.5
    a = math.atan2(y, x)
    r = math.hypot(x, y * W / H)
    return r - (0.22 + 0.16 * math.cos(5 * a))


def value(name, ident, u, v):
    """The template's coverage at (u, v), rows counted upward."""
    d = edge_distance(u, v)
    e = ellipse(u, v)
    if name == "Rectangle":
        return 1.0 if d < 0.1 else 0.0
    if name == "Rectangle Blur":
        return 1 - smooth(0.0, 0.18, d)
    if name == "Circle":
        return 1.0 if e > 0.85 else 0.0
    if name == "Circle Blur":
        return smooth(0.6, 1.0, e)
    if name in ("Arch", "Arch Blur"):
        top = v > 0.6 and math.hypot((u - 0.5) / 0.4, (v - 0.6) / 0.32) > 1
        out = top or u < 0.1 or u > 0.9 or v < 0.1
        if name == "Arch":
            return 1.0 if out else 0.0
        return 1 - smooth(0.0, 0.12, min(d, 0.3 if not top else 0.0) if out else 0.3)
    if name == "Curved":
        return 1.0 if d < 0.08 + 0.05 * math.sin(u * 18) * math.sin(v * 14) else 0.0
    if name == "Fade Down":
        return 1 - smooth(0.0, 0.5, v)
    if name == "Fade Top":
        return smooth(0.5, 1.0, v)
    if name == "Fade Left":
        return 1 - smooth(0.0, 0.5, u)
    if name == "Fade Right":
        return smooth(0.5, 1.0, u)
    if name == "Frame":
        return 1.0 if d < 0.12 else (0.5 if d < 0.15 else 0.0)
    if name == "Oval Frame":
        return 1.0 if e > 0.9 else (0.5 if e > 0.8 else 0.0)
    if name == "Polygon":
        x, y = abs(u - 0.5), abs(v - 0.5)
        return 1.0 if x > 0.42 or y > 0.42 or x + y > 0.62 else 0.0
    if name == "Heart":
        return 0.0 if heart(u, v) < 0 else 1.0
    if name == "Star":
        return 0.0 if star(u, v) < 0 else 1.0
    if name == "Leaf":
        x, y = (u - 0.5) / 0.45, (v - 0.5) / 0.4
        return 0.0 if abs(y) < (1 - x * x) * 0.9 else 1.0
    if name == "Jigsaw":
        knob = min(math.hypot(u - 0.5, v - 0.9), math.hypot(u - 0.1, v - 0.5)) < 0.08
        return 0.0 if (0.12 < u < 0.88 and 0.12 < v < 0.8) or knob else 1.0
    if name == "Stamp":
        perforated = math.hypot((u * 24) % 1 - 0.5, (v * 18) % 1 - 0.5) < 0.35 and d < 0.06
        return 1.0 if d < 0.03 or perforated else 0.0
    if name == "Old Photo":
        return 1.0 if d < 0.06 + 0.02 * abs(math.sin(u * 40) + math.sin(v * 40)) else 0.25 * (1 - smooth(0, 0.3, d))
    if name == "Palette":
        hole = math.hypot(u - 0.3, v - 0.65) < 0.07
        return 1.0 if e > 0.9 or hole else 0.0
    if name == "Fingerprint":
        return 1.0 if e > 0.95 or (e > 0.6 and math.sin(e * 60) > 0.3) else 0.0
    if name == "Circle Swirl":
        a = math.atan2(v - 0.5, u - 0.5)
        return 1.0 if e > 0.75 + 0.15 * math.sin(3 * a + e * 8) else 0.0
    if name == "Clouds":
        return 1 - smooth(-0.05, 0.15, rough(ident, 0.25, 9)(u, v))
    if name in ("Halftone 1", "Halftone 2"):
        cell = 8 if name == "Halftone 1" else 5
        r = (1 - smooth(0.0, 0.3, d)) * 0.7
        return 1.0 if math.hypot((u * W / cell) % 1 - 0.5, (v * H / cell) % 1 - 0.5) < r else 0.0
    if name == "Rays":
        a = math.atan2(v - 0.5, u - 0.5)
        return 1.0 if d < 0.1 + 0.08 * (math.sin(a * 24) > 0) else 0.0
    if name in ("Ripples", "Pond", "Rippled Paper"):
        k = {"Ripples": 30, "Pond": 45, "Rippled Paper": 80}[name]
        return 1 - smooth(0.0, 0.2, d + 0.03 * math.sin(e * k))
    # Brush, sponge and texture kinds: a rough border whose grain follows
    # the template's number.
    amount = {"Artistic": 0.12, "Strokes": 0.09, "Textures": 0.15}.get(page_of[ident], 0.1)
    scale = 6 + ident % 23
    f = rough(ident, amount, scale)(u, v)
    if name.startswith(("Water", "Smoky", "Foggy", "Sponge")):
        return 1 - smooth(0.0, 0.15, f)
    return 1.0 if f < 0.1 else 0.0


page_of = {ident: page for page, items in PAGES for _, ident in items}


def bmp8(pixels):
    stride = (W + 3) & ~3
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    rows = b"".join(bytes(pixels[y * W:(y + 1) * W]) + b"\0" * (stride - W) for y in range(H))
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    off = 14 + 40 + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + header + palette + rows


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rc = ["// Generated by scripts/edge_templates.py: the edge templates and their catalogue."]
    menu = ["141 MENU", "BEGIN"]
    for page, items in PAGES:
        menu.append('  POPUP "%s"' % page)
        menu.append("  BEGIN")
        for name, ident in items:
            pixels = []
            for y in range(H):
                for x in range(W):
                    m = value(name, ident, (x + 0.5) / W, (y + 0.5) / H)
                    pixels.append(max(0, min(255, int(round(255 * m)))))
            with open(os.path.join(out, "EDGE%d.bmp" % ident), "wb") as f:
                f.write(bmp8(pixels))
            rc.append('%d BITMAP "EDGE%d.bmp"' % (ident, ident))
            menu.append('    MENUITEM "%s", %d' % (name, ident))
        menu.append("  END")
    menu.append("END")
    with open(os.path.join(out, "EdgeTemplates.rc"), "w") as f:
        f.write("\n".join(rc + menu) + "\n")


if __name__ == "__main__":
    main()
