// Archive thumbnails: ZIP archives written by the test (honest and hostile),
// the build's 7z, CAB and LZH archives through the built Windows 7-Zip, and
// the listing reader on its own. Every call must leave nothing behind.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include "shell/main_state.h"
#include "support/archive_files.h"
#include "support/guarded_bytes.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "thumbnails/renderers/archive_thumbnail.h"
#include "thumbnails/worker_params.h"

namespace {

using Bytes = std::vector<unsigned char>;

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kNone = CLR_INVALID;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Red() { return ReadBytes(MediaFixture(L"cover_red.png")); }
Bytes Blue() { return ReadBytes(MediaFixture(L"cover_blue.png")); }
Bytes Padded(Bytes bytes, size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

std::wstring WorkFolder(DWORD threadId = GetCurrentThreadId()) {
    wchar_t folder[MAX_PATH] = L"";
    EXPECT_TRUE(ArchiveWorkFolder(threadId, folder));
    return folder;
}

bool GoneWithin(const std::wstring& path, DWORD ms) {
    for (DWORD start = GetTickCount(); FileExists(path);) {
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
    return true;
}

// The colour in the middle of the picture, which the call then deletes;
// kNone without a picture.
COLORREF TakeColour(HBITMAP picture) {
    if (!picture) return kNone;
    SIZE size = BitmapSize(picture);
    COLORREF colour = PixelColour(PixelAt(picture, size.cx / 2, size.cy / 2));
    DeleteObject(picture);
    return colour;
}

std::string ColourName(COLORREF colour) {
    return colour == kNone ? "no picture" : colour == kRed ? "red" : colour == kBlue ? "blue" : "another colour";
}

class ArchiveThumbnail : public testing::Test {
protected:
    void SetUp() override {
        params.iconSize = 64;
        params.iconSizeSmall = 32;
        params.fontSize = 12;
        params.fontStrJp = L"あいうえお";
        params.fontStrEn = L"Sample";
        params.maxBytes = 64 << 20;
        params.sevenZipPath = sevenZip;
        workerStop = 0;
    }
    void TearDown() override {
        workerStop = 0;
        std::wstring work = WorkFolder();
        EXPECT_FALSE(FolderExists(work)) << "a work folder is left behind";
        // The archiver's handle of it outlives the process for a moment.
        EXPECT_TRUE(GoneWithin(work + L".txt", 2000)) << "a list file is left behind";
    }

    HBITMAP Zip(const std::vector<ZipEntry>& entries, const std::wstring& name = L"a.zip") {
        std::wstring path = folder / name;
        EXPECT_TRUE(WriteBytes(path, MakeZipBytes(entries)));
        HBITMAP slot = nullptr;
        MakeZipThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{name}) << "only the archive stays";
        return slot;
    }

    // Copies the fixture into the browsed folder and opens it there.
    HBITMAP SevenZipFamily(const std::wstring& fixture) {
        std::wstring path = folder / fixture;
        EXPECT_TRUE(CopyFileW(ArchiveFixture(fixture).c_str(), path.c_str(), FALSE)) << ToUtf8(fixture);
        HBITMAP slot = nullptr;
        MakeArchiveThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{fixture}) << "only the archive stays";
        DeleteFileW(path.c_str());
        return slot;
    }

    bool UseSevenZip() {
        std::wstring exe = SevenZipExe();
        lstrcpynW(sevenZip, exe.c_str(), MAX_PATH);
        return !exe.empty();
    }

    TempFolder folder;
    wchar_t sevenZip[MAX_PATH] = L"";
    TWorkerParams params = {};
};

struct ZipCase {
    const char* what;
    std::vector<ZipEntry> entries;
    COLORREF expected;
    int maxBytes = 64 << 20;
};

TEST_F(ArchiveThumbnail, ZipGivesItsFirstMemberThatRenders) {
    const size_t blueSize = Blue().size();
    const ZipCase cases[] = {
        {"a text member is passed over", {{"docs/readme.txt", Text("text")}, {"img/a.png", Red()}}, kRed},
        {"a deflated member", {{"a.txt", Text("text"), true}, {"a.png", Red(), true}}, kRed},
        {"the first of two pictures", {{"a.png", Red()}, {"b.png", Blue()}}, kRed},
        {"nested archives and Flash files are never extracted",
         {{"b.zip", Red()}, {"c.SWF", Red()}, {"d.7z", Red()}, {"e.rar", Red()}, {"f.Cab", Red()},
          {"g.lzh", Red()}, {"d.png", Blue()}},
         kBlue},
        {"a folder entry", {{"pics/", Red()}, {"pics/d.png", Blue()}}, kBlue},
        {"a member of exactly the limit is taken",
         {{"big.png", Padded(Red(), blueSize + 1)}, {"fit.png", Blue()}}, kRed, static_cast<int>(blueSize + 1)},
        {"one byte more is passed over",
         {{"big.png", Padded(Red(), blueSize + 1)}, {"fit.png", Blue()}}, kBlue, static_cast<int>(blueSize)},
        {"a declared 2 GiB does not turn negative", {{"a.png", Red(), false, 0x80000000LL}, {"b.png", Blue()}},
         kBlue},
        {"a declared 4 GiB", {{"a.png", Red(), false, 0xFFFFFFFFLL}, {"b.png", Blue()}}, kBlue},
        {"a declared size beyond the data renders what was read",
         {{"a.png", Red(), false, static_cast<int64_t>(Red().size() + 1000)}}, kRed},
        {"a deflated member shorter than declared", {{"a.png", Red(), true, static_cast<int64_t>(Red().size() * 3)}},
         kRed},
        {"no member renders", {{"a.txt", Text("text")}, {"b.bin", Bytes(100, 0)}}, kNone},
        {"no members", {}, kNone},
        {"climbing names are extracted flat", {{"../../evil.png", Red()}}, kRed},
        {"backslashed climbing names", {{"..\\..\\evil.png", Red()}}, kRed},
        {"a drive in the name", {{"C:evil.png", Red()}}, kRed},
        {"a leading backslash", {{"\\evil.png", Red()}}, kRed},
        {"names that name no file", {{"..", Red()}, {"sub/.", Red()}, {"d.png", Blue()}}, kBlue},
        {"dot steps flatten to their last name", {{".../.../.../evil.png", Red()}}, kRed},
        {"names of dots and blanks",
         {{"...", Red()}, {"sub/....", Red()}, {"sub/. .", Red()}, {" ", Red()}, {"d.png", Blue()}}, kBlue},
        {"names ending in a dot or a blank", {{"evil.png.", Red()}, {"evil.png ", Red()}, {"d.png", Blue()}},
         kBlue},
        {"names beginning with two dots", {{"..evil.png", Red()}, {"sub/...evil.png", Red()}, {"d.png", Blue()}},
         kBlue},
        {"device names", {{"CON", Red()}, {"sub/nul.png", Red()}, {"COM1.png", Red()}, {"lpt9.png", Red()},
                          {"d.png", Blue()}}, kBlue},
    };
    for (const ZipCase& c : cases) {
        SCOPED_TRACE(c.what);
        params.maxBytes = c.maxBytes;
        EXPECT_EQ(ColourName(TakeColour(Zip(c.entries))), ColourName(c.expected));
        std::wstring temp = folder.path().substr(0, folder.path().rfind(L'\\'));
        EXPECT_FALSE(FileExists(JoinPath(temp, L"evil.png")));
        EXPECT_FALSE(FileExists(JoinPath(temp, L"Zuv\\evil.png")));
        EXPECT_FALSE(FileExists(L"C:\\evil.png"));
    }
}

TEST_F(ArchiveThumbnail, DamagedZipArchivesEndTheWalkCleanly) {
    Bytes three = MakeZipBytes({{"a.txt", Text("a")}, {"b.txt", Text("b")}, {"c.png", Red()}});
    // The end record claims 200 entries: the walk ends after the real ones.
    Bytes tooMany = three;
    size_t end = tooMany.size() - 22;
    tooMany.at(end + 8) = 200;
    tooMany.at(end + 10) = 200;
    // Cut inside the central directory: no end record at all.
    Bytes cut(three.begin(), three.begin() + (three.size() - 40));
    // Only the end record is damaged: the directory lies beyond the file.
    Bytes farDirectory = three;
    farDirectory[end + 16] = 0xF0;
    farDirectory[end + 19] = 0x7F;
    struct {
        const char* what;
        Bytes bytes;
        COLORREF expected;
    } cases[] = {
        {"a count beyond the directory", tooMany, kRed},
        {"a cut directory", cut, kNone},
        {"a directory beyond the file", farDirectory, kNone},
        {"not an archive", Text("PK\x03\x04 but nothing else"), kNone},
        {"an empty file", {}, kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = folder / L"a.zip";
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        HBITMAP slot = nullptr;
        MakeZipThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(c.expected));
    }
}

TEST_F(ArchiveThumbnail, ExistingFileInTheWorkFolderIsRenderedAndDeleted) {
    // Members land flat in the work folder: img/a.png meets a.png there,
    // which is rendered in its place.
    std::wstring work = WorkFolder();
    ASSERT_TRUE(MakeFolder(work));
    ASSERT_TRUE(WriteBytes(JoinPath(work, L"a.png"), Blue()));
    EXPECT_EQ(ColourName(TakeColour(Zip({{"img/a.png", Red()}}))), ColourName(kBlue));
}

TEST_F(ArchiveThumbnail, ZipPathsThatTheAnsiCodePageCannotHoldGiveNoPicture) {
    // U+2603 has no form in the Japanese code page.
    EXPECT_EQ(ColourName(TakeColour(Zip({{"a.png", Red()}}, L"\u2603.zip"))), ColourName(kNone));
    DeleteFileW((folder / L"\u2603.zip").c_str());
    // 140 kanji take 280 bytes, more than the 272 that the ANSI path may
    // take, though the wide path fits its 260 characters.
    std::wstring deep = folder / std::wstring(70, L'\u6f22');
    ASSERT_TRUE(MakeFolder(deep));
    std::wstring path = JoinPath(deep, std::wstring(70, L'\u5b57') + L".zip");
    ASSERT_LT(path.size(), 260u);
    ASSERT_TRUE(WriteBytes(path, MakeZipBytes({{"a.png", Red()}})));
    HBITMAP slot = nullptr;
    MakeZipThumbnail(path.c_str(), &params, &slot);
    EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kNone));
    RemoveTree(deep);
    // The same archive under a name the code page holds.
    EXPECT_EQ(ColourName(TakeColour(Zip({{"a.png", Red()}}, L"\u6f22\u5b57.zip"))), ColourName(kRed));
}

