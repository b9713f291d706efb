// Drag and drop through the real main window. Out: the drop source's
// references and answers, and a drag of the selection offered to a drop
// target of this test with the effects Shift allows, the items that are
// gone left out, and the list relisted where it was. In: file lists dropped
// on the main window as real HDROP blocks, into the current folder or the
// folder item under the mouse, with the questions, and nothing lost when an
// item is dropped onto itself or into itself.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileops/drag_drop.h"
#include "fileops/file_list_block.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/file_list_blocks.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/file_ledger.h"
#include "support/test_files.h"
#include "support/window_driver.h"
#include "support/worker_host.h"
#include "thumbnails/worker_params.h"

namespace {

const wchar_t kSameFolder[] = L"\n移動元と移動先が同じです。\n処理を続けますか？";
const wchar_t kOverwrite[] = L"\n既に同じ名前のファイルが存在します。\n上書きしますか？";
const wchar_t kMoveFailed[] = L" の移動に失敗しました。";

// A drop target of the test: it records what a drag offers and refuses the
// drop, so the drag ends without touching anything.
class RecordingDropTarget final : public IDropTarget {
public:
    DWORD offered = 0;
    int enters = 0;
    std::vector<std::wstring> paths;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        ++enters;
        offered = *effect;
        paths = ItemPaths(data);
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }

private:
    // The paths of the items the data object carries, from its identifier
    // lists (a parent folder and the items below it).
    static std::vector<std::wstring> ItemPaths(IDataObject* data) {
        std::vector<std::wstring> found;
        FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)), nullptr,
                            DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&format, &medium))) return found;
        const CIDA* list = static_cast<const CIDA*>(GlobalLock(medium.hGlobal));
        const BYTE* base = reinterpret_cast<const BYTE*>(list);
        PCIDLIST_ABSOLUTE parent = reinterpret_cast<PCIDLIST_ABSOLUTE>(base + list->aoffset[0]);
        for (UINT i = 1; i <= list->cidl; ++i) {
            PIDLIST_ABSOLUTE item = ILCombine(parent, reinterpret_cast<PCUIDLIST_RELATIVE>(base + list->aoffset[i]));
            wchar_t path[MAX_PATH] = L"";
            SHGetPathFromIDListW(item, path);
            found.push_back(path);
            ILFree(item);
        }
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        return found;
    }

    ULONG references_ = 1;
};

// A real drop block of these paths, as the shell posts with WM_DROPFILES;
// the receiver frees it with DragFinish.
HDROP MakeDrop(const std::vector<std::wstring>& paths) { return DropBlockOf(MakeFileListBlock(paths)); }

// Moves the mouse and waits until the position holds: the display reports
// pointer moves late, and a late report of an earlier move would move the
// mouse back.
void MoveMouseTo(POINT point) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        SetCursorPos(point.x, point.y);
        PumpMessagesFor(60);
        POINT now;
        GetCursorPos(&now);
        if (now.x == point.x && now.y == point.y) return;
    }
}

int VerticalScrollPosition() {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    GetScrollInfo(listView, SB_VERT, &info);
    return info.nPos;
}

class DragAndDrop : public testing::Test {
protected:
    TempFolder root;
    MainWindowHarness harness;

    void Open() { ASSERT_TRUE(harness.OpenListed(root.path())); }

    // Puts the mouse over the middle of an item, or over the list view's
    // empty lower right corner for -1.
    void PointAt(int index) {
        POINT point;
        if (index >= 0) {
            RECT item = {};
            item.left = LVIR_ICON;
            SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
            point = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        } else {
            RECT client;
            GetClientRect(listView, &client);
            point = {client.right - 5, client.bottom - 5};
        }
        ClientToScreen(listView, &point);
        MoveMouseTo(point);
    }

    // Drops the paths with the mouse where PointAt put it; the records of
    // the questions and messages.
    std::vector<DialogRecord> Drop(const std::vector<std::wstring>& paths,
                                   const std::vector<DialogAnswer>& answers = {}) {
        DialogAnswerer answerer;
        for (const DialogAnswer& answer : answers) answerer.Push(answer);
        SendMessageW(mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
        harness.WaitForWorker();
        EXPECT_EQ(answerer.pending(), 0u);
        return answerer.records();
    }
};

}  // namespace

