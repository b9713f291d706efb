#!/bin/bash
# Times copy and move of a folder of 5,000 small files and of one 1 GB file
# through the C and M operations under Wine, against cp -r and mv of the same
# data in the same run: ./scripts/bench_transfer.sh  (after a build into build/;
# ZUV_BENCH_SMALL_ONLY=1 leaves out the 1 GB file)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_env.sh
exe=$ZUV_CHECKOUT/build/tools/bench_transfer/bench_transfer.exe
[ -x "$exe" ] || { echo "bench: build first (./zuv.sh test or cmake --build build)" >&2; exit 2; }
data=$ZUV_CHECKOUT/build/bench_transfer_data
work=$ZUV_CHECKOUT/build/bench_transfer_work
if [ ! -f "$data.complete" ]; then
    rm -rf "$data"
    mkdir -p "$data/small" "$data/big"
    for i in $(seq 1 5000); do head -c 1024 /dev/urandom >"$data/small/file$i.bin"; done
    head -c 1G /dev/urandom >"$data/big/big.bin"
    touch "$data.complete"
fi
zuv_bench_wine
zuv_start_wineserver

now_ms() { echo $(($(date +%s%N) / 1000000)); }
win() { echo "Z:${1//\//\\}"; }

# name: small (the folder) or big.bin (the file in big/)
bench() {
    local name=$1 from=$2
    rm -rf "$work"
    mkdir -p "$work/src" "$work/cp" "$work/mv" "$work/zcp" "$work/zmv" "$work/zmvsrc"
    cp -r "$from/$name" "$work/src/"
    cp -r "$from/$name" "$work/zmvsrc/"
    sync
    local t0 t1
    t0=$(now_ms); cp -r "$work/src/$name" "$work/cp/"; sync; t1=$(now_ms)
    echo "$name: cp -r $((t1 - t0)) ms"
    zuv_wine_env "$ZUV_WINE64" "$exe" copy "$(win "$work/src")" "$name" "$(win "$work/zcp")"
    t0=$(now_ms); mv "$work/src/$name" "$work/mv/"; sync; t1=$(now_ms)
    echo "$name: mv $((t1 - t0)) ms"
    zuv_wine_env "$ZUV_WINE64" "$exe" move "$(win "$work/zmvsrc")" "$name" "$(win "$work/zmv")"
    cmp -s <(cd "$work/mv" && find . -type f -exec md5sum {} + | sort -k2) \
        <(cd "$work/zmv" && find . -type f -exec md5sum {} + | sort -k2) && echo "$name: moved data identical" ||
        echo "$name: MOVED DATA DIFFERS"
}

bench small "$data"
[ -n "${ZUV_BENCH_SMALL_ONLY:-}" ] || bench big.bin "$data/big"
rm -rf "$work"
