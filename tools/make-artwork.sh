#!/usr/bin/env bash
# Regenerates the demo's images (demo/images/*.png) from tools/artwork.
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -O2 -std=c++20 -Wall -Wextra tools/artwork/make_artwork.cpp -lz -o "$tmp/make_artwork"
mkdir -p demo/images
"$tmp/make_artwork" demo/images