TEST(DropSource, CountsItsReferencesAndAnswersForItsInterfacesOnly) {
    LONG before = TDropSource::Alive();
    TDropSource* source = new TDropSource();
    EXPECT_EQ(source->AddRef(), 1u);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(source->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(source->QueryInterface(IID_IDropTarget, &object), E_NOINTERFACE);
    EXPECT_EQ(source->QueryInterface(IID_IDropSource, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDropSource*>(source));
    EXPECT_EQ(source->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<IUnknown*>(source));
    EXPECT_EQ(source->AddRef(), 4u) << "each interface handed out holds a reference";
    EXPECT_EQ(source->Release(), 3u);
    EXPECT_EQ(source->Release(), 2u);
    EXPECT_EQ(source->Release(), 1u);
    EXPECT_EQ(TDropSource::Alive(), before + 1);
    EXPECT_EQ(source->Release(), 0u);
    EXPECT_EQ(TDropSource::Alive(), before) << "the last release deletes it";
}

TEST(DropSource, QueryContinueDragAndFeedback) {
    struct Case {
        BOOL escape;
        DWORD keys;
        HRESULT result;
    };
    const Case cases[] = {
        {FALSE, MK_LBUTTON, S_OK},
        {FALSE, MK_RBUTTON, S_OK},
        {FALSE, MK_LBUTTON | MK_SHIFT | MK_CONTROL, S_OK},
        {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {TRUE, 0, DRAGDROP_S_CANCEL},
        {FALSE, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {FALSE, 0, DRAGDROP_S_DROP},
        {FALSE, MK_SHIFT | MK_MBUTTON, DRAGDROP_S_DROP},
    };
    TDropSource* source = new TDropSource();
    source->AddRef();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "escape " << c.escape << " keys " << c.keys);
        EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.result);
    }
    for (DWORD effect : {DROPEFFECT_NONE, DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
        EXPECT_EQ(source->GiveFeedback(effect), DRAGDROP_S_USEDEFAULTCURSORS);
    }
    source->Release();
}

TEST_F(DragAndDrop, DragOutOffersTheSelectionWithTheEffectsShiftAllows) {
    WriteText(root / L"a.txt", "a");
    WriteText(root / L"b c.txt", "b");
    WriteText(root / L"gone.txt", "g");
    Open();
    ASSERT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"a.txt", L"b c.txt", L"gone.txt"}));

    // A window of this test that takes drops, under the mouse.
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HWND targetWindow = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"target", WS_POPUP | WS_VISIBLE | SS_NOTIFY, 300,
                                        300, 200, 200, nullptr, nullptr, nullptr, nullptr);
    RecordingDropTarget target;
    ASSERT_EQ(RegisterDragDrop(targetWindow, &target), S_OK);
    MoveMouseTo({400, 400});

    struct Case {
        bool shift;
        DWORD offered;
    };
    for (const Case& c : {Case{false, DROPEFFECT_COPY | DROPEFFECT_MOVE}, Case{true, DROPEFFECT_COPY}}) {
        SCOPED_TRACE(c.shift ? "Shift" : "no Shift");
        SelectListViewItems(listView, {0, 1});
        target.enters = 0;
        SetModifierState(VK_SHIFT, c.shift);
        StartDragOfSelection();
        SetModifierState(VK_SHIFT, false);
        if (target.enters == 0) {
            RevokeDragDrop(targetWindow);
            DestroyWindow(targetWindow);
            OleUninitialize();
            GTEST_SKIP() << "the drag loop does not reach a window under the mouse on this display";
        }
        EXPECT_EQ(target.offered, c.offered);
        EXPECT_EQ(target.paths, std::vector<std::wstring>({root / L"a.txt", root / L"b c.txt"}));
        EXPECT_EQ(TDropSource::Alive(), 0) << "every reference of the drop source is given back";
    }

    // An item that went after the listing is left out; the others go.
    DeleteFileW((root / L"gone.txt").c_str());
    SelectListViewItems(listView, {0, 2});
    StartDragOfSelection();
    EXPECT_EQ(target.paths, std::vector<std::wstring>({root / L"a.txt"}));
    EXPECT_EQ(TDropSource::Alive(), 0);

    // Nothing left to drag: no drag at all.
    target.enters = 0;
    SelectListViewItems(listView, {2});
    StartDragOfSelection();
    EXPECT_EQ(target.enters, 0);

    RevokeDragDrop(targetWindow);
    DestroyWindow(targetWindow);
    OleUninitialize();
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"a.txt", L"b c.txt"}));
}

