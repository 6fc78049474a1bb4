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

# One upright picture stored in each of the eight EXIF orientations: 64 x 32
# upright, quadrants red, green (top) and blue, white (bottom), each stored
# turned by the inverse of its orientation and tagged with it. The quadrants
# lie on whole 8 x 8 blocks and are saved losslessly enough (quality 100,
# no subsampling) that each decodes to its colour within a few levels.
$IM -size 32x16 xc:red -size 32x16 xc:lime +append \
  \( -size 32x16 xc:blue -size 32x16 xc:white +append \) -append upright.png
inverse=("" "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90")
for o in 1 2 3 4 5 6 7 8; do
  # shellcheck disable=SC2086
  $IM upright.png ${inverse[$o]} -strip -quality 100 -sampling-factor 1x1 "orientation-$o.jpg"
done
rm -f upright.png

# The EXIF block goes in as an APP1 segment right after the start of image:
# "Exif\0\0", a TIFF header and IFD0 with the Orientation tag (a SHORT). Odd
# orientations are written big-endian, even ones little-endian, so both byte
# orders are read.
python3 - <<'PY'
import struct

def exif_block(orientation, big_endian, extra_entries=()):
    e = '>' if big_endian else '<'
    entries = [(0x010F, 2, 4, b'Cam\0')] + list(extra_entries) + [(0x0112, 3, 1, struct.pack(e + 'H', orientation) + b'\0\0')]
    ifd = struct.pack(e + 'H', len(entries))
    for tag, typ, count, value in entries:
        ifd += struct.pack(e + 'HHI', tag, typ, count) + value
    ifd += struct.pack(e + 'I', 0)  # no IFD1
    tiff = (b'MM' if big_endian else b'II') + struct.pack(e + 'HI', 42, 8) + ifd
    return b'Exif\0\0' + tiff

def with_app1(jpeg, payload):
    assert jpeg[:2] == b'\xff\xd8'
    return jpeg[:2] + b'\xff\xe1' + struct.pack('>H', len(payload) + 2) + payload + jpeg[2:]

for o in range(1, 9):
    name = 'orientation-%d.jpg' % o
    data = open(name, 'rb').read()
    open(name, 'wb').write(with_app1(data, exif_block(o, o % 2 == 1)))
PY
