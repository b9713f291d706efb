// The recursive folder helpers on real folders: splitting, creating every
// level, moving and copying contents with their merge rules, and the cases
// where a careless walk would lose or endlessly duplicate files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileops/folder_helpers.h"
#include "support/file_operation_fixture.h"
#include "support/test_files.h"

namespace {

using Names = std::vector<std::wstring>;

std::wstring ShortPathOf(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? shortPath : L"";
}

class FolderHelpers : public LedgerTest {
protected:
    std::wstring source = root / L"source";
    std::wstring target = root / L"target";

    void SetUp() override {
        ASSERT_TRUE(MakeFolder(source));
        ASSERT_TRUE(MakeFolder(target));
    }

    // source: a.txt, b.txt, sub\c.txt, sub\deeper\d.txt
    void FillSource() {
        ASSERT_TRUE(MakeFolder(source + L"\\sub\\deeper"));
        ledger.Write(source + L"\\a.txt");
        ledger.Write(source + L"\\b.txt");
        ledger.Write(source + L"\\sub\\c.txt");
        ledger.Write(source + L"\\sub\\deeper\\d.txt");
    }
};

}  // namespace

TEST(SplitString, CutsAtEveryDelimiter) {
    struct Case {
        const wchar_t* text;
        Names parts;
    };
    const Case cases[] = {
        {L"", {}},
        {L"whole", {L"whole"}},
        {L"C:\\a\\b", {L"C:", L"a", L"b"}},
        {L"\\lead", {L"", L"lead"}},
        {L"a\\\\b", {L"a", L"", L"b"}},
        {L"trail\\", {L"trail"}},
        {L"\\", {L""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        EXPECT_EQ(SplitString(c.text, L'\\'), c.parts);
    }
    EXPECT_EQ(SplitString(L"play 10 20", L' '), Names({L"play", L"10", L"20"}));
}

TEST_F(FolderHelpers, CreateDirectoryPathMakesEveryMissingLevel) {
    std::wstring deep = root / L"one\\two\\three";
    CreateDirectoryPath(deep.c_str());
    EXPECT_TRUE(FolderExists(deep));
    WriteText(deep + L"\\keep.txt", "keep");
    CreateDirectoryPath(deep.c_str());  // every level exists: nothing changes
    EXPECT_EQ(FolderEntries(deep), Names({L"keep.txt"}));

    // A doubled backslash and a trailing one name the same levels.
    CreateDirectoryPath((root / L"x\\\\y\\").c_str());
    EXPECT_TRUE(FolderExists(root / L"x\\y"));

    // A level that is a file stops the deeper ones without harm.
    ledger.Write(root / L"file");
    CreateDirectoryPath((root / L"file\\below").c_str());
    EXPECT_FALSE(FolderExists(root / L"file\\below"));
    ExpectNothingLost();

    // A path longer than MAX_PATH creates what fits and ends.
    std::wstring tooLong = root.path();
    while (tooLong.size() < 300) tooLong += L"\\abcdefghij";
    CreateDirectoryPath(tooLong.c_str());
}

TEST_F(FolderHelpers, MoveIntoAnEmptyTarget) {
    FillSource();
    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(FolderEntries(source), Names()) << "the source itself is left, empty, for the caller";
    EXPECT_EQ(FolderEntries(target), Names({L"a.txt", L"b.txt", L"sub"}));
    EXPECT_EQ(FolderEntries(target + L"\\sub\\deeper"), Names({L"d.txt"}));
    EXPECT_EQ(ReadByteString(target + L"\\sub\\c.txt"), ledger.ContentsOf(source + L"\\sub\\c.txt"));
    ExpectNothingLost();
}

TEST_F(FolderHelpers, MoveOntoAnExistingFileRecyclesTheOldOne) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    FillSource();
    std::string old = ledger.Write(target + L"\\a.txt");
    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(ReadByteString(target + L"\\a.txt"), ledger.ContentsOf(source + L"\\a.txt"));
    EXPECT_TRUE(RecycleBinHolds(old)) << "the replaced file can be restored";
    ExpectNothingLost();
}

TEST_F(FolderHelpers, MoveDoesNotReplaceAFolderByAFileOrTheReverse) {
    ASSERT_TRUE(MakeFolder(source + L"\\clash"));
    ledger.Write(source + L"\\clash\\inner.txt");
    ledger.Write(source + L"\\name");
    ledger.Write(target + L"\\clash");
    ASSERT_TRUE(MakeFolder(target + L"\\name"));
    ledger.Write(target + L"\\name\\kept.txt");
    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_TRUE(FileExists(source + L"\\name"));
    EXPECT_TRUE(FileExists(source + L"\\clash\\inner.txt"));
    EXPECT_TRUE(FileExists(target + L"\\clash"));
    EXPECT_TRUE(FileExists(target + L"\\name\\kept.txt"));
    ExpectNothingLost();
}

TEST_F(FolderHelpers, CopyKeepsOrReplacesExistingFilesByTheFlag) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    FillSource();
    ASSERT_TRUE(MakeFolder(target + L"\\sub"));
    std::string oldA = ledger.Write(target + L"\\a.txt");
    std::string oldC = ledger.Write(target + L"\\sub\\c.txt");

    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 0), 1);
    EXPECT_EQ(ReadByteString(target + L"\\a.txt"), oldA) << "overwrite 0 keeps what was there";
    EXPECT_EQ(ReadByteString(target + L"\\sub\\c.txt"), oldC);
    EXPECT_EQ(ReadByteString(target + L"\\b.txt"), ledger.ContentsOf(source + L"\\b.txt")) << "missing files are added";
    EXPECT_EQ(ReadByteString(target + L"\\sub\\deeper\\d.txt"), ledger.ContentsOf(source + L"\\sub\\deeper\\d.txt"));

    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 1), 1);
    EXPECT_EQ(ReadByteString(target + L"\\a.txt"), ledger.ContentsOf(source + L"\\a.txt"));
    EXPECT_EQ(ReadByteString(target + L"\\sub\\c.txt"), ledger.ContentsOf(source + L"\\sub\\c.txt"));
    EXPECT_TRUE(RecycleBinHolds(oldA));
    EXPECT_TRUE(RecycleBinHolds(oldC));
    EXPECT_EQ(FolderEntries(source), Names({L"a.txt", L"b.txt", L"sub"})) << "a copy leaves its source";
    ExpectNothingLost();
}

