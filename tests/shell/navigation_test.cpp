// Navigation through the real main window: the history, the parent folder,
// the path box, typed paths, drive slots, refresh and double clicks.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/gui_levels.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

namespace {

const wchar_t kBadPath[] = L"パス指定方法が間違っています。";

int ScrollPosition(int bar) {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    GetScrollInfo(listView, bar, &info);
    return info.nPos;
}

RECT ItemRect(int index) {
    RECT r = {};
    r.left = LVIR_BOUNDS;
    SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<std::wstring> DriveSlots() {
    std::vector<std::wstring> slots;
    for (const auto& slot : driveDirs) slots.push_back(slot);
    return slots;
}

class Navigation : public testing::Test {
protected:
    TempFolder root;
    MainWindowHarness harness;

    void Open(const std::wstring& folder, const std::vector<TestSetting>& settings = {}) {
        ASSERT_TRUE(harness.OpenListed(folder, settings));
    }

    // A key pressed with the list view focused; the worker it starts ends
    // before the next step.
    void ListKey(UINT key, bool shift = false, bool control = false) {
        harness.PressKey(listView, key, shift, control);
    }

    void AltKey(UINT key) {
        SetFocus(listView);
        SendAltKeyPress(listView, key);
        harness.WaitForWorker();
    }

    // Enter in the path box, which the accelerator hands to the list view.
    void TypeIntoPathBox(const std::wstring& text) {
        SetWindowTextW(pathEdit, text.c_str());
        SetFocus(pathEdit);
        SendMessageW(mainWindow, WM_COMMAND, ID_KEY_RETURN, 0);
        harness.WaitForWorker();
    }

    void DoubleClickAt(POINT client) {
        POINT screen = client;
        ClientToScreen(listView, &screen);
        // Wine moves the display's pointer after the call returns, and a
        // pointer event still on its way can put the cursor back for a
        // moment: wait until it stays where it was put.
        int steady = 0;
        for (int round = 0; round < 100 && steady < 3; ++round) {
            SetCursorPos(screen.x, screen.y);
            PumpMessagesFor(10);
            POINT now = {};
            GetCursorPos(&now);
            steady = now.x == screen.x && now.y == screen.y ? steady + 1 : 0;
        }
        SendMessageW(listView, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        SendMessageW(listView, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        harness.WaitForWorker();
    }

    void DoubleClickItem(const std::wstring& name) {
        int index = ListViewIndexOf(listView, name);
        ASSERT_GE(index, 0) << "no item " << ToUtf8(name);
        RECT r = {};
        r.left = LVIR_ICON;
        SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        DoubleClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }

    // L with the text typed into dialog 103.
    DialogRecord TypePath(const std::wstring& text) {
        DialogAnswerer answerer;
        answerer.Push(DialogAnswer::Type(IDC_INPUT_EDIT, text));
        ListKey('L');
        EXPECT_GE(answerer.records().size(), 1u);
        return answerer.records().size() > 1 ? answerer.records()[1] : DialogRecord();
    }
};

}  // namespace

TEST_F(Navigation, HistoryKeepsTheLast20AndStepsStopAtBothEnds) {
    Open(root.path());
    std::vector<std::wstring> visited = {root.path()};
    for (int i = 0; i < 25; ++i) {
        wchar_t name[16];
        wsprintfW(name, L"n%02d", i);
        visited.push_back(root / name);
        TypeIntoPathBox(visited.back());
    }
    EXPECT_EQ(historyIndex, 19);
    EXPECT_EQ(history, std::vector<std::wstring>(visited.end() - 20, visited.end()));

    for (int step = 1; step <= 19; ++step) {
        AltKey(VK_LEFT);
        EXPECT_EQ(std::wstring(currentDir), visited[25 - step]);
        EXPECT_EQ(WindowText(pathEdit), visited[25 - step]);
    }
    EXPECT_EQ(historyIndex, 0);
    int generation = workerParams.generation;
    AltKey(VK_LEFT);
    EXPECT_EQ(historyIndex, 0);
    EXPECT_EQ(workerParams.generation, generation) << "a step past the oldest entry does nothing";
    EXPECT_EQ(std::wstring(currentDir), visited[6]);

    for (int step = 1; step <= 19; ++step) AltKey(VK_RIGHT);
    EXPECT_EQ(historyIndex, 19);
    generation = workerParams.generation;
    AltKey(VK_RIGHT);
    EXPECT_EQ(historyIndex, 19);
    EXPECT_EQ(workerParams.generation, generation);
    EXPECT_EQ(history.size(), 20u) << "steps add no entries";
}

TEST_F(Navigation, GoingBackTwiceThenEnteringDropsTheNewerEntries) {
    MakeFolder(root / L"a\\x");
    MakeFolder(root / L"b");
    MakeFolder(root / L"c");
    Open(root.path());
    TypeIntoPathBox(root / L"a");
    TypeIntoPathBox(root / L"b");
    TypeIntoPathBox(root / L"c");
    AltKey(VK_LEFT);
    AltKey(VK_LEFT);
    EXPECT_EQ(std::wstring(currentDir), root / L"a");
    DoubleClickItem(L"x");
    EXPECT_EQ(history, std::vector<std::wstring>({root.path(), root / L"a", root / L"a\\x"}));
    EXPECT_EQ(historyIndex, 2);
}

TEST_F(Navigation, DoubleClicksEnterFoldersReenterOnEmptySpaceAndOpenFiles) {
    MakeFolder(root / L"inner\\deep");
    WriteText(root / L"inner\\one.txt", "1");
    WriteText(root / L"doc.zuvdbl", "x");
    // An association for a made-up extension (Wine reads them from the
    // classes root only).
    std::wstring program = BuildFolder() + L"\\tools\\standin_program.exe";
    std::wstring command = L"\"" + program + L"\" \"%1\"";
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L".zuvdbl", nullptr, REG_SZ, L"ZuvTest.DoubleClick",
                    sizeof(L"ZuvTest.DoubleClick"));
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L"ZuvTest.DoubleClick\\shell\\open\\command", nullptr,
                    REG_SZ, command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    std::wstring log = root / L"standin.log";
    SetEnvironmentVariableW(L"ZUV_STANDIN_LOG", log.c_str());
    Open(root.path());
    DialogAnswerer answerer;  // the shell's error box would wait for an answer

    DoubleClickItem(L"doc.zuvdbl");
    EXPECT_TRUE(PumpUntil([&] { return FileExists(log); }, 10000)) << "the associated program did not start";
    EXPECT_NE(ReadByteString(log).find("doc.zuvdbl"), std::string::npos);
    EXPECT_EQ(history.size(), 1u) << "a file is not entered";

    DoubleClickItem(L"inner");
    EXPECT_EQ(std::wstring(currentDir), root / L"inner");
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"deep", L"one.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));
    EXPECT_EQ(ListViewFocusedItem(listView), 0);

    // Below the last item: the current folder again, as one more entry.
    RECT client;
    GetClientRect(listView, &client);
    RECT lowest = ItemRect(1);
    ASSERT_LT(lowest.bottom + 4, client.bottom);
    int generation = workerParams.generation;
    DoubleClickAt({client.right - 4, client.bottom - 4});
    EXPECT_EQ(history, std::vector<std::wstring>({root.path(), root / L"inner", root / L"inner"}));
    EXPECT_EQ(workerParams.generation, generation + 1);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));