struct WalkCall {
    std::wstring path;
    TWorkerParams* params;
    HBITMAP slot = nullptr;
};

DWORD WINAPI WalkThread(LPVOID param) {
    WalkCall* call = static_cast<WalkCall*>(param);
    // The imaging component needs COM, as on the worker thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    MakeZipThumbnail(call->path.c_str(), call->params, &call->slot);
    CoUninitialize();
    return 0;
}

TEST_F(ArchiveThumbnail, StopRequestEndsALongZipWalk) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 1500; ++i) entries.push_back({"text" + std::to_string(i) + ".txt", Text("not a picture")});
    entries.push_back({"last.png", Red()});
    std::wstring path = folder / L"long.zip";
    ASSERT_TRUE(WriteBytes(path, MakeZipBytes(entries)));

    WalkCall call{path, &params};
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WalkThread, &call, 0, &threadId);
    ASSERT_NE(thread, nullptr);
    // Once the walk has made its folder it is among the members.
    std::wstring work = WorkFolder(threadId);
    while (!FolderExists(work) && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) Sleep(1);
    workerStop = 1;
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << "the walk goes on after the stop request";
    CloseHandle(thread);
    workerStop = 0;
    EXPECT_EQ(ColourName(TakeColour(call.slot)), ColourName(kNone));
    EXPECT_FALSE(FolderExists(work));

    // Without a stop the walk goes through every member to the picture.
    HBITMAP slot = nullptr;
    MakeZipThumbnail(path.c_str(), &params, &slot);
    EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kRed));
}

