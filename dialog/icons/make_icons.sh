#!/bin/sh
# Draws the settings dialog's window icon (a fell under a sun, with a pine in front) at 32 x 32
# and 16 x 16 pixels in 16 colours. Needs ImageMagick; run from this folder.
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
