#!/bin/sh
# Writes the images the painting tests open into folder $1 (emptied first):
# white.png, 600 x 300 true colour white, and red.png, the same with a
# rectangle of rgb(200,30,60) over (100,50)-(300,250), made by ImageMagick.
set -e
out="$1"
rm -rf "$out"
mkdir -p "$out"
convert -size 600x300 xc:white PNG24:"$out/white.png"
convert -size 600x300 xc:white -fill "rgb(200,30,60)" -draw "rectangle 100,50 300,250" PNG24:"$out/red.png"
