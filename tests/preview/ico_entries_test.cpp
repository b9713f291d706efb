#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "preview/ico_entries.h"
#include "support/guarded_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Le32(Bytes& b, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

struct Entry {
    uint8_t width, height;
    Bytes data;
};

// An icon file of the entries, data in entry order after the directory.
Bytes IconFile(const std::vector<Entry>& entries) {
    Bytes b = {0, 0, 1, 0, static_cast<uint8_t>(entries.size()), 0};
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        b.insert(b.end(), {e.width, e.height, 16, 0, 1, 0, 32, 0});
        Le32(b, static_cast<uint32_t>(e.data.size()));
        Le32(b, offset);
        offset += static_cast<uint32_t>(e.data.size());
    }
    for (const Entry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

Bytes BitmapEntry(uint8_t token) {
    Bytes b;
    Le32(b, 40);
    b.insert(b.end(), 20, token);
    return b;
}

const Bytes kPngEntry = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 1, 2, 3};

TEST(IcoEntries, BitmapEntryGetsAOneEntryHeader) {
    Bytes file = IconFile({{16, 16, BitmapEntry(5)}, {32, 32, BitmapEntry(6)}});
    int index = 1;
    Bytes image;
    ASSERT_TRUE(ExtractIcoEntry(file.data(), file.size(), &index, &image));
    EXPECT_EQ(index, 1);
    ASSERT_EQ(image.size(), 22u + 24u);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), Bytes(file.begin(), file.begin() + 4));
    EXPECT_EQ(image[4], 1);
    EXPECT_EQ(image[5], 0);
    // The entry's own fields, with the data offset now 22.
    EXPECT_EQ(Bytes(image.begin() + 6, image.begin() + 18), Bytes(file.begin() + 22, file.begin() + 34));
    EXPECT_EQ(Bytes(image.begin() + 18, image.begin() + 22), (Bytes{22, 0, 0, 0}));
    EXPECT_EQ(Bytes(image.begin() + 22, image.end()), BitmapEntry(6));
}

TEST(IcoEntries, PngEntryIsItsOwnBytesAndIndexWrapsAtTheCount) {
    Bytes file = IconFile({{16, 16, BitmapEntry(5)}, {0, 0, kPngEntry}, {8, 8, BitmapEntry(7)}});
    int index = 1;
    Bytes image;
    ASSERT_TRUE(ExtractIcoEntry(file.data(), file.size(), &index, &image));
    EXPECT_EQ(image, kPngEntry);
    index = 3;
    ASSERT_TRUE(ExtractIcoEntry(file.data(), file.size(), &index, &image));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(image.size(), 22u + 24u);
}

TEST(IcoEntries, EntriesOutsideTheFileGiveNothing) {
    Bytes good = IconFile({{16, 16, BitmapEntry(5)}, {32, 32, BitmapEntry(6)}});
    struct Case { const char* name; size_t at; uint32_t value; int index; };
    for (Case c : {Case{"offset past the end", 22 + 12, 0xFFFFFFF0u, 1}, Case{"size past the end", 22 + 8, 1000, 1},
                   Case{"size and offset wrap", 22 + 8, 0xFFFFFFFFu, 1}, Case{"size under 4", 22 + 8, 3, 1}}) {
        Bytes file = good;
        memcpy(file.data() + c.at, &c.value, 4);
        GuardedBytes bytes(file);
        int index = c.index;
        Bytes image;
        EXPECT_FALSE(ExtractIcoEntry(bytes.data(), bytes.size(), &index, &image)) << c.name;
        EXPECT_TRUE(image.empty()) << c.name;
    }
    // A count above the directory slots in the file is cut to them.
    Bytes lying = good;
    lying[4] = 200;
    lying.resize(6 + 16 + 1);
    GuardedBytes bytes(lying);
    int index = 1;
    Bytes image;
    EXPECT_FALSE(ExtractIcoEntry(bytes.data(), bytes.size(), &index, &image));
    EXPECT_EQ(index, 0);  // one slot fits: entry 1 became entry 0, whose data is gone
}

TEST(IcoEntries, TruncatedFilesEndCleanly) {
    Bytes file = IconFile({{16, 16, BitmapEntry(5)}, {0, 0, kPngEntry}});
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        GuardedBytes bytes(Bytes(file.begin(), file.begin() + cut));
        for (int start = 0; start < 3; ++start) {
            int index = start;
            Bytes image;
            bool found = ExtractIcoEntry(bytes.data(), cut, &index, &image);
            EXPECT_EQ(found, cut == file.size() || (cut >= 6 + 16 * 2 + 24 && index == 0)) << cut << " " << start;
        }
    }
}

}  // namespace
