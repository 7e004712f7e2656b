#!/bin/sh
# Writes the file the Image menu's Wine test opens into folder $1 (emptied
# first, so the checks it lists are this run's): ag-psd's three.psd and an
# ImageMagick gradient.
set -e
out="$1"
rm -rf "$out"
mkdir -p "$out"
# A 640 x 480 picture for Image/Frames.
convert -size 640x480 gradient:'#c04020'-'#2040c0' -type TrueColor "PNG24:$out/frame640.png"
NODE_PATH="${LUMORA_NODE_PREFIX:-/opt/lumora/node}/node_modules" node "$(dirname "$0")/make_image_files.js" "$out"
