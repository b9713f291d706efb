#!/bin/bash
# Times Zuv_plain.exe under Wine on folders of generated pictures, watched
# from another process as a user sees it: first visit, cache save, cached
# revisits (a new process, then F5 presses), peak memory; the start-up on a
# folder of 10,000 empty files and 200 folders (auto-save off); and
# vipsthumbnail on the same photos for comparison. After a build into build/:
#   ./scripts/bench_folder.sh [PHOTOS] [PNGS] [REVISITS] [STARTUPS]   (default 200 1000 3 3)
# ZUV_BENCH_EXE names another Zuv_plain.exe to time (an older build).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_env.sh
photos=${1:-200}
pngs=${2:-1000}
revisits=${3:-3}
startups=${4:-3}
build=$ZUV_CHECKOUT/build
probe=$build/tools/bench_folder/folder_probe.exe
zuv=${ZUV_BENCH_EXE:-$build/Zuv_plain.exe}
[ -x "$probe" ] && [ -f "$zuv" ] || { echo "bench: build first (./zuv.sh test or cmake --build build)" >&2; exit 2; }
data=$build/bench_folder_data

# A few distinct pictures, copied: every file is decoded in full, so copies
# cost what distinct pictures would.
make_folder() { # DIR COUNT WIDTH HEIGHT EXT
    local dir=$1 count=$2 w=$3 h=$4 ext=$5
    [ -f "$dir.complete-$count" ] && return 0
    rm -rf "$dir" "$dir".complete-*
    mkdir -p "$dir"
    local hues=(0 45 90 135 180 225 270 315)
    for k in "${!hues[@]}"; do
        convert -size "$((h))x$((w))" "gradient:hsb(${hues[$k]},100%,90%)-hsb($(((${hues[$k]} + 120) % 360)),80%,60%)" \
            -attenuate 0.4 +noise Gaussian -rotate 90 -quality 92 "$dir/base$k.$ext"
    done
    for i in $(seq 1 "$count"); do
        cp "$dir/base$((i % 8)).$ext" "$dir/$(printf 'p%05d' "$i").$ext"
    done
    rm -f "$dir"/base*."$ext"
    touch "$dir.complete-$count"
}
[ "$photos" -gt 0 ] && make_folder "$data/photos" "$photos" 4000 3000 jpg
[ "$pngs" -gt 0 ] && make_folder "$data/pngs" "$pngs" 640 480 png

# Empty files of several kinds (nothing to picture) and folders.
[ "$startups" -gt 0 ] && zuv_bench_listing_folder "$data/startup"

# Zuv_plain with its own settings: cache saved after every completed run.
app=$build/bench_folder_app
mkdir -p "$app"
cp "$zuv" "$app/Zuv_plain.exe"
printf '[SystemSetting]\r\ncacheAutoSave=ON\r\nhideCache=ON\r\nwidth=1000\r\nheight=700\r\n' >"$app/Zuv_plain.ini"

zuv_bench_wine
zuv_start_wineserver
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

bench() { # NAME DIR COUNT
    local name=$1 dir=$2 count=$3
    echo "== $name: $count files"
    rm -rf "$dir/Zuv_CACHE"
    echo "-- first visit"
    zuv_wine_env "$ZUV_WINE64" "$probe" "$(winpath "$app/Zuv_plain.exe")" "$(winpath "$dir")" "$count" 0
    echo "-- cached revisit (new process, then F5)"
    zuv_wine_env "$ZUV_WINE64" "$probe" "$(winpath "$app/Zuv_plain.exe")" "$(winpath "$dir")" "$count" "$revisits"
}
[ "$photos" -gt 0 ] && bench "JPEG photos 4000 x 3000" "$data/photos" "$photos"
[ "$pngs" -gt 0 ] && bench "PNG 640 x 480" "$data/pngs" "$pngs"

if [ "$startups" -gt 0 ]; then
    quiet=$build/bench_folder_quiet
    mkdir -p "$quiet"
    cp "$zuv" "$quiet/Zuv_plain.exe"
    printf '[SystemSetting]\r\ncacheAutoSave=OFF\r\nhideCache=ON\r\nwidth=1000\r\nheight=700\r\n' >"$quiet/Zuv_plain.ini"
    echo "== start-up: 10000 empty files and 200 folders, auto-save off"
    for r in $(seq 1 "$startups"); do
        zuv_wine_env "$ZUV_WINE64" "$probe" "$(winpath "$quiet/Zuv_plain.exe")" "$(winpath "$data/startup")" 10200 startup
    done
fi

if [ "$photos" -gt 0 ] && command -v vipsthumbnail >/dev/null; then
    out=$(mktemp -d)
    start=$EPOCHREALTIME
    vipsthumbnail --size 128x128 -o "$out/%s.jpg" "$data/photos"/*.jpg
    end=$EPOCHREALTIME
    rm -rf "$out"
    echo "== vipsthumbnail, the same $photos photos at 128: $(awk "BEGIN { printf \"%d\", ($end - $start) * 1000 }") ms"
fi
