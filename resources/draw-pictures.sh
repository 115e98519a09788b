#!/usr/bin/env bash
# Draws every picture of the wizard with ImageMagick into OUTDIR:
#   banner.bmp 153x401        the main window's left banner
#   splash.jpg 601x371        the splash background
#   spl_*.png 32x32           the splash's named pictures
#   arrow_right16.png, arrow_left16.png, check16.png, cross16.png   button glyphs
#   finish_banner.bmp 406x197, logo.png 550x170, check128.png   the final page
#   install.ico               the program's icon
# Small pictures are drawn four times larger and scaled down, which gives
# them smooth edges. Usage: draw-pictures.sh CONVERT OUTDIR
set -euo pipefail
convert=${1:?usage: draw-pictures.sh CONVERT OUTDIR}
out=${2:?usage: draw-pictures.sh CONVERT OUTDIR}
mkdir -p "$out"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
font_book=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
c() { "$convert" "$@"; }

# Button glyphs: 64x64 drawings scaled to 16x16.
glyph() {  # name, draw commands...
  local name=$1; shift
  c -size 64x64 xc:none "$@" -resize 16x16 "PNG32:$out/$name.png"
}
glyph arrow_right16 -fill '#1E9E3A' -stroke '#0F6A24' -strokewidth 3 \
  -draw 'polygon 6,22 32,22 32,6 60,32 32,58 32,42 6,42'
glyph arrow_left16 -fill '#1E9E3A' -stroke '#0F6A24' -strokewidth 3 \
  -draw 'polygon 58,22 32,22 32,6 4,32 32,58 32,42 58,42'
glyph check16 -fill none -stroke '#1FAF45' -strokewidth 12 -draw 'polyline 8,34 26,52 58,14'
glyph cross16 -fill none -stroke '#F07A12' -strokewidth 13 -draw 'line 12,12 52,52' -draw 'line 52,12 12,52'

# The splash's named pictures: 128x128 drawings scaled to 32x32.
icon() {
  local name=$1; shift
  c -size 128x128 xc:none "$@" -resize 32x32 "PNG32:$out/spl_$name.png"
}
icon system -fill '#2C5C9A' -stroke '#173A66' -strokewidth 4 -draw 'roundrectangle 10,14 118,86 8,8' \
  -fill '#9FD3FF' -stroke none -draw 'rectangle 20,24 108,76' \
  -fill '#173A66' -draw 'polygon 52,86 76,86 84,108 44,108' -draw 'roundrectangle 30,106 98,116 4,4'
icon package -fill '#C98A3A' -stroke '#7A4E17' -strokewidth 4 -draw 'polygon 64,10 118,36 118,96 64,122 10,96 10,36' \
  -fill '#E3AE63' -draw 'polygon 64,10 118,36 64,62 10,36' \
  -stroke '#7A4E17' -draw 'line 64,62 64,122' -fill '#F5DDAE' -stroke none -draw 'polygon 36,23 92,49 92,62 36,36'
icon register -fill '#3F8F5A' -stroke '#1E5A33' -strokewidth 4 -draw 'rectangle 14,62 58,106' \
  -fill '#5FB47A' -draw 'rectangle 70,62 114,106' -fill '#2E7AB8' -stroke '#174E7A' -draw 'rectangle 42,16 86,60'
icon folders -fill '#E0A526' -stroke '#9A6A0C' -strokewidth 4 -draw 'polygon 10,30 46,30 56,42 118,42 118,108 10,108' \
  -fill '#F6C94C' -draw 'polygon 10,56 118,56 110,108 10,108'
icon files -fill '#FFFFFF' -stroke '#4C6A8C' -strokewidth 4 -draw 'polygon 26,8 82,8 104,30 104,120 26,120' \
  -fill '#C9D8EA' -draw 'polygon 82,8 82,30 104,30' -stroke '#7D9BBE' -strokewidth 5 \
  -draw 'line 40,52 90,52' -draw 'line 40,70 90,70' -draw 'line 40,88 90,88' -draw 'line 40,104 74,104'
