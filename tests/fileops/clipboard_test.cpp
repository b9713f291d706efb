// Clipboard copy, cut and paste through the real main window, with a second
// program on the clipboard as the shell would be: the exact file list block,
// cut then paste moving and copy pasting a copy, lists made by the other
// program, the same-folder and overwrite questions, and nothing lost when a
// cut is pasted twice or an item is pasted onto or into itself.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileops/file_list_block.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/child_program.h"
#include "support/file_list_blocks.h"
#include "support/file_operation_fixture.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

namespace {

std::wstring SameFolder(const std::wstring& name) { return name + L"\n移動元と移動先が同じです。\n処理を続けますか？"; }
std::wstring Overwrite(const std::wstring& name) {
    return name + L"\n既に同じ名前のファイルが存在します。\n上書きしますか？";
}
std::wstring CopyFailed(const std::wstring& name) { return name + L" のコピーに失敗しました。"; }
std::wstring MoveFailed(const std::wstring& name) { return name + L" の移動に失敗しました。"; }

DialogAnswer Yes() { return DialogAnswer::Press(IDYES); }
DialogAnswer No() { return DialogAnswer::Press(IDNO); }
DialogAnswer Cancel() { return DialogAnswer::Press(IDCANCEL); }

using Shown = std::vector<std::pair<std::wstring, UINT>>;
using Bytes = std::vector<unsigned char>;

// The shell's file list of these paths, as the format lays it out: the list
// at offset 20, no point, not client area, wide; each path and its zero, then
// one more zero.
Bytes FileListOf(const std::vector<std::wstring>& paths) {
    Bytes bytes = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    for (const std::wstring& path : paths) {
        for (wchar_t c : path) {
            bytes.push_back(static_cast<unsigned char>(c & 0xFF));
            bytes.push_back(static_cast<unsigned char>(c >> 8));
        }
        bytes.insert(bytes.end(), {0, 0});
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

class Clipboard : public FileOperationTest {
protected:
    // Runs the other program on the clipboard; its exit status.
    DWORD Peer(const std::wstring& arguments) {
        ChildProgram peer;
        EXPECT_TRUE(peer.Start(JoinPath(BuildFolder(), L"tools\\clipboard_peer.exe"), arguments));
        DWORD status = 99;
        PumpUntil([&] { return WaitForSingleObject(peer.process(), 0) != WAIT_TIMEOUT; }, 20000);
        peer.WaitForExit(0, &status);
        return status;
    }

    // The other program fills the clipboard with these paths and the drop
    // effect, or none for "-".
    void PeerFills(const std::wstring& effect, const std::vector<std::wstring>& paths) {
        std::wstring arguments = L"fill " + effect;
        for (const std::wstring& path : paths) arguments += L" \"" + path + L"\"";
        ASSERT_EQ(Peer(arguments), 0u);
    }

    // What the other program reads from the clipboard: the file list and the
    // drop effect blocks.
    void PeerReads(Bytes* list, Bytes* effect) {
        std::wstring dump = root / L"dump";
        ASSERT_EQ(Peer(L"dump \"" + dump + L"\""), 0u);
        *list = ReadBytes(dump + L".hdrop");
        *effect = ReadBytes(dump + L".effect");
    }

    // Enters a folder through the path box, as a user would.
    void GoTo(const std::wstring& folder) {
        SetWindowTextW(pathEdit, folder.c_str());
        SetFocus(pathEdit);
        SendMessageW(mainWindow, WM_COMMAND, ID_KEY_RETURN, 0);
        harness.WaitForWorker();
    }

    // a.txt and dir with inner.txt and sub\deep.txt, in the current folder.
    void WriteFileAndTree() {
        ledger.Write(current + L"\\a.txt");
        ASSERT_TRUE(MakeFolder(current + L"\\dir\\sub"));
        ledger.Write(current + L"\\dir\\inner.txt");
        ledger.Write(current + L"\\dir\\sub\\deep.txt");
    }

    Shown Paste(const std::vector<DialogAnswer>& answers = {}) { return Messages(Press('V', answers, false, true)); }
};

}  // namespace

TEST_F(Clipboard, CopyAndCutPutTheShellsFileListForAnotherProgram) {
    ledger.Write(current + L"\\a.txt");
    ledger.Write(current + L"\\with blanks.txt");
    ledger.Write(current + L"\\z.txt");
    Open();
    Select({L"a.txt", L"with blanks.txt"});
    EXPECT_TRUE(Press('C', {}, false, true).empty());
    Bytes list;
    Bytes effect;
    PeerReads(&list, &effect);
    EXPECT_EQ(list, FileListOf({current + L"\\a.txt", current + L"\\with blanks.txt"}));
    EXPECT_EQ(effect, Bytes({1, 0, 0, 0}));

    Select({L"z.txt"});
    Press('X', {}, false, true);
    PeerReads(&list, &effect);
    EXPECT_EQ(list, FileListOf({current + L"\\z.txt"}));
    EXPECT_EQ(effect, Bytes({2, 0, 0, 0}));

    // Nothing selected, or X alone: the clipboard keeps what it held.
    Select({});
    Press('C', {}, false, true);
    Select({L"a.txt"});
    Press('X');
    PeerReads(&list, &effect);
    EXPECT_EQ(list, FileListOf({current + L"\\z.txt"}));
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt", L"with blanks.txt", L"z.txt"})) << "a cut changes nothing";
}

TEST_F(Clipboard, CutThenPasteElsewhereMovesAndASecondPasteLosesNothing) {
    WriteFileAndTree();
    Open();
    Select({L"a.txt", L"dir"});
    Press('X', {}, false, true);
    GoTo(dest);
    int generation = workerParams.generation;
    EXPECT_TRUE(Paste().empty());
    EXPECT_EQ(FolderEntries(dest), Names({L"a.txt", L"dir"}));
    EXPECT_EQ(FolderEntries(dest + L"\\dir"), Names({L"inner.txt", L"sub"}));
    EXPECT_TRUE(FolderEntries(current).empty());
    EXPECT_EQ(ListViewNames(listView), Names({L"dir", L"a.txt"}));
    EXPECT_EQ(workerParams.generation, generation + 1);
    EXPECT_EQ(workerParams.fullRebuild, 0);

    // The clipboard still holds the cut: the sources are gone, and the items
    // of their names here are not offered for replacing.
    Shown shown = Paste({Yes(), Yes()});
    EXPECT_EQ(shown, Shown({{MoveFailed(L"dir"), MB_ICONERROR}, {MoveFailed(L"a.txt"), MB_ICONERROR}}));
    EXPECT_EQ(FolderEntries(dest), Names({L"a.txt", L"dir"}));
    ExpectNothingLost();
}

TEST_F(Clipboard, CopyPastesACopy) {
    WriteFileAndTree();
    Open();
    Select({L"dir", L"a.txt"});
    Press('C', {}, false, true);
    GoTo(dest);
    EXPECT_TRUE(Paste().empty());
    EXPECT_EQ(ReadByteString(dest + L"\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
    EXPECT_EQ(ReadByteString(dest + L"\\dir\\inner.txt"), ledger.ContentsOf(current + L"\\dir\\inner.txt"));
    EXPECT_EQ(ReadByteString(dest + L"\\dir\\sub\\deep.txt"), ledger.ContentsOf(current + L"\\dir\\sub\\deep.txt"));
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt", L"dir"}));
    EXPECT_EQ(ListViewNames(listView), Names({L"dir", L"a.txt"}));
}

TEST_F(Clipboard, AnotherProgramsListPastesByItsDropEffect) {
    struct Case {
        const wchar_t* effect;
        bool moves;
    };
    const Case cases[] = {{L"-", false}, {L"1", false}, {L"2", true}, {L"3", true}};
    Open(dest);
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.effect));
        std::wstring name = std::wstring(L"from peer ") + (c.effect[0] == L'-' ? L"none" : c.effect) + L".txt";
        std::wstring source = current + L"\\" + name;
        ledger.Write(source);
        PeerFills(c.effect, {source});
        EXPECT_TRUE(Paste().empty());
        EXPECT_EQ(ReadByteString(dest + L"\\" + name), ledger.ContentsOf(source));
        EXPECT_EQ(FileExists(source), !c.moves);
    }

    // Text on the clipboard: nothing happens.
    ASSERT_TRUE(OpenClipboard(mainWindow));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
    lstrcpyW(static_cast<wchar_t*>(GlobalLock(text)), L"abc");
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
    EXPECT_TRUE(Paste().empty());
    ExpectNothingLost();
}

TEST_F(Clipboard, SameFolderQuestionInAnySpellingOfTheFolder) {
    ledger.Write(current + L"\\a.txt");
    ledger.Write(current + L"\\b.txt");
    Open();
    Select({L"a.txt", L"b.txt"});
    Press('X', {}, false, true);
    EXPECT_EQ(Paste({Yes(), Yes()}),
              Shown({{SameFolder(L"a.txt"), MB_ICONWARNING}, {SameFolder(L"b.txt"), MB_ICONWARNING}}));
    EXPECT_EQ(Paste({No()}), Shown({{SameFolder(L"a.txt"), MB_ICONWARNING}}));

    // The folder named otherwise: still the question, and Yes leaves the item
    // alone instead of putting it in the recycle bin as its own old copy.
    std::vector<std::wstring> folders = {current + L"\\.", dest + L"\\..\\current"};
    wchar_t shortFolder[MAX_PATH] = L"";
    if (GetShortPathNameW(current.c_str(), shortFolder, MAX_PATH) && current != shortFolder) {
        folders.push_back(shortFolder);
    }
    for (const std::wstring& folder : folders) {
        SCOPED_TRACE(ToUtf8(folder));
        PeerFills(L"2", {folder + L"\\a.txt"});
        EXPECT_EQ(Paste({Yes()}), Shown({{SameFolder(L"a.txt"), MB_ICONWARNING}}));
    }
    EXPECT_EQ(FolderEntries(current), Names({L"a.txt", L"b.txt"}));
    EXPECT_EQ(ReadByteString(current + L"\\a.txt"), ledger.ContentsOf(current + L"\\a.txt"));
}

TEST_F(Clipboard, OverwriteQuestionRecyclesTheOldFileFirst) {
    struct Case {
        const char* name;
        std::vector<DialogAnswer> answers;
        bool aReplaced;
        bool bReplaced;
        bool cCopied;
    };
    const Case cases[] = {
        {"Yes, Yes", {Yes(), Yes()}, true, true, true},
        {"No, Yes", {No(), Yes()}, false, true, true},
        {"Cancel", {Cancel()}, false, false, false},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder from;
        TempFolder to;
        FileLedger files;
        std::string oldA = files.Write(to / L"a.txt");
        std::string oldB = files.Write(to / L"b.txt");
        std::string newA = files.Write(from / L"a.txt");
        std::string newB = files.Write(from / L"b.txt");
        files.Write(from / L"c.txt");
        PeerFills(L"1", {from / L"a.txt", from / L"b.txt", from / L"c.txt"});
        GoTo(to.path());
        Shown shown = Paste(c.answers);
        ASSERT_GE(shown.size(), 1u);
        EXPECT_EQ(shown[0], std::make_pair(Overwrite(L"a.txt"), static_cast<UINT>(MB_ICONWARNING)));
        EXPECT_EQ(ReadByteString(to / L"a.txt"), c.aReplaced ? newA : oldA);
        EXPECT_EQ(ReadByteString(to / L"b.txt"), c.bReplaced ? newB : oldB);
        EXPECT_EQ(FileExists(to / L"c.txt"), c.cCopied);
        EXPECT_EQ(RecycleBinHolds(oldA), c.aReplaced);
        EXPECT_EQ(RecycleBinHolds(oldB), c.bReplaced);
        EXPECT_EQ(FolderEntries(from.path()), Names({L"a.txt", L"b.txt", L"c.txt"}));
        std::vector<std::wstring> folders = {from.path(), to.path()};
        EXPECT_EQ(files.Lost(folders), Names());
    }
}

// A file replaced by the paste shows a picture of its own: neither its old
// cache icons nor the old picture of its name are used for it.
TEST_F(Clipboard, AReplacedFileGetsAPictureOfItsOwn) {
    const COLORREF old = RGB(200, 30, 40);
    std::wstring cache = current + L"\\Zuv_CACHE";
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.icon.ico", 32, old);
    WriteSolidIconFile(cache + L"\\a.txt.Zuv.list.ico", 16, old);
    WriteSolidIconFile(cache + L"\\b.txt.Zuv.icon.ico", 32, old);
    ledger.Write(current + L"\\a.txt");
    ledger.Write(current + L"\\b.txt");
    std::wstring elsewhere = root / L"elsewhere";
    ASSERT_TRUE(MakeFolder(elsewhere));
    ledger.Write(elsewhere + L"\\a.txt");
    ASSERT_TRUE(harness.OpenListed(current, {{L"SystemSetting", L"iconSize", L"32"},
                                             {L"SystemSetting", L"iconSizeSmall", L"16"},
                                             {L"SystemSetting", L"hideCache", L"ON"}}));
    int a = ListViewIndexOf(listView, L"a.txt");
    ASSERT_EQ(ImageListColour(imageListLarge, a, 16, 16), old) << "the cached picture to begin with";
    ASSERT_TRUE(PutFileListOnClipboard(mainWindow, MakeFileListBlock({elsewhere + L"\\a.txt"})));
    EXPECT_EQ(Paste({Yes()}), Shown({{Overwrite(L"a.txt"), MB_ICONWARNING}}));
    EXPECT_EQ(FolderEntries(cache), Names({L"b.txt.Zuv.icon.ico"}));
    a = ListViewIndexOf(listView, L"a.txt");
    EXPECT_NE(ImageListColour(imageListLarge, a, 16, 16), old);
    EXPECT_EQ(ImageListColour(imageListLarge, ListViewIndexOf(listView, L"b.txt"), 16, 16), old);
    EXPECT_EQ(ReadByteString(current + L"\\a.txt"), ledger.ContentsOf(elsewhere + L"\\a.txt"));
}

TEST_F(Clipboard, AFolderIsNeitherPastedIntoItselfNorOntoAFile) {
    ASSERT_TRUE(MakeFolder(current + L"\\top\\inner"));
    ledger.Write(current + L"\\top\\t.txt");
    ledger.Write(dest + L"\\top");
    Open();
    for (bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut" : "copy");
        GoTo(current);
        Select({L"top"});
        Press(cut ? 'X' : 'C', {}, false, true);
        GoTo(current + L"\\top\\inner");
        EXPECT_EQ(Paste({Yes()}), Shown({{cut ? MoveFailed(L"top") : CopyFailed(L"top"), MB_ICONERROR}}));
        EXPECT_TRUE(FolderEntries(current + L"\\top\\inner").empty()) << "nothing written";
        GoTo(current + L"\\top");
        EXPECT_EQ(Paste({Yes()}), Shown({{cut ? MoveFailed(L"top") : CopyFailed(L"top"), MB_ICONERROR}}));
        EXPECT_EQ(FolderEntries(current + L"\\top"), Names({L"inner", L"t.txt"}));

        // A file of the folder's name: asked twice, then the failure; the file
        // stays and the folder keeps everything.
        GoTo(dest);
        EXPECT_EQ(Paste({Yes(), Yes()}), Shown({{Overwrite(L"top"), MB_ICONWARNING},
                                                 {Overwrite(L"top"), MB_ICONWARNING},
                                                 {cut ? MoveFailed(L"top") : CopyFailed(L"top"), MB_ICONERROR}}));
        EXPECT_EQ(FolderEntries(current + L"\\top"), Names({L"inner", L"t.txt"}));
    }
    ExpectNothingLost();
}
