#include "preview/gif_frames.h"

#include <cstring>

namespace {

enum class GifBlockKind { End, Image, Control, Extension };

struct GifBlock {
    GifBlockKind kind;
    size_t start;
    size_t end;  // one past the block's last byte
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool IsGif(const uint8_t* data, size_t size) {
    return data && size >= 3 && memcmp(data, "GIF", 3) == 0;
}

// Position after the zero length byte of the sub-block chain at `position`;
// 0 when the chain runs past the end.
size_t SkipSubBlocks(const uint8_t* data, size_t size, size_t position) {
    while (position < size) {
        size_t length = data[position];
        if (length == 0) return position + 1;
        if (length > size - position - 1) return 0;
        position += 1 + length;
    }
    return 0;
}

// The block at `position`; End for the trailer, an unknown byte, or a block
// that does not lie wholly inside the data. Every other block is at least 8
// bytes long, so a walk always advances.
GifBlock ReadGifBlock(const uint8_t* data, size_t size, size_t position) {
    const GifBlock end{GifBlockKind::End, position, position};
    if (position >= size) return end;
    size_t left = size - position;
    if (data[position] == 0x2C) {
        if (left < 11) return end;
        size_t p = position + 10;
        uint8_t packed = data[position + 9];
        if (packed & 0x80) {
            size_t table = size_t{3} << ((packed & 7) + 1);
            if (table >= size - p) return end;
            p += table;
        }
        size_t after = SkipSubBlocks(data, size, p + 1);  // past the LZW code size byte
        if (after == 0) return end;
        return {GifBlockKind::Image, position, after};
    }
    if (data[position] == 0x21) {
        if (left < 2) return end;
        uint8_t label = data[position + 1];
        if (label == 0xF9) {
            if (left < 8) return end;
            return {GifBlockKind::Control, position, position + 8};
        }
        // Plain text and application extensions have a fixed header before
        // their sub-blocks; comments and unknown labels begin with them.
        size_t from = label == 0x01 ? 15 : label == 0xFF ? 14 : 2;
        if (from >= left) return end;
        size_t after = SkipSubBlocks(data, size, position + from);
        if (after == 0) return end;
        return {GifBlockKind::Extension, position, after};
    }
    return end;
}

TFrameRect ImageRect(const uint8_t* descriptor) {
    return {Le16(descriptor + 1), Le16(descriptor + 3), Le16(descriptor + 5), Le16(descriptor + 7)};
}

bool Append(uint8_t* out, size_t capacity, size_t* length, const uint8_t* bytes, size_t count) {
    if (count > capacity - *length) return false;
    memcpy(out + *length, bytes, count);
    *length += count;
    return true;
}

}  // namespace

size_t GifFirstBlock(const uint8_t* data, size_t size) {
    if (!IsGif(data, size) || size < 13) return 0;
    size_t position = 13;
    if (data[10] & 0x80) position += size_t{3} << ((data[10] & 7) + 1);
    return position <= size ? position : 0;
}

int CountGifFrames(const uint8_t* data, size_t size) {
    size_t position = GifFirstBlock(data, size);
    return position ? CountGifImageBlocks(data, size, position) : 0;
}

int CountGifImageBlocks(const uint8_t* data, size_t size, size_t position) {
    int count = 0;
    for (GifBlock block = ReadGifBlock(data, size, position); block.kind != GifBlockKind::End;
         block = ReadGifBlock(data, size, block.end)) {
        if (block.kind == GifBlockKind::Image) ++count;
    }
    return count;
}

int GifFrameCode(uint8_t packed) {
    if ((packed & 0x0C) == 0x0C) return 3;
    if (packed & 0x08) return 2;
    return (packed >> 2) & 1;
}

void FindGifFrame(const uint8_t* data, size_t size, size_t position, int n,
                  TFrameRect* placement, int* frameCode) {
    int index = 0;
    for (GifBlock block = ReadGifBlock(data, size, position); block.kind != GifBlockKind::End;
         block = ReadGifBlock(data, size, block.end)) {
        const uint8_t* p = data + block.start;
        if (block.kind == GifBlockKind::Control) {
            *frameCode = GifFrameCode(p[3]);
        } else if (block.kind == GifBlockKind::Image) {
            *placement = ImageRect(p);
            if (index++ == n) return;
        }
    }
}

bool CopyGifFrame(const uint8_t* data, size_t size, size_t position, uint8_t* out, size_t capacity,
                  size_t* outLength, int n, TFrameRect* placement, int* delayMs) {
    size_t length = *outLength;
    if (length > capacity) return false;
    int index = 0;
    for (GifBlock block = ReadGifBlock(data, size, position); block.kind != GifBlockKind::End;
         block = ReadGifBlock(data, size, block.end)) {
        const uint8_t* p = data + block.start;
        if (block.kind == GifBlockKind::Control && index == n) {
            int delay = Le16(p + 4) * 10;
            *delayMs = delay <= 20 ? 100 : delay;
            if (!Append(out, capacity, &length, p, 8)) return false;
        } else if (block.kind == GifBlockKind::Image) {
            if (index++ != n) continue;
            *placement = ImageRect(p);
            if (!Append(out, capacity, &length, p, block.end - block.start)) return false;
            break;
        }
    }
    const uint8_t trailer = 0x3B;
    if (!Append(out, capacity, &length, &trailer, 1)) return false;
    *outLength = length;
    return true;
}

void GetGifCanvasSize(const uint8_t* data, size_t size, TFrameRect* canvas) {
    size_t position = GifFirstBlock(data, size);
    if (!position) return;
    for (GifBlock block = ReadGifBlock(data, size, position); block.kind != GifBlockKind::End;
         block = ReadGifBlock(data, size, block.end)) {
        if (block.kind != GifBlockKind::Image) continue;
        TFrameRect r = ImageRect(data + block.start);
        if (!FrameRectUsable(r)) continue;
        if (r.x + r.width > canvas->width) canvas->width = r.x + r.width;
        if (r.y + r.height > canvas->height) canvas->height = r.y + r.height;
    }
}
