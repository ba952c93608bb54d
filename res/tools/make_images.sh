#!/bin/sh
# Draws the program's pictures: the dialog banner (bitmap 104), the splash (bitmap 135) and the
# window icon (icon 101, as .ico for Windows and .png for GTK). The outputs are committed; run this
# only after changing a picture. Needs ImageMagick, icoutils and the DejaVu fonts.
set -eu
cd "$(dirname "$0")/.."
out=images
mkdir -p "$out"

# The ImageMagick binary itself, not a wrapper that may stand earlier in PATH.
im=/usr/bin/convert-im6.q16
[ -x "$im" ] || im=/usr/bin/convert
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
book=$fonts/DejaVuSans.ttf

dark='#0b2545'
mid='#13315c'
accent='#e0a526'
pale='#8da9c4'

# The mark: a gold disc with a white "K", drawn at any size. $1 size, $2 output.
mark() {
  # sh functions share their variables with the caller, hence the names of their own.
  ms=$1
  r=$((ms / 2 - 1))
  c=$((ms / 2))
  pt=$((ms * 62 / 100))
  "$im" -size "${ms}x${ms}" xc:none \
    -fill "$accent" -draw "circle $c,$c $c,$((c - r))" \
    -fill white -font "$bold" -pointsize "$pt" -gravity center -annotate +0+0 'K' \
    -strip "$2"
}

# Windows loads only the classic bitmap layout: BMP3, 24 bits, no alpha.
bmp3() { "$im" "$1" -background "$dark" -alpha remove -alpha off -type TrueColor -strip "BMP3:$2"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Banner, 136 x 317: a vertical gradient with the mark and the product name stacked.
mark 72 "$tmp/mark72.png"
"$im" -size 136x317 "gradient:$mid-$dark" \
  "$tmp/mark72.png" -gravity north -geometry +0+28 -composite \
  -fill white -font "$bold" -pointsize 17 -gravity north -annotate +0+118 'Kestrix' \
  -fill white -font "$book" -pointsize 13 -annotate +0+142 'Enterprise' \
  -fill "$accent" -draw 'rectangle 28,168 108,169' \
  -fill "$pale" -font "$book" -pointsize 11 -annotate +0+180 'Configuration' \
  -annotate +0+196 'Tool' \
  -fill "$pale" -font "$book" -pointsize 9 -gravity south -annotate +0+14 'Version 2.1' \
  "$tmp/banner.png"
bmp3 "$tmp/banner.png" "$out/banner_104.bmp"

# Splash, 320 x 240: the mark beside the full product name, shown while the editor is unpacked.
mark 64 "$tmp/mark64.png"
"$im" -size 320x240 "gradient:$mid-$dark" \
  -fill "$accent" -draw 'rectangle 0,0 319,3' \
  "$tmp/mark64.png" -gravity northwest -geometry +24+40 -composite \
  -fill white -font "$bold" -pointsize 24 -gravity northwest -annotate +100+44 'Kestrix' \
  -font "$book" -pointsize 16 -annotate +100+76 'Enterprise' \
  -fill "$accent" -draw 'rectangle 24,124 295,125' \
  -fill white -font "$book" -pointsize 15 -annotate +24+136 'Kestrix Enterprise' \
  -annotate +24+158 'Configuration Tool' \
  -fill "$pale" -font "$book" -pointsize 10 -annotate +24+206 'Version 2.1   Preparing the preference editor...' \
  "$tmp/splash.png"
bmp3 "$tmp/splash.png" "$out/splash_135.bmp"

# Icon in the three sizes Windows picks from; GTK takes the largest as PNG.
for s in 16 32 48; do
  "$im" -size "${s}x${s}" xc:none \
    -fill "$dark" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $((s / 6)),$((s / 6))" \
    "$tmp/ground$s.png"
  mark "$((s - s / 8))" "$tmp/m$s.png"
  "$im" "$tmp/ground$s.png" "$tmp/m$s.png" -gravity center -composite \
    -define png:exclude-chunks=date,time -strip "PNG32:$tmp/icon$s.png"
done
icotool -c -o "$out/icon_101.ico" "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png"
cp "$tmp/icon48.png" "$out/icon_101.png"