TEST_F(DragAndDrop, AfterADragTheListShowsTheNewContentWhereItWas) {
    for (int i = 0; i < 60; ++i) WriteText(root / (L"f" + std::to_wstring(100 + i) + L".txt"), "x");
    ASSERT_TRUE(harness.OpenListed(root.path(), {{L"SystemSetting", L"iconSize", L"64"}}));
    SetWindowPos(mainWindow, nullptr, 0, 0, 500, 300, SWP_NOZORDER | SWP_NOMOVE);
    ListViewFocusOnly(listView, 40);
    SendMessageW(listView, LVM_ENSUREVISIBLE, 40, FALSE);
    UpdateWindow(listView);
    int before = VerticalScrollPosition();
    ASSERT_GT(before, 0);
    int generation = workerParams.generation;

    // What a drag target might have done meanwhile.
    WriteText(root / L"f000.txt", "new");
    NMLISTVIEW begin = {};
    begin.hdr.hwndFrom = listView;
    begin.hdr.idFrom = IDC_LIST_VIEW;
    begin.hdr.code = LVN_BEGINDRAG;
    begin.iItem = 40;
    SendMessageW(mainWindow, WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&begin));

    EXPECT_EQ(ListViewIndexOf(listView, L"f000.txt"), 0) << "listed again";
    EXPECT_EQ(VerticalScrollPosition(), before);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({40})) << "the focused position, not the name";
    EXPECT_EQ(workerParams.generation, generation) << "the worker is neither stopped nor restarted";
    EXPECT_EQ(TDropSource::Alive(), 0);
}

TEST_F(DragAndDrop, DropsGoIntoTheCurrentFolderOrTheFolderItemUnderTheMouse) {
    TempFolder elsewhere;
    WriteText(elsewhere / L"one.txt", "1");
    WriteText(elsewhere / L"two.txt", "2");
    MakeFolder(elsewhere / L"pics\\inner");
    WriteText(elsewhere / L"pics\\p.txt", "p");
    MakeFolder(root / L"box");
    WriteText(root / L"here.txt", "h");
    Open();

    PointAt(-1);
    std::vector<DialogRecord> shown = Drop({elsewhere / L"one.txt", elsewhere / L"two.txt"});
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"box", L"here.txt", L"one.txt", L"two.txt"}));
    EXPECT_TRUE(FolderEntries(elsewhere.path()) == std::vector<std::wstring>({L"pics"}));
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"box", L"here.txt", L"one.txt", L"two.txt"}));
    EXPECT_EQ(workerParams.generation, 1);
    EXPECT_EQ(workerParams.fullRebuild, 0);

    // Onto the folder item: the folder moves whole into it.
    PointAt(ListViewIndexOf(listView, L"box"));
    shown = Drop({elsewhere / L"pics", root / L"here.txt"});
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ReadBytes(root / L"box\\pics\\p.txt"), std::vector<unsigned char>({'p'}));
    EXPECT_TRUE(FolderExists(root / L"box\\pics\\inner"));
    EXPECT_EQ(ReadBytes(root / L"box\\here.txt"), std::vector<unsigned char>({'h'}));
    EXPECT_TRUE(FolderEntries(elsewhere.path()).empty());
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"box", L"one.txt", L"two.txt"}));

    // Onto a file's item: nothing can go into it.
    PointAt(ListViewIndexOf(listView, L"one.txt"));
    shown = Drop({root / L"two.txt"});

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, std::wstring(L"two.txt") + kMoveFailed);
    EXPECT_EQ(shown[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"box", L"one.txt", L"two.txt"}));
}

