#!/bin/bash
# Times the worker's image step (scaled decode, EXIF turn, mask and tile) on generated
# 4000 x 3000 JPEG photos at thumbnail size 128 in one process under Wine,
# in both speed modes, against vipsthumbnail and ImageMagick's mogrify on
# the same files, one thread each. Not a test: it prints figures.
#   scripts/bench_images.sh [COUNT]      (default 200 photos)
# Needs a build made by ./zuv.sh test (or run) first.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")/.."
source scripts/wine_env.sh

count=${1:-200}

if ! command -v vipsthumbnail >/dev/null; then
    echo "bench: installing libvips-tools" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q libvips-tools >&2 ||
        { apt-get update -q >&2 && DEBIAN_FRONTEND=noninteractive apt-get install -y -q libvips-tools >&2; }
fi
zuv_bench_build bench_images

work=$BUILD/bench
photos=$work/photos_$count
if [ ! -f "$photos/.done" ]; then
    echo "bench: making $count photos" >&2
    rm -rf "$photos"
    mkdir -p "$photos"
    # Noise gives the entropy of a real photo (about 4 MB each).
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc2=s=4000x3000:r=1,noise=alls=25:allf=t+u" \
        -frames:v "$count" -q:v 3 -pix_fmt yuvj420p "$photos/photo_%04d.jpg"
    # Every other photo carries an EXIF orientation 6 (a quarter turn), in
    # big-endian order, right after the JFIF segment.
    python3 - "$photos" <<'PY'
import os, struct, sys
folder = sys.argv[1]
tiff = b"MM\x00\x2a" + struct.pack(">I", 8) + struct.pack(">H", 1) + \
    struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0)
app1 = b"\xff\xe1" + struct.pack(">H", 2 + 6 + len(tiff)) + b"Exif\x00\x00" + tiff
for i, name in enumerate(sorted(os.listdir(folder))):
    if i % 2:
        continue
    path = os.path.join(folder, name)
    data = open(path, "rb").read()
    end = 4 + struct.unpack(">H", data[4:6])[0]
    open(path, "wb").write(data[:end] + app1 + data[end:])
PY
    touch "$photos/.done"
fi

now_ms() { date +%s%3N; }

zuv_bench_wine
winpath="Z:${photos//\//\\}"
echo "bench: Zuv image step under Wine" >&2
zuv_output=$(zuv_wine_env "$ZUV_WINE64" "$BUILD/tools/bench_images/bench_images.exe" "$winpath" 128 2>/dev/null)
echo "$zuv_output"
zuv0=$(sed -n 's/^speedMode 0: \([0-9.]*\) ms.*/\1/p' <<<"$zuv_output")
zuv1=$(sed -n 's/^speedMode 1: \([0-9.]*\) ms.*/\1/p' <<<"$zuv_output")

rm -rf "$work/vips" "$work/magick"
mkdir -p "$work/vips" "$work/magick"
echo "bench: vipsthumbnail" >&2
start=$(now_ms)
VIPS_CONCURRENCY=1 vipsthumbnail --size 128 -o "$work/vips/%s.jpg" "$photos"/*.jpg
vips=$(awk -v t=$(($(now_ms) - start)) -v n="$count" 'BEGIN { printf "%.2f", t / n }')
echo "bench: mogrify" >&2
start=$(now_ms)
MAGICK_THREAD_LIMIT=1 mogrify -limit thread 1 -path "$work/magick" -thumbnail 128x128 "$photos"/*.jpg
magick=$(awk -v t=$(($(now_ms) - start)) -v n="$count" 'BEGIN { printf "%.2f", t / n }')

# For comparison with the WIC decoder: a full-size decode on Linux, on at
# most 20 of the photos.
echo "bench: full-size decode on Linux (vips avg)" >&2
sample=("$photos"/*.jpg)
sample=("${sample[@]:0:20}")
start=$(now_ms)
for f in "${sample[@]}"; do VIPS_CONCURRENCY=1 vips avg "$f" >/dev/null; done
full=$(awk -v t=$(($(now_ms) - start)) -v n="${#sample[@]}" 'BEGIN { printf "%.2f", t / n }')

echo "vipsthumbnail --size 128: $vips ms/photo"
echo "full-size JPEG decode on Linux, one process per photo (vips avg): $full ms/photo"
echo "mogrify -thumbnail 128x128: $magick ms/photo"
awk -v a="$zuv0" -v b="$zuv1" -v v="$vips" -v m="$magick" 'BEGIN {
    printf "ratio to vipsthumbnail: speedMode 0 %.2f, speedMode 1 %.2f\n", a / v, b / v
    printf "ratio to mogrify:       speedMode 0 %.2f, speedMode 1 %.2f\n", a / m, b / m
}'
