// The real main window in this process: what its creation builds, its
// layout, its commands and what its close leaves behind.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "shell/main_window.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

namespace {

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& r, int x, int y, int width, int height) {
    EXPECT_EQ(r.left, x);
    EXPECT_EQ(r.top, y);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

// A folder with two sub-folders and three files.
struct SmallFolder {
    TempFolder folder;
    SmallFolder() {
        MakeFolder(folder / L"b");
        MakeFolder(folder / L"A");
        WriteText(folder / L"img10.png", "");
        WriteText(folder / L"a.txt", "x");
        WriteText(folder / L"img2.png", "");
    }
};

const std::vector<std::wstring> kSmallFolderOrder = {L"A", L"b", L"a.txt", L"img2.png", L"img10.png"};

}  // namespace

TEST(MainWindow, CreationBuildsChildWindowsListsAndWorkerRecord) {
    SmallFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"x", L"33"},
                       {L"SystemSetting", L"y", L"44"},
                       {L"SystemSetting", L"width", L"555"},
                       {L"SystemSetting", L"height", L"333"},
                       {L"SystemSetting", L"iconSize", L"96"},
                       {L"SystemSetting", L"iconSizeSmall", L"48"},
                       {L"SystemSetting", L"thumbnailWait", L"-1"},
                       {L"SystemSetting", L"cacheAutoSave", L"on"},
                       {L"SystemSetting", L"hideCache", L"off"},
                       {L"UserSetting", L"fontSize", L"20"},
                       {L"UserSetting", L"maxMB", L"3"},
                       {L"UserSetting", L"7z.exe", L"C:\\tools\\7z.exe"}});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(fixture.folder.path());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(mainWindow, window);
    EXPECT_EQ(WindowClassName(window), L"Zuv");
    // Created as "Zuv"; selecting the first item put its name and time there.
    EXPECT_EQ(WindowText(window).substr(0, 2), L"A ");
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    RECT frame;
    GetWindowRect(window, &frame);
    ExpectRect(frame, 33, 44, 555, 333);

    int bar = GetSystemMetrics(SM_CYMENU);
    EXPECT_EQ(barHeight, bar);

    HWND button = GetDlgItem(window, IDC_UP_BUTTON);
    ASSERT_EQ(button, upButton);
    EXPECT_EQ(WindowClassName(button), L"Button");
    EXPECT_EQ(WindowText(button), L"\u2191");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON));

    HWND edit = GetDlgItem(window, IDC_PATH_EDIT);
    ASSERT_EQ(edit, pathEdit);
    EXPECT_EQ(WindowClassName(edit), L"Edit");
    EXPECT_EQ(WindowText(edit), fixture.folder.path());
    DWORD editStyle = static_cast<DWORD>(GetWindowLongW(edit, GWL_STYLE));
    EXPECT_EQ(editStyle & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(editStyle & (WS_BORDER | ES_AUTOHSCROLL | ES_MULTILINE), 0u);
    EXPECT_EQ(GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_NE(pathEditOldProc, nullptr);

    HWND list = GetDlgItem(window, IDC_LIST_VIEW);
    ASSERT_EQ(list, listView);
    EXPECT_EQ(WindowClassName(list), L"SysListView32");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_ICON));
    EXPECT_TRUE(GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0);
    EXPECT_NE(listViewOldProc, nullptr);

    HWND shadow = GetDlgItem(window, IDC_SHADOW_LIST_VIEW);
    ASSERT_EQ(shadow, shadowListView);
    EXPECT_EQ(WindowClassName(shadow), L"SysListView32");
    EXPECT_FALSE(IsWindowVisible(shadow));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(shadow, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL), static_cast<DWORD>(WS_CHILD));
    ExpectRect(ChildRect(shadow), 0, 0, 10, 10);
    EXPECT_EQ(SendMessageW(shadow, LVM_GETIMAGELIST, LVSIL_NORMAL, 0), 0);

    // The child windows in creation order.
    EXPECT_EQ(GetWindow(window, GW_CHILD), button);
    EXPECT_EQ(GetWindow(button, GW_HWNDNEXT), edit);
    EXPECT_EQ(GetWindow(edit, GW_HWNDNEXT), list);
    EXPECT_EQ(GetWindow(list, GW_HWNDNEXT), shadow);

    ASSERT_NE(imageListLarge, nullptr);
    ASSERT_NE(imageListSmall, nullptr);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)), imageListLarge);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), imageListSmall);
    EXPECT_EQ(ImageListIconSize(imageListLarge).cx, 96);
    EXPECT_EQ(ImageListIconSize(imageListLarge).cy, 96);
    EXPECT_EQ(ImageListIconSize(imageListSmall).cx, 48);
    EXPECT_EQ(ImageListIconSize(imageListSmall).cy, 48);

    EXPECT_EQ(ListViewNames(list), kSmallFolderOrder);
    // A completed run lists the hidden view again from the worker's thread;
    // read it when that is over.
    ASSERT_TRUE(harness.WaitForWorker());
    EXPECT_EQ(ListViewNames(shadow), kSmallFolderOrder);
    EXPECT_EQ(ListViewItemsWithState(list, LVIS_SELECTED), std::vector<int>{0});
    EXPECT_EQ(ListViewItemsWithState(list, LVIS_FOCUSED), std::vector<int>{0});
    EXPECT_EQ(GetFocus(), list);
    // The icon view has laid the items out side by side.
    POINT first = {}, second = {};
    SendMessageW(list, LVM_GETITEMPOSITION, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(list, LVM_GETITEMPOSITION, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(first.y, second.y);
    EXPECT_LT(first.x, second.x);

    ASSERT_NE(mainMenu, nullptr);
    EXPECT_EQ(settingsMenu, GetSubMenu(mainMenu, 0));
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_HIDE_CACHE));
    EXPECT_TRUE(SettingsMenuChecked(ID_SETTINGS_CACHE_AUTOSAVE));
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_SPEED));
    EXPECT_TRUE(SettingsMenuChecked(ID_SETTINGS_DARK));
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_VALUES));

    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0], fixture.folder.path());
    EXPECT_EQ(historyIndex, 0);
    EXPECT_TRUE(FolderExists(tempDir));
    EXPECT_NE(workerThread, nullptr);
    EXPECT_EQ(nextGeneration, 1);

    const TWorkerParams& p = workerParams;
    EXPECT_EQ(p.mainWindow, window);
    EXPECT_EQ(p.listView, list);
    EXPECT_EQ(p.shadowListView, shadow);
    EXPECT_EQ(p.currentDir, currentDir);
    EXPECT_EQ(p.imageListLarge, imageListLarge);
    EXPECT_EQ(p.imageListSmall, imageListSmall);
    EXPECT_EQ(p.iconSize, 96);
    EXPECT_EQ(p.iconSizeSmall, 48);
    EXPECT_EQ(p.thumbnailWait, -1);
    EXPECT_EQ(p.fontStrJp, fontStrJp);
    EXPECT_EQ(p.fontStrEn, fontStrEn);
    EXPECT_EQ(p.fontTextJp, fontTextJp);
    EXPECT_EQ(p.fontTextEn, fontTextEn);
    EXPECT_EQ(p.fontSize, 20);
    EXPECT_EQ(p.fullRebuild, 1);
    EXPECT_EQ(p.generation, 0);
    EXPECT_EQ(p.sevenZipPath, sevenZipPath);
    EXPECT_STREQ(p.sevenZipPath, L"C:\\tools\\7z.exe");
    EXPECT_EQ(p.maxBytes, 3 * 1048576);
    EXPECT_EQ(p.browserPath, browserPath);
    EXPECT_EQ(p.hideCache, 0);
    EXPECT_EQ(p.cacheAutoSave, 1);
    EXPECT_EQ(p.speedMode, 0);
    EXPECT_EQ(p.ignoreCache, 0);
    EXPECT_EQ(p.fontName, fontName);

    // Default sample texts hold real line feeds.
    EXPECT_STREQ(fontStrEn, L"Abc?\n0123!");
    EXPECT_STREQ(fontStrJp, L"永あア\nAbc01\n☎!?");
    harness.Close();
}