TEST_F(DragAndDrop, DropsAskBeforeTheyTouchAnItemOfTheTargetFolder) {
    TempFolder elsewhere;
    FileLedger ledger;
    std::wstring old = L"old.txt";
    WriteText(root / L"a.txt", "a");
    WriteText(root / L"b.txt", "b");
    std::string oldBytes = ledger.Write(root / old);
    std::string newBytes = ledger.Write(elsewhere / old);
    MakeFolder(root / L"box\\pics");
    WriteText(root / L"box\\pics\\kept.txt", "k");
    MakeFolder(elsewhere / L"pics");
    WriteText(elsewhere / L"pics\\added.txt", "d");
    WriteText(elsewhere / L"box", "a file named like the folder");
    Open();
    PointAt(-1);

    // From the current folder: the same-folder question for each; Yes leaves
    // each alone, No ends the drop.
    std::vector<DialogRecord> shown =
        Drop({root / L"a.txt", root / L"b.txt"}, {DialogAnswer::Press(IDYES), DialogAnswer::Press(IDYES)});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].message, std::wstring(L"a.txt") + kSameFolder);
    EXPECT_EQ(shown[0].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_TRUE(shown[0].HasButton(IDYES) && shown[0].HasButton(IDNO) && !shown[0].HasButton(IDCANCEL));
    EXPECT_EQ(shown[1].message, std::wstring(L"b.txt") + kSameFolder);
    shown = Drop({root / L"a.txt", root / L"b.txt"}, {DialogAnswer::Press(IDNO)});
    EXPECT_EQ(shown.size(), 1u);

    // An existing name: No skips, Yes recycles the old file first; a folder
    // of the same name is merged; a file onto a folder fails and both stay.
    shown = Drop({elsewhere / old}, {DialogAnswer::Press(IDNO)});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, old + kOverwrite);
    EXPECT_TRUE(shown[0].HasButton(IDYES) && shown[0].HasButton(IDNO) && shown[0].HasButton(IDCANCEL));
    EXPECT_EQ(ReadBytes(root / old), std::vector<unsigned char>(oldBytes.begin(), oldBytes.end()));

    PointAt(ListViewIndexOf(listView, L"box"));
    shown = Drop({elsewhere / L"pics"}, {DialogAnswer::Press(IDYES)});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, std::wstring(L"pics") + kOverwrite);
    EXPECT_EQ(FolderEntries(root / L"box\\pics"), std::vector<std::wstring>({L"added.txt", L"kept.txt"}));
    EXPECT_FALSE(FolderExists(elsewhere / L"pics"));

    PointAt(-1);
    shown = Drop({elsewhere / old, elsewhere / L"box"},
                 {DialogAnswer::Press(IDYES), DialogAnswer::Press(IDYES)});
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(ReadBytes(root / old), std::vector<unsigned char>(newBytes.begin(), newBytes.end()));
    EXPECT_TRUE(RecycleBinHolds(oldBytes)) << "the replaced file is in the recycle bin";
    EXPECT_EQ(shown[1].message, std::wstring(L"box") + kOverwrite);
    EXPECT_EQ(shown[2].message, std::wstring(L"box") + kMoveFailed);
    EXPECT_TRUE(FileExists(elsewhere / L"box"));
    EXPECT_TRUE(FolderExists(root / L"box\\pics"));
}

TEST_F(DragAndDrop, NothingIsLostDroppingAnItemOntoOrIntoItself) {
    WriteText(root / L"a.txt", "a");
    MakeFolder(root / L"top\\inner");
    WriteText(root / L"top\\t.txt", "t");
    Open();

    // The same folder by another name: still the same-folder question, and
    // Yes leaves the item alone.
    std::vector<std::wstring> otherNames = {root.path() + L"\\.\\a.txt"};
    wchar_t shortFolder[MAX_PATH] = L"";
    if (GetShortPathNameW(root.path().c_str(), shortFolder, MAX_PATH) && root.path() != shortFolder) {
        otherNames.push_back(std::wstring(shortFolder) + L"\\a.txt");
    }
    PointAt(-1);
    for (const std::wstring& name : otherNames) {
        SCOPED_TRACE(ToUtf8(name));
        std::vector<DialogRecord> shown = Drop({name}, {DialogAnswer::Press(IDYES)});
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].message, std::wstring(L"a.txt") + kSameFolder);
        EXPECT_EQ(ReadBytes(root / L"a.txt"), std::vector<unsigned char>({'a'}));
    }

    // A folder dropped onto its own item or into its own subfolder is
    // refused before anything is written.
    PointAt(ListViewIndexOf(listView, L"top"));
    std::vector<DialogRecord> shown = Drop({root / L"top"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, std::wstring(L"top") + kMoveFailed);
    EXPECT_EQ(FolderEntries(root / L"top"), std::vector<std::wstring>({L"inner", L"t.txt"}));

    // A path too long for 260 characters is reported whole rather than cut
    // to the path of another item, which stays where it is.
    std::wstring cut = root.path() + L"\\" + std::wstring(259 - root.path().size() - 1, L'x');
    ASSERT_TRUE(WriteText(cut, "cut"));
    std::wstring longer = cut + L"yy";
    PointAt(ListViewIndexOf(listView, L"top"));
    shown = Drop({longer});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, longer.substr(root.path().size() + 1) + kMoveFailed);
    EXPECT_TRUE(FileExists(cut));
    DeleteFileW(cut.c_str());

    // A dropped item that is gone is reported; the item of its name in the
    // target is not offered for replacing.
    TempFolder elsewhere;
    PointAt(-1);
    shown = Drop({elsewhere / L"a.txt"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, std::wstring(L"a.txt") + kMoveFailed);
    EXPECT_EQ(ReadBytes(root / L"a.txt"), std::vector<unsigned char>({'a'}));
    EXPECT_EQ(FolderEntries(root.path()), std::vector<std::wstring>({L"a.txt", L"top"}));
}
