#!/usr/bin/env python3
"""Asks a headless browser what lies under points of an image-map page's
picture: a copy of the page beside it gets a script that, once the page has
loaded, takes document.elementFromPoint at each point (picture pixels, rows
from the top) and writes the answers into the page, which the browser then
prints. Prints one line per point: "AREA <href>", or the tag found.

Usage: map_hits.py PAGE X Y [X Y ...]
Exit status 77 when no headless browser is installed (chromium-headless-shell
or chromium, both Debian packages), 1 when it fails.
"""
import os
import re
import shutil
import subprocess
import sys

PROBE = """<script>
window.addEventListener('load', function () {
  var picture = document.images[0].getBoundingClientRect();
  var points = %s;
  var lines = points.map(function (p) {
    var e = document.elementFromPoint(picture.left + p[0] + 0.5, picture.top + p[1] + 0.5);
    if (!e) return 'none';
    return e.tagName === 'AREA' ? 'AREA ' + e.getAttribute('href') : e.tagName;
  });
  var out = document.createElement('pre');
  out.id = 'map-hits';
  out.textContent = lines.join('\\n');
  document.body.appendChild(out);
});
</script>"""


def browser():
    for name in ("chromium-headless-shell", "chromium"):
        path = shutil.which(name)
        if path:
            return path
    return None


def main():
    page = os.path.abspath(sys.argv[1])
    numbers = [int(v) for v in sys.argv[2:]]
    points = [[numbers[i], numbers[i + 1]] for i in range(0, len(numbers) - 1, 2)]
    program = browser()
    if program is None:
        print("no headless browser")
        return 77
    with open(page, "rb") as f:
        text = f.read().decode("latin-1")
    probe = PROBE % points
    at = text.lower().rfind("</body>")
    text = text[:at] + probe + text[at:] if at >= 0 else text + probe
    copy = os.path.join(os.path.dirname(page), "map-hits-probe.htm")
    with open(copy, "wb") as f:
        f.write(text.encode("latin-1"))
    try:
        result = subprocess.run([program, "--headless", "--no-sandbox", "--disable-gpu", "--virtual-time-budget=5000",
                                 "--dump-dom", "file://" + copy], capture_output=True, timeout=120)
    finally:
        os.remove(copy)
    dom = result.stdout.decode("utf-8", "replace")
    found = re.search(r'<pre id="map-hits">(.*?)</pre>', dom, re.S)
    if found is None:
        print("the browser printed no answers:", result.stderr.decode("utf-8", "replace")[-500:])
        return 1
    print(found.group(1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
