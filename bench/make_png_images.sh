#!/bin/sh
# Makes the PNG benchmark set in OUTDIR (default: bench/data beside this
# script): pictures generated with ImageMagick, and real images taken from
# Debian packages whose licences allow it.
#
# Generated (ImageMagick; plasma fractals stand in for photographs: smooth
# areas with noise, so the encoder picks a mix of filter types):
#   photo_640x480_rgba8, photo_1920x1080_rgb8, photo_3840x2160_rgb8 (the peak
#   memory case), palette_1024x1024, photo_640x480_rgba16,
#   interlaced_1024x768_rgb8, diagram_3840x2160 (boxes, lines and text with
#   long runs), plasma_1920x1080_rgb8 (unblurred: almost all rows Average).
#   png_bench.cpp adds filter{0..4}_1920x1080_rgb8 in memory: the plasma
#   written again with every row using the one filter type named (ImageMagick
#   6 ignores png:compression-filter).
# Real, copied or converted from installed packages:
#   nodejs (MIT): screenshot_866x792 (a web page's panel) and plot_2100x2100
#     (a box plot) from /usr/share/doc/nodejs/contributing/doc_img/
#   adwaita-icon-theme (CC-BY-SA-3.0 / LGPL-3): icon_512x512_rgba (user-home)
#   emscripten (MIT / UIUC): render_512x512 (tests/screenshot.png, a 3D game)
#   python3-skimage (BSD-3; these images CC0 or public domain, see its
#     skimage/data/README.txt): photo_astronaut_512 (NASA), photo_coffee_600x400,
#     photo_chelsea_451x300, grey_camera_512 and palette_coffee_600x400 (coffee
#     reduced to 256 colours), and photo_hubble_1000x872 (NASA, from JPEG).
#     The package is fetched with apt-get download when it is not installed
#     and only unpacked here, never installed.
# Missing sources are skipped with a warning.
# Usage: bench/make_png_images.sh [OUTDIR]
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
$c -size 3840x2160 plasma:fractal -blur 0x1 PNG24:"$out/photo_3840x2160_rgb8.png"
$c -size 1024x1024 plasma:fractal -blur 0x2 -dither None -colors 256 PNG8:"$out/palette_1024x1024.png"
$c -size 640x480 plasma:fractal -blur 0x1 -depth 16 \
   \( -size 640x480 gradient:white-gray20 -depth 16 \) -alpha off -compose CopyOpacity -composite \
   -depth 16 PNG64:"$out/photo_640x480_rgba16.png"
$c -size 1024x768 plasma:fractal -blur 0x1 -interlace PNG PNG24:"$out/interlaced_1024x768_rgb8.png"
# Unblurred, ImageMagick gives almost every row the Average filter.
$c -size 1920x1080 plasma:fractal PNG24:"$out/plasma_1920x1080_rgb8.png"
draw=""
for i in 0 1 2 3 4 5; do
  for j in 0 1 2 3; do
    x=$((200 + i * 600)); y=$((150 + j * 500))
    draw="$draw rectangle $x,$y $((x + 400)),$((y + 250))"
    draw="$draw line $((x + 400)),$((y + 125)) $((x + 600)),$((y + 125))"
    draw="$draw text $((x + 40)),$((y + 140)) 'step $i.$j'"
  done
done
$c -size 3840x2160 xc:white -fill '#dde8ff' -stroke '#203060' -strokewidth 4 -pointsize 48 -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
   -draw "$draw" PNG24:"$out/diagram_3840x2160.png"

copy() {  # source, name
  if [ -f "$1" ]; then $c "$1" "$out/$2.png"; else echo "skipped $2: no $1" >&2; fi
}
docimg=/usr/share/doc/nodejs/contributing/doc_img
copy "$docimg/youtube-stream-analytics.png" screenshot_866x792
copy "$docimg/compare-boxplot.png" plot_2100x2100
copy /usr/share/icons/Adwaita/512x512/places/user-home.png icon_512x512_rgba
copy /usr/share/emscripten/tests/screenshot.png render_512x512

sk=/usr/lib/python3/dist-packages/skimage/data
if [ ! -d "$sk" ]; then
  tmp=$out/.skimage
  mkdir -p "$tmp"
  if [ ! -d "$tmp/usr" ]; then
    (cd "$tmp" && apt-get download python3-skimage >/dev/null 2>&1 &&
      dpkg-deb -x python3-skimage_*.deb . && rm -f python3-skimage_*.deb) ||
      echo "could not fetch python3-skimage" >&2
  fi
  sk=$tmp$sk
fi
copy "$sk/astronaut.png" photo_astronaut_512
copy "$sk/coffee.png" photo_coffee_600x400
copy "$sk/chelsea.png" photo_chelsea_451x300
copy "$sk/camera.png" grey_camera_512
copy "$sk/hubble_deep_field.jpg" photo_hubble_1000x872
if [ -f "$sk/coffee.png" ]; then
  $c "$sk/coffee.png" -dither None -colors 256 PNG8:"$out/palette_coffee_600x400.png"
fi
touch "$out/.complete-2"
ls -l "$out"
