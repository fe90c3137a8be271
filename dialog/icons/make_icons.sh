#!/bin/sh
# Draws the settings dialog's window icon (a fell under a sun, with a pine in front) at 32 x 32
# and 16 x 16 pixels in 16 colours, and the installed application icon at 48 to 256 pixels from
# the same shapes (fellridge.svg holds them as a scalable image). Needs ImageMagick; run from
# this folder.
set -e
convert -size 32x32 xc:'#5a9fd6' \
  -fill '#f4d03f' -draw 'circle 24,8 24,3' \
  -fill '#6b7b5e' -draw 'polygon 0,26 11,9 18,17 23,12 32,24 32,32 0,32' \
  -fill '#e8eef2' -draw 'polygon 9,12 11,9 13,12' \
  -fill '#2e7d32' -draw 'rectangle 0,25 31,31' \
  -fill '#1b4d20' -draw 'polygon 7,28 3,28 7,20 5,20 8,14 11,20 9,20 13,28 9,28' \
  -fill '#5d4037' -draw 'rectangle 7,28 8,31' \
  -colors 16 PNG8:fellridge32.png
convert fellridge32.png -filter Box -resize 16x16 -colors 16 PNG8:fellridge16.png

# The larger sizes: the shapes of fellridge.svg, drawn on a 32-unit grid scaled to the size.
for size in 48 64 128 256; do
  s=$(echo "scale=4; $size / 32" | bc)
  convert -size "${size}x${size}" xc:'#5a9fd6' \
    -fill '#f4d03f' -draw "scale $s,$s circle 24.5,8.5 24.5,3.5" \
    -fill '#6b7b5e' -draw "scale $s,$s polygon 0,26.5 11.5,9 18.5,17 23.5,12 32,24.5 32,32 0,32" \
    -fill '#e8eef2' -draw "scale $s,$s polygon 9,12.5 11.5,9 14,12.5" \
    -fill '#2e7d32' -draw "scale $s,$s rectangle 0,25 32,32" \
    -fill '#1b4d20' -draw "scale $s,$s polygon 7.5,28.5 3,28.5 7,20.5 5,20.5 8.5,14 12,20.5 10,20.5 14,28.5 9.5,28.5" \
    -fill '#5d4037' -draw "scale $s,$s rectangle 7,28 9,32" \
    -strip PNG32:"fellridge$size.png"
done
