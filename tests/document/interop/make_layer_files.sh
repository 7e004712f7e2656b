#!/bin/sh
# Writes the layer commands' Photoshop files (layer_files.js) into folder $1.
set -e
mkdir -p "$1"
NODE_PATH="${LUMORA_NODE_PREFIX:-/opt/lumora/node}/node_modules" node "$(dirname "$0")/layer_files.js" "$1"
