#!/usr/bin/env python3
"""Checks the Photoshop files the Image menu's Wine test saved, as programs
that are not this one read them: ag-psd reads every file, ImageMagick turns
and mirrors the layers of the file saved before each command.

usage: check_image_files.py FOLDER

FOLDER/checks.txt holds one check a line:
  resampled OUT.psd EXPECT   sizes, layer rects and pixels equal those the
                             test wrote (EXPECT.txt, EXPECT.<i>.rgba: the
                             engine's own resample, computed apart)
  turned OUT.psd ORIG.psd OP every layer of ORIG turned or mirrored by
                             ImageMagick (OP: -rotate 90, -rotate -90,
                             -rotate 180, -flop, -flip) and placed by the
                             turn of the image
  moved OUT.psd ORIG.psd W H DX DY
                             a canvas of W x H: every layer of ORIG with
                             its pixels, moved by DX, DY
Paths are relative to FOLDER. Exit status 1 when a check fails.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, '..', '..', '..', 'engine', 'layered', 'interop', 'agpsd_tool.js')
NODE_PATH = os.path.join(os.environ.get('LUMORA_NODE_PREFIX', '/opt/lumora/node'), 'node_modules')


class Dump:
    def __init__(self, folder, name):
        prefix = os.path.join(folder, 'dump-' + name.replace('.', '-'))
        env = dict(os.environ, NODE_PATH=NODE_PATH)
        subprocess.run(['node', TOOL, 'dump', os.path.join(folder, name), prefix], check=True, env=env)
        self.prefix = prefix
        self.size = None
        self.rects = []
        for line in open(prefix + '.txt'):
            words = line.split()
            if words[0] == 'size':
                self.size = (int(words[1]), int(words[2]))
            elif words[0] == 'layer':
                self.rects.append(tuple(int(w) for w in words[2:6]))

    def pixels(self, index):
        with open('%s.%d.rgba' % (self.prefix, index), 'rb') as f:
            return f.read()


def read_expectation(path):
    size, rects = None, []
    for line in open(path + '.txt'):
        words = line.split()
        if words[0] == 'size':
            size = (int(words[1]), int(words[2]))
        elif words[0] == 'layer':
            rects.append(tuple(int(w) for w in words[2:6]))
    return size, rects


def turned_rect(rect, size, op):
    l, t, r, b = rect
    w, h = size
    return {
        '-rotate 90': (h - b, l, h - t, r),
        '-rotate -90': (t, w - r, b, w - l),
        '-rotate 180': (w - r, h - b, w - l, h - t),
        '-flop': (w - r, t, w - l, b),
        '-flip': (l, h - b, r, h - t),
    }[op]


def turned_size(size, op):
    return (size[1], size[0]) if op in ('-rotate 90', '-rotate -90') else size


def magick(pixels, width, height, op):
    result = subprocess.run(['convert', '-size', '%dx%d' % (width, height), '-depth', '8', 'rgba:-'] + op.split() +
                            ['-depth', '8', 'rgba:-'], input=pixels, stdout=subprocess.PIPE, check=True)
    return result.stdout


def main():
    folder = sys.argv[1]
    failures = []
    checks = 0
    for line in open(os.path.join(folder, 'checks.txt')):
        words = line.split()
        if not words:
            continue
        kind, out = words[0], Dump(folder, words[1])
        checks += 1
        what = line.strip()
        if kind == 'resampled':
            size, rects = read_expectation(os.path.join(folder, words[2]))
            if out.size != size or out.rects != rects:
                failures.append('%s: size %s rects %s, expected %s %s' % (what, out.size, out.rects, size, rects))
                continue
            for i in range(len(rects)):
                with open(os.path.join(folder, '%s.%d.rgba' % (words[2], i)), 'rb') as f:
                    if out.pixels(i) != f.read():
                        failures.append('%s: layer %d pixels differ' % (what, i))
        elif kind == 'turned':
            orig, op = Dump(folder, words[2]), ' '.join(words[3:])
            rects = [turned_rect(r, orig.size, op) for r in orig.rects]
            if out.size != turned_size(orig.size, op) or out.rects != rects:
                failures.append('%s: size %s rects %s, expected %s %s' %
                                (what, out.size, out.rects, turned_size(orig.size, op), rects))
                continue
            for i, (l, t, r, b) in enumerate(orig.rects):
                if out.pixels(i) != magick(orig.pixels(i), r - l, b - t, op):
                    failures.append('%s: layer %d differs from ImageMagick %s' % (what, i, op))
        elif kind == 'moved':
            orig = Dump(folder, words[2])
            w, h, dx, dy = (int(x) for x in words[3:7])
            rects = [(l + dx, t + dy, r + dx, b + dy) for (l, t, r, b) in orig.rects]
            if out.size != (w, h) or out.rects != rects:
                failures.append('%s: size %s rects %s, expected %s %s' % (what, out.size, out.rects, (w, h), rects))
                continue
            for i in range(len(rects)):
                if out.pixels(i) != orig.pixels(i):
                    failures.append('%s: layer %d pixels changed' % (what, i))
        else:
            failures.append('unknown check: ' + what)
    for failure in failures:
        print(failure)
    print('%d checks, %d failures' % (checks, len(failures)))
    return 1 if failures or checks == 0 else 0


if __name__ == '__main__':
    sys.exit(main())
