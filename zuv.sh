#!/bin/bash
# Zuv's two commands on Debian 12 (as root):
#   ./zuv.sh run [FOLDER]   set up, build, and start Zuv under Wine on FOLDER
#                           (by default on a generated demo folder)
#   ./zuv.sh test           set up, build, and run the whole test suite headless
# ZUV_PDFIUM=/path/to/pdfium.dll makes `run` start Zuv.exe with that library;
# without it `run` starts Zuv_plain.exe.
set -euo pipefail
shopt -s inherit_errexit

cd "$(dirname "$0")"
source scripts/wine_env.sh

BUILD=$ZUV_CHECKOUT/build

setup_and_build() {
    bash scripts/setup_packages.sh
    local deps
    deps=$(bash scripts/build_deps.sh)
    local emulator="/bin/bash;$ZUV_CHECKOUT/scripts/wine_test_run.sh"
    if [ ! -f "$BUILD/build.ninja" ] || ! grep -q "ZUV_DEPS_PREFIX:PATH=$deps\$" "$BUILD/CMakeCache.txt" ||
        ! grep -qxF "CMAKE_CROSSCOMPILING_EMULATOR:STRING=$emulator" "$BUILD/CMakeCache.txt"; then
        cmake -S . -B "$BUILD" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$ZUV_CHECKOUT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release \
            -DZUV_DEPS_PREFIX:PATH="$deps" \
            -DCMAKE_CROSSCOMPILING_EMULATOR:STRING="$emulator" >/dev/null
    fi
    cmake --build "$BUILD" -j"$(nproc)"
}

cleanup() {
    zuv_stop_wineserver
    zuv_stop_display
}

case "${1:-}" in
run)
    setup_and_build
    folder=${2:-}
    if [ -z "$folder" ]; then
        folder=$BUILD/demo
        bash scripts/make_demo.sh "$folder"
    fi
    [ -e "$folder" ] || { echo "zuv: no such folder: $folder" >&2; exit 2; }
    folder=$(realpath "$folder")
    if [ -z "${DISPLAY:-}" ]; then
        zuv_start_display
        echo "zuv: no X display; running on Xvfb $ZUV_DISPLAY" >&2
    else
        ZUV_DISPLAY=$DISPLAY
    fi
    zuv_ensure_prefix
    exe=$BUILD/Zuv_plain.exe
    if [ -n "${ZUV_PDFIUM:-}" ]; then
        cp "$ZUV_PDFIUM" "$BUILD/pdfium.dll"
        exe=$BUILD/Zuv.exe
    fi
    # HTML screenshots out of the box: the browser bridge is the "chrome.exe"
    # program unless the settings file names one already.
    bridge=$BUILD/tools/browser_bridge.exe
    python3 scripts/default_setting.py "${exe%.exe}.ini" UserSetting chrome.exe "Z:${bridge//\//\\}"
    # 7z, RAR, CAB and LZH thumbnails out of the box: the 7-Zip built with the
    # libraries is the "7z.exe" program unless the settings file names one.
    sevenzip="Z:$(bash scripts/build_deps.sh)/bin/7z.exe"
    python3 scripts/default_setting.py "${exe%.exe}.ini" UserSetting 7z.exe "${sevenzip//\//\\}"
    trap cleanup EXIT
    zuv_wine_env "$ZUV_WINE64" "$exe" "Z:${folder//\//\\}"
    ;;
test)
    setup_and_build
    # MCI opens MP3 files only when an audio device exists; a null ALSA
    # device gives Wine one on headless machines.
    home=${HOME:-/root}
    [ -e "$home/.asoundrc" ] || printf 'pcm.!default { type null }\n' >"$home/.asoundrc"
    trap cleanup EXIT
    zuv_start_display
    zuv_ensure_prefix
    # The tests' own recycle bin (scripts/wine_test_run.sh) starts empty.
    rm -rf "$ZUV_WINEPREFIX/xdg-data/Trash"
    zuv_start_wineserver "$BUILD/tools/desktop_check.exe"
    ctest --test-dir "$BUILD" --output-on-failure --timeout 900 -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run [FOLDER] | test" >&2
    exit 2
    ;;
esac
