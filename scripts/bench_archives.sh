#!/bin/bash
# Times the worker's archive steps under Wine on 100 ZIP files and 100 7z
# files of the same content (a text member, then a 1-megapixel JPEG photo),
# ms per archive at thumbnail size 128, with the start of the archiver
# process timed apart. Not a test: it prints figures.
#   scripts/bench_archives.sh [COUNT]      (default 100 of each)
# Needs a build made by ./zuv.sh test (or run) first.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")/.."
source scripts/wine_env.sh

count=${1:-100}
zuv_bench_build bench_archives
deps=$(bash scripts/build_deps.sh)

work=$BUILD/bench/archives_$count
if [ ! -f "$work/.done" ]; then
    echo "bench: making $count ZIP and $count 7z files" >&2
    rm -rf "$work"
    mkdir -p "$work/members"
    (
        cd "$work/members"
        # 1152 x 864 with noise, about the entropy of a real photo.
        ffmpeg -nostdin -hide_banner -loglevel error -y \
            -f lavfi -i "testsrc2=s=1152x864:r=1,noise=alls=25:allf=t+u" \
            -frames:v 1 -q:v 3 -pix_fmt yuvj420p photo.jpg
        for ((i = 0; i < 40; i++)); do echo "line $i of the notes that come first"; done >notes.txt
    )
    for ((i = 0; i < count; i++)); do
        name=$(printf 'archive_%04d' "$i")
        # Each archive is written anew, so none is a copy of another on disk.
        (cd "$work/members" && 7zz a -tzip -bso0 -bsp0 "$work/$name.zip" notes.txt photo.jpg &&
            7zz a -t7z -bso0 -bsp0 "$work/$name.7z" notes.txt photo.jpg)
    done
    rm -rf "$work/members"
    touch "$work/.done"
fi

zuv_bench_wine
echo "bench: Zuv archive steps under Wine" >&2
sevenzip="Z:${deps//\//\\}\\bin\\7z.exe"
zuv_wine_env "$ZUV_WINE64" "$BUILD/tools/bench_archives/bench_archives.exe" "Z:${work//\//\\}" "$sevenzip" 128 \
    2>/dev/null