    EXPECT_TRUE(answerer.records().empty());
    SetEnvironmentVariableW(L"ZUV_STANDIN_LOG", nullptr);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".zuvdbl");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ZuvTest.DoubleClick");
}

TEST_F(Navigation, ParentFolderSelectsTheFolderLeftAndStopsAtTheRoot) {
    for (const wchar_t* name : {L"2019", L"2020", L"2021"}) MakeFolder(root / (std::wstring(L"photos\\") + name));
    WriteText(root / L"photos\\list.txt", "x");
    Open(root / L"photos\\2020");
    ListKey(VK_BACK);
    EXPECT_EQ(std::wstring(currentDir), root / L"photos");
    EXPECT_EQ(WindowText(pathEdit), root / L"photos");
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({1}));
    EXPECT_EQ(ListViewFocusedItem(listView), 1);
    EXPECT_EQ(history, std::vector<std::wstring>({root / L"photos\\2020", root / L"photos"}));

    // The up button and Alt+Up are the same command.
    SendMessageW(mainWindow, WM_COMMAND, IDC_UP_BUTTON, 0);
    harness.WaitForWorker();
    EXPECT_EQ(std::wstring(currentDir), root.path());
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({ListViewIndexOf(listView, L"photos")}));
    TypeIntoPathBox(root / L"photos\\2021\\");
    AltKey(VK_UP);
    EXPECT_EQ(std::wstring(currentDir), root / L"photos");
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({2}))
        << "a trailing backslash still finds the folder left";
    harness.Close();

    WriteTestSettings({});
    ASSERT_NE(harness.Open(L"C:\\"), nullptr);  // unquoted: a quoted "C:\" would escape its quote
    harness.WaitForWorker();
    ListKey(VK_BACK);
    EXPECT_EQ(std::wstring(currentDir), L"C:\\");
    EXPECT_EQ(history.size(), 1u);
    EXPECT_EQ(workerParams.generation, 0) << "the worker was not stopped";
}

