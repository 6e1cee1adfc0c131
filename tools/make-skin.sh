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
mk reg-product-title.png -size 260x40 xc:none -fill '#1c3f7a' -font DejaVu-Sans-Bold -pointsize 24 \
    -gravity west -annotate +4+0 'Tamsel'
mk product_name.png -size 260x40 xc:none -fill '#1c3f7a' -font DejaVu-Sans-Bold -pointsize 26 \
    -gravity west -annotate +4+0 'Tamsel'
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
mk bn_menu_about.png -size 80x24 gradient:'#f4f8fd-#d3e1f3'
mk bn_menu_help.png -size 80x24 gradient:'#f4f8fd-#d3e1f3'
mk new_main_right_separator1.png -size 2x120 xc:'#c9d8ee'
mk new_main_right_separator2.png -size 400x2 xc:'#c9d8ee'
for item in ScanAdClean Manage Optimize Options; do
    mk "left_${item}_normal.png" -size 200x44 gradient:'#eef4fc-#d6e3f5'
    mk "left_${item}_on.png" -size 200x44 gradient:'#ffffff-#c3d7f2'
    mk "left_${item}_down.png" -size 200x44 gradient:'#b9cfec-#8fb1e0'
done
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
