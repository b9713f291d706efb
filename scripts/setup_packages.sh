#!/bin/bash
# Installs the Debian packages that building, running and testing need.
# Quick when everything is in place already.
set -euo pipefail

PACKAGES=(
    # cross toolchain and build
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-tools libz-mingw-w64-dev cmake ninja-build dpkg-dev googletest python3
    # running Windows programs headless, with Japanese text
    wine wine64 xvfb xauth locales fonts-ipafont-gothic
    # fixtures and video decoding under Wine
    imagemagick webp ffmpeg gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    fonts-dejavu-core woff2 woff-tools
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}" >&2
    apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >&2
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating ja_JP.UTF-8" >&2
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >&2
fi
