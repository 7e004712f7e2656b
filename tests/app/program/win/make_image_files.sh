#!/bin/sh
# Writes the file the Image menu's Wine test opens into folder $1 (emptied
# first, so the checks it lists are this run's): ag-psd's three.psd.
set -e
out="$1"
rm -rf "$out"
mkdir -p "$out"
NODE_PATH="${LUMORA_NODE_PREFIX:-/opt/lumora/node}/node_modules" node "$(dirname "$0")/make_image_files.js" "$out"