// Wine keeps no read-only attribute on folders, so the system attribute
// stands for both kinds that the walks leave alone.
TEST_F(FolderHelpers, SystemSubfolderStaysInTheSource) {
    FillSource();
    ASSERT_TRUE(MakeFolder(source + L"\\locked"));
    ledger.Write(source + L"\\locked\\inside.txt");
    ASSERT_TRUE(SetFileAttributesW((source + L"\\locked").c_str(), FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 0), 1);
    EXPECT_FALSE(FolderExists(target + L"\\locked"));
    RemoveTree(target);
    ASSERT_TRUE(MakeFolder(target));

    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(FolderEntries(source), Names({L"locked"}));
    EXPECT_TRUE(FileExists(source + L"\\locked\\inside.txt"));
    EXPECT_EQ(FolderEntries(target), Names({L"a.txt", L"b.txt", L"sub"}));
    SetFileAttributesW((source + L"\\locked").c_str(), FILE_ATTRIBUTE_NORMAL);
    ExpectNothingLost();
}

TEST_F(FolderHelpers, EmptyOrMissingSource) {
    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 1), 1);
    EXPECT_EQ(FolderEntries(target), Names());
    std::wstring missing = root / L"missing";
    EXPECT_EQ(MoveFolderContents(missing.c_str(), target.c_str()), 0);
    EXPECT_EQ(CopyFolderContents(missing.c_str(), target.c_str(), 0), 0);
}

TEST_F(FolderHelpers, TargetThatIsTheSourceOrInsideItIsRefused) {
    FillSource();
    std::wstring shortSource = ShortPathOf(source);
    std::vector<std::wstring> targets = {
        source,
        source + L"\\",
        source + L"\\.",
        root / L".\\SOURCE",
        root / L"target\\..\\source",
        source + L"\\sub",
        source + L"\\sub\\deeper",
        source + L"\\new\\level",
    };
    if (!shortSource.empty()) targets.push_back(shortSource);
    for (const std::wstring& inside : targets) {
        SCOPED_TRACE(ToUtf8(inside));
        EXPECT_EQ(CopyFolderContents(source.c_str(), inside.c_str(), 1), 0);
        EXPECT_EQ(MoveFolderContents(source.c_str(), inside.c_str()), 0);
        EXPECT_EQ(FolderEntries(source), Names({L"a.txt", L"b.txt", L"sub"}));
        EXPECT_EQ(FolderEntries(source + L"\\sub"), Names({L"c.txt", L"deeper"}));
        EXPECT_EQ(FolderEntries(source + L"\\sub\\deeper"), Names({L"d.txt"}));
    }
    EXPECT_FALSE(FolderExists(source + L"\\new"));
    ExpectNothingLost();

    // A sibling whose name begins with the source's name is not inside it.
    std::wstring sibling = root / L"source2";
    ASSERT_TRUE(MakeFolder(sibling));
    EXPECT_EQ(CopyFolderContents(source.c_str(), sibling.c_str(), 0), 1);
    EXPECT_EQ(FolderEntries(sibling), Names({L"a.txt", L"b.txt", L"sub"}));
}