TEST(MainWindow, ThemeColoursFollowDarkMode) {
    struct Case {
        const wchar_t* setting;
        COLORREF back;
        COLORREF text;
    } cases[] = {
        {L"ON", RGB(64, 64, 64), RGB(255, 255, 255)},
        {L"off", GetSysColor(COLOR_BTNFACE), RGB(0, 0, 0)},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        WriteTestSettings({{L"SystemSetting", L"darkMode", c.setting}});
        MainWindowHarness harness;
        ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETBKCOLOR, 0, 0)), c.back) << c.setting;
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETTEXTBKCOLOR, 0, 0)), c.back) << c.setting;
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETTEXTCOLOR, 0, 0)), c.text) << c.setting;
        // Painting the main window brings the dark colours back, and only them.
        SendMessageW(listView, LVM_SETBKCOLOR, 0, RGB(200, 0, 0));
        InvalidateRect(mainWindow, nullptr, FALSE);
        UpdateWindow(mainWindow);
        RECT pending;
        EXPECT_FALSE(GetUpdateRect(mainWindow, &pending, FALSE));
        COLORREF afterPaint = c.back == RGB(64, 64, 64) ? c.back : RGB(200, 0, 0);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETBKCOLOR, 0, 0)), afterPaint) << c.setting;
        // An empty folder: nothing to select.
        EXPECT_TRUE(ListViewNames(listView).empty());
        EXPECT_TRUE(ListViewItemsWithState(listView, LVIS_SELECTED).empty());
        harness.Close();
    }
}

