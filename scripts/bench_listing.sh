#!/bin/bash
# Times ListFolder under Wine on a generated folder of 10,000 files and 200
# sub-folders: ./scripts/bench_listing.sh [RUNS]  (after a build into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_env.sh
runs=${1:-7}
exe=$ZUV_CHECKOUT/build/tools/bench_listing/bench_listing.exe
[ -x "$exe" ] || { echo "bench: build first (./zuv.sh test or cmake --build build)" >&2; exit 2; }
data=$ZUV_CHECKOUT/build/bench_listing_data
if [ ! -f "$data.complete" ]; then
    rm -rf "$data"
    mkdir -p "$data"
    (
        cd "$data"
        for i in $(seq 1 200); do mkdir "folder $i"; done
        for i in $(seq 1 10000); do
            case $((i % 4)) in
            0) echo x >"img$i.jpg" ;;
            1) echo x >"IMG_$i.png" ;;
            2) echo x >"doc $i.txt" ;;
            3) echo x >"video$i" ;;
            esac
        done
    )
    touch "$data.complete"
fi
zuv_bench_wine
zuv_wine_env "$ZUV_WINE64" "$exe" "Z:${data//\//\\}" "$runs"
