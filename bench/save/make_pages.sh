#!/bin/sh
# Makes the two benchmark pages with ImageMagick: a 2500 x 3500 grey photo of handwriting
# (blotchy paper, uneven light, ink in a calligraphic face, sensor noise, JPEG) and a colour
# page of the same size (yellowed paper, brown ink, a blue stamp, a red seal, a photo corner).
# usage: make_pages.sh OUT_DIR
set -eu
out=${1:?usage: make_pages.sh OUT_DIR}
mkdir -p "$out"
IM=${IM_CONVERT:-convert}
font=$(fc-match -f '%{file}' 'Z003:style=Medium Italic')

text() {
  i=0
  while [ $i -lt 26 ]; do
    echo "Im Jahre des Herrn achtzehnhundert und $i wurde getauft Johann Georg, Sohn des"
    i=$((i + 1))
  done
}
lines=$(text)

# Paper: smooth blotches, brighter towards the centre.
"$IM" -size 625x875 -seed 7 plasma:grey50-grey50 -colorspace gray -blur 0x6 \
  -resize 2500x3500! -level 20%,80% +level 74%,90% "$out/paper.png"
"$IM" -size 2500x3500 radial-gradient:white-'gray(70%)' "$out/light.png"
"$IM" "$out/paper.png" "$out/light.png" -compose multiply -composite \
  -font "$font" -pointsize 78 -interline-spacing 38 -fill 'gray(22%)' \
  -annotate -2x0+170+260 "$lines" \
  -blur 0x1.1 -attenuate 0.5 +noise Gaussian -colorspace gray -quality 88 \
  "$out/handwriting.jpg"

"$IM" -size 625x875 -seed 11 plasma:'#e8d8b0'-'#c8b088' -blur 0x5 -resize 2500x3500! \
  "$out/paper_colour.png"
"$IM" -size 700x520 -seed 3 plasma:fractal -blur 0x2 "$out/photo.png"
"$IM" "$out/paper_colour.png" "$out/light.png" -compose multiply -composite \
  "$out/photo.png" -geometry +1650+2800 -compose over -composite \
  -font "$font" -pointsize 74 -interline-spacing 40 -fill '#3a2414' \
  -annotate -2x0+170+260 "$lines" \
  -fill none -stroke '#2848a0' -strokewidth 14 -draw 'circle 2050,520 2050,760' \
  -stroke '#b02020' -strokewidth 10 -fill '#c0302880' -draw 'ellipse 600,3000 260,180 0,360' \
  -blur 0x0.9 -attenuate 0.4 +noise Gaussian -quality 90 "$out/colour.jpg"
rm -f "$out/paper.png" "$out/light.png" "$out/paper_colour.png" "$out/photo.png"
