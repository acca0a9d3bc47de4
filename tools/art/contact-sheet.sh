#!/bin/sh
# Draws every picture of the skin and lays them out on one sheet, so they can
# be looked at together:  tools/art/contact-sheet.sh [OUTPUT.png]
# The large pictures are shown at their own size, the small ones (buttons,
# status pictures, triangles, icon) three times enlarged below them.
# Needs a host c++ and ImageMagick (montage, convert).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-/tmp/voltaris-art.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++17 -O1 -Wall -Wextra -o "$work/make_art" "$here/make_art.cpp"
mkdir "$work/art" "$work/big" "$work/small"
"$work/make_art" "$work/art"
for f in "$work"/art/*.bmp "$work"/art/*.ico; do
  name=$(basename "$f")
  size=$(identify -format '%wx%h' "$f[0]")
  w=${size%x*}
  h=${size#*x}
  if [ "$w" -ge 200 ] || [ "$h" -ge 200 ]; then
    convert "$f[0]" -set label "$name $size" "$work/big/${name%.*}.png"
  else
    convert "$f[0]" -filter point -resize 300% -set label "$name $size" "$work/small/${name%.*}.png"
  fi
done
montage "$work"/big/*.png -font DejaVu-Sans -pointsize 13 -tile 4x -geometry '+10+10' \
  -background '#6f7780' -fill white "$work/big.png"
montage "$work"/small/*.png -font DejaVu-Sans -pointsize 13 -tile 8x -geometry '+10+10' \
  -background '#6f7780' -fill white "$work/small.png"
convert "$work/big.png" "$work/small.png" -background '#6f7780' -gravity center -append "$out"
echo "$out"
