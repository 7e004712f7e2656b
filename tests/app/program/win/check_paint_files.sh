#!/bin/sh
# ImageMagick reads each PNG the painting tests saved and its pixels must
# equal the expected stroke the test computed with the portable brushes
# (raw RGB, top row first) beside it; the shape the Add Shape dialog wrote
# must hold the grey of its image.
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
# The shape the Add Shape dialog wrote into the store: 8-bit grey.
if [ -e "$out/shape_added.bmp" ]; then
  convert "$out/shape_added.bmp" -depth 8 gray:"$out/read.gray"
  cmp "$out/read.gray" "$out/shape_added.expected.gray"
  echo "the added shape holds the grey of its image"
fi
[ "$found" -gt 0 ]
echo "$found saved image(s) equal the strokes computed natively"