icon start -fill '#1FAF45' -stroke '#0F6A24' -strokewidth 4 -draw 'circle 64,64 64,8' \
  -fill white -stroke none -draw 'polygon 50,36 94,64 50,92'

# The main window's banner: deep blue with light rings and the maker's name.
c -size 153x401 gradient:'#0E2C55-#1C6FB5' \
  \( -size 153x401 xc:none -fill none -stroke 'rgba(255,255,255,0.12)' -strokewidth 14 \
     -draw 'circle 150,330 150,230' -strokewidth 6 -draw 'circle 10,70 10,10' \) -composite \
  -fill 'rgba(255,255,255,0.95)' -font "$font" -pointsize 46 -gravity north -annotate +0+26 'V' \
  -fill '#F6B133' -stroke none -draw 'rectangle 46,92 107,96' \
  -fill white -font "$font" -pointsize 15 -gravity north -annotate +0+108 'VELMORAK' \
  -fill 'rgba(255,255,255,0.85)' -font "$font_book" -pointsize 10 -annotate +0+128 'Software' \
  -fill white -font "$font" -pointsize 14 -gravity south -annotate +0+46 'Kolvane Pro' \
  -fill 'rgba(255,255,255,0.8)' -font "$font_book" -pointsize 11 -annotate +0+28 'version 5.6 build 1' \
  -type TrueColor "BMP3:$out/banner.bmp"

# The splash background: night blue with soft light, a frame and the mark.
c -size 601x371 gradient:'#0B2344-#1A5E9E' \
  \( -size 601x371 xc:none -fill 'rgba(133,201,241,0.10)' -draw 'circle 520,60 520,-120' \
     -fill 'rgba(255,255,255,0.06)' -draw 'circle 80,420 80,200' -blur 0x6 \) -composite \
  -fill 'rgba(255,255,255,0.10)' -draw 'rectangle 0,236 601,371' \
  -fill none -stroke 'rgba(255,255,255,0.35)' -strokewidth 1 -draw 'rectangle 0,0 600,370' \
  -fill '#F6B133' -stroke none -draw 'rectangle 20,62 200,65' \
  -fill 'rgba(255,255,255,0.55)' -font "$font_book" -pointsize 11 -gravity southeast \
  -annotate +14+10 '© Software VELMORAK' -quality 92 "$out/splash.jpg"

# The final page's banner (only its lower part shows) and the maker's logo.
c -size 406x197 gradient:'#FFFFFF-#DCEBFA' \
  -fill none -stroke '#B9D6F2' -strokewidth 6 -draw 'bezier 0,170 120,120 260,200 406,140' \
  -stroke '#9CC6EE' -strokewidth 3 -draw 'bezier 0,186 140,150 250,205 406,165' \
  -type TrueColor "BMP3:$out/finish_banner.bmp"
c -size 550x170 xc:none \
  -fill '#1C6FB5' -draw 'roundrectangle 10,20 140,150 24,24' \
  -fill white -font "$font" -pointsize 110 -gravity northwest -annotate +32+14 'V' \
  -fill '#F6B133' -draw 'rectangle 160,112 520,118' \
  -fill '#0E2C55' -font "$font" -pointsize 64 -annotate +158+24 'VELMORAK' \
  -fill '#4C6A8C' -font "$font_book" -pointsize 26 -annotate +162+122 'Software' "PNG32:$out/logo.png"
c -size 512x512 xc:none -fill '#1FAF45' -draw 'circle 256,256 256,16' \
  -fill '#3CCB63' -draw 'circle 256,236 256,40' -fill none -stroke white -strokewidth 56 \
  -draw 'polyline 136,266 226,356 384,178' -resize 128x128 "PNG32:$out/check128.png"

c -size 256x256 xc:none -fill '#1C6FB5' -draw 'roundrectangle 8,8 248,248 44,44' \
  -fill white -font "$font" -pointsize 190 -gravity center -annotate +0+6 'V' \
  -define icon:auto-resize=48,32,16 "$out/install.ico"