TEST_F(Navigation, PathBoxTakesAnyTextAndSelectsNothing) {
    MakeFolder(root / L"photos\\2020");
    WriteText(root / L"photos\\a.txt", "x");
    Open(root.path());
    TypeIntoPathBox(root / L"photos");
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"2020", L"a.txt"}));
    EXPECT_TRUE(ListViewSelectedItems(listView).empty());
    EXPECT_EQ(ListViewFocusedItem(listView), -1);

    TypeIntoPathBox(root / L"missing\\deeper");
    EXPECT_TRUE(ListViewNames(listView).empty());
    EXPECT_EQ(history.back(), root / L"missing\\deeper");
    ListKey(VK_BACK);
    EXPECT_EQ(std::wstring(currentDir), root / L"missing");
    EXPECT_EQ(history.size(), 4u);

    // A relative path is taken in the shown folder, whatever the process's
    // current folder is.
    TempFolder elsewhere;
    MakeFolder(elsewhere / L"2020");
    wchar_t saved[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(elsewhere.path().c_str());
    TypeIntoPathBox(root / L"photos");
    TypeIntoPathBox(L"2020");
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(std::wstring(currentDir), root / L"photos\\2020");
    TypeIntoPathBox(L"..\\a.txt\\..");
    EXPECT_EQ(std::wstring(currentDir), root / L"photos");
}

TEST_F(Navigation, TypedPathsInTheirFourForms) {
    TempFolder slotD;
    MakeFolder(root / L"sub");
    WriteText(root / L"sub\\s.txt", "s");
    Open(root.path(), {{L"SystemSetting", L"dirD", slotD.path()}});

    struct Case {
        std::wstring text;
        std::wstring folder;  // empty: refused
    };
    const std::vector<Case> cases = {
        {L"sub", root / L"sub"},       // a sub-folder of the current folder
        {root.path(), root.path()},    // a path with a drive
        {L"d", slotD.path()},          // the folder remembered for drive D
        {L"D", L"D:\\"},               // a drive root, untested
        {L"k", L"k:\\"},               // a letter without a slot: its root
        {root.path(), root.path()},
        {L"X:\\none", L""},
        {L"none", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        std::wstring before = currentDir;
        size_t entries = history.size();
        int generation = workerParams.generation;
        DialogRecord message = TypePath(c.text);
        if (c.folder.empty()) {
            EXPECT_EQ(message.caption, L"Zuv");
            EXPECT_EQ(message.message, kBadPath);
            EXPECT_EQ(message.icon, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(std::wstring(currentDir), before);
            EXPECT_EQ(history.size(), entries);
            EXPECT_EQ(workerParams.generation, generation + 1);
            EXPECT_EQ(workerParams.fullRebuild, 0) << "the worker starts again for the same folder";
        } else {
            EXPECT_TRUE(message.caption.empty()) << "no message";
            EXPECT_EQ(std::wstring(currentDir), c.folder);
            EXPECT_EQ(WindowText(pathEdit), c.folder);
            EXPECT_EQ(history.back(), c.folder);
            EXPECT_TRUE(ListViewSelectedItems(listView).empty());
        }
    }
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"sub"}));

    // Cancelled: the worker is not touched.
    int generation = workerParams.generation;
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Press(IDCANCEL));
    ListKey('L');
    EXPECT_EQ(answerer.records().size(), 1u);
    EXPECT_EQ(workerParams.generation, generation);
}

