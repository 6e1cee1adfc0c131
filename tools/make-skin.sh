#!/usr/bin/env bash
# Draws Tamsel's skin images (data/images/*.png) and the bitmap resources of
# the program (app/res/*.bmp, *.ico, *.cur) with ImageMagick. The results are
# committed; the build does not run this.
#   apt-get install -y imagemagick
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
img="$root/data/images"
res="$root/app/res"
mkdir -p "$img" "$res"
im=/usr/bin/convert
[ -x "$im" ] || im=$(command -v convert)

# png ARGS... OUT: the last argument is the output name.
mk() {
    local out=$1; shift
    "$im" "$@" -strip -define png:exclude-chunks=date,time "PNG32:$img/$out"
}

# Header and bottom bar: a soft blue gradient, repeated down and stretched across.
mk bg_main.png -size 16x82 gradient:'#e8f0fb-#b9cfec'
mk TitleBarBg.png -size 8x30 gradient:'#3a78c8-#1f4f96'
# Main menu: the logo tile and the product name beside it.
mk reg-product-title.png -size 96x72 xc:none -fill '#2a63b8' -draw 'roundrectangle 14,2 82,70 16,16' \
    -fill white -font DejaVu-Sans-Bold -pointsize 44 -gravity center -annotate +0+0 'T' \
    -fill '#2f9e44' -draw 'circle 72,60 72,50' -fill none -stroke white -strokewidth 3 -draw 'polyline 66,60 71,65 78,55'
mk product_name.png -size 320x56 xc:none -fill '#1c3f7a' -font DejaVu-Sans-Bold -pointsize 30 \
    -gravity northwest -annotate +0+0 'Tamsel' -fill '#3a78c8' -font DejaVu-Sans -pointsize 14 -annotate +2+38 'Registry Cleaner'
mk Child_title_logo.png -size 64x64 xc:none -fill '#2a63b8' -draw 'roundrectangle 4,4 59,59 12,12' \
    -fill white -font DejaVu-Sans-Bold -pointsize 34 -gravity center -annotate +0+0 'T'
mk subnavi-left.png -size 12x24 gradient:'#d7e3f4-#a9c2e6'
mk subnavi-middle.png -size 8x24 gradient:'#d7e3f4-#a9c2e6'
mk subnavi-right.png -size 20x24 gradient:'#d7e3f4-#a9c2e6'
mk banner-button-bg.png -size 8x24 gradient:'#f4f8fd-#d3e1f3'
mk bn_menu_help_little.png -size 59x24 gradient:'#f4f8fd-#d3e1f3' -fill '#2a63b8' \
    -draw 'circle 13,12 13,5' -fill white -font DejaVu-Sans-Bold -pointsize 11 -gravity west -annotate +10+0 '?'
mk 'Navigation Green Left.png' -size 98x24 gradient:'#f4f8fd-#d3e1f3' -fill '#2f9e44' \
    -draw 'polygon 7,12 17,5 17,19'
# Bottom-bar buttons: flat faces, distinct normal, hover and pressed looks.
mk child_bt_bk_nomal.png -size 8x32 gradient:'#3f7fd0-#2a5fa8'
mk child_bt_bk_on.png -size 8x32 gradient:'#5b9ae6-#3a78c8'
mk child_bt_bk_down.png -size 8x32 gradient:'#1f4f96-#2a5fa8'
mk bg_right.png -size 16x515 gradient:'#ffffff-#eef3fa'
# Main menu "About" and "Help": a rounded face with the symbol left of the caption.
corner() {  # out symbol-colour symbol x-offset
    mk "$1" -size 96x40 xc:none -fill '#eef4fc' -stroke '#9fbbe3' -draw 'roundrectangle 0.5,0.5 95.5,39.5 8,8' \
        -stroke none -fill "$2" -draw 'circle 21,20 21,10' -fill white -font DejaVu-Sans-Bold -pointsize 14 \
        -gravity west -annotate "+$4+0" "$3"
}
corner bn_menu_about.png '#2a63b8' i 18
corner bn_menu_help.png '#2f9e44' '?' 16
mk new_main_right_separator1.png -size 2x120 xc:'#c9d8ee'
mk new_main_right_separator2.png -size 400x2 xc:'#c9d8ee'
# Main menu group buttons (150 x 40 on screen): the group's name on a normal,
# hover and pressed face.
group() {  # item label
    local text=(-font DejaVu-Sans-Bold -pointsize 14 -gravity west -annotate +34-2 "$2")
    mk "left_$1_normal.png" -size 200x44 gradient:'#eef4fc-#d6e3f5' -fill '#b9cfec' -draw 'rectangle 0,43 199,43' \
        -fill '#2a63b8' -draw 'circle 18,20 18,13' -fill '#1c3f7a' "${text[@]}"
    mk "left_$1_on.png" -size 200x44 gradient:'#ffffff-#c3d7f2' -fill '#8fb1e0' -draw 'rectangle 0,43 199,43' \
        -fill '#3a78c8' -draw 'circle 18,20 18,13' -fill '#2a63b8' "${text[@]}"
    mk "left_$1_down.png" -size 200x44 gradient:'#5b9ae6-#2a5fa8' -fill white -draw 'circle 18,20 18,13' "${text[@]}"
}
group ScanAdClean 'Scan & Clean'
group Optimize Optimize
group Manage Manage
group Options Options
# Main menu entry icons: a rounded 64 x 64 tile with a white symbol.
icon() {  # out colour draw-args...
    local out=$1 colour=$2; shift 2
    mk "$out" -size 64x64 xc:none -fill "$colour" -draw 'roundrectangle 3,3 60,60 13,13' "$@"
}
icon new_main_right_scan.png '#2a63b8' -fill none -stroke white -strokewidth 6 -draw 'circle 28,28 28,14' \
    -strokewidth 8 -draw 'line 39,39 49,49'
