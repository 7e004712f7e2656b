#!/bin/sh
# Writes the images the painting tests open into folder $1 (emptied first):
# white.png, 600 x 300 true colour white, made by ImageMagick.
set -e
out="$1"
rm -rf "$out"
mkdir -p "$out"
convert -size 600x300 xc:white PNG24:"$out/white.png"