TEST(MainWindow, ListTypeOtherThanIconGivesTheListMode) {
    TempFolder folder;
    for (const wchar_t* type : {L"icon", L"LIST", L"tiles"}) {
        WriteTestSettings({{L"SystemSetting", L"listType", type}});
        MainWindowHarness harness;
        ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
        int expected = _wcsicmp(type, L"ICON") == 0 ? 1 : 0;
        EXPECT_EQ(iconView, expected) << type;
        DWORD view = static_cast<DWORD>(GetWindowLongW(listView, GWL_STYLE)) & LVS_TYPEMASK;
        EXPECT_EQ(view, static_cast<DWORD>(expected ? LVS_ICON : LVS_LIST)) << type;
        harness.Close();
    }
}

TEST(MainWindow, SizeLaysTheChildWindowsOverTheClientArea) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(folder.path());
    ASSERT_NE(window, nullptr);
    int bar = barHeight;
    for (SIZE size : {SIZE{700, 500}, SIZE{300, 200}}) {
        SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(window, &client);
        ExpectRect(ChildRect(upButton), 0, 0, bar, bar);
        ExpectRect(ChildRect(pathEdit), bar, 0, client.right - bar, bar);
        ExpectRect(ChildRect(listView), 0, bar, client.right, client.bottom - bar);
        ExpectRect(ChildRect(shadowListView), 0, 0, 10, 10);
    }
    harness.Close();
}

namespace {

// The list view's size when the first item went into it, and how often its
// items were given new places after that (an arrangement moves them all).
SIZE sizeAtFirstInsert = {-1, -1};
HHOOK listingHook;

LRESULT CALLBACK WatchListing(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == LVM_INSERTITEMW && GetDlgCtrlID(call->hwnd) == IDC_LIST_VIEW &&
        sizeAtFirstInsert.cx < 0) {
        RECT r;
        GetWindowRect(call->hwnd, &r);
        sizeAtFirstInsert = {r.right - r.left, r.bottom - r.top};
    }
    return CallNextHookEx(listingHook, code, wParam, lParam);
}

}  // namespace

