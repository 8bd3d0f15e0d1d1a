#!/bin/sh
# Generates the PNG benchmark images with ImageMagick: a photo-like RGBA
# picture, a full-HD RGB one, a 256-colour palette image, a 16-bit RGBA image
# and an interlaced one. Plasma fractals stand in for photographs: smooth areas
# with noise, so the encoder picks a mix of filter types as it does for photos.
# Usage: bench/make_png_images.sh [OUTDIR]   (default: bench/data beside this script)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/data}
mkdir -p "$out"
command -v convert >/dev/null || { echo "ImageMagick convert is needed" >&2; exit 1; }
# -define png:exclude-chunks keeps the files to the chunks a decoder must read.
c="convert -seed 7 -define png:exclude-chunks=date,time,bKGD,gAMA,cHRM,iCCP,sRGB,tEXt,zTXt,vpAg"

$c -size 640x480 plasma:fractal \
   \( -size 640x480 radial-gradient:white-gray40 \) -alpha off -compose CopyOpacity -composite \
   PNG32:"$out/photo_640x480_rgba8.png"
$c -size 1920x1080 plasma:fractal -blur 0x1 PNG24:"$out/photo_1920x1080_rgb8.png"
$c -size 1024x1024 plasma:fractal -blur 0x2 -dither None -colors 256 PNG8:"$out/palette_1024x1024.png"
$c -size 640x480 plasma:fractal -blur 0x1 -depth 16 \
   \( -size 640x480 gradient:white-gray20 -depth 16 \) -alpha off -compose CopyOpacity -composite \
   -depth 16 PNG64:"$out/photo_640x480_rgba16.png"
$c -size 1024x768 plasma:fractal -blur 0x1 -interlace PNG PNG24:"$out/interlaced_1024x768_rgb8.png"
ls -l "$out"