TEST_F(ArchiveThumbnail, TwoWalksAtOnceKeepTheirMembersApart) {
    // An abandoned worker and its successor: both archives hold members of
    // the same names, with pictures of different colours last.
    WalkCall calls[2];
    const Bytes pictures[2] = {Red(), Blue()};
    for (int i = 0; i < 2; ++i) {
        std::vector<ZipEntry> entries;
        for (int j = 0; j < 150; ++j) entries.push_back({"notes" + std::to_string(j) + ".txt", Text("text")});
        entries.push_back({"a.png", pictures[i]});
        calls[i].path = folder / (L"walk" + std::to_wstring(i) + L".zip");
        calls[i].params = &params;
        ASSERT_TRUE(WriteBytes(calls[i].path, MakeZipBytes(entries)));
    }
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i) threads[i] = CreateThread(nullptr, 0, WalkThread, &calls[i], 0, nullptr);
    ASSERT_EQ(WaitForMultipleObjects(2, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_EQ(ColourName(TakeColour(calls[0].slot)), ColourName(kRed));
    EXPECT_EQ(ColourName(TakeColour(calls[1].slot)), ColourName(kBlue));
}

TEST_F(ArchiveThumbnail, FontMemberIsDrawnAtTheIconViewSize) {
    std::wstring font = L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";
    if (!FileExists(font)) GTEST_SKIP() << "no DejaVu Sans font on this machine (fonts-dejavu-core)";
    // In the list view too the sample is drawn at the icon view's size.
    params.iconSize = 96;
    iconView = 0;
    HBITMAP sample = Zip({{"readme.txt", Text("text")}, {"fonts/DejaVuSans.ttf", ReadBytes(font), true}});
    iconView = 1;
    ASSERT_NE(sample, nullptr);
    BitmapPixels pixels = ReadBitmapPixels(sample);
    DeleteObject(sample);
    EXPECT_EQ(pixels.width, 96);
    EXPECT_EQ(pixels.height, 96);
    // Black text on white.
    int dark = 0;
    for (Pixel p : pixels.pixels) dark += (p & 0xFFFFFF) < 0x404040;
    EXPECT_GT(dark, 0);
    EXPECT_EQ(PixelColour(pixels.at(95, 95)), RGB(255, 255, 255));
}

struct FamilyCase {
    const wchar_t* fixture;
    COLORREF expected;
    int maxBytes = 64 << 20;
};

TEST_F(ArchiveThumbnail, SevenZipFamilyThroughTheArchiver) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    const FamilyCase cases[] = {
        // docs\readme.txt, then img\a.png (red)
        {L"members.7z", kRed},
        {L"members.cab", kRed},
        {L"members.lzh", kRed},
        // Names in the user's code page: あ.txt, then 画像\赤.png.
        {L"japanese.7z", kRed},
        // c.swf holds a red picture and is tried; b.zip is extracted, left
        // and passed over for the blue d.png.
        {L"swf.7z", kRed},
        {L"nested.7z", kBlue},
        // big.png (red) is one byte larger than fit.png (blue, 272 bytes).
        {L"limit.7z", kBlue, 272},
        {L"limit.7z", kRed, 273},
        // One name at two depths: a.png (text) brings sub\a.png (red) out
        // along with it; 0\a.png (text) stands before a.png (red).
        {L"text_on_top.7z", kRed},
        {L"text_beneath.7z", kRed},
        // Without standard input the archiver gives up instead of asking for
        // the password.
        {L"locked.7z", kNone},
        {L"locked_names.7z", kNone},
    };
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(ToUtf8(c.fixture) + " " + std::to_string(c.maxBytes));
        params.maxBytes = c.maxBytes;
        EXPECT_EQ(ColourName(TakeColour(SevenZipFamily(c.fixture))), ColourName(c.expected));
    }
}

