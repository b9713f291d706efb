// Listing a folder into a list view: which entries, in which order, and the
// lookup of an item by name.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

namespace {

class FolderListing : public testing::Test {
protected:
    void SetUp() override {
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_ICON | LVS_AUTOARRANGE, 0, 0, 300, 300, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(list_, nullptr);
        listView = list_;
    }
    void TearDown() override {
        listView = nullptr;
        DestroyWindow(list_);
    }
    std::vector<std::wstring> List(const std::wstring& folder, int hide = 1) {
        ListFolder(list_, folder.c_str(), hide);
        return ListViewNames(list_);
    }
    HWND list_ = nullptr;
};

// Entries to create: a trailing backslash makes a folder.
void Make(const TempFolder& folder, const std::vector<std::wstring>& entries) {
    for (const std::wstring& e : entries) {
        if (!e.empty() && e.back() == L'\\') {
            MakeFolder(folder / e.substr(0, e.size() - 1));
        } else {
            WriteText(folder / e, "x");
        }
    }
}

}  // namespace

TEST_F(FolderListing, OrderOfNames) {
    struct Case {
        const char* what;
        std::vector<std::wstring> entries;
        std::vector<std::wstring> order;
    } cases[] = {
        {"folders first, natural numbers",
         {L"b\\", L"a.txt", L"A\\", L"img10.png", L"img2.png"},
         {L"A", L"b", L"a.txt", L"img2.png", L"img10.png"}},
        {"equal stems by extension", {L"photo.png", L"photo.jpg"}, {L"photo.jpg", L"photo.png"}},
        {"no extension before one", {L"notes.txt", L"notes"}, {L"notes", L"notes.txt"}},
        {"folder with a dot by its stem",
         {L"archive.2020\\", L"archive_b\\", L"archivea\\", L"archive.txt"},
         {L"archive.2020", L"archive_b", L"archivea", L"archive.txt"}},
        {"numbers by value inside names",
         {L"v1.10.txt", L"v1.9.txt", L"x100", L"x20", L"x3"},
         {L"v1.9.txt", L"v1.10.txt", L"x3", L"x20", L"x100"}},
        {"letters without regard to case", {L"Beta.txt", L"alpha.txt", L"GAMMA.txt"},
         {L"alpha.txt", L"Beta.txt", L"GAMMA.txt"}},
        {"extensions in natural order", {L"f.mp10", L"f.mp3", L"f.MP4"}, {L"f.mp3", L"f.MP4", L"f.mp10"}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        Make(folder, c.entries);
        EXPECT_EQ(List(folder.path()), c.order) << c.what;
    }
}

TEST_F(FolderListing, ImageIndexIsThePosition) {
    TempFolder folder;
    Make(folder, {L"c.txt", L"b.txt", L"a\\", L"d.txt"});
    ListFolder(list_, folder.path().c_str(), 1);
    ASSERT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        ASSERT_TRUE(SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(item.iImage, i);
    }
}

TEST_F(FolderListing, ListingReplacesThePreviousOne) {
    TempFolder first;
    TempFolder second;
    Make(first, {L"one.txt", L"two.txt"});
    Make(second, {L"three.txt"});
    EXPECT_EQ(List(first.path()).size(), 2u);
    EXPECT_EQ(List(second.path()), std::vector<std::wstring>{L"three.txt"});
    EXPECT_TRUE(List(second / L"missing").empty());
    EXPECT_TRUE(List(second / L"three.txt").empty());
    EXPECT_TRUE(List(L"").empty());
}

TEST_F(FolderListing, CacheFolderHiddenInAnyCaseWhenAsked) {
    struct Case {
        const wchar_t* entry;
        std::vector<std::wstring> shown;  // with hideCache other than 1
    } cases[] = {
        {L"Zuv_CACHE\\", {L"Zuv_CACHE", L"a.txt"}},
        {L"zuv_cache\\", {L"zuv_cache", L"a.txt"}},
        {L"ZUV_CACHE", {L"a.txt", L"ZUV_CACHE"}},  // a file of that name too
    };
    for (const Case& c : cases) {
        TempFolder folder;
        Make(folder, {c.entry, L"a.txt"});
        EXPECT_EQ(List(folder.path(), 1), std::vector<std::wstring>{L"a.txt"}) << c.entry;
        EXPECT_EQ(List(folder.path(), 0), c.shown) << c.entry;
        EXPECT_EQ(List(folder.path(), 2), c.shown) << c.entry;
    }
}

TEST_F(FolderListing, OldCacheFolderIsRenamed) {
    {
        TempFolder folder;
        Make(folder, {L"Zuv_CASH\\", L"Zuv_CASH\\a.Zuv.icon.ico", L"b.txt"});
        EXPECT_EQ(List(folder.path(), 1), std::vector<std::wstring>{L"b.txt"});
        EXPECT_FALSE(FolderExists(folder / L"Zuv_CASH"));
        EXPECT_TRUE(FileExists(folder / L"Zuv_CACHE\\a.Zuv.icon.ico"));
        EXPECT_EQ(List(folder.path(), 0), (std::vector<std::wstring>{L"Zuv_CACHE", L"b.txt"}));
    }
    {
        TempFolder folder;
        Make(folder, {L"Zuv_CASH\\", L"Zuv_CASH\\old.ico", L"Zuv_CACHE\\", L"Zuv_CACHE\\new.ico"});
        EXPECT_EQ(List(folder.path(), 1), std::vector<std::wstring>{L"Zuv_CASH"});
        EXPECT_TRUE(FileExists(folder / L"Zuv_CASH\\old.ico"));
        EXPECT_TRUE(FileExists(folder / L"Zuv_CACHE\\new.ico"));
    }
    {
        // A file of the old name is no folder to rename.
        TempFolder folder;
        Make(folder, {L"Zuv_CASH"});
        EXPECT_EQ(List(folder.path(), 1), std::vector<std::wstring>{L"Zuv_CASH"});
        EXPECT_TRUE(FileExists(folder / L"Zuv_CASH"));
    }
}

TEST_F(FolderListing, ReadOnlyAndSystemSubFoldersLeftOutHiddenEntriesListed) {
    TempFolder folder;
    Make(folder, {L"plain\\", L"locked\\", L"system\\", L"readonly.txt", L"hidden.txt", L".dot"});
    ASSERT_TRUE(SetFileAttributesW((folder / L"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    SetFileAttributesW((folder / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((folder / L"locked").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((folder / L"system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    DWORD locked = GetFileAttributesW((folder / L"locked").c_str());
    DWORD system = GetFileAttributesW((folder / L"system").c_str());
    DWORD hidden = GetFileAttributesW((folder / L".dot").c_str());
    if (!(locked & FILE_ATTRIBUTE_READONLY) && !(system & FILE_ATTRIBUTE_SYSTEM)) {
        GTEST_SKIP() << "this file system keeps neither the read-only nor the system attribute of a folder";
    }
    EXPECT_TRUE(hidden & FILE_ATTRIBUTE_HIDDEN);
    std::vector<std::wstring> expected = {L"plain", L".dot", L"hidden.txt", L"readonly.txt"};
    if (!(locked & FILE_ATTRIBUTE_READONLY)) expected.insert(expected.begin(), L"locked");
    if (!(system & FILE_ATTRIBUTE_SYSTEM)) expected.insert(expected.begin() + 1, L"system");
    EXPECT_EQ(List(folder.path()), expected);
    SetFileAttributesW((folder / L"readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW((folder / L"locked").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW((folder / L"system").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderListing, FindItemByNameAndItsFallbacks) {
    TempFolder folder;
    Make(folder, {L"Alpha.txt", L"beta.txt", L"gamma.txt"});
    ASSERT_EQ(List(folder.path()).size(), 3u);
    struct Case {
        const wchar_t* name;
        int fallback;
        int result;
    } cases[] = {
        {L"gamma.txt", 0, 2}, {L"GAMMA.TXT", 0, 2}, {L"alpha.txt", 2, 0}, {L"missing", 5, 3},
        {L"missing", 1, 1},   {L"missing", 3, 3},   {L"missing", -1, -1}, {L"", 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FindItemByName(c.name, c.fallback), c.result) << c.name << " " << c.fallback;
}

TEST(ListingOrder, CompareListNamesIsAStrictOrder) {
    const wchar_t* folder = L"C:\\pics";
    std::vector<TListingName> names = {
        DescribeListingName(folder, L"a1.txt", false),   DescribeListingName(folder, L"a01.png", false),
        DescribeListingName(folder, L"a1.png", false),   DescribeListingName(folder, L"A1", false),
        DescribeListingName(folder, L"sub.2020", true),  DescribeListingName(folder, L"sub", true),
        DescribeListingName(folder, L"a001.jpg", false), DescribeListingName(folder, L"b", false),
    };
    EXPECT_EQ(names[4].stem, L"C:\\pics\\sub");
    EXPECT_EQ(names[4].extension, L".2020");
    EXPECT_EQ(names[3].extension, L"");
    for (const TListingName& a : names) {
        EXPECT_FALSE(CompareListNames(a, a)) << a.name;
        for (const TListingName& b : names) {
            if (CompareListNames(a, b)) {
                EXPECT_FALSE(CompareListNames(b, a)) << a.name << " " << b.name;
            }
            for (const TListingName& c : names) {
                if (CompareListNames(a, b) && CompareListNames(b, c)) {
                    EXPECT_TRUE(CompareListNames(a, c)) << a.name << " " << b.name << " " << c.name;
                }
            }
        }
    }
    EXPECT_TRUE(CompareListNames(names[5], names[0]));  // folders first
    EXPECT_TRUE(CompareListNames(names[3], names[2]));  // no extension first
    EXPECT_TRUE(CompareListNames(names[2], names[0]));  // .png before .txt
}

TEST_F(FolderListing, ListingOrderEqualsComparingTheFullPaths) {
    TempFolder folder;
    const std::vector<std::wstring> entries = {
        L"1a",      L"-1",         L"'quote",  L"a-b",     L"ab",     L"A b",   L"\uff41\uff42", L"日本語",
        L"にほん",  L"ニホン",     L"_x",      L"x_",      L"10",     L"9",     L"09.txt",       L"a.b.c",
        L".hidden", L"~tilde",     L"#hash",   L"Zz",      L"zZ.txt", L"v2",    L"v10.5",        L"v10.40",
        L"d1\\",    L"d-2\\",      L"d 10\\",  L"D3.x\\",  L"e.1",    L"e.10",  L"e",            L"x1y22z3",
        L"x1y3z1",  L"space end ", L"x.y z",   L"\u00e9t\u00e9"};
    Make(folder, entries);
    std::vector<std::wstring> listed = List(folder.path(), 0);

    std::vector<TListingName> names;
    for (const std::wstring& n : FolderEntries(folder.path())) {
        names.push_back(DescribeListingName(folder.path().c_str(), n.c_str(), FolderExists(folder / n)));
    }
    ASSERT_EQ(names.size(), listed.size());
    std::sort(names.begin(), names.end(), CompareListNames);
    std::vector<std::wstring> sorted;
    for (const TListingName& n : names) sorted.push_back(n.name);
    EXPECT_EQ(listed, sorted);
}
