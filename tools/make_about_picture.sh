#!/usr/bin/env bash
# Draws the about-box picture (455 x 329, 24-bit) with ImageMagick.
# The result, assets/about.png, is committed; run this only to change it.
set -euo pipefail
out="${1:-$(dirname "$0")/../assets/about.png}"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# A diode's characteristic across the right half: flat, then the knee.
segments=()
px=""
for i in $(seq 0 60); do
  x=$((200 + i * 4))
  y=$(awk -v i="$i" 'BEGIN { v = i / 60.0; c = 0.0004 * (exp(v * 9.2) - 1); printf "%d", 210 - c * 150 }')
  [ "$y" -lt 52 ] && break
  [ -n "$px" ] && segments+=(-draw "line $px $x,$y")
  px="$x,$y"
done

grid=()
for x in $(seq 200 40 440); do grid+=(-draw "line $x,50 $x,215"); done
for y in $(seq 60 30 210); do grid+=(-draw "line 200,$y 440,$y"); done

convert -size 455x329 gradient:'#0d2733'-'#0f4a36' \
  -fill none -stroke '#ffffff18' -strokewidth 1 "${grid[@]}" \
  -stroke '#8fd8a8' -strokewidth 1 -draw "line 196,210 444,210" -draw "line 200,214 200,46" \
  -stroke '#00ff66' -strokewidth 3 "${segments[@]}" \
  -stroke none -fill '#ffffff' -font "$bold" -pointsize 46 -annotate +24+90 'Ostrel' \
  -fill '#9fe3b8' -font "$font" -pointsize 15 -annotate +26+120 'I–V curve tracer' \
  -fill '#ffffff' -pointsize 13 -annotate +26+145 'version 1.2b' \
  -fill '#ffffff30' -draw "rectangle 22,248 433,249" \
  -fill '#d8efe2' -pointsize 12 -annotate +26+272 'Instrument and program: the Ostrel workshop' \
  -fill '#a9c9b9' -pointsize 11 -annotate +26+292 'Diodes, LEDs, zeners and resistors, traced from -5.12 V to +5.11 V' \
  -annotate +26+310 'Click anywhere to continue' \
  -depth 8 -type TrueColor -define png:color-type=2 "$out"
