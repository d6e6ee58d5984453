#!/usr/bin/env bash
# Draws the installer's bitmaps with ImageMagick and writes them beside this
# script as 8-bit palette BMPs (small, and loadable by LoadImage):
#   logo_banner.bmp  200 x 54  product logo on the white banner
#   logo_page.bmp    104 x 93  logo in the framed box of the wizard pages
#   addon_button.bmp 135 x 38  the add-on download button image
#   velto.ico        32 x 32 and 16 x 16  the program's icon
# The artwork is our own: a magnifier and the "Velto" wordmark. The BMPs are
# committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
im=/usr/bin/convert
[ -x "$im" ] || im=convert
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
book=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

dark='rgb(0,64,128)'
mid='rgb(0,128,192)'
navy='rgb(0,0,96)'
lens='rgb(190,228,250)'

bmp() { "$im" "$@" -alpha off -type Palette -colors 128 -compress None "BMP3:${!#}"; }

# Banner logo: magnifier at the left, wordmark and tagline at its right.
"$im" -size 200x54 xc:white \
  -stroke "$dark" -strokewidth 5 -fill "$lens" -draw 'circle 22,22 22,8' \
  -stroke "$dark" -strokewidth 7 -draw 'line 32,33 44,46' \
  -stroke none -fill white -draw 'ellipse 17,16 4,3 0,360' \
  -font "$bold" -pointsize 30 -fill "$dark" -annotate +52+31 'Velto' \
  -font "$book" -pointsize 10 -fill "$mid" -annotate +54+46 'ricerca sul web' \
  -stroke "$navy" -strokewidth 2 -draw 'line 150,10 150,44' \
  -stroke none -font "$bold" -pointsize 9 -fill "$navy" -annotate +156+31 'BROVIK' \
  -alpha off -type Palette -colors 128 -compress None BMP3:logo_banner.bmp

# Page logo: a large magnifier on the box's blue, wordmark below it.
"$im" -size 104x93 "xc:$mid" \
  -stroke white -strokewidth 6 -fill "$lens" -draw 'circle 44,34 44,13' \
  -stroke white -strokewidth 10 -draw 'line 60,50 78,68' \
  -stroke "$dark" -strokewidth 6 -draw 'line 62,52 76,66' \
  -stroke none -fill white -draw 'ellipse 37,27 6,4 0,360' \
  -fill "$dark" -draw 'polygon 35,24 44,44 53,24 48,24 44,34 40,24' \
  -font "$bold" -pointsize 17 -fill white -gravity south -annotate +0+3 'Velto' \
  -alpha off -type Palette -colors 128 -compress None BMP3:logo_page.bmp

# Add-on button: a raised orange button with a download arrow and its text.
"$im" -size 135x38 xc:"$dark" \
  -fill 'rgb(240,140,30)' -stroke 'rgb(120,60,0)' -strokewidth 1 -draw 'roundrectangle 1,1 133,36 8,8' \
  -stroke none -fill 'rgb(250,190,90)' -draw 'roundrectangle 4,3 130,15 6,6' \
  -fill white -draw 'polygon 10,17 22,17 16,27' -draw 'rectangle 13,8 19,17' -draw 'rectangle 9,29 23,31' \
  -font "$bold" -pointsize 11 -fill white -annotate +30+17 'Scarica il' \
  -annotate +30+31 'componente' \
  -alpha off -type Palette -colors 128 -compress None BMP3:addon_button.bmp

# Icon: the magnifier alone, on a transparent ground.
"$im" -size 64x64 xc:none \
  -stroke "$dark" -strokewidth 7 -fill "$lens" -draw 'circle 26,26 26,6' \
  -stroke "$dark" -strokewidth 11 -draw 'line 40,40 58,58' \
  -stroke none -fill white -draw 'ellipse 19,18 6,4 0,360' \
  \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 16x16 \) -delete 0 velto.ico

ls -l velto.ico logo_banner.bmp logo_page.bmp addon_button.bmp
