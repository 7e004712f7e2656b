#!/bin/sh
# Writes the files the image view's Wine test opens into folder $1: ag-psd's
# small.psd, big.psd and two.psd (make_view_files.js) and ImageMagick's magick.psd
# (a merged image, then a full-size layer and a small one above it).
set -e
out="$1"
mkdir -p "$out"
NODE_PATH="${LUMORA_NODE_PREFIX:-/opt/lumora/node}/node_modules" node "$(dirname "$0")/make_view_files.js" "$out"
convert -size 300x200 xc:red \( -size 300x200 gradient:yellow-navy -set label Back \) \
  \( -size 100x60 xc:blue -set label Top -repage +20+30 \) -depth 8 "$out/magick.psd"