// Names that climb out of the work folder, in ZIP archives under the names
// of the archiver's formats (the archiver reads them by their signature):
// a picture outside the work folder, which each of them names, survives, and
// the walk goes on to the honest member.
TEST_F(ArchiveThumbnail, SevenZipFamilyNeverReachesOutsideTheWorkFolder) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    // The work folder is TEMP\Zuv\ZuvN: two climbs reach TEMP.
    wchar_t temp[MAX_PATH] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring victim = JoinPath(temp, L"zuv_victim.png");
    const char* names[] = {
        "../../zuv_victim.png",        "..\\..\\zuv_victim.png", ".../.../zuv_victim.png",
        "...\\...\\zuv_victim.png", ". ./. ./zuv_victim.png",    "a/../../../zuv_victim.png",
        "sub./../../zuv_victim.png",   "..../..../zuv_victim.png",  "..zuv_victim.png",
    };
    for (const char* name : names) {
        for (const wchar_t* archive : {L"evil.7z", L"evil.rar", L"evil.cab", L"evil.lzh"}) {
            SCOPED_TRACE(std::string(name) + " in " + ToUtf8(archive));
            ASSERT_TRUE(WriteBytes(victim, Red()));
            std::wstring path = folder / archive;
            ASSERT_TRUE(WriteBytes(path, MakeZipBytes({{name, Red()}, {"d.png", Blue()}})));
            HBITMAP slot = nullptr;
            MakeArchiveThumbnail(path.c_str(), &params, &slot);
            EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kBlue));
            EXPECT_EQ(ReadBytes(victim), Red()) << "the file outside the work folder is gone or changed";
            DeleteFileW(path.c_str());
        }
    }
    DeleteFileW(victim.c_str());
}