icon new_main_right_restore.png '#2f9e44' -fill none -stroke white -strokewidth 6 -draw 'arc 16,16 48,48 205,475' \
    -stroke none -fill white -draw 'polygon 7,25 27,25 17,37'
icon new_main_right_ignore.png '#e8890c' -fill white -draw 'rectangle 13,15 40,19' -draw 'rectangle 13,25 34,29' \
    -draw 'rectangle 13,35 28,39' -draw 'rectangle 13,45 26,49' \
    -fill none -stroke white -strokewidth 4 -draw 'circle 42,42 42,31' -draw 'line 35,35 49,49'
icon new_main_right_security.png '#6a4fb6' -fill white \
    -draw 'path "M 32,10 L 50,17 L 50,31 C 50,43 42,51 32,55 C 22,51 14,43 14,31 L 14,17 Z"' \
    -fill none -stroke '#6a4fb6' -strokewidth 5 -draw 'polyline 23,32 30,39 42,25'
# 16 x 16 status icons.
mk check-green-16x16.png -size 16x16 xc:none -fill '#2f9e44' -draw 'circle 7.5,7.5 7.5,0.5' \
    -stroke white -strokewidth 2 -fill none -draw 'polyline 4,8 7,11 12,5'
mk warning-16x16.png -size 16x16 xc:none -fill '#f0a500' -draw 'polygon 7.5,0.5 15,15 0,15' \
    -fill black -draw 'rectangle 7,5 8,10' -draw 'rectangle 7,12 8,13'
mk scanning-16x16.png -size 16x16 xc:none -stroke '#2a63b8' -strokewidth 2 -fill none \
    -draw 'circle 6.5,6.5 6.5,1.5' -draw 'line 10,10 14,14'
# 48 x 48 message box icons.
mk warning-48x48.png -size 48x48 xc:none -fill '#f0a500' -draw 'polygon 24,2 46,44 2,44' \
    -fill black -draw 'rectangle 22,14 26,32' -draw 'rectangle 22,36 26,40'
mk 'Symbol Information_48x48.png' -size 48x48 xc:none -fill '#2a63b8' -draw 'circle 23.5,23.5 23.5,2' \
    -fill white -draw 'rectangle 21,20 26,38' -draw 'circle 23.5,13 23.5,10'

# Resources: caption buttons (minimise and close side by side), icon, cursor.
cap() {  # out minimise-colour close-colour
    "$im" -size 68x15 xc:'#2a5fa8' \
        -fill "$2" -draw 'rectangle 1,1 35,13' -fill "$3" -draw 'rectangle 32,1 66,13' \
        -stroke white -strokewidth 2 -draw 'line 13,10 22,10' -draw 'line 45,3 53,11' -draw 'line 53,3 45,11' \
        -type TrueColor "BMP3:$res/$1"
}
cap caption.bmp '#3a78c8' '#3a78c8'
cap caption-close-hot.bmp '#3a78c8' '#d9463a'
cap caption-min-hot.bmp '#5b9ae6' '#3a78c8'
"$im" "$img/Child_title_logo.png" -define icon:auto-resize=48,32,16 "$res/Tamsel.ico"
"$im" -size 32x32 xc:none -fill white -stroke black -strokewidth 1 \
    -draw 'polygon 10,1 14,1 14,12 26,14 26,28 10,28 4,16 10,16' "ICO:$res/hand.cur"
# ImageMagick writes an icon; a cursor is the same file with type 2 and the
# hot spot (12, 1) in place of the planes and bit count of its one entry.
python3 - "$res/hand.cur" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<H", data, 2, 2)
struct.pack_into("<HH", data, 6 + 4, 12, 1)
open(sys.argv[1], "wb").write(data)
PY
echo "skin written to $img and $res"