TEST_F(FolderHelpers, EntriesWhosePathsDoNotFitStayInTheSource) {
    // A target so deep that the source's longer names no longer fit beside it.
    std::wstring deepTarget = target;
    while (deepTarget.size() < MAX_PATH - 16) deepTarget += L"\\d";
    deepTarget.resize(MAX_PATH - 16);
    if (deepTarget.back() == L'\\') deepTarget.pop_back();
    CreateDirectoryPath(deepTarget.c_str());
    ASSERT_TRUE(FolderExists(deepTarget));
    ledger.Write(source + L"\\short.t");
    ledger.Write(source + L"\\a_name_too_long_to_fit.txt");
    ASSERT_TRUE(MakeFolder(source + L"\\folder_too_long_to_fit"));
    ledger.Write(source + L"\\folder_too_long_to_fit\\x.txt");

    EXPECT_EQ(MoveFolderContents(source.c_str(), deepTarget.c_str()), 1);
    EXPECT_EQ(FolderEntries(deepTarget), Names({L"short.t"}));
    EXPECT_EQ(FolderEntries(source), Names({L"a_name_too_long_to_fit.txt", L"folder_too_long_to_fit"}));
    EXPECT_TRUE(FileExists(source + L"\\folder_too_long_to_fit\\x.txt"));
    ExpectNothingLost();

    // A source folder whose pattern would not fit is not listed at all.
    std::wstring tooLong = root.path();
    while (tooLong.size() < MAX_PATH) tooLong += L"\\abcdefghij";
    EXPECT_EQ(CopyFolderContents(tooLong.c_str(), target.c_str(), 0), 0);
}