// The extraction of one member brings out that member alone, never another
// of the same name in another folder, which may be over the limit.
TEST_F(ArchiveThumbnail, SevenZipExtractsOnlyTheListedMember) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    // text_on_top.7z lists a.png (text, 6 bytes) and sub\a.png (a picture).
    std::wstring work = WorkFolder();
    ASSERT_TRUE(MakeFolder(work));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    ASSERT_TRUE(RunArchiver(MemberExtractionCommand(sevenZip, ArchiveFixture(L"text_on_top.7z").c_str(), work.c_str(),
                                                    L"a.png"),
                            startup, false, NORMAL_PRIORITY_CLASS, 100));
    EXPECT_TRUE(FileExists(JoinPath(work, L"a.png")));
    EXPECT_FALSE(FolderExists(JoinPath(work, L"sub"))) << "sub\\a.png came out with a.png";
    RemoveTree(work);
}

// RAR 5.0 archives of stored members, written by the test (Debian has no
// tool that writes RAR), through the archiver.
TEST_F(ArchiveThumbnail, RarArchivesThroughTheArchiver) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    wchar_t temp[MAX_PATH] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring victim = JoinPath(temp, L"zuv_victim.png");
    const size_t blueSize = Blue().size();
    const ZipCase cases[] = {
        {"a text member, then a picture in a folder", {{"docs/readme.txt", Text("text")}, {"img/a.png", Red()}},
         kRed},
        {"folder entries", {{"docs/", {}}, {"docs/a.txt", Text("text")}, {"pics/", {}}, {"pics/b.png", Blue()}},
         kBlue},
        {"a nested archive is passed over", {{"b.zip", Red()}, {"d.png", Blue()}}, kBlue},
        {"one byte over the limit", {{"big.png", Padded(Red(), blueSize + 1)}, {"fit.png", Blue()}}, kBlue,
         static_cast<int>(blueSize)},
        {"names outside ASCII", {{"\xE3\x81\x82.txt", Text("text")}, {"\xE7\x94\xBB/\xE8\xB5\xA4.png", Red()}},
         kRed},
        {"no member renders", {{"a.txt", Text("text")}}, kNone},
        {"climbing names", {{"../../zuv_victim.png", Blue()}, {".../.../zuv_victim.png", Blue()},
                            {"a/../../../zuv_victim.png", Blue()}, {"d.png", Blue()}}, kBlue},
        {"dots, blanks and devices", {{"sub./../../zuv_victim.png", Blue()}, {"evil.png.", Red()},
                                      {"..evil.png", Red()}, {"nul.png", Red()}, {"d.png", Blue()}}, kBlue},
    };
    for (const ZipCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteBytes(victim, Red()));
        params.maxBytes = c.maxBytes;
        std::wstring path = folder / L"a.rar";
        ASSERT_TRUE(WriteBytes(path, MakeRar5Bytes(c.entries)));
        HBITMAP slot = nullptr;
        MakeArchiveThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(c.expected));
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"a.rar"}) << "only the archive stays";
        EXPECT_EQ(ReadBytes(victim), Red()) << "the file outside the work folder is gone or changed";
    }
    DeleteFileW(victim.c_str());
    // Cut inside the picture's data, and a member whose header claims more
    // than the archive holds.
    Bytes whole = MakeRar5Bytes({{"a.png", Red()}});
    const Bytes damaged[] = {Bytes(whole.begin(), whole.begin() + whole.size() / 2),
                             MakeRar5Bytes({{"a.png", Red(), false, 1LL << 40}})};
    for (const Bytes& bytes : damaged) {
        std::wstring path = folder / L"a.rar";
        ASSERT_TRUE(WriteBytes(path, bytes));
        HBITMAP slot = nullptr;
        MakeArchiveThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kNone));
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::wstring>{L"a.rar"});
    }
}

