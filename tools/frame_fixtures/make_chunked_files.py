#!/usr/bin/env python3
"""Writes the fixtures that no tool makes exactly as the tests need them: the
animated PNG files chunk by chunk, so each frame's placement, delay,
dispose_op and blend_op is the one expected, and an icon file that mixes
bitmap and PNG entries.
Usage: make_chunked_files.py OUTDIR (bitmap_entries.ico and entry_png.png in
OUTDIR already)"""
import os
import struct
import sys
import zlib

RED, BLUE, LIME, YELLOW, GREY = (255, 0, 0, 255), (0, 0, 255, 255), (0, 255, 0, 255), (255, 255, 0, 255), (128, 128, 128, 255)
CLEAR = (0, 0, 0, 0)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def pixels(w, h, colour, hole_rows=()):
    """RGBA rows of one colour; the rows listed are fully transparent."""
    rows = b""
    for y in range(h):
        c = CLEAR if y in hole_rows else colour
        rows += b"\0" + bytes(c) * w
    return zlib.compress(rows)


def fctl(seq, w, h, x, y, num, den, dispose, blend):
    return chunk(b"fcTL", struct.pack(">IIIIIHHBB", seq, w, h, x, y, num, den, dispose, blend))


def apng(path, width, height, frames, default_is_frame0=True, hidden=None):
    """frames: (w, h, x, y, num, den, dispose, blend, colour, hole_rows)."""
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    out += chunk(b"acTL", struct.pack(">II", len(frames), 0))
    seq = 0
    for i, (w, h, x, y, num, den, dispose, blend, colour, holes) in enumerate(frames):
        if i == 0 and not default_is_frame0:
            out += chunk(b"IDAT", pixels(width, height, hidden))
        out += fctl(seq, w, h, x, y, num, den, dispose, blend)
        seq += 1
        data = pixels(w, h, colour, holes)
        if i == 0 and default_is_frame0:
            out += chunk(b"IDAT", data)
        else:
            out += chunk(b"fdAT", struct.pack(">I", seq) + data)
            seq += 1
    out += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(out)


out = sys.argv[1]
# Frame 0 is the default image; every dispose_op and both blend_ops occur.
apng(os.path.join(out, "apng_ops.png"), 20, 20, [
    (20, 20, 0, 0, 1, 10, 0, 0, RED, ()),
    (8, 8, 2, 3, 1, 3, 1, 0, BLUE, ()),
    (8, 8, 10, 10, 0, 0, 2, 1, LIME, (3, 4)),
    (6, 6, 4, 4, 100, 1000, 0, 1, YELLOW, (2, 3)),
])
# The default image is not part of the animation.
apng(os.path.join(out, "apng_hidden.png"), 12, 10, [
    (12, 10, 0, 0, 1, 0, 0, 0, BLUE, ()),
    (4, 4, 8, 6, 1, 4, 2, 0, LIME, ()),
], default_is_frame0=False, hidden=GREY)



def gif87a(source, path):
    """The GIF's header, colour table and images, without any extension
    block, under the version 87a."""
    with open(source, "rb") as f:
        gif = f.read()
    start = 13 + ((3 << ((gif[10] & 7) + 1)) if gif[10] & 0x80 else 0)
    out = b"GIF87a" + gif[6:start]

    def sub_blocks(at):
        while gif[at]:
            at += 1 + gif[at]
        return at + 1

    at = start
    while gif[at] != 0x3B:
        if gif[at] == 0x21:
            at = sub_blocks(at + 2)
            continue
        begin = at
        at += 10
        if gif[begin + 9] & 0x80:
            at += 3 << ((gif[begin + 9] & 7) + 1)
        at = sub_blocks(at + 1)
        out += gif[begin:at]
    with open(path, "wb") as f:
        f.write(out + b";")


gif87a(os.path.join(out, "gif87a_src.gif"), os.path.join(out, "gif87a.gif"))

# Icon file: bitmap entry 0 and 2 from ImageMagick's icon, a PNG entry between.
with open(os.path.join(out, "bitmap_entries.ico"), "rb") as f:
    ico = f.read()
with open(os.path.join(out, "entry_png.png"), "rb") as f:
    png = f.read()
count = struct.unpack_from("<H", ico, 4)[0]
entries = []
for i in range(count):
    w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
    entries.append((struct.pack("<BBBBHH", w, h, colours, 0, planes, bits), ico[offset:offset + size]))
side = struct.unpack_from(">I", png, 16)[0]
entries.insert(1, (struct.pack("<BBBBHH", side, side, 0, 0, 1, 32), png))
body = struct.pack("<HHH", 0, 1, len(entries))
offset = 6 + 16 * len(entries)
data = b""
for head, image in entries:
    body += head + struct.pack("<II", len(image), offset + len(data))
    data += image
with open(os.path.join(out, "mixed_entries.ico"), "wb") as f:
    f.write(body + data)
