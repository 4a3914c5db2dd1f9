#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick into data/pictures/, and the larger desktop icons
# from tarnme.svg with rsvg-convert (librsvg2-bin). The PNG files are kept in the repository, so
# the build needs neither; run this after changing a drawing.
set -euo pipefail
cd "$(dirname "$0")/pictures"
convert=/usr/bin/convert

# The 16 colours of the classic 4-bit palette, for the window icon.
"$convert" -size 1x1 \
    xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
    xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
    xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append palette16.png
trap 'rm -f palette16.png' EXIT

# Keeps the drawing in the 16 colours, with fully transparent or fully opaque pixels only.
to16() {
    "$convert" "$1" -channel A -threshold 50% +channel +dither -remap palette16.png "PNG8:$2"
}

# Window icon, 32 x 32: a mountain lake (a tarn) under a blue sky, a sound wave on the water.
"$convert" -size 32x32 xc:none \
    -fill '#000080' -draw 'roundrectangle 0,0 31,31 5,5' \
    -fill '#0000ff' -draw 'roundrectangle 2,2 29,19 3,3' \
    -fill '#808080' -draw 'polygon 2,19 11,6 16,12 21,8 29,19' \
    -fill '#ffffff' -draw 'polygon 11,6 8,10 10,9 12,10 13,8' \
    -fill '#ffffff' -draw 'polygon 21,8 19,11 21,10 23,11' \
    -fill '#008080' -draw 'rectangle 2,19 29,29' \
    -fill none -stroke '#ffff00' -strokewidth 2 \
    -draw 'path "M 4,24 Q 7,19 10,24 T 16,24 T 22,24 T 28,24"' \
    icon32-draft.png
to16 icon32-draft.png icon32.png

# Window icon, 16 x 16: the same picture with fewer details.
"$convert" -size 16x16 xc:none \
    -fill '#000080' -draw 'roundrectangle 0,0 15,15 2,2' \
    -fill '#0000ff' -draw 'rectangle 1,1 14,9' \
    -fill '#808080' -draw 'polygon 1,9 5,3 8,6 10,4 14,9' \
    -fill '#ffffff' -draw 'point 5,3' -draw 'point 10,4' \
    -fill '#008080' -draw 'rectangle 1,9 14,14' \
    -fill '#ffff00' -draw 'point 2,12' -draw 'point 3,11' -draw 'point 4,11' -draw 'point 5,12' \
    -draw 'point 6,13' -draw 'point 7,13' -draw 'point 8,12' -draw 'point 9,11' \
    -draw 'point 10,11' -draw 'point 11,12' -draw 'point 12,13' -draw 'point 13,13' \
    icon16-draft.png
to16 icon16-draft.png icon16.png
rm -f icon32-draft.png icon16-draft.png

# Desktop icons for large views: the window icon's design in tarnme.svg, to scale.
for size in 48 64 128 256; do
    /usr/bin/rsvg-convert --width "$size" --height "$size" tarnme.svg --output "icon$size.png"
done

# The About picture, 74 x 144: a tall view of a tarn at dusk, a waveform rising from the water.
"$convert" -size 74x144 gradient:'#1c2a5c-#f0a860' \
    \( -size 74x56 gradient:'#3a5a8a-#0a1830' \) -geometry +0+88 -composite \
    -fill '#fff6d0' -draw 'circle 54,30 54,36' \
    -fill '#3c4660' -draw 'polygon 0,88 0,58 14,44 26,60 40,38 56,62 66,52 74,60 74,88' \
    -fill '#e8ecf4' -draw 'polygon 40,38 34,47 39,45 42,48 46,44' \
    -fill '#e8ecf4' -draw 'polygon 14,44 10,49 14,48 17,50' \
    -fill '#2a3248' -draw 'polygon 0,88 0,72 20,64 34,76 52,66 74,80 74,88' \
    -fill '#26344e' -draw 'polygon 0,88 74,88 74,100 0,96' \
    -stroke '#f8d878' -strokewidth 1 \
    -draw 'line 6,116 6,120' -draw 'line 10,112 10,124' -draw 'line 14,106 14,130' \
    -draw 'line 18,110 18,126' -draw 'line 22,102 22,134' -draw 'line 26,108 26,128' \
    -draw 'line 30,114 30,122' -draw 'line 34,104 34,132' -draw 'line 38,98 38,138' \
    -draw 'line 42,106 42,130' -draw 'line 46,112 46,124' -draw 'line 50,108 50,128' \
    -draw 'line 54,114 54,122' -draw 'line 58,110 58,126' -draw 'line 62,115 62,121' \
    -draw 'line 66,117 66,119' \
    -stroke '#fff6d0' -draw 'line 48,94 60,94' -draw 'line 50,98 58,98' \
    -stroke '#808080' -fill none -draw 'rectangle 0,0 73,143' \
    -depth 8 about.png

# The mail picture, 24 x 24: a sealed envelope.
"$convert" -size 24x24 xc:none \
    -fill '#fdf8e4' -stroke '#505050' -strokewidth 1 -draw 'rectangle 2,5 21,18' \
    -fill '#ece4c4' -draw 'polygon 2,5 12,13 21,5' \
    -fill none -draw 'line 2,18 9,11' -draw 'line 21,18 14,11' \
    -fill '#c02020' -stroke '#801010' -draw 'circle 12,13 12,15' \
    -depth 8 mail.png

# The web picture, 20 x 20: a globe with meridians and two continents.
"$convert" -size 20x20 xc:none \
    -fill '#3070d0' -stroke '#103070' -strokewidth 1 -draw 'circle 9.5,9.5 9.5,1' \
    -stroke none -fill '#40a040' -draw 'polygon 5,5 9,4 10,8 7,10 5,9' \
    -draw 'polygon 11,11 15,10 15,14 12,16' \
    -fill none -stroke '#c0d8ff' -draw 'ellipse 9.5,9.5 4,8.5 0,360' \
    -draw 'line 1,9.5 18,9.5' -draw 'line 9.5,1 9.5,18' \
    -depth 8 web.png
