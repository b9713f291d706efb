#!/bin/bash
# Times the worker's font step on 200 fonts (TTF, WOFF and WOFF2 mixed, made
# from Debian's DejaVu fonts) and its DOCX steps on 200 DOCX documents, in
# one process under Wine at thumbnail size 128, and checks what 1,000 font
# samples leave behind. Not a test: it prints figures.
#   scripts/bench_fonts_docx.sh [COUNT]     (default 200 of each)
# Needs a build made by ./zuv.sh test (or run) first.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")/.."
source scripts/wine_env.sh

count=${1:-200}
zuv_bench_build bench_fonts_docx

work=$BUILD/bench/fonts_docx_$count
if [ ! -f "$work/.done" ]; then
    echo "bench: making $count fonts and $count DOCX documents" >&2
    rm -rf "$work"
    mkdir -p "$work/sources"
    # Each source font once in each format; the files are copies of these.
    sources=(/usr/share/fonts/truetype/dejavu/*.ttf)
    for f in "${sources[@]}"; do
        b=$(basename "$f" .ttf)
        cp "$f" "$work/sources/$b.ttf"
        sfnt2woff "$work/sources/$b.ttf"
        woff2_compress "$work/sources/$b.ttf" >/dev/null 2>&1
    done
    formats=(ttf woff woff2)
    for ((i = 0; i < count; i++)); do
        f=${sources[i % ${#sources[@]}]}
        b=$(basename "$f" .ttf)
        ext=${formats[i % 3]}
        cp "$work/sources/$b.$ext" "$work/font_$(printf %04d "$i").$ext"
    done
    # Documents of 1 to 400 paragraphs of mixed Japanese and English runs.
    python3 - "$work" "$count" <<'PY'
import sys, zipfile
folder, count = sys.argv[1], int(sys.argv[2])
head = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>')
types = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')
for i in range(count):
    paragraphs = 1 + (i * 37) % 400
    body = "".join('<w:p><w:r><w:t>段落 %d の本文です。</w:t></w:r><w:r><w:t xml:space="preserve"> Paragraph %d of document %d.</w:t></w:r></w:p>'
                   % (p, p, i) for p in range(paragraphs))
    with zipfile.ZipFile("%s/doc_%04d.docx" % (folder, i), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("word/document.xml", head + body + "</w:body></w:document>")
PY
    touch "$work/.done"
fi

zuv_bench_wine
echo "bench: Zuv font and DOCX steps under Wine" >&2
zuv_wine_env "$ZUV_WINE64" "$BUILD/tools/bench_fonts_docx/bench_fonts_docx.exe" "Z:${work//\//\\}" 128 2>/dev/null
