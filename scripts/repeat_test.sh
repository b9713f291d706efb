#!/bin/bash
# Runs one test program N times in the suite's environment (this checkout's
# display, prefix and persistent wineserver, as ./zuv.sh test sets them up),
# one line per run and a count of failures at the end, so that a test that
# fails now and then shows before CI meets it.
#   scripts/repeat_test.sh NAME N [GTEST ARGS...]
# NAME is a test program of the build, for example test_preview_video_playback.
# The log of every failed run is kept and named.
set -euo pipefail
shopt -s inherit_errexit

[ $# -ge 2 ] || { echo "usage: $0 NAME N [GTEST ARGS...]" >&2; exit 2; }
name=$1 runs=$2
shift 2
cd "$(dirname "$0")/.."
source scripts/wine_env.sh
zuv_bench_build "$name"
exe=$(find "$BUILD/tests" -name "$name.exe" -print -quit)
[ -n "$exe" ] || { echo "repeat: no test program $name in $BUILD/tests" >&2; exit 2; }

home=${HOME:-/root}
[ -e "$home/.asoundrc" ] || printf 'pcm.!default { type null }\n' >"$home/.asoundrc"
# Not beside ./zuv.sh test of the same checkout: both use its one desktop.
zuv_start_display
trap 'zuv_stop_wineserver; zuv_stop_display' EXIT
zuv_ensure_prefix
zuv_start_wineserver "$BUILD/tools/desktop_check.exe"

logs=$(mktemp -d /tmp/repeat-"$name".XXXXXX)
failed=0
for i in $(seq "$runs"); do
    log=$logs/run-$i.log
    started=$(date +%s%N)
    set +e
    (cd "$BUILD/tests" && timeout 900 bash "$ZUV_CHECKOUT/scripts/wine_test_run.sh" "$exe" --gtest_color=no "$@") \
        >"$log" 2>&1 </dev/null
    status=$?
    set -e
    ms=$((($(date +%s%N) - started) / 1000000))
    # The verdict CTest gives: GoogleTest's summary, and no failed test.
    if grep -q '^\[  PASSED  \] [0-9]* tests\?\.' "$log" && ! grep -q '^\[  FAILED  \]' "$log"; then
        echo "run $i: passed in $ms ms"
        rm -f "$log"
    else
        failed=$((failed + 1))
        why=$(grep -m4 -E '^\[  FAILED  \]|^X Error|wine: Unhandled|Backtrace' "$log" | tr '\n' ' ')
        echo "run $i: FAILED (status $status) in $ms ms: ${why:-no summary} ($log)"
    fi
done
echo "$name: $((runs - failed)) of $runs runs passed, $failed failed"
[ "$failed" -eq 0 ]
