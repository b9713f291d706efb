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
zuv_bench_listing_folder "$data" x
zuv_bench_wine
zuv_wine_env "$ZUV_WINE64" "$exe" "Z:${data//\//\\}" "$runs"