TEST_F(Navigation, DriveSlotsRememberTheFolderLeftAndTakeTheKeysFolder) {
    // C: and Z: are the drives Wine has; slot D may name a folder anywhere.
    TempFolder onZ(L"Z:\\tmp");
    MakeFolder(onZ / L"photos");
    WriteText(onZ / L"photos\\p1.txt", "1");
    WriteText(onZ / L"photos\\p2.txt", "2");
    WriteText(root / L"a.txt", "a");
    std::wstring photos = onZ / L"photos";
    Open(root.path(), {{L"SystemSetting", L"dirC", L"C:\\"}, {L"SystemSetting", L"dirD", photos}});
    ASSERT_EQ(PathGetDriveNumberW(root.path().c_str()), 2) << "the temporary folder is on C:";

    ListKey('4');
    EXPECT_EQ(std::wstring(driveDirs[2]), root.path()) << "the folder left, in slot C";
    EXPECT_EQ(std::wstring(currentDir), photos);
    EXPECT_EQ(WindowText(pathEdit), photos);
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"p1.txt", L"p2.txt"}));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));

    // Z: has no slot: nothing is remembered for a folder there.
    std::vector<std::wstring> slots = DriveSlots();
    ListKey('3');
    EXPECT_EQ(DriveSlots(), slots);
    EXPECT_EQ(std::wstring(currentDir), root.path());
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));

    ListKey(VK_NUMPAD4);
    EXPECT_EQ(std::wstring(currentDir), photos);
    ListKey(VK_NUMPAD3, false, true);  // Ctrl does not change a digit
    EXPECT_EQ(std::wstring(currentDir), root.path());
    EXPECT_EQ(history.size(), 5u);

    ListKey(VK_OEM_5);
    EXPECT_EQ(std::wstring(currentDir), L"C:\\");
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({0}));

    // A folder without a drive letter: no root to go to, no slot to fill.
    TypeIntoPathBox(L"\\\\server\\share\\folder");
    int generation = workerParams.generation;
    ListKey(VK_OEM_5);
    EXPECT_EQ(workerParams.generation, generation);
    EXPECT_EQ(std::wstring(currentDir), L"\\\\server\\share\\folder");
    slots = DriveSlots();
    ListKey('4');
    EXPECT_EQ(DriveSlots(), slots);
    EXPECT_EQ(std::wstring(currentDir), photos);
}

TEST_F(Navigation, RememberedPathWithPercentSignsIsTakenVerbatim) {
    std::wstring odd = root / L"100%d%s%%";
    MakeFolder(odd);
    WriteText(odd + L"\\x%n.txt", "x");
    Open(root.path(), {{L"SystemSetting", L"dirE", odd}});
    ListKey('5');
    EXPECT_EQ(std::wstring(currentDir), odd);
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"x%n.txt"}));
    ListKey(VK_NUMPAD5);
    EXPECT_EQ(std::wstring(driveDirs[2]), odd) << "copied into slot C unchanged";
    EXPECT_EQ(std::wstring(currentDir), odd);
    EXPECT_EQ(ListViewNames(listView), std::vector<std::wstring>({L"x%n.txt"}));
}

