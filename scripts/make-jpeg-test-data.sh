#!/usr/bin/env bash
# Regenerates the JPEG test pictures in tests/data/jpeg and ImageMagick's own
# decoding of each (PPM), which the tests use as an independent reference.
set -euo pipefail
cd "$(dirname "$0")/../tests/data/jpeg"
IM=/usr/bin/convert

# A small picture with gradients, edges and saturated colours, 37 x 23 so that
# no side is a multiple of the 8 x 8 blocks or 16 x 16 macroblocks.
$IM -size 37x23 gradient:red-blue \( -size 37x23 gradient:yellow-black -rotate 0 \) \
  -compose multiply -composite -fill white -draw "rectangle 5,5 12,17" \
  -fill lime -draw "circle 26,11 30,14" source.png

$IM source.png -quality 90 -sampling-factor 2x2 rgb-420.jpg
$IM source.png -quality 95 -sampling-factor 1x1 rgb-444.jpg
$IM source.png -quality 90 -interlace JPEG progressive.jpg
$IM source.png -colorspace Gray -quality 90 grey.jpg
$IM source.png -colorspace CMYK -quality 90 cmyk.jpg
$IM source.png -quality 90 -define jpeg:restart-interval=1 restart.jpg
for f in rgb-420 rgb-444 progressive grey cmyk restart; do
  $IM "$f.jpg" -colorspace sRGB -depth 8 "PPM:$f.ppm"
done

# Larger pictures for tiles: 640 x 480 (a 16 x 12 tile), a portrait, and a
# uniform colour whose tile must keep that colour exactly.
$IM -size 640x480 plasma:fractal -seed 7 -quality 80 landscape-640x480.jpg 2>/dev/null ||
  $IM -size 640x480 gradient:orange-navy -swirl 200 -quality 80 landscape-640x480.jpg
$IM -size 300x500 gradient:teal-pink -swirl 120 -quality 80 portrait-300x500.jpg
$IM -size 200x150 xc:"rgb(200,100,50)" -quality 100 -sampling-factor 1x1 uniform-200x150.jpg
$IM -size 10x8 gradient:white-green -quality 95 small-10x8.jpg
rm -f source.png
