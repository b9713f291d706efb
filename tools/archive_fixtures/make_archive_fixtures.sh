#!/bin/bash
# Makes the archives that the archive thumbnail tests open through the
# Windows 7-Zip: members are small PNG pictures (red or blue, 4 x 4) and
# text, stored in the order the tests expect them listed.
# Usage: make_archive_fixtures.sh OUTDIR
set -euo pipefail

out=$1
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

IM=/usr/bin/convert
$IM -size 4x4 xc:red PNG24:red.png
$IM -size 4x4 xc:blue PNG24:blue.png
sevenzip() { # archive members...: in the given order, paths as given
    local archive=$1
    shift
    7zz a -bd -bso0 -bsp0 "$out/$archive" "$@"
}
tree() { rm -rf t && mkdir t && cd t; }

# A text member first, then a picture in another folder.
tree
mkdir docs img
printf 'not a picture\r\n' >docs/readme.txt
cp ../red.png img/a.png
sevenzip members.7z docs/readme.txt img/a.png
gcab -c -z "$out/members.cab" docs/readme.txt img/a.png
jlha a "$out/members.lzh" docs/readme.txt img/a.png >/dev/null 2>&1
# The same with names outside ASCII (7-Zip stores names in sorted order).
mkdir 画像
cp docs/readme.txt あ.txt
cp ../red.png 画像/赤.png
sevenzip japanese.7z あ.txt 画像/赤.png
cd ..

# Picture data under the names of a Flash file and of a nested archive,
# each before a blue picture.
tree
cp ../red.png c.swf
cp ../red.png b.zip
cp ../blue.png d.png
sevenzip swf.7z c.swf d.png
sevenzip nested.7z b.zip d.png
cd ..

# The size limit: a red picture one byte larger than the blue one after it.
tree
cp ../blue.png fit.png
cp ../red.png big.png
size=$(stat -c %s fit.png)
truncate -s $((size + 1)) big.png
sevenzip limit.7z big.png fit.png
cd ..

# One name at two depths: a text file at the top and a picture beneath it,
# and the other way round.
tree
mkdir sub 0
printf 'text\r\n' >a.png
cp ../red.png sub/a.png
sevenzip text_on_top.7z a.png sub/a.png
printf 'text\r\n' >0/a.png
cp ../red.png a.png
sevenzip text_beneath.7z 0/a.png a.png
cd ..

# Encrypted archives: the archiver would ask for the password, for the
# picture or already for the listing.
tree
cp ../red.png a.png
sevenzip locked.7z -pzuv a.png
sevenzip locked_names.7z -pzuv -mhe=on a.png
cd ..

# A picture with transparent and half-transparent areas that reach its
# edges (as the media fixture half_alpha.png), after a text member.
tree
printf 'text\r\n' >a.txt
$IM -size 16x32 xc:none xc:'#FF000080' xc:red xc:'#FF000080' +append PNG32:half_alpha.png
sevenzip half_alpha.7z a.txt half_alpha.png
cd ..

touch "$out/stamp"
