#include "preview/apng_frames.h"

#include <array>
#include <climits>
#include <cstring>

namespace {

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
void PutBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Signature and IHDR chunk; the rebuilt frame writes this much first.
constexpr size_t kHeaderBytes = 33;
constexpr size_t kFcTLBytes = 26;

bool IsPng(const uint8_t* data, size_t size) {
    return data && size >= kHeaderBytes && memcmp(data + 1, "PNG", 3) == 0;
}

struct PngChunk {
    size_t start;  // the length field
    uint32_t length;
    const uint8_t* type;
    const uint8_t* body;
};

// The chunk at `position`; false when its header or data and CRC run past
// the end (lengths above 2^31 included).
bool ReadChunk(const uint8_t* data, size_t size, size_t position, PngChunk* chunk) {
    if (position >= size || size - position < 12) return false;
    uint32_t length = Be32(data + position);
    if (length > size - position - 12) return false;
    *chunk = {position, length, data + position + 4, data + position + 8};
    return true;
}

bool TypeIs(const PngChunk& chunk, const char* type) { return memcmp(chunk.type, type, 4) == 0; }

size_t NextChunk(const PngChunk& chunk) { return chunk.start + 12 + chunk.length; }

int CountFcTL(const uint8_t* data, size_t size) {
    int count = 0;
    PngChunk chunk;
    for (size_t p = 8; ReadChunk(data, size, p, &chunk) && !TypeIs(chunk, "IEND"); p = NextChunk(chunk)) {
        if (TypeIs(chunk, "fcTL") && chunk.length >= kFcTLBytes && count < INT_MAX) ++count;
    }
    return count;
}

bool Append(uint8_t* out, size_t capacity, size_t* length, const uint8_t* bytes, size_t count) {
    if (count > capacity - *length) return false;
    memcpy(out + *length, bytes, count);
    *length += count;
    return true;
}

}  // namespace

uint32_t PngCrc32(const uint8_t* bytes, size_t count, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int ReadApngFrameInfo(int* n, const uint8_t* data, size_t size, int* delayMs,
                      TFrameRect* placement, int* frameCode, int* animated) {
    if (!IsPng(data, size)) return 0;
    int frames = 0;
    // Counted at the first acTL only: a file of many acTL chunks would
    // otherwise walk the whole file again for each.
    int present = -1;
    bool sawAcTL = false, sawFcTL = false, sawIdat = false;
    int counter = -1;
    PngChunk chunk;
    for (size_t p = 8; ReadChunk(data, size, p, &chunk) && !TypeIs(chunk, "IEND"); p = NextChunk(chunk)) {
        if (TypeIs(chunk, "acTL")) {
            if (chunk.length < 8) break;
            *animated = 1;
            sawAcTL = true;
            // A count above the frames present would step through frames
            // that show nothing.
            uint32_t announced = Be32(chunk.body);
            if (present < 0) present = CountFcTL(data, size);
            frames = announced < static_cast<uint32_t>(present) ? static_cast<int>(announced) : present;
            if (*n >= frames) *n = 0;
        } else if (TypeIs(chunk, "fcTL")) {
            if (chunk.length < kFcTLBytes) break;
            sawFcTL = true;
            if (++counter != *n) continue;
            const uint8_t* f = chunk.body;
            uint16_t num = Be16(f + 20), den = Be16(f + 22);
            if (num == 0) {
                *delayMs = 0;
            } else {
                double seconds = static_cast<double>(num) / (den == 0 ? 100 : den);
                *delayMs = static_cast<int>(seconds * 1000.0);
            }
            // Sizes above INT_MAX are kept negative so they are never usable.
            *placement = {static_cast<int32_t>(Be32(f + 12)), static_cast<int32_t>(Be32(f + 16)),
                          static_cast<int32_t>(Be32(f + 4)), static_cast<int32_t>(Be32(f + 8))};
            int dispose = f[24];
            if (*n == 0 && dispose == 2) dispose = 1;
            int code = dispose + 1 + (f[25] == 1 ? 8 : 0);
            *frameCode = sawIdat ? code : -code;
        } else if (TypeIs(chunk, "IDAT")) {
            if (!sawAcTL && !sawFcTL && *n == 0 && !sawIdat) {
                *delayMs = 0;
                *frameCode = -1;
                *placement = {0, 0, static_cast<int32_t>(Be32(data + 16)), static_cast<int32_t>(Be32(data + 20))};
            }
            sawIdat = true;
        }
    }
    return frames;
}

size_t BuildApngFramePng(const uint8_t* data, size_t size, uint8_t* out, size_t capacity, int n,
                         int frameCode) {
    if (!IsPng(data, size) || capacity < kHeaderBytes || n < 0) return 0;
    size_t length = kHeaderBytes;
    bool headerWritten = false;
    int counter = -1;
    PngChunk chunk;
    for (size_t p = 8; ReadChunk(data, size, p, &chunk); p = NextChunk(chunk)) {
        const size_t whole = chunk.length + size_t{12};
        if (TypeIs(chunk, "fcTL")) {
            if (chunk.length < kFcTLBytes) break;
            if (++counter != n) continue;
            const uint8_t* f = chunk.body;
            uint32_t w = Be32(f + 4), h = Be32(f + 8), x = Be32(f + 12), y = Be32(f + 16);
            uint32_t canvasW = Be32(data + 16), canvasH = Be32(data + 20);
            // A frame never reaches outside the canvas the file declares.
            if (w == 0 || h == 0 || x > canvasW || w > canvasW - x || y > canvasH || h > canvasH - y) return 0;
            memcpy(out, data, 16);
            PutBe32(out + 16, w);
            PutBe32(out + 20, h);
            memcpy(out + 24, data + 24, 5);
            PutBe32(out + 29, PngCrc32(out + 12, 17));
            headerWritten = true;
        } else if (TypeIs(chunk, "PLTE") || TypeIs(chunk, "tRNS")) {
            if (!Append(out, capacity, &length, data + chunk.start, whole)) return 0;
        } else if (TypeIs(chunk, "IDAT")) {
            if (frameCode < 0 && counter == n && !Append(out, capacity, &length, data + chunk.start, whole))
                return 0;
        } else if (TypeIs(chunk, "fdAT")) {
            if (counter != n || chunk.length < 4) continue;
            uint8_t head[8];
            PutBe32(head, chunk.length - 4);
            memcpy(head + 4, "IDAT", 4);
            uint8_t crc[4];
            PutBe32(crc, PngCrc32(chunk.body + 4, chunk.length - 4, PngCrc32(head + 4, 4)));
            if (!Append(out, capacity, &length, head, 8) ||
                !Append(out, capacity, &length, chunk.body + 4, chunk.length - 4) ||
                !Append(out, capacity, &length, crc, 4))
                return 0;
        } else if (TypeIs(chunk, "IEND")) {
            if (!Append(out, capacity, &length, data + chunk.start, whole)) return 0;
            if (counter == n) break;
        }
    }
    return headerWritten ? length : 0;
}