// The extraction matches names without regard to case: a member whose name
// the listing holds again in another case would bring that one out too,
// whatever its size, so both are passed over.
TEST_F(ArchiveThumbnail, SevenZipFamilyPassesOverNamesListedTwice) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    // Both small pictures fit, the padded one does not.
    params.maxBytes = static_cast<int>(std::max(Red().size(), Blue().size()));
    const ZipCase cases[] = {
        {"the small one first", {{"a.png", Red()}, {"A.PNG", Padded(Blue(), 100000)}, {"c.png", Blue()}}, kBlue},
        {"the big one first", {{"sub/A.PNG", Padded(Blue(), 100000)}, {"SUB/a.png", Red()}}, kNone},
        {"one name at two depths is two names", {{"a.png", Red()}, {"sub/a.png", Blue()}}, kRed},
    };
    for (const ZipCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring path = folder / L"twice.7z";
        ASSERT_TRUE(WriteBytes(path, MakeZipBytes(c.entries)));
        HBITMAP slot = nullptr;
        MakeArchiveThumbnail(path.c_str(), &params, &slot);
        EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(c.expected));
    }
    DeleteFileW((folder / L"twice.7z").c_str());
}

TEST(ArchiveListing, NamesListedTwiceInAnyCase) {
    std::set<std::wstring> repeated =
        RepeatedMemberNames({L"a.png", L"A.PNG", L"b.png", L"sub\\b.png", L"\u00e9.png", L"\u00c9.PNG", L"c"});
    EXPECT_EQ(repeated, (std::set<std::wstring>{FoldedName(L"a.png"), FoldedName(L"\u00e9.png")}));
    EXPECT_TRUE(RepeatedMemberNames({}).empty());
}

TEST_F(ArchiveThumbnail, SevenZipFamilyRendersAnExistingMemberFile) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    std::wstring work = WorkFolder();
    ASSERT_TRUE(MakeFolder(JoinPath(work, L"img")));
    ASSERT_TRUE(WriteBytes(JoinPath(work, L"img\\a.png"), Blue()));
    EXPECT_EQ(ColourName(TakeColour(SevenZipFamily(L"members.7z"))), ColourName(kBlue));
}

TEST_F(ArchiveThumbnail, SevenZipFamilyWithoutAPicture) {
    if (!UseSevenZip()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    std::wstring path = folder / L"broken.7z";
    ASSERT_TRUE(WriteBytes(path, Text("7z but not really")));
    HBITMAP slot = nullptr;
    MakeArchiveThumbnail(path.c_str(), &params, &slot);
    EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kNone));
    // An archiver that cannot be started.
    lstrcpyW(sevenZip, L"C:\\nowhere\\7z.exe");
    MakeArchiveThumbnail(ArchiveFixture(L"members.7z").c_str(), &params, &slot);
    EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kNone));
    // A stop request before the first member.
    UseSevenZip();
    workerStop = 1;
    MakeArchiveThumbnail(ArchiveFixture(L"members.7z").c_str(), &params, &slot);
    EXPECT_EQ(ColourName(TakeColour(slot)), ColourName(kNone));
}

// ---- The listing reader ----

struct Listed {
    std::wstring name;
    long long size;
    bool operator==(const Listed& o) const { return name == o.name && size == o.size; }
};

std::vector<Listed> ReadListing(const std::string& text, UINT codePage = 932) {
    GuardedBytes bytes(Bytes(text.begin(), text.end()));
    std::vector<Listed> members;
    size_t pos = 0;
    std::wstring name;
    long long size = 0;
    while (NextListedMember(bytes.data(), bytes.size(), &pos, codePage, &name, &size)) {
        members.push_back({name, size});
        if (members.size() > 100) break;
    }
    EXPECT_EQ(pos, bytes.size());
    return members;
}

std::string Describe(const std::vector<Listed>& members) {
    std::string out;
    for (const Listed& m : members) out += "[" + ToUtf8(m.name) + " " + std::to_string(m.size) + "]";
    return out;
}