// The list view has the size it is shown at before the start folder goes
// into it: sized afterwards, it would arrange every item anew, which took
// seconds for a large folder.
TEST(MainWindow, ListViewHasItsShownSizeBeforeTheStartFolderIsListed) {
    SmallFolder small;
    WriteTestSettings({{L"SystemSetting", L"width", L"700"}, {L"SystemSetting", L"height", L"500"}});
    sizeAtFirstInsert = {-1, -1};
    listingHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchListing, nullptr, GetCurrentThreadId());
    ASSERT_NE(listingHook, nullptr);
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(small.folder.path());
    UnhookWindowsHookEx(listingHook);
    ASSERT_NE(window, nullptr);
    RECT shown = ChildRect(listView);
    EXPECT_EQ(sizeAtFirstInsert.cx, shown.right - shown.left);
    EXPECT_EQ(sizeAtFirstInsert.cy, shown.bottom - shown.top);
    EXPECT_GT(shown.right - shown.left, 100);
    EXPECT_EQ(ListViewNames(listView), kSmallFolderOrder);
    EXPECT_EQ(ListViewNames(shadowListView), kSmallFolderOrder) << "both list views hold the one listing";
    harness.WaitForWorker();
    harness.Close();
}

// The window's own background must not be painted over the bar: the path
// box shows its own colour on the screen, not the window's light grey.
TEST(MainWindow, PathBoxAndButtonStayVisibleOverTheWindowBackground) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(folder.path());
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, HWND_TOP, 0, 0, 600, 300, SWP_NOMOVE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(300);
    RECT edit;
    GetWindowRect(pathEdit, &edit);
    HDC screen = GetDC(nullptr);
    COLORREF pixel = GetPixel(screen, edit.right - 4, (edit.top + edit.bottom) / 2);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(pixel, GetSysColor(COLOR_WINDOW));
    harness.Close();
}

TEST(MainWindow, ActivationPutsTheFocusOnTheListView) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(folder.path());
    ASSERT_NE(window, nullptr);
    SetFocus(pathEdit);
    ASSERT_EQ(GetFocus(), pathEdit);
    SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), listView);
    SetFocus(pathEdit);
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(GetFocus(), pathEdit);
    harness.Close();
}

TEST(MainWindow, AcceleratorsTranslateTheFourPlainKeysOnly) {
    HACCEL table = CreateMainAccelerators();
    ASSERT_NE(table, nullptr);
    ACCEL keys[8] = {};
    ASSERT_EQ(CopyAcceleratorTableW(table, keys, 8), 4);
    const ACCEL expected[] = {{FVIRTKEY, VK_ESCAPE, ID_KEY_ESCAPE},
                              {FVIRTKEY, VK_RETURN, ID_KEY_RETURN},
                              {FVIRTKEY, VK_RIGHT, ID_KEY_RIGHT},
                              {FVIRTKEY, VK_LEFT, ID_KEY_LEFT}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(keys[i].fVirt & ~0x80, expected[i].fVirt) << i;
        EXPECT_EQ(keys[i].key, expected[i].key) << i;
        EXPECT_EQ(keys[i].cmd, expected[i].cmd) << i;
    }

    SmallFolder fixture;
    WriteTestSettings({});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(fixture.folder.path());
    ASSERT_NE(window, nullptr);
    auto focused = [] { return ListViewItemsWithState(listView, LVIS_FOCUSED); };

    // Right typed in the path box moves the list view's focus, Left moves it back.
    MSG msg = {pathEdit, WM_KEYDOWN, VK_RIGHT, 1, 0, {}};
    EXPECT_NE(TranslateAcceleratorW(window, table, &msg), 0);
    EXPECT_EQ(focused(), std::vector<int>{1});
    msg.wParam = VK_LEFT;
    EXPECT_NE(TranslateAcceleratorW(window, table, &msg), 0);
    EXPECT_EQ(focused(), std::vector<int>{0});

    // With a modifier held the key is left to the focused window.
    for (UINT modifier : {VK_SHIFT, VK_CONTROL}) {
        SetModifierState(modifier, true);
        msg.wParam = VK_RIGHT;
        EXPECT_EQ(TranslateAcceleratorW(window, table, &msg), 0) << modifier;
        SetModifierState(modifier, false);
    }
    EXPECT_EQ(focused(), std::vector<int>{0});

    // The commands themselves, as the loop delivers them.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_KEY_RIGHT, 1), 0);
    EXPECT_EQ(focused(), std::vector<int>{1});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_KEY_LEFT, 1), 0);
    EXPECT_EQ(focused(), std::vector<int>{0});
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_UP_BUTTON, BN_CLICKED), 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, 12345, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    harness.Close();
    DestroyAcceleratorTable(table);
}

