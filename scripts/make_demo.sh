#!/bin/bash
# Writes a demo folder with samples of the file types Zuv renders.
set -euo pipefail
out=$1
mkdir -p "$out/サブフォルダ"
cd "$out"
convert=/usr/bin/convert
if [ ! -f photo.jpg ]; then
    $convert -size 640x480 gradient:'#3a7bd5-#00d2ff' -fill '#ffd000' -draw 'circle 480,120 530,120' \
        -fill '#2e7d32' -draw 'ellipse 320,520 420,180 0,360' photo.jpg
    $convert -size 300x200 xc:none -fill '#e53935' -draw 'roundrectangle 20,20 280,180 30,30' logo.png
    $convert -size 200x300 plasma:fractal -blur 0x2 tall.gif
    $convert -size 256x256 pattern:checkerboard tiles.bmp
    printf 'Zuv のデモフォルダです。\r\n一行目\r\n二行目\r\n' >readme.txt
    printf '<html><body><h1>Zuv</h1><p>HTML sample</p></body></html>\n' >page.html
    python3 - <<'PY'
import zipfile
with zipfile.ZipFile("document.docx", "w") as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr("word/document.xml", '<?xml version="1.0" encoding="UTF-8"?>'
               '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>'
               '<w:p><w:r><w:t>DOCX の見本です。</w:t></w:r></w:p>'
               '<w:p><w:r><w:t>Second paragraph.</w:t></w:r></w:p></w:body></w:document>')
with zipfile.ZipFile("pictures.zip", "w") as z:
    z.write("logo.png")
pdf = b"%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n" \
      b"2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n" \
      b"3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >> endobj\n" \
      b"trailer << /Root 1 0 R >>\n%%EOF\n"
open("sample.pdf", "wb").write(pdf)
PY
    if command -v ffmpeg >/dev/null; then
        ffmpeg -loglevel error -y -f lavfi -i testsrc=duration=5:size=320x240:rate=25 -pix_fmt yuv420p clip.mp4 || true
    fi
fi
# An MP3 whose ID3 tag holds a front cover, which is what the MP3 renderer
# shows; a tone.mp3 of an older demo without one is made again.
if command -v ffmpeg >/dev/null &&
    ! ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 tone.mp3 2>/dev/null | grep -q .; then
    cover=$(mktemp --suffix=.png)
    $convert -size 240x240 radial-gradient:'#ffca28-#e65100' -fill '#263238' -draw 'circle 120,120 120,40' \
        -fill '#ffca28' -draw 'circle 120,120 120,108' -depth 8 "PNG24:$cover"
    ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=3 -i "$cover" -map 0:a -map 1:v \
        -c:a libmp3lame -b:a 64k -c:v copy -disposition:v attached_pic -id3v2_version 3 -metadata title="Zuv tone" \
        -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" tone.mp3 || true
    rm -f "$cover"
fi
# Fonts from Debian's packages, and WOFF and WOFF2 files made of one of them.
if [ ! -f serif.ttf ] && [ -f /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf ]; then
    cp /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf serif.ttf
    [ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] && cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf gothic.ttf
    cp /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf mono.ttf
    command -v sfnt2woff >/dev/null && sfnt2woff mono.ttf
    command -v woff2_compress >/dev/null && woff2_compress serif.ttf >/dev/null 2>&1 && mv serif.woff2 serif2.woff2
fi
# Archives that the 7-Zip built with the libraries opens: a text member
# first, then the picture that becomes the thumbnail.
if [ ! -f pictures.7z ] && command -v 7zz >/dev/null; then
    7zz a -bso0 -bsp0 pictures.7z readme.txt tall.gif
fi
if [ ! -f pictures.cab ] && command -v gcab >/dev/null; then
    gcab -c -z pictures.cab readme.txt tiles.bmp
fi