TEST(ArchiveListing, ReadsPathAndSizeOfEveryBlock) {
    struct {
        const char* what;
        std::string text;
        std::vector<Listed> expected;
    } cases[] = {
        {"two blocks as the archiver writes them",
         "Path = docs\\readme.txt\r\nSize = 15\r\nPacked Size = 232\r\nAttributes = A\r\n\r\n"
         "Path = img\\a.png\r\nSize = 268\r\nPacked Size = \r\n\r\n",
         {{L"docs\\readme.txt", 15}, {L"img\\a.png", 268}}},
        {"keys in any case, lines ending in a bare line feed", "path = a b.png\nSIZE = 7\n", {{L"a b.png", 7}}},
        {"only a line's start counts", "Packed Size = 5\nPath = x\nPacked Size = 9\nSize = 3\n", {{L"x", 3}}},
        {"a name in the user's code page", "Path = \x89\xe6\x91\x9c.png\r\nSize = 1\r\n", {{L"\u753b\u50cf.png", 1}}},
        {"the last line without a line break", "Path = a\r\nSize = 12", {{L"a", 12}}},
        {"the last block without a size ends the listing", "Path = a\r\nSize = 1\r\nPath = b\r\nMethod = x\r\n",
         {{L"a", 1}}},
        {"a block without a size takes the next one's", "Path = a\r\nPath = b\r\nSize = 2\r\n", {{L"a", 2}}},
        {"sizes beyond 32 bits", "Path = a\nFolder = -\nSize = 3000000000\n", {{L"a", 3000000000LL}}},
        {"sizes saturate", "Path = a\nSize = 99999999999999999999999\n", {{L"a", LLONG_MAX}}},
        {"an empty size reads 0", "Path = a\nSize = \n", {{L"a", 0}}},
        {"a negative size", "Path = a\nSize = -5\n", {{L"a", -5}}},
        {"an empty name", "Path = \nSize = 1\n", {{L"", 1}}},
        {"nothing listed", "", {}},
        {"a cut key", "Path =", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Describe(ReadListing(c.text)), Describe(c.expected));
    }
}

TEST(ArchiveListing, MemberNamesThatCanBeExtractedAndFoundAgain) {
    struct {
        const wchar_t* name;
        bool plain;
    } cases[] = {
        {L"a.png", true},       {L"docs\\a b.png", true}, {L"\u753b\u50cf\\\u8d64.png", true},
        {L"", false},           {L"..\\a.png", false},    {L"a\\..\\..\\b.png", false},
        {L".\\a.png", false},   {L"\\a.png", false},      {L"C:\\a.png", false},
        {L"C:a.png", false},    {L"a\\\\b.png", false},   {L"a\\", false},
        {L"*", false},          {L"a?.png", false},       {L"a\".png", false},
        {L"a/b.png", false},    {L"a\tb.png", false},     {L"a|b.png", false},
        // Steps of dots and blanks, which Windows and the path helpers read
        // as climbs or as other names.
        {L"...\\a.png", false}, {L"a\\...\\...\\b.png", false}, {L"....", false},
        {L". .\\a.png", false}, {L" \\a.png", false},          {L"a\\ ..\\b.png", false},
        {L"a.png.", false},     {L"a.png ", false},           {L"sub.\\a.png", false},
        {L"sub \\a.png", false}, {L"..a.png", false},          {L"...a.png", false},
        // Device names, with or without an extension, at any depth.
        {L"CON", false},        {L"nul.png", false},          {L"sub\\Aux.txt", false},
        {L"PRN", false},        {L"COM1", false},             {L"com9.png", false},
        {L"LPT1.png", false},   {L"lpt9", false},             {L"NUL .png", false},
        {L"CONIN$", false},     {L"conout$.txt", false},
        // Names that only look like them stay.
        {L"a..b.png", true},    {L".hidden.png", true},       {L"CONSOLE.png", true},
        {L"COM10.png", true},   {L"LPT0.png", true},          {L"sub\\nul_x.png", true},
        {L"a b\\c d.png", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsPlainMemberPath(c.name), c.plain) << ToUtf8(c.name);
    }
}

TEST(ArchiveListing, ZipNamesAreFlattenedToTheirLastComponent) {
    struct {
        const char* name;
        const char* flat;
    } cases[] = {
        {"a.png", "a.png"},          {"docs/img/a.png", "a.png"}, {"../../a.png", "a.png"},
        {"..\\a.png", "a.png"},      {"C:a.png", "a.png"},        {"\\a.png", "a.png"},
        {"pics/", ""},               {"..", ""},                  {"sub/.", ""},
        {"pics/..", ""},             {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FlatMemberName(c.name), c.flat) << c.name;
    }
}

}  // namespace
