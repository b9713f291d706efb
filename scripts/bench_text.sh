#!/bin/bash
# Times the worker's text step under Wine at thumbnail size 128: on COUNT
# small text files of a few KB in mixed encodings (UTF-8 with and without
# mark, UTF-16 LE and BE, Shift-JIS, ASCII), and on one 2 GB sparse file,
# whose time and peak memory (the process's own peak working set, and the
# Wine process's maximum resident size) are set beside those of a small file.
# Not a test: it prints figures.
#   scripts/bench_text.sh [COUNT]      (default 1000 files)
# Needs a build made by ./zuv.sh test (or run) first.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")/.."
source scripts/wine_env.sh

count=${1:-1000}
zuv_bench_build bench_text

work=$BUILD/bench
texts=$work/texts_$count
if [ ! -f "$texts.done" ]; then
    echo "bench: making $count text files" >&2
    rm -rf "$texts"
    mkdir -p "$texts"
    python3 - "$texts" "$count" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
random.seed(12)
words = ["サムネイル", "ファイル", "フォルダ", "日本語", "テキスト", "表示", "thumbnail", "folder", "text",
         "Zuv", "12345", "browser", "一覧", "画像"]
encodings = [("utf-8", b""), ("utf-8", b"\xef\xbb\xbf"), ("utf-16-le", b"\xff\xfe"),
             ("utf-16-be", b"\xfe\xff"), ("cp932", b""), ("ascii", b"")]
for i in range(count):
    encoding, mark = encodings[i % len(encodings)]
    pool = [w for w in words if encoding != "ascii" or w.isascii()]
    lines = []
    size = random.randint(1000, 6000)
    while sum(len(l) for l in lines) < size // 2:
        lines.append(" ".join(random.choice(pool) for _ in range(random.randint(3, 12))))
    data = mark + "\r\n".join(lines).encode(encoding)
    open(os.path.join(folder, "text_%04d.txt" % i), "wb").write(data)
PY
    touch "$texts.done"
fi
small=$work/small.txt
printf 'a small file\r\n' >"$small"
sparse=$work/sparse_2g.bin
if [ ! -f "$sparse" ]; then
    printf 'sparse file: a short first line, then 2 GB of nothing\n' >"$sparse"
    truncate -s 2G "$sparse"
fi

winpath() { echo "Z:${1//\//\\}"; }
zuv_bench_wine

echo "== $count small text files"
zuv_wine_env "$ZUV_WINE64" "$BUILD/tools/bench_text/bench_text.exe" "$(winpath "$texts")" 128 2>/dev/null
for f in "$small" "$sparse"; do
    echo "== $(basename "$f") ($(stat -c %s "$f") bytes, $(du -k "$f" | cut -f1) KiB on disk)"
    zuv_wine_env /usr/bin/time -f "Wine process: %e s, max resident %M KiB" \
        "$ZUV_WINE64" "$BUILD/tools/bench_text/bench_text.exe" "$(winpath "$f")" 128 2>&1 | grep -v '^wine:'
done