TEST_F(Navigation, RefreshKeepsTheFocusAndTheScrollPositionInBothViews) {
    for (int i = 0; i < 80; ++i) {
        wchar_t name[16];
        wsprintfW(name, L"f%02d.txt", i);
        WriteText(root / name, "");
    }
    Open(root.path(), {{L"SystemSetting", L"iconSize", L"32"}, {L"SystemSetting", L"iconSizeSmall", L"16"}});
    // Small enough to scroll in both views.
    SetWindowPos(mainWindow, nullptr, 0, 0, 300, 220, SWP_NOMOVE | SWP_NOZORDER);
    harness.WaitForWorker();
    for (int view = 0; view < 2; ++view) {
        SCOPED_TRACE(view == 0 ? "icon view" : "list view");
        int bar = view == 0 ? SB_VERT : SB_HORZ;
        ListViewFocusOnly(listView, 70);
        SendMessageW(listView, LVM_ENSUREVISIBLE, 70, FALSE);
        UpdateWindow(listView);
        int position = ScrollPosition(bar);
        RECT before = ItemRect(70);
        ASSERT_GT(position, 0);
        int generation = workerParams.generation;
        ListKey(VK_F5);
        EXPECT_EQ(workerParams.generation, generation + 1);
        EXPECT_EQ(ScrollPosition(bar), position);
        EXPECT_TRUE(SameRect(ItemRect(70), before)) << "the items stand where they stood";
        EXPECT_EQ(ListViewFocusedItem(listView), 70);
        EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({70}));
        EXPECT_EQ(GetFocus(), listView);

        // Without a focused item nothing is selected afterwards.
        ListViewFocusOnly(listView, -1);
        ListKey(VK_F5);
        EXPECT_TRUE(ListViewSelectedItems(listView).empty());
        ListKey(VK_F6);
    }
}

TEST_F(Navigation, ShiftF5PassesTheCacheFilesBy) {
    const COLORREF kRed = RGB(255, 0, 0);
    WriteText(root / L"a.txt", "plain text");
    WriteSolidIconFile(root / L"Zuv_CACHE\\a.txt.Zuv.icon.ico", 32, kRed);
    Open(root.path(), {{L"SystemSetting", L"iconSize", L"32"}});
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), kRed);
    ListKey(VK_F5);
    EXPECT_EQ(workerParams.ignoreCache, 0);
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), kRed);
    ListKey(VK_F5, true);
    EXPECT_EQ(workerParams.ignoreCache, 1);
    EXPECT_NE(ImageListColour(imageListLarge, 0, 16, 16), kRed) << "made anew from the file";
    ListKey(VK_F5);
    EXPECT_EQ(ImageListColour(imageListLarge, 0, 16, 16), kRed);
}

TEST_F(Navigation, HandleLevelsStayFlatOver200Navigations) {
    MakeFolder(root / L"inner\\deep");
    WriteText(root / L"inner\\one.txt", "one");
    WriteText(root / L"top.txt", "top");
    Open(root.path());
    auto navigate = [&](int run) {
        if (run % 2 == 0) {
            TypeIntoPathBox(root / L"inner");
        } else {
            ListKey(VK_BACK);
        }
    };
    for (int run = 0; run < 10; ++run) navigate(run);
    DWORD gdi = GdiObjectLevel();
    DWORD user = UserObjectLevel();
    DWORD kernel = KernelHandleLevel();
    for (int run = 10; run < 210; ++run) navigate(run);
    EXPECT_EQ(std::wstring(currentDir), root.path());
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({ListViewIndexOf(listView, L"inner")}));
    EXPECT_LE(GdiObjectLevel(), gdi + 10);
    EXPECT_LE(UserObjectLevel(), user + 10);
    EXPECT_LE(KernelHandleLevel(), kernel + 10);
}
