#!/bin/bash
# Builds the third-party libraries from Debian source packages as static
# mingw-w64 libraries into a prefix outside the source tree. The prefix is
# keyed by the package versions, so a finished build is reused as it is.
set -euo pipefail
shopt -s inherit_errexit

here=$(cd "$(dirname "$0")" && pwd)
# Debian 12 versions; changing one gives a new prefix.
PKGS=(
    "minizip=1.1-8+deb12u1"
    "brotli/bookworm"  # 1.0.9-2; the security update is not served everywhere
    "woff2=1.0.2-2"
    "pugixml=1.13-0.2"
    "libwebp=1.2.4-0.2+deb12u1"
    "slic3r-prusa=2.5.0+dfsg-4"
    "7zip/bookworm"  # 22.01+really26.01+dfsg-0+deb12u1: 7-Zip 26.01
)
key=$(printf '%s\n' "${PKGS[@]}" "recipe=2" | sha1sum | cut -c1-12)
root=${ZUV_DEPS_ROOT:-/opt/zuv-deps}
prefix=$root/$key
if [ -f "$prefix/.done" ]; then
    echo "$prefix"
    exit 0
fi

log() { echo "build_deps: $*" >&2; }
HOST=x86_64-w64-mingw32
CC=$HOST-gcc-posix
CXX=$HOST-g++-posix
AR=$HOST-ar
TOOLCHAIN=$here/../cmake/mingw-w64-x86_64.cmake

bash "$here/enable_deb_src.sh" >&2

work=$(mktemp -d "$root/work.XXXXXX" 2>/dev/null || { mkdir -p "$root"; mktemp -d "$root/work.XXXXXX"; })
trap 'rm -rf "$work"' EXIT
mkdir -p "$prefix.tmp"
rm -rf "$prefix.tmp"/*
P=$prefix.tmp

cd "$work"
fetch() { # name=version -> extracted dir
    local pkg=$1 name=${1%%[=/]*}
    mkdir -p "src-$name" && cd "src-$name"
    apt-get source --download-only -q "$pkg" >&2
    local dsc
    dsc=$(ls ./*.dsc | head -1)
    dpkg-source --no-check -x "$dsc" tree >&2
    cd ..
    echo "$work/src-$name/tree"
}

cmake_build() { # srcdir builddir args...
    local src=$1 bld=$2
    shift 2
    cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$P" \
        -DCMAKE_PREFIX_PATH="$P" "$@" >&2
    cmake --build "$bld" -j"$(nproc)" >&2
    cmake --install "$bld" >&2
}

log "fetching sources"
declare -A SRC
for pkg in "${PKGS[@]}"; do
    name=${pkg%%[=/]*}
    if [ "$name" = slic3r-prusa ]; then
        # Only miniz is taken from this package: extract just its folder.
        mkdir -p src-slic3r && cd src-slic3r
        apt-get source --download-only -q "$pkg" >&2
        orig=$(ls ./*.orig.tar.* | head -1)
        tar -xf "$orig" --wildcards '*/src/miniz/*'
        SRC[$name]=$(dirname "$(find "$work/src-slic3r" -type d -path '*/src/miniz' | head -1)")/miniz
        cd ..
    else
        SRC[$name]=$(fetch "$pkg")
    fi
done

mkdir -p "$P/include" "$P/lib"

log "minizip"
mz=${SRC[minizip]}
mzdir=$mz
[ -f "$mz/unzip.c" ] || mzdir=$(dirname "$(find "$mz" -name unzip.c | head -1)")
mkdir -p b-minizip && (
    cd b-minizip
    for f in ioapi.c unzip.c iowin32.c; do
        $CC -O2 -DNOCRYPT= -DNOUNCRYPT -c "$mzdir/$f" -o "${f%.c}.o"
    done
    $AR rcs "$P/lib/libminizip.a" ./*.o
)
mkdir -p "$P/include/minizip"
cp "$mzdir"/ioapi.h "$mzdir"/unzip.h "$mzdir"/iowin32.h "$P/include/minizip/"

log "brotli"
cmake_build "${SRC[brotli]}" b-brotli -DBROTLI_DISABLE_TESTS=ON
# Only the static archives are used; drop the DLL import libraries so
# nothing can pick them up by accident.
rm -f "$P"/lib/libbrotli*.dll.a "$P"/bin/*.dll "$P"/bin/brotli*.exe

log "woff2"
PKG_CONFIG_LIBDIR=$P/lib/pkgconfig cmake_build "${SRC[woff2]}" b-woff2 \
    -DBUILD_SHARED_LIBS=OFF -DCANONICAL_PREFIXES=ON \
    -DBROTLIDEC_INCLUDE_DIRS="$P/include" -DBROTLIDEC_LIBRARIES="$P/lib/libbrotlidec-static.a;$P/lib/libbrotlicommon-static.a" \
    -DBROTLIENC_INCLUDE_DIRS="$P/include" -DBROTLIENC_LIBRARIES="$P/lib/libbrotlienc-static.a;$P/lib/libbrotlicommon-static.a"

log "pugixml"
cmake_build "${SRC[pugixml]}" b-pugixml -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF

log "libwebp"
cmake_build "${SRC[libwebp]}" b-webp -DBUILD_SHARED_LIBS=OFF \
    -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF \
    -DWEBP_BUILD_LIBWEBPMUX=OFF

log "miniz"
mini=${SRC[slic3r-prusa]}
mkdir -p b-miniz && (
    cd b-miniz
    for f in "$mini"/*.c; do
        $CC -O2 -DMINIZ_NO_ZLIB_COMPATIBLE_NAMES -c "$f" -o "$(basename "${f%.c}").o"
    done
    $AR rcs "$P/lib/libminiz.a" ./*.o
)
mkdir -p "$P/include/miniz" "$P/share/licenses/miniz"
cp "$mini"/*.h "$P/include/miniz/"
cp "$mini"/LICENSE* "$P/share/licenses/miniz/" 2>/dev/null || true

log "7-Zip console (bin/7z.exe)"
# The Windows console archiver that archive thumbnails run. Debian's source
# leaves out 7-Zip's RAR codec (Compress/Rar), and so does the build: RAR
# archives list, and only their stored members extract.
(
    cd "${SRC[7zip]}/CPP/7zip/Bundles/Alone2"
    make -f makefile.gcc -j"$(nproc)" IS_MINGW=1 MSYSTEM=1 IS_X64=1 \
        CC="$CC" CXX="$CXX" RC="$HOST-windres" DISABLE_RAR_COMPRESS=1 >&2
    mkdir -p "$P/bin" "$P/share/licenses/7zip"
    cp _o/7zz.exe "$P/bin/7z.exe"
    cp "${SRC[7zip]}"/DOC/License.txt "$P/share/licenses/7zip/" 2>/dev/null || true
)

printf '%s\n' "${PKGS[@]}" >"$P/VERSIONS"
rm -rf "$prefix"
mv "$P" "$prefix"
touch "$prefix/.done"
log "done: $prefix"
echo "$prefix"
