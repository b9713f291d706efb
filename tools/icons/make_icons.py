#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files holding PNG images.

105: a folder with a picture on it, 16x16 and 32x32; 108: the same at 16x16;
117: the archive badge, one 25x31 image whose margins are transparent.
Run it from anywhere; it writes into src/resources/.
"""
import os
import struct
import zlib


def png(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, top row first."""
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    """images: list of (width, height, png bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


CLEAR = (0, 0, 0, 0)


def canvas(w, h):
    return [[CLEAR] * w for _ in range(h)]


def rect(px, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(len(px), y1)):
        for x in range(max(0, x0), min(len(px[0]), x1)):
            px[y][x] = colour


def folder_with_picture(size):
    s = size / 32.0
    px = canvas(size, size)
    tab = (214, 160, 40, 255)
    body = (246, 196, 70, 255)
    edge = (150, 105, 20, 255)
    # Folder tab and body.
    rect(px, int(2 * s), int(5 * s), int(13 * s), int(9 * s), tab)
    rect(px, int(1 * s), int(8 * s), int(31 * s), int(28 * s), edge)
    rect(px, int(2 * s), int(9 * s), int(30 * s), int(27 * s), body)
    # A small photo: sky, sun and a hill.
    x0, y0, x1, y1 = int(9 * s), int(12 * s), int(26 * s), int(24 * s)
    rect(px, x0 - 1, y0 - 1, x1 + 1, y1 + 1, (255, 255, 255, 255))
    rect(px, x0, y0, x1, y1, (90, 160, 230, 255))
    for y in range(y0, y1):
        for x in range(x0, x1):
            # hill
            if (y - y1) ** 2 + ((x - (x0 + x1) / 2) * 0.8) ** 2 < ((y1 - y0) * 0.55) ** 2:
                px[y][x] = (60, 150, 70, 255)
            # sun
            cx, cy, r = x1 - 3.5 * s, y0 + 3.5 * s, 2.2 * s
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                px[y][x] = (255, 220, 60, 255)
    return png(size, size, px)


def archive_badge():
    w, h = 25, 31
    px = canvas(w, h)
    # A zipped box with a transparent margin of two pixels all round.
    rect(px, 2, 2, 23, 29, (60, 60, 60, 255))
    rect(px, 3, 3, 22, 28, (200, 140, 60, 255))
    # The zipper down the middle.
    for y in range(3, 22):
        rect(px, 11 + (y % 2), y, 13 + (y % 2), y + 1, (235, 235, 235, 255))
    # Pull tab.
    rect(px, 10, 21, 15, 27, (60, 60, 60, 255))
    rect(px, 11, 22, 14, 26, (235, 235, 235, 255))
    return png(w, h, px)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "resources")
    files = {
        "zuv_large.ico": ico([(16, 16, folder_with_picture(16)), (32, 32, folder_with_picture(32))]),
        "zuv_small.ico": ico([(16, 16, folder_with_picture(16))]),
        "archive_badge.ico": ico([(25, 31, archive_badge())]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
