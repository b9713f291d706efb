#include "thumbnails/renderers/text_encoding.h"

namespace {

bool Continuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

bool Between(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The count without a UTF-8 character that the sample's end cuts: a lead
// byte among the last three whose sequence needs more bytes than follow it.
uint32_t WithoutCutCharacter(const unsigned char* bytes, uint32_t count) {
    for (uint32_t back = 1; back <= 3 && back <= count; ++back) {
        unsigned char b = bytes[count - back];
        if (Continuation(b)) continue;
        uint32_t needed = Between(b, 0xC0, 0xDF) ? 2 : Between(b, 0xE0, 0xEF) ? 3 : Between(b, 0xF0, 0xF7) ? 4 : 1;
        return needed > back ? count - back : count;
    }
    return count;
}

}  // namespace

int64_t Utf8Score(const unsigned char* bytes, uint32_t count) {
    int64_t score = 0;
    uint32_t j = 0;
    while (j < count) {
        unsigned char b = bytes[j];
        uint32_t left = count - j;  // bytes from j to the end, j included
        if (b == 0xA0 || b == 0xFF) {
            ++j;
        } else if (b <= 0x7F) {
            score += 1;
            ++j;
        } else if (left == 1) {
            ++j;
        } else if (Between(b, 0xC0, 0xDF) && Continuation(bytes[j + 1])) {
            score += 2;
            j += 2;
        } else if (left == 2) {
            ++j;
        } else if (Between(b, 0xE0, 0xEF) && Continuation(bytes[j + 1]) && Continuation(bytes[j + 2])) {
            score += 3;
            j += 3;
        } else if (left == 3) {
            return -1;
        } else if (Between(b, 0xF0, 0xF7) && Continuation(bytes[j + 1]) && Continuation(bytes[j + 2]) &&
                   Continuation(bytes[j + 3])) {
            score += 4;
            j += 4;
        } else {
            ++j;
        }
    }
    return score;
}

int64_t ShiftJisScore(const unsigned char* bytes, uint32_t count) {
    int64_t score = 0;
    uint32_t k = 0;
    while (k < count) {
        unsigned char b = bytes[k];
        if (b == 0xA0 || b == 0xFF) {
            ++k;
        } else if (b <= 0x7F || Between(b, 0xA1, 0xDF)) {
            score += 1;
            ++k;
        } else if (k + 1 == count) {
            ++k;
        } else {
            unsigned char second = bytes[k + 1];
            bool lead = Between(b, 0x81, 0x9F) || Between(b, 0xE0, 0xFC);
            bool trail = Between(second, 0x40, 0x7E) || Between(second, 0x80, 0xFC);
            if (!lead || !trail) return -1;
            score += 2;
            k += 2;
        }
    }
    return score;
}

int DetectTextEncoding(const unsigned char* bytes, uint32_t count) {
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return kTextUtf16Le;
    if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return kTextUtf16Be;
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return kTextUtf8;
    bool ascii = true;
    for (uint32_t i = 0; i < count && ascii; ++i) ascii = bytes[i] <= 0x7E;
    if (ascii) return kTextAnsi;
    // The sample is the file's start: a character it cuts at its end would
    // count against UTF-8. Ties go to UTF-8.
    uint32_t scored = WithoutCutCharacter(bytes, count);
    return Utf8Score(bytes, scored) >= ShiftJisScore(bytes, scored) ? kTextUtf8 : kTextAnsi;
}
