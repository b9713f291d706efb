// The shell's file list block: a list from any program is read only when it
// ends inside its bytes, whatever its header claims; and a paste of a block
// that does not end does nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileops/file_list_block.h"
#include "shell/main_state.h"
#include "support/file_list_blocks.h"
#include "support/file_operation_fixture.h"
#include "support/guarded_bytes.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A header with the list at `offset` and the given character width.
Bytes Header(unsigned char offset, bool wide) {
    Bytes bytes(20, 0);
    bytes[0] = offset;
    bytes[16] = wide ? 1 : 0;
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(FileListBlock, EndsInsideItsBytes) {
    const Bytes wideA = {'a', 0, 0, 0};  // "a" and its zero
    struct Case {
        const char* name;
        Bytes bytes;
        bool sound;
    };
    const Case cases[] = {
        {"two wide paths", MakeFileListBlock({L"C:\\a b.txt", L"C:\\c"}), true},
        {"no paths", Header(20, true) + Bytes({0, 0, 0, 0}), true},
        // A lone zero: a reader that takes it for an empty path reads on.
        {"a lone zero", MakeFileListBlock({}), false},
        {"a lone ANSI zero", Header(20, false) + Bytes({0}), false},
        {"an empty path first", Header(20, true) + Bytes({0, 0}) + wideA + Bytes({0, 0}), true},
        {"an empty path first, then no end", Header(20, true) + Bytes({0, 0}) + wideA, false},
        {"ANSI path", Header(20, false) + Bytes({'C', ':', '\\', 'a', 0, 0}), true},
        {"list further on", Header(24, true) + Bytes({9, 9, 9, 9}) + wideA + Bytes({0, 0}), true},
        {"empty", {}, false},
        {"header cut short", Bytes(19, 0), false},
        {"header alone", Header(20, true), false},
        {"last zero missing", Header(20, true) + wideA, false},
        {"half a last zero", Header(20, true) + wideA + Bytes({0}), false},
        {"no zero at all", Header(20, true) + Bytes({'a', 0, 'b', 0}), false},
        {"ANSI path without its zeros", Header(20, false) + Bytes({'C', ':', 'x'}), false},
        {"list inside the header", Header(4, true) + Bytes({0, 0, 0, 0}), false},
        {"list past the end", Header(200, true) + Bytes({0, 0}), false},
        {"a path reaching the end", Header(20, true) + Bytes({'a', 0, 0, 0, 'b', 0}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBytes guarded(c.bytes);
        EXPECT_EQ(FileListEndsInBlock(guarded.data(), guarded.size()), c.sound);
    }
    EXPECT_FALSE(FileListEndsInBlock(nullptr, 40));
}

TEST(FileListBlock, PathsInListOrderWithoutEmptyOnes) {
    const Bytes wideA = {'a', 0, 0, 0};
    struct Case {
        const char* name;
        Bytes bytes;
        std::vector<std::wstring> paths;
    };
    const Case cases[] = {
        {"two wide paths", MakeFileListBlock({L"C:\\a b.txt", L"C:\\c"}), {L"C:\\a b.txt", L"C:\\c"}},
        {"ANSI paths", Header(20, false) + Bytes({'C', ':', 'x', 0, 'y', 0, 0}), {L"C:x", L"y"}},
        {"an empty path first", Header(20, true) + Bytes({0, 0}) + wideA + Bytes({0, 0}), {L"a"}},
        {"no paths", Header(20, true) + Bytes({0, 0, 0, 0}), {}},
        {"bytes after the end", Header(20, true) + wideA + Bytes({0, 0, 'b', 0, 0, 0, 0, 0}), {L"a"}},
        {"a lone zero", MakeFileListBlock({}), {}},
        {"no end", Header(20, true) + wideA, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBytes guarded(c.bytes);
        EXPECT_EQ(FileListPathsIn(guarded.data(), guarded.size()), c.paths);
    }
}

class FileListPaste : public FileOperationTest {};

TEST_F(FileListPaste, AListThatDoesNotEndPastesNothing) {
    ledger.Write(current + L"\\a.txt");
    Open(dest);
    // The path runs to the end of the block without its zeros.
    std::wstring path = current + L"\\a.txt";
    Bytes block = Header(20, true);
    for (wchar_t c : path) {
        block.push_back(static_cast<unsigned char>(c & 0xFF));
        block.push_back(static_cast<unsigned char>(c >> 8));
    }
    ASSERT_TRUE(PutFileListOnClipboard(mainWindow, block));
    EXPECT_TRUE(Press('V', {}, false, true).empty());
    EXPECT_TRUE(FolderEntries(dest).empty());
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt"}));
}

// Lists from other programs that begin with an empty path: the paths after it
// are pasted, an empty list does nothing and says nothing.
TEST_F(FileListPaste, EmptyPathsAreLeftOut) {
    ledger.Write(current + L"\\a.txt");
    Open(dest);
    std::wstring path = current + L"\\a.txt";
    Bytes wideA;
    for (wchar_t c : path) wideA.insert(wideA.end(), {static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>(c >> 8)});
    wideA.insert(wideA.end(), {0, 0});
    for (const Bytes& block : {Header(20, true) + Bytes({0, 0, 0, 0}), MakeFileListBlock({}),
                               Header(20, true) + Bytes({0, 0, 0, 0, 0, 0})}) {
        ASSERT_TRUE(PutFileListOnClipboard(mainWindow, block));
        EXPECT_TRUE(Press('V', {}, false, true).empty()) << "no message";
        EXPECT_TRUE(FolderEntries(dest).empty());
    }
    ASSERT_TRUE(PutFileListOnClipboard(mainWindow, Header(20, true) + Bytes({0, 0}) + wideA + Bytes({0, 0})));
    EXPECT_TRUE(Press('V', {}, false, true).empty());
    EXPECT_EQ(FolderEntries(dest), Names({L"a.txt"}));
    ExpectNothingLost();
}
