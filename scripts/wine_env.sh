# Sourced by zuv.sh: the Wine prefix and X display of this checkout, and the
# functions that start and stop them. Each checkout has its own prefix and
# display, so two checkouts can test side by side without sharing a desktop.

ZUV_CHECKOUT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zuv_checkout_key=$(printf '%s' "$ZUV_CHECKOUT" | sha1sum | cut -c1-10)
export ZUV_WINEPREFIX=${ZUV_WINEPREFIX:-/opt/zuv-wine/$zuv_checkout_key}
export ZUV_DISPLAY=${ZUV_DISPLAY:-:$((100 + 0x${zuv_checkout_key:0:4} % 400))}
ZUV_WINE64=/usr/lib/wine/wine64
ZUV_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$ZUV_WINESERVER" ] || ZUV_WINESERVER=/usr/lib/wine/wineserver

zuv_wine_env() {
    env WINEPREFIX="$ZUV_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        DISPLAY="$ZUV_DISPLAY" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$@"
}

zuv_start_display() {
    local n=${ZUV_DISPLAY#:}
    if [ -e "/tmp/.X$n-lock" ] && kill -0 "$(tr -d ' ' <"/tmp/.X$n-lock")" 2>/dev/null; then
        return 0
    fi
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    Xvfb "$ZUV_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    ZUV_XVFB_PID=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.05
    done
    echo "zuv: Xvfb did not start on $ZUV_DISPLAY" >&2
    return 1
}

zuv_stop_display() {
    if [ -n "${ZUV_XVFB_PID:-}" ]; then
        kill "$ZUV_XVFB_PID" 2>/dev/null || true
        wait "$ZUV_XVFB_PID" 2>/dev/null || true
        ZUV_XVFB_PID=
    fi
}

# The prefix's set-up, numbered: raise it when a step is added or changed, so
# that prefixes made before get the new steps on their next use.
zuv_prefix_version=3

zuv_reg_add() {
    zuv_wine_env "$ZUV_WINE64" reg add "$@" /f >/dev/null 2>&1 </dev/null
}

# Creates the prefix when missing and brings its set-up up to date: Wine's
# own files, a virtual desktop (inside which modal dialogs end promptly), and
# the fonts a Japanese Windows shows its interface in.
zuv_ensure_prefix() {
    if [ "$(cat "$ZUV_WINEPREFIX/.zuv-ready" 2>/dev/null)" = "$zuv_prefix_version" ]; then
        return 0
    fi
    local created=
    if [ ! -f "$ZUV_WINEPREFIX/system.reg" ]; then
        echo "zuv: creating Wine prefix $ZUV_WINEPREFIX" >&2
        mkdir -p "$ZUV_WINEPREFIX"
        zuv_wine_env /usr/bin/wineboot -i >/dev/null 2>&1 </dev/null
        created=1
    else
        echo "zuv: updating Wine prefix $ZUV_WINEPREFIX" >&2
    fi
    zuv_reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
    # A crash prints its backtrace and ends the process at once, instead of
    # a dialog that holds it until CTest's time-out.
    zuv_reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    zuv_reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024
    # Debian's Wine looks for its own fonts next to its data folder, not in
    # /usr/share/wine/fonts where fonts-wine puts them: without this path the
    # caption buttons lose their Marlett symbols and show "0 1 r".
    zuv_reg_add 'HKCU\Software\Wine\Fonts' /v Path /d 'Z:\usr\share\wine\fonts'
    # The Windows interface faces, which Wine maps to faces it does not have
    # (dialog labels cut, underscores lost), become the IPA faces: the
    # proportional one for the proportional faces, the fixed one for MS Gothic.
    local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    local face
    for face in 'MS Shell Dlg' 'MS Shell Dlg 2' 'MS UI Gothic' 'MS PGothic' 'ＭＳ Ｐゴシック' \
        'Meiryo' 'Meiryo UI' 'メイリオ' 'Yu Gothic UI' 'Yu Gothic' '游ゴシック'; do
        zuv_reg_add "$substitutes" /v "$face" /d 'IPAPGothic'
    done
    for face in 'MS Gothic' 'ＭＳ ゴシック'; do
        zuv_reg_add "$substitutes" /v "$face" /d 'IPAGothic'
    done
    # A new prefix's server is this function's own: let it write the registry
    # out. An older prefix may have a persistent server that never ends.
    [ -z "$created" ] || zuv_wine_env "$ZUV_WINESERVER" -w
    echo "$zuv_prefix_version" >"$ZUV_WINEPREFIX/.zuv-ready"
}

# A persistent wineserver spares every test program Wine's start-up.
# The check program also brings up the virtual desktop before the first test.
zuv_start_wineserver() {
    # An already running server (another test command of this checkout) is fine.
    zuv_wine_env "$ZUV_WINESERVER" -p >/dev/null 2>&1 </dev/null || true
    local check=${1:-}
    [ -n "$check" ] || return 0
    for attempt in 1 2 3 4 5; do
        if zuv_wine_env "$ZUV_WINE64" "$check" >/dev/null 2>&1 </dev/null; then
            return 0
        fi
        echo "zuv: Wine cannot make windows yet (attempt $attempt)" >&2
        sleep 1
    done
    echo "zuv: Wine cannot make windows on $ZUV_DISPLAY" >&2
    return 1
}

# A spare drive of the prefix on another file system (tmpfs where there is
# one), for tests of moves between drives and of a drive's root folder.
export ZUV_SPARE_DRIVE=Y:
zuv_map_spare_drive() {
    local base=/dev/shm
    [ -d "$base" ] && [ -w "$base" ] || base=/tmp
    local target=$base/zuv-spare-$zuv_checkout_key
    mkdir -p "$target" "$ZUV_WINEPREFIX/dosdevices" || return 0
    ln -sfn "$target" "$ZUV_WINEPREFIX/dosdevices/y:"
}

zuv_stop_wineserver() {
    zuv_wine_env "$ZUV_WINESERVER" -k >/dev/null 2>&1 || true
    zuv_wine_env "$ZUV_WINESERVER" -w >/dev/null 2>&1 || true
}

# For the benchmark scripts: this checkout's build (made by ./zuv.sh test or
# run) in BUILD, with the named targets brought up to date.
zuv_bench_build() {
    BUILD=$ZUV_CHECKOUT/build
    [ -f "$BUILD/build.ninja" ] || { echo "bench: build first with ./zuv.sh test" >&2; exit 2; }
    [ $# -eq 0 ] || cmake --build "$BUILD" --target "$@" >/dev/null
}

# For the benchmark scripts: the display and prefix to run in; a display
# started here is stopped when the script ends.
# A persistent wineserver that the script started would keep the script's
# output open after its end, so it is stopped too.
zuv_bench_wine() {
    zuv_start_display
    trap 'zuv_stop_wineserver; zuv_stop_display' EXIT
    zuv_ensure_prefix
}

# For the benchmark scripts: a folder of 200 folders and 10,000 files of
# several kinds, each holding CONTENT (empty by default), made once.
zuv_bench_listing_folder() { # DIR [CONTENT]
    local dir=$1 content=${2:-}
    [ -f "$dir.complete" ] && return 0
    rm -rf "$dir"
    mkdir -p "$dir"
    (
        cd "$dir"
        local i name
        for i in $(seq 1 200); do mkdir "folder $i"; done
        for i in $(seq 1 10000); do
            case $((i % 4)) in
            0) name="img$i.jpg" ;;
            1) name="IMG_$i.png" ;;
            2) name="doc $i.txt" ;;
            3) name="video$i" ;;
            esac
            if [ -n "$content" ]; then echo "$content" >"$name"; else : >"$name"; fi
        done
    )
    touch "$dir.complete"
}