TEST(MainWindow, CloseWritesTheRestoredPlacementAndRemovesTheTemporaryFolder) {
    TempFolder folder;
    WriteTestSettings({{L"SystemSetting", L"x", L"21"},
                       {L"SystemSetting", L"y", L"32"},
                       {L"SystemSetting", L"width", L"543"},
                       {L"SystemSetting", L"height", L"321"}});
    MainWindowHarness harness;
    HWND window = harness.OpenInFolder(folder.path());
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));

    std::wstring temp = tempDir;
    ASSERT_TRUE(FolderExists(temp));
    ASSERT_TRUE(WriteText(JoinPath(temp, L"Zuv.txt"), "text"));
    ASSERT_TRUE(MakeFolder(JoinPath(temp, L"member\\deeper")));
    ASSERT_TRUE(WriteText(JoinPath(temp, L"member\\deeper\\page.png"), "png"));
    HMENU menu = mainMenu;
    ASSERT_TRUE(harness.WaitForWorker());
    EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
    // The worker was stopped under a new generation.
    EXPECT_EQ(workerParams.generation, 1);
    EXPECT_EQ(nextGeneration, 2);
    EXPECT_EQ(workerThread, nullptr);
    harness.Close();

    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_FALSE(FolderExists(temp));
    std::wstring ini = TestSettingsPath();
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"x"), L"21");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"y"), L"32");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"width"), L"543");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"height"), L"321");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"dir"), folder.path());
}

// A temporary path that does not fit leaves the program without its work
// folder: nothing named "Zuv" beside the current folder is used or emptied.
TEST(MainWindow, NoWorkFolderWithoutATemporaryPath) {
    TempFolder folder;
    TempFolder current;
    ASSERT_TRUE(MakeFolder(current / L"Zuv"));
    ASSERT_TRUE(WriteText(current / L"Zuv\\keep.txt", "keep"));
    std::vector<wchar_t> savedTmp(32768, 0);
    bool hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp.data(), 32768) != 0;
    wchar_t savedFolder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    SetEnvironmentVariableW(L"TMP", (L"C:\\" + std::wstring(300, L't')).c_str());
    SetCurrentDirectoryW(current.path().c_str());
    wchar_t probe[MAX_PATH] = L"";
    DWORD length = GetTempPathW(MAX_PATH, probe);
    std::wstring tempAfterOpen = L"<not opened>";
    if (length == 0 || length >= MAX_PATH) {
        WriteTestSettings({});
        MainWindowHarness harness;
        if (harness.OpenInFolder(folder.path())) tempAfterOpen = tempDir;
        harness.Close();
    }
    SetCurrentDirectoryW(savedFolder);
    SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp.data() : nullptr);
    if (length != 0 && length < MAX_PATH) GTEST_SKIP() << "this system gives a temporary path for any TMP value";
    EXPECT_EQ(tempAfterOpen, L"");
    EXPECT_TRUE(FileExists(current / L"Zuv\\keep.txt"));
}

TEST(MainWindow, SeveralWindowsOneAfterAnother) {
    SmallFolder fixture;
    TempFolder empty;
    WriteTestSettings({});
    for (int round = 0; round < 3; ++round) {
        MainWindowHarness harness;
        const std::wstring& folder = round % 2 ? empty.path() : fixture.folder.path();
        ASSERT_NE(harness.OpenInFolder(folder), nullptr) << round;
        EXPECT_EQ(history.size(), 1u);
        EXPECT_EQ(nextGeneration, 1);
        EXPECT_EQ(ListViewNames(listView).size(), round % 2 ? 0u : kSmallFolderOrder.size());
        harness.Close();
    }
}
