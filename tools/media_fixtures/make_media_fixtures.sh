#!/bin/bash
# Makes the image, audio and video files that the renderer tests decode,
# with ImageMagick and ffmpeg on the build machine (a Linux program started
# from Wine gives the tests no process handle to wait for).
# Usage: make_media_fixtures.sh OUTDIR
set -euo pipefail

out=$1
mkdir -p "$out"
cd "$out"
IM=/usr/bin/convert
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Sizes for the fitting rule.
for s in 300x200 200x300 49x7 64x32 1x1 1000x3; do
    $IM -size "$s" xc:'#336699' "PNG24:size_$s.png"
done

# One format each; 12 x 8, left half red, right half blue.
halves() { $IM -size 6x8 xc:red -size 6x8 xc:blue +append "$@"; }
halves halves.png
halves -quality 100 halves.jpg
halves -quality 100 -interlace JPEG halves_progressive.jpg
halves halves.gif
halves BMP3:halves.bmp
halves -depth 8 -compress none halves.tif
halves -define webp:lossless=true halves.webp
halves halves.ico

# Rows run top to bottom: red above blue.
$IM -size 3x1 xc:red -size 3x1 xc:blue -append PNG24:rows.png

# Straight alpha: a half-transparent red and a fully transparent green.
$IM -size 1x1 xc:'#FF000080' xc:'#00FF0000' +append PNG32:alpha.png
# A picture with transparent and half-transparent areas that reach its
# edges: 64 x 32 in columns of 16, clear, red at half, red, red at half.
$IM -size 16x32 xc:none xc:'#FF000080' xc:red xc:'#FF000080' +append PNG32:half_alpha.png

# Only frame, page or entry 0 counts.
$IM -size 10x6 xc:red -size 10x6 xc:blue -delay 10 -loop 0 frames.gif
$IM -size 10x6 xc:lime -size 20x20 xc:blue -depth 8 -compress none pages.tif
$IM -size 16x16 xc:red -size 32x32 xc:blue -size 48x48 xc:lime entries.ico

# Small covers for the ID3 tests.
$IM -size 4x4 xc:red PNG24:cover_red.png
$IM -size 4x4 xc:blue PNG24:cover_blue.png
$IM -size 3x5 xc:lime -quality 100 cover_green.jpg

# A photo-sized JPEG for the whole image step.
$IM -size 300x200 gradient:white-black -quality 90 photo_300x200.jpg

# 3.53 s of silent MPEG audio frames without any tag.
ff -f lavfi -i anullsrc=r=44100:cl=mono -t 3.53 -c:a libmp3lame -b:a 32k \
    -id3v2_version 0 -write_xing 0 -f mp3 silence.mp3

# Videos whose grey level tells the second they were taken at: luma
# 20 + 2 x second, one key frame a second.
for d in 10 90; do
    src="color=c=black:s=64x48:r=10:d=$d,format=yuv420p,geq=lum='20+2*floor(T)':cb=128:cr=128"
    ff -f lavfi -i "$src" -c:v libx264 -g 10 -crf 8 -pix_fmt yuv420p "seconds_$d.mp4"
    ff -f lavfi -i "$src" -c:v mpeg4 -g 10 -q:v 2 "seconds_$d.avi"
    ff -f lavfi -i "$src" -c:v libvpx -g 10 -crf 4 -b:v 1M "seconds_$d.webm"
done

# Four coloured quarters (red, lime / blue, white), at full HD and at a
# width that is no multiple of four.
quarters() {
    local w1=$1 w2=$2 h=$3 name=$4
    ff -f lavfi -i "color=c=red:s=${w1}x$h:r=10:d=2[a];color=c=lime:s=${w2}x$h:r=10:d=2[b];color=c=blue:s=${w1}x$h:r=10:d=2[c];color=c=white:s=${w2}x$h:r=10:d=2[d];[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack" \
        -c:v libx264 -crf 8 -pix_fmt yuv420p "$name"
}
quarters 960 960 540 quarters_1920x1080.mp4
quarters 26 24 20 quarters_50x40.mp4

touch stamp
