#!/usr/bin/env python3
"""Reads an image-map page with Python's html.parser and checks that it is
well formed: html, body and map elements opened and closed in order, one
map, an img whose usemap names that map, and areas only inside the map,
each a rectangle of four whole numbers inside WIDTH x HEIGHT. Prints one
line per area: "x1 y1 x2 y2 href". Exit status 1 with a message on a fault.

Usage: check_map_page.py PAGE WIDTH HEIGHT
"""
import sys
from html.parser import HTMLParser

VOID = {"area", "img"}


class MapPage(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.maps = []
        self.images = []
        self.areas = []
        self.faults = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "map":
            self.maps.append(attrs.get("name"))
        if tag == "img":
            self.images.append(attrs)
        if tag == "area":
            if "map" not in self.stack:
                self.faults.append("area outside a map")
            self.areas.append(attrs)
        if tag not in VOID:
            self.stack.append(tag)

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.faults.append("unbalanced </%s>" % tag)
        else:
            self.stack.pop()


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    with open(path, "rb") as f:
        data = f.read()
    page = MapPage()
    page.feed(data.decode("latin-1"))
    page.close()
    faults = list(page.faults)
    if page.stack:
        faults.append("unclosed " + ", ".join(page.stack))
    if len(page.maps) != 1:
        faults.append("%d maps" % len(page.maps))
    if len(page.images) != 1 or page.images[0].get("usemap") != "#" + str(page.maps[0] if page.maps else ""):
        faults.append("the image does not use the map")
    lines = []
    for area in page.areas:
        coords = area.get("coords", "").split(",")
        if area.get("shape") != "rect" or len(coords) != 4 or not all(c.isdigit() for c in coords):
            faults.append("bad area %r" % area)
            continue
        x1, y1, x2, y2 = map(int, coords)
        if not (0 <= x1 < x2 <= width and 0 <= y1 < y2 <= height):
            faults.append("area outside the image %r" % area)
        lines.append("%d %d %d %d %s" % (x1, y1, x2, y2, area.get("href")))
    if faults:
        print("\n".join(faults))
        return 1
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