TEST_F(FolderHelpers, MoveToAnotherDriveKeepsEveryByteInOnePlace) {
    std::wstring spare = SpareDriveRoot();
    if (spare.empty()) GTEST_SKIP() << "the test run has mapped no spare drive on another file system";
    TempFolder other(spare);
    ASSERT_TRUE(FolderExists(other.path()));
    FillSource();
    std::string big = ledger.Write(source + L"\\big.bin", 3 << 20);

    // A file another process keeps open without sharing cannot move: it stays.
    HANDLE held = CreateFileW((source + L"\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MoveFolderContents(source.c_str(), other.path().c_str()), 1);
    CloseHandle(held);
    EXPECT_EQ(FolderEntries(source), Names({L"b.txt"}));
    EXPECT_EQ(ReadByteString(source + L"\\b.txt"), ledger.ContentsOf(source + L"\\b.txt"));
    EXPECT_FALSE(FileExists(other / L"b.txt")) << "no part copy of the file that stayed";
    EXPECT_EQ(ReadByteString(other / L"big.bin"), big);
    EXPECT_EQ(ReadByteString(other / L"sub\\deeper\\d.txt"), ledger.ContentsOf(source + L"\\sub\\deeper\\d.txt"));
    EXPECT_EQ(ledger.Lost({root.path(), other.path()}), Names());

    // A read-only file moves between drives too.
    ledger.Write(source + L"\\readonly.txt");
    SetFileAttributesW((source + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(MoveFileWhole((source + L"\\readonly.txt").c_str(), (other / L"readonly.txt").c_str()));
    EXPECT_FALSE(FileExists(source + L"\\readonly.txt"));
    SetFileAttributesW((other / L"readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ledger.Lost({root.path(), other.path()}), Names());
}

TEST_F(FolderHelpers, DeleteFolderContentsForGoodLeavesTheFolder) {
    FillSource();
    ASSERT_TRUE(MakeFolder(source + L"\\locked"));
    WriteText(source + L"\\locked\\inside.txt", "x");
    SetFileAttributesW((source + L"\\locked").c_str(), FILE_ATTRIBUTE_SYSTEM);
    DeleteFolderContents(source.c_str(), 0);
    EXPECT_TRUE(FolderExists(source));
    EXPECT_EQ(FolderEntries(source), Names({L"locked"})) << "a system folder is left alone";
    SetFileAttributesW((source + L"\\locked").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderHelpers, DeleteFolderContentsRecyclesEveryFile) {
    if (RecycleBinFolder().empty()) GTEST_SKIP() << "the test run names no recycle bin folder";
    FillSource();
    DeleteFolderContents(source.c_str(), 1);
    EXPECT_EQ(FolderEntries(source), Names());
    EXPECT_TRUE(RecycleBinHolds(ledger.ContentsOf(source + L"\\sub\\deeper\\d.txt")));
    ExpectNothingLost();
}

// A link to a folder (under Wine a Unix symbolic link) is one entry: no walk
// enters it, so what it points to is neither moved, copied, recycled nor
// deleted through it, and a link back to a parent copies nothing forever.
TEST_F(FolderHelpers, LinksAreEntriesThatNoWalkEnters) {
    std::wstring outside = root / L"outside";
    ASSERT_TRUE(MakeFolder(outside));
    ledger.Write(outside + L"\\x.txt");
    ledger.Write(outside + L"\\y.txt");
    ledger.Write(source + L"\\a.txt");
    if (!MakeFolderLink(source + L"\\link", outside)) GTEST_SKIP() << "no Unix symbolic link can be made here";
    ASSERT_TRUE(MakeFolderLink(source + L"\\loop", source));
    Names outsideNames = {L"x.txt", L"y.txt"};

    int missed = 0;
    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 1, &missed), 1);
    EXPECT_EQ(FolderEntries(target), Names({L"a.txt"})) << "neither link is entered or copied";
    EXPECT_EQ(missed, 2) << "both links count as not copied";
    RemoveTree(target);
    ASSERT_TRUE(MakeFolder(target));

    EXPECT_EQ(MoveFolderContents(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(FolderEntries(outside), outsideNames);
    // Where the platform cannot move a link itself (Wine), it stays.
    bool moved = FolderEntries(source).empty();
    EXPECT_EQ(FolderEntries(target), moved ? Names({L"a.txt", L"link", L"loop"}) : Names({L"a.txt"}));
    EXPECT_EQ(FolderEntries(source), moved ? Names() : Names({L"link", L"loop"}));
    std::wstring holder = moved ? target : source;

    for (int recycle : {1, 0}) {
        SCOPED_TRACE(recycle);
        DeleteFolderContents(holder.c_str(), recycle);
        EXPECT_EQ(FolderEntries(outside), outsideNames) << "nothing deleted through the link";
        EXPECT_FALSE(RecycleBinHolds(ledger.ContentsOf(outside + L"\\x.txt")));
    }
    EXPECT_EQ(ReadByteString(outside + L"\\x.txt"), ledger.ContentsOf(outside + L"\\x.txt"));
    EXPECT_EQ(ReadByteString(outside + L"\\y.txt"), ledger.ContentsOf(outside + L"\\y.txt"));
}

// A folder copy that fails part way (a file held open by another program, a
// subfolder that cannot be made) says so, and the folder it made for the copy
// goes again; in a folder that was there what arrived stays.
TEST_F(FolderHelpers, FolderCopiesThatFailPartWay) {
    FillSource();
    HANDLE held = CreateFileW((source + L"\\sub\\c.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::wstring made = root / L"made";
    EXPECT_FALSE(CopyFolderInto(source.c_str(), made.c_str(), 0));
    EXPECT_FALSE(FolderExists(made)) << "the folder made for the copy goes again";
    EXPECT_FALSE(CopyFolderInto(source.c_str(), target.c_str(), 0));
    CloseHandle(held);
    EXPECT_EQ(FolderEntries(target), Names({L"a.txt", L"b.txt", L"sub"}));
    EXPECT_EQ(FolderEntries(target + L"\\sub"), Names({L"deeper"}));

    // A file where a subfolder goes: the subfolder cannot be made.
    RemoveTree(target);
    ASSERT_TRUE(MakeFolder(target));
    WriteText(target + L"\\sub", "in the way");
    int missed = 0;
    EXPECT_EQ(CopyFolderContents(source.c_str(), target.c_str(), 0, &missed), 1);
    EXPECT_EQ(missed, 1);
    EXPECT_FALSE(CopyFolderInto(source.c_str(), target.c_str(), 0));
    EXPECT_EQ(FolderEntries(target), Names({L"a.txt", L"b.txt", L"sub"}));
    EXPECT_TRUE(CopyFolderInto((source + L"\\sub").c_str(), made.c_str(), 0));
    EXPECT_EQ(FolderEntries(made), Names({L"c.txt", L"deeper"}));
    ExpectNothingLost();
}
