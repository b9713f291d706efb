#!/bin/bash
# Times the DOCX renderer on crafted documents whose text never fills the
# page, each with its main part just under the 32 MiB the reader takes:
# runs of zero-width characters, one long zero-width run, empty runs,
# combining marks, empty paragraphs (with text after them or without) and,
# for comparison, ordinary text. Prints the time of each at tile and preview
# size and the worst of all.
# Not a test: it prints figures.
#   scripts/bench_docx.sh
# Needs a build made by ./zuv.sh test (or run) first.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")/.."
source scripts/wine_env.sh

zuv_bench_build bench_docx

work=$BUILD/bench/docx_worst
if [ ! -f "$work/.done" ]; then
    echo "bench: making the crafted DOCX documents" >&2
    rm -rf "$work"
    mkdir -p "$work"
    python3 - "$work" <<'PY'
import sys, zipfile
folder = sys.argv[1]
limit = 32 * 1024 * 1024 - 4096
head = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>')
tail = '</w:body></w:document>'
types = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')
def fill(unit, before='<w:p>', after='</w:p>'):
    room = limit - len((head + before + after + tail).encode())
    return before + unit * (room // len(unit.encode())) + after
zw = '\u200b'
cases = {
    'zero_width_runs': fill('<w:r><w:t>%s</w:t></w:r>' % zw),
    'zero_width_pairs': fill('<w:r><w:t>%s\u2060</w:t></w:r>' % zw),
    'zero_width_one_run': fill(zw, '<w:p><w:r><w:t>', '</w:t></w:r></w:p>'),
    'empty_runs': fill('<w:r><w:t></w:t></w:r>'),
    'combining_marks': fill('<w:r><w:t>\u0301</w:t></w:r>'),
    'empty_paragraphs': fill('<w:p/>', '', ''),
    'empty_paragraphs_then_text': fill('<w:p/>', '', '<w:p><w:r><w:t>Text</w:t></w:r></w:p>'),
    'ordinary_text': fill('<w:p><w:r><w:t>Paragraph of ordinary text. </w:t></w:r></w:p>', '', ''),
}
for name, body in cases.items():
    xml = head + body + tail
    assert len(xml.encode()) <= 32 * 1024 * 1024, name
    with zipfile.ZipFile('%s/%s.docx' % (folder, name), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('[Content_Types].xml', types)
        z.writestr('word/document.xml', xml)
PY
    touch "$work/.done"
fi

zuv_bench_wine
echo "bench: Zuv DOCX renderer under Wine" >&2
zuv_wine_env "$ZUV_WINE64" "$BUILD/tools/bench_docx/bench_docx.exe" "Z:${work//\//\\}" 2>/dev/null
