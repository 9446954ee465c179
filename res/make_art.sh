#!/usr/bin/env bash
# Draws the icon (16, 32 and 48 px for the window, up to 256 px for the desktop
# menu) and the 100 x 55 logo of the main window with ImageMagick. The PNGs are
# committed; run this only to redraw them.
set -euo pipefail
cd "$(dirname "$0")"

font=DejaVu-Sans-Bold

# The icon: a blue tile with a white "B" and an orange bar, the data going down
# the line. Drawn at 8x and scaled down so the small sizes stay smooth.
icon() {
  local size=$1 big=$(( $1 * 8 ))
  convert -size ${big}x${big} xc:'#1d4f91' \
    -fill '#f39a1e' -draw "rectangle 0,$(( big * 13 / 16 )) ${big},${big}" \
    -fill white -font "$font" -pointsize $(( big * 3 / 4 )) \
    -gravity center -annotate +0-$(( big / 16 )) 'B' \
    -resize ${size}x${size} -background '#1d4f91' -alpha remove -alpha off \
    -define png:color-type=2 PNG24:"icon${size}.png"
}
for size in 16 32 48 64 128 256; do
  icon $size
done

# The logo: the icon's colours, the program's name and a row of hex pairs.
convert -size 400x220 gradient:'#2a64b0'-'#123763' \
  -fill '#f39a1e' -draw 'rectangle 0,178 400,220' \
  -fill white -font "$font" -pointsize 88 -gravity north -annotate +0+22 'Brenvik' \
  -fill '#1d2f4f' -font DejaVu-Sans-Mono-Bold -pointsize 30 -gravity south -annotate +0+4 '02 52FF80 03' \
  -resize 100x55! -alpha off -define png:color-type=2 PNG24:logo.png

# For the Windows build: the icon in one .ico (16 to 256 px; the largest kept
# as PNG inside it) and the logo as a 24-bit bitmap, which is what a dialog's
# static bitmap takes.
convert icon16.png icon32.png icon48.png icon64.png icon128.png icon256.png brenvik.ico
convert logo.png -type TrueColor BMP3:logo.bmp
