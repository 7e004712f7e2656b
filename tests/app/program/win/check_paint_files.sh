#!/bin/sh
# ImageMagick reads each PNG the painting tests saved and its pixels must
# equal the expected stroke the test computed with the portable brushes
# (raw RGB, top row first) beside it.
set -e
out="$1"
found=0
for expected in "$out"/*.expected.rgb; do
  [ -e "$expected" ] || continue
  saved="${expected%.expected.rgb}.png"
  convert "$saved" -depth 8 rgb:"$out/read.rgb"
  cmp "$out/read.rgb" "$expected"
  found=$((found + 1))
done
[ "$found" -gt 0 ]
echo "$found saved image(s) equal the strokes computed natively"
