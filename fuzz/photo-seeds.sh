#!/usr/bin/env bash
# Writes the seed pictures of fuzz_photo with ImageMagick: tiny JPEGs (baseline, progressive,
# grey, CMYK with an Adobe marker, a scaled-down size) and tiny Windows bitmaps (24-bit, 8-bit palette).
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/corpus/fuzz_photo
mkdir -p "$out"
gradient=(-size 24x16 gradient:red-blue)
convert "${gradient[@]}" -strip -quality 75 -interlace none "$out/baseline.jpg"
convert "${gradient[@]}" -strip -quality 75 -interlace JPEG "$out/progressive.jpg"
convert "${gradient[@]}" -strip -colorspace Gray -quality 75 "$out/grey.jpg"
convert "${gradient[@]}" -strip -colorspace CMYK -quality 60 "$out/cmyk.jpg"
convert -size 300x280 gradient:yellow-green -strip -quality 10 -sampling-factor 2x2 "$out/scaled.jpg"
convert "${gradient[@]}" BMP3:"$out/rgb24.bmp"
convert "${gradient[@]}" -colors 16 -type Palette BMP3:"$out/palette.bmp"
