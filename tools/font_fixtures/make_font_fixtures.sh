#!/bin/bash
# Copies Debian's fonts that the font tests draw and makes WOFF and WOFF2
# files of them with Debian's converters, on the build machine.
# Usage: make_font_fixtures.sh OUTDIR
set -euo pipefail

out=$1
mkdir -p "$out"
cd "$out"
dejavu=/usr/share/fonts/truetype/dejavu
cp "$dejavu/DejaVuSans.ttf" sans.ttf
cp "$dejavu/DejaVuSerif.ttf" serif.ttf
cp "$dejavu/DejaVuSansMono.ttf" mono.ttf
cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf gothic.ttf
# Both converters write beside their input, named after it.
sfnt2woff sans.ttf
woff2_compress sans.ttf >/dev/null 2>&1
touch stamp
