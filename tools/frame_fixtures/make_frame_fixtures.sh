#!/bin/bash
# Makes the animated GIF, APNG and WebP files and the icon files that the
# frame tests read, and, as PNG files, the frames of each animation as
# ImageMagick (GIF, WebP) and ffmpeg (APNG) compose them, one per frame.
# Usage: make_frame_fixtures.sh OUTDIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"
IM=/usr/bin/convert

# Frames used by every format: opaque colours and fully transparent rows,
# so the compositions compare exactly.
$IM -size 20x20 xc:red PNG32:f0.png
$IM -size 8x8 xc:blue PNG32:f1.png
$IM -size 8x3 xc:lime -size 8x2 xc:none -size 8x3 xc:lime -append PNG32:f2.png
$IM -size 6x2 xc:yellow -size 6x2 xc:none -size 6x2 xc:yellow -append PNG32:f3.png

# GIF: every disposal, offsets, delays of 100, 30, 0 and 500 ms.
$IM -dispose none -delay 10 -page 20x20+0+0 f0.png \
    -dispose background -delay 3 -page 20x20+2+3 f1.png \
    -dispose previous -delay 0 -page 20x20+10+10 f2.png \
    -dispose none -delay 50 -page 20x20+4+4 f3.png \
    -loop 0 anim.gif
$IM anim.gif -coalesce PNG32:anim_gif_%d.png
$IM -size 6x4 xc:red still.gif
# A first frame smaller than the canvas, which is padded around it.
$IM -dispose none -delay 10 -page 18x18+0+0 f1.png -page 18x18+10+10 f1.png -loop 0 padded.gif
# The source of a GIF87a animation without graphic control blocks: red,
# then blue over the left half, then lime over the right half.
$IM -size 20x20 xc:red PNG32:g0.png
$IM -size 10x20 xc:blue PNG32:g1.png
$IM -size 10x20 xc:lime PNG32:g2.png
$IM -page 20x20+0+0 g0.png -page 20x20+0+0 g1.png -page 20x20+10+0 g2.png gif87a_src.gif

# WebP: disposal to the background, with and without blending.
for i in 0 1 2 3; do cwebp -quiet -lossless -exact "f$i.png" -o "f$i.webp"; done
webpmux -frame f0.webp +100+0+0+0+b -frame f1.webp +40+2+4+1-b \
    -frame f2.webp +0+10+10+0+b -frame f3.webp +70+4+4+1-b -loop 0 -o anim.webp >/dev/null 2>&1
$IM anim.webp -coalesce PNG32:anim_webp_%d.png
$IM -size 12x8 xc:red -size 12x8 xc:blue -append PNG32:still_src.png
cwebp -quiet -lossless still_src.png -o still.webp

# APNG, written chunk by chunk; and a multi-entry icon with a PNG entry.
$IM -size 16x16 xc:red -size 32x32 xc:blue ICO:bitmap_entries.ico
$IM -size 24x24 xc:lime PNG32:entry_png.png
python3 "$here/make_chunked_files.py" "$out"
for f in apng_ops apng_hidden; do
    ffmpeg -nostdin -hide_banner -loglevel error -y -f apng -i "$f.png" -vsync passthrough \
        -pix_fmt rgba "${f}_%d.png"
done

rm -f f?.png f?.webp g?.png still_src.png gif87a_src.gif
touch stamp
