// The caption menu of settings: where it opens, what its commands change in
// the state, the worker record and the running worker, and the values dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/window_driver.h"
#include "thumbnails/worker_params.h"

namespace {

// What one WM_CONTEXTMENU did: the popups the main window was told about and
// where the menu window stood while it was open.
struct MenuWatch {
    LRESULT result = -1;
    std::vector<HMENU> popups;
    bool menuLoop = false;
    RECT menuRect = {};
};

MenuWatch* activeWatch;
HHOOK watchHook;

LRESULT CALLBACK WatchHookProc(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && activeWatch && call->hwnd == mainWindow) {
        if (call->message == WM_ENTERMENULOOP) activeWatch->menuLoop = true;
        if (call->message == WM_INITMENUPOPUP) activeWatch->popups.push_back(reinterpret_cast<HMENU>(call->wParam));
    }
    return CallNextHookEx(watchHook, code, wParam, lParam);
}

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM rect) {
    wchar_t name[16] = L"";
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(window)) {
        GetWindowRect(window, reinterpret_cast<RECT*>(rect));
        return FALSE;
    }
    return TRUE;
}

// Ends an open menu from inside its modal loop.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (activeWatch && (activeWatch->menuLoop || !activeWatch->popups.empty())) {
        EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&activeWatch->menuRect));
        EndMenu();
    }
}

MenuWatch ContextMenuAt(LPARAM position) {
    MenuWatch watch;
    activeWatch = &watch;
    watchHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchHookProc, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, 100, EndMenuTimer);
    watch.result = SendMessageW(mainWindow, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(mainWindow), position);
    PumpMessagesFor(30);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(watchHook);
    activeWatch = nullptr;
    return watch;
}

LPARAM ScreenPosition(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

POINT ClientTop() {
    POINT top = {0, 0};
    ClientToScreen(mainWindow, &top);
    return top;
}

// A folder with two sub-folders, the cache folder and three files.
struct MenuFolder {
    TempFolder folder;
    MenuFolder() {
        MakeFolder(folder / L"b");
        MakeFolder(folder / L"A");
        MakeFolder(folder / L"Zuv_CACHE");
        WriteText(folder / L"a.txt", "x");
        WriteText(folder / L"c.txt", "y");
        WriteText(folder / L"d.txt", "z");
    }
};

HANDLE DuplicateWorker() {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), workerThread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    return copy;
}

bool Ended(HANDLE thread) {
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

}  // namespace

TEST(SettingsMenu, OpensForTheCaptionOnly) {
    MenuFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"x", L"100"},
                       {L"SystemSetting", L"y", L"100"},
                       {L"SystemSetting", L"width", L"500"},
                       {L"SystemSetting", L"height", L"400"},
                       {L"SystemSetting", L"hideCache", L"ON"},
                       {L"SystemSetting", L"cacheAutoSave", L"OFF"},
                       {L"SystemSetting", L"speedMode", L"ON"},
                       {L"SystemSetting", L"darkMode", L"OFF"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    POINT top = ClientTop();
    RECT frame;
    GetWindowRect(mainWindow, &frame);
    ASSERT_LT(frame.top, top.y - 5);

    MenuWatch caption = ContextMenuAt(ScreenPosition(top.x + 60, top.y - 5));
    EXPECT_EQ(caption.result, 0);
    ASSERT_EQ(caption.popups, std::vector<HMENU>{settingsMenu});
    EXPECT_EQ(caption.menuRect.left, top.x + 60);
    EXPECT_EQ(caption.menuRect.top, top.y - 5);
    // The marks as the settings say.
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_VALUES));
    EXPECT_TRUE(SettingsMenuChecked(ID_SETTINGS_HIDE_CACHE));
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_CACHE_AUTOSAVE));
    EXPECT_TRUE(SettingsMenuChecked(ID_SETTINGS_SPEED));
    EXPECT_FALSE(SettingsMenuChecked(ID_SETTINGS_DARK));
    // The top frame counts as the caption.
    EXPECT_EQ(ContextMenuAt(ScreenPosition(top.x + 60, frame.top)).popups.size(), 1u);

    struct Case {
        const char* what;
        LPARAM position;
    } none[] = {
        {"client top", ScreenPosition(top.x + 60, top.y)},
        {"list view", ScreenPosition(top.x + 60, top.y + 100)},
        {"up button", ScreenPosition(top.x + 3, top.y + 3)},
        {"bottom frame", ScreenPosition(top.x + 60, frame.bottom - 1)},
        {"side frame below the caption", ScreenPosition(frame.left, top.y + 50)},
        {"keyboard", static_cast<LPARAM>(-1)},
        // Read with a sign, a point above the screen top lies above any client area.
        {"negative y", ScreenPosition(top.x + 60, -5)},
    };
    for (const Case& c : none) {
        MenuWatch watch = ContextMenuAt(c.position);
        EXPECT_EQ(watch.result, 0) << c.what;
        EXPECT_TRUE(watch.popups.empty()) << c.what;
        EXPECT_FALSE(watch.menuLoop) << c.what;
    }
    harness.Close();
}

TEST(SettingsMenu, StaysClosedForACaptionAboveTheScreenTop) {
    MenuFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"x", L"100"},
                       {L"SystemSetting", L"y", L"-300"},
                       {L"SystemSetting", L"width", L"500"},
                       {L"SystemSetting", L"height", L"400"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    POINT top = ClientTop();
    if (top.y >= 0) GTEST_SKIP() << "the desktop keeps windows below the screen top";
    // Read with a sign, this point lies above the client area.
    MenuWatch watch = ContextMenuAt(ScreenPosition(top.x + 60, top.y - 5));
    EXPECT_EQ(watch.result, 0);
    EXPECT_TRUE(watch.popups.empty());
    EXPECT_FALSE(watch.menuLoop);
    harness.Close();
}

TEST(SettingsMenu, SwitchesUpdateValueMarkRecordAndWorker) {
    MenuFolder fixture;
    WriteTestSettings({});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    struct Case {
        UINT id;
        int* value;
        volatile int TWorkerParams::*field;
        bool restarts;
        int rebuild;
    } cases[] = {
        {ID_SETTINGS_HIDE_CACHE, &hideCache, &TWorkerParams::hideCache, true, 0},
        {ID_SETTINGS_CACHE_AUTOSAVE, &cacheAutoSave, &TWorkerParams::cacheAutoSave, false, 0},
        {ID_SETTINGS_SPEED, &speedMode, &TWorkerParams::speedMode, false, 0},
        {ID_SETTINGS_DARK, &darkMode, nullptr, true, 1},
    };
    for (const Case& c : cases) {
        // Anything but 1 turns into 1, and 1 into 0.
        *c.value = 2;
        for (int expected : {1, 0}) {
            ASSERT_TRUE(harness.WaitForWorker());
            int generation = nextGeneration;
            HANDLE before = workerThread;
            DWORD beforeId = before ? GetThreadId(before) : 0;
            EXPECT_EQ(SendMessageW(mainWindow, WM_COMMAND, c.id, 0), 0);
            EXPECT_EQ(*c.value, expected) << c.id;
            EXPECT_EQ(SettingsMenuChecked(c.id), expected == 1) << c.id;
            if (c.field) {
                EXPECT_EQ(workerParams.*c.field, expected) << c.id;
            }
            if (c.restarts) {
                EXPECT_EQ(workerParams.generation, generation) << c.id;
                EXPECT_EQ(nextGeneration, generation + 1) << c.id;
                ASSERT_NE(workerThread, nullptr) << c.id;
                EXPECT_EQ(workerParams.fullRebuild, c.rebuild) << c.id;
                EXPECT_EQ(workerParams.ignoreCache, 0) << c.id;
            } else {
                EXPECT_EQ(nextGeneration, generation) << c.id;
                EXPECT_EQ(workerThread, before) << c.id;
                if (before) {
                    EXPECT_EQ(GetThreadId(workerThread), beforeId) << c.id;
                }
            }
        }
    }
    harness.Close();
}

TEST(SettingsMenu, HideCacheRelistsAndSelectsTheFirstItem) {
    MenuFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"hideCache", L"ON"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    const std::vector<std::wstring> hidden = {L"A", L"b", L"a.txt", L"c.txt", L"d.txt"};
    const std::vector<std::wstring> shown = {L"A", L"b", L"Zuv_CACHE", L"a.txt", L"c.txt", L"d.txt"};
    ASSERT_EQ(ListViewNames(listView), hidden);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(ID_KEY_RIGHT, 1), 0);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(ID_KEY_RIGHT, 1), 0);
    ASSERT_TRUE(harness.WaitForWorker());

    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_HIDE_CACHE, 0);
    EXPECT_EQ(ListViewNames(listView), shown);
    EXPECT_EQ(ListViewItemsWithState(listView, LVIS_SELECTED), std::vector<int>{0});
    EXPECT_EQ(ListViewItemsWithState(listView, LVIS_FOCUSED), std::vector<int>{0});
    EXPECT_EQ(GetFocus(), listView);
    ASSERT_TRUE(harness.WaitForWorker());
    // The new worker has a picture for every item and lists the hidden view anew.
    EXPECT_EQ(ImageList_GetImageCount(imageListLarge), static_cast<int>(shown.size()));
    EXPECT_EQ(ListViewNames(shadowListView), shown);

    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_HIDE_CACHE, 0);
    EXPECT_EQ(ListViewNames(listView), hidden);
    ASSERT_TRUE(harness.WaitForWorker());
    EXPECT_EQ(ImageList_GetImageCount(imageListLarge), static_cast<int>(hidden.size()));
    harness.Close();
}

TEST(SettingsMenu, CacheAutoSaveSwitchedOnReachesTheRunningWorker) {
    TempFolder folder;
    for (int i = 0; i < 80; ++i) {
        wchar_t name[32];
        wsprintfW(name, L"note%02d.txt", i);
        WriteText(folder / name, "some text");
    }
    WriteTestSettings({{L"SystemSetting", L"cacheAutoSave", L"OFF"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    ASSERT_NE(workerThread, nullptr);
    ASSERT_EQ(WaitForSingleObject(workerThread, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the worker ended too soon";
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_CACHE_AUTOSAVE, 0);
    ASSERT_TRUE(harness.WaitForWorker(60000));
    EXPECT_TRUE(FileExists(folder / L"Zuv_CACHE\\note00.txt.Zuv.icon.ico"));
    EXPECT_TRUE(FileExists(folder / L"Zuv_CACHE\\note79.txt.Zuv.icon.ico"));
    harness.Close();
}

namespace {

// Requests of other threads (the workers) for the text of one list item.
int watchedItem;
int watchedItemRequests;

LRESULT CALLBACK CountWorkerRequests(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == listView && call->message == LVM_GETITEMTEXTW &&
        static_cast<int>(call->wParam) == watchedItem && InSendMessage()) {
        ++watchedItemRequests;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(SettingsMenu, DarkModeTwiceQuicklyLeavesOneWorkerAndTheLastColours) {
    MenuFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"darkMode", L"ON"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    watchedItem = static_cast<int>(ListViewNames(listView).size()) - 1;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(harness.WaitForWorker());
        watchedItemRequests = 0;
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountWorkerRequests, nullptr, GetCurrentThreadId());
        SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_DARK, 0);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETBKCOLOR, 0, 0)), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETTEXTCOLOR, 0, 0)), RGB(0, 0, 0));
        HANDLE first = DuplicateWorker();
        SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_DARK, 0);
        HANDLE last = DuplicateWorker();
        ASSERT_NE(first, nullptr);
        ASSERT_NE(last, nullptr);

        // The worker of the first toggle ends without making pictures; only
        // the last one goes through the items, under the newest generation.
        EXPECT_TRUE(PumpUntil([&] { return Ended(first) && Ended(last); }, 20000)) << round;
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(watchedItemRequests, 1) << round;
        EXPECT_EQ(workerParams.generation, 2 * round + 2);
        EXPECT_EQ(workerParams.fullRebuild, 1);
        EXPECT_EQ(darkMode, 1);
        EXPECT_TRUE(SettingsMenuChecked(ID_SETTINGS_DARK));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETBKCOLOR, 0, 0)), RGB(64, 64, 64));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETTEXTBKCOLOR, 0, 0)), RGB(64, 64, 64));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(listView, LVM_GETTEXTCOLOR, 0, 0)), RGB(255, 255, 255));
        EXPECT_EQ(ImageList_GetImageCount(imageListLarge), watchedItem + 1) << round;
        CloseHandle(first);
        CloseHandle(last);
    }
    harness.Close();
}

TEST(ValuesDialog, OkStoresTheValuesAndRemakesTheImageLists) {
    MenuFolder fixture;
    WriteTestSettings({{L"SystemSetting", L"iconSize", L"96"},
                       {L"SystemSetting", L"iconSizeSmall", L"48"},
                       {L"SystemSetting", L"thumbnailWait", L"5"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(fixture.folder.path()), nullptr);
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(ID_KEY_RIGHT, 1), 0);
    std::vector<std::wstring> names = ListViewNames(listView);
    ASSERT_TRUE(harness.WaitForWorker());

    DialogAnswerer answerer;
    DialogAnswer answer = DialogAnswer::Press(IDOK);
    answer.editTexts = {{IDC_VALUES_ICON_SIZE, L"64"}, {IDC_VALUES_ICON_SIZE_SMALL, L"32"},
                        {IDC_VALUES_THUMBNAIL_WAIT, L"7"}};
    answerer.Push(answer);
    int generation = nextGeneration;
    EXPECT_EQ(SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0), 0);

    ASSERT_EQ(answerer.records().size(), 1u);
    const DialogRecord& shown = answerer.records()[0];
    EXPECT_EQ(shown.caption, L"変更値入力");
    EXPECT_EQ(shown.TextOf(IDC_VALUES_ICON_SIZE), L"96");
    EXPECT_EQ(shown.TextOf(IDC_VALUES_ICON_SIZE_SMALL), L"48");
    EXPECT_EQ(shown.TextOf(IDC_VALUES_THUMBNAIL_WAIT), L"5");
    EXPECT_TRUE(shown.HasButton(IDOK));
    EXPECT_TRUE(shown.HasButton(IDCANCEL));
    POINT corner = CentredOverMainWindow(shown.windowRect);
    EXPECT_EQ(shown.windowRect.left, corner.x);
    EXPECT_EQ(shown.windowRect.top, corner.y);

    EXPECT_EQ(iconSize, 64);
    EXPECT_EQ(iconSizeSmall, 32);
    EXPECT_EQ(thumbnailWait, 7);
    EXPECT_EQ(workerParams.iconSize, 64);
    EXPECT_EQ(workerParams.iconSizeSmall, 32);
    EXPECT_EQ(workerParams.thumbnailWait, 7);
    EXPECT_EQ(ImageListIconSize(imageListLarge).cx, 64);
    EXPECT_EQ(ImageListIconSize(imageListLarge).cy, 64);
    EXPECT_EQ(ImageListIconSize(imageListSmall).cx, 32);
    EXPECT_EQ(ImageListIconSize(imageListSmall).cy, 32);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(listView, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)), imageListLarge);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(listView, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), imageListSmall);
    EXPECT_EQ(workerParams.imageListLarge, imageListLarge);
    EXPECT_EQ(workerParams.imageListSmall, imageListSmall);
    EXPECT_EQ(workerParams.generation, generation);
    EXPECT_EQ(workerParams.fullRebuild, 1);
    // Neither relisted nor reselected.
    EXPECT_EQ(ListViewNames(listView), names);
    EXPECT_EQ(ListViewItemsWithState(listView, LVIS_FOCUSED), std::vector<int>{1});
    ASSERT_TRUE(harness.WaitForWorker());
    EXPECT_EQ(ImageList_GetImageCount(imageListLarge), static_cast<int>(names.size()));
    harness.Close();
    std::wstring ini = TestSettingsPath();
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"iconSize"), L"64");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"iconSizeSmall"), L"32");
    EXPECT_EQ(ReadSetting(ini, L"SystemSetting", L"thumbnailWait"), L"7");
}

// The dialog keeps its template's sizes: its labels fit only when "MS Shell
// Dlg" stands for a proportional Japanese face, as on a Japanese Windows.
TEST(ValuesDialog, LabelsFitTheirControls) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Press(IDCANCEL));
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
    ASSERT_EQ(answerer.records().size(), 1u);
    int labels = 0;
    for (const DialogControl& c : answerer.records()[0].controls) {
        if (_wcsicmp(c.className.c_str(), L"Static") != 0 || c.text.empty()) continue;
        ++labels;
        EXPECT_LE(c.textWidth, c.clientWidth) << ToUtf8(c.text);
    }
    EXPECT_EQ(labels, 3);
    harness.Close();
}

TEST(ValuesDialog, EmptyThirdBoxTurnsVideoThumbnailsOff) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Type(IDC_VALUES_THUMBNAIL_WAIT, L""));
    answerer.Push(DialogAnswer::Press(IDCANCEL));
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
    EXPECT_EQ(thumbnailWait, -1);
    EXPECT_EQ(workerParams.thumbnailWait, -1);
    EXPECT_EQ(iconSize, 128);
    // The next opening shows the box empty.
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
    ASSERT_EQ(answerer.records().size(), 2u);
    EXPECT_EQ(answerer.records()[1].TextOf(IDC_VALUES_THUMBNAIL_WAIT), L"");
    EXPECT_EQ(answerer.records()[1].TextOf(IDC_VALUES_ICON_SIZE), L"128");
    EXPECT_EQ(thumbnailWait, -1);
    harness.Close();
}

TEST(ValuesDialog, CancelAndEscapeChangeNothingTheCloseBoxKeepsTheOldValues) {
    TempFolder folder;
    WriteTestSettings({{L"SystemSetting", L"iconSize", L"96"},
                       {L"SystemSetting", L"iconSizeSmall", L"48"},
                       {L"SystemSetting", L"thumbnailWait", L"5"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    ASSERT_TRUE(harness.WaitForWorker());
    struct Case {
        const char* what;
        DialogAnswer answer;
        bool restarts;
    } cases[] = {
        {"cancel", DialogAnswer::Type(IDC_VALUES_ICON_SIZE, L"64", IDCANCEL), false},
        {"escape", DialogAnswer::Escape(), false},
        {"close box", DialogAnswer::CloseBox(), true},
    };
    for (Case& c : cases) {
        c.answer.editTexts = {{IDC_VALUES_ICON_SIZE, L"64"}, {IDC_VALUES_THUMBNAIL_WAIT, L""}};
        DialogAnswerer answerer;
        answerer.Push(c.answer);
        int generation = nextGeneration;
        HIMAGELIST large = imageListLarge;
        SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
        EXPECT_EQ(answerer.records().size(), 1u) << c.what;
        EXPECT_EQ(iconSize, 96) << c.what;
        EXPECT_EQ(iconSizeSmall, 48) << c.what;
        EXPECT_EQ(thumbnailWait, 5) << c.what;
        EXPECT_EQ(workerParams.iconSize, 96) << c.what;
        EXPECT_EQ(workerParams.thumbnailWait, 5) << c.what;
        EXPECT_EQ(ImageListIconSize(imageListLarge).cx, 96) << c.what;
        EXPECT_EQ(ImageListIconSize(imageListSmall).cx, 48) << c.what;
        if (c.restarts) {
            // The lists are made anew and every picture with them.
            EXPECT_EQ(nextGeneration, generation + 1) << c.what;
            EXPECT_EQ(workerParams.fullRebuild, 1) << c.what;
            EXPECT_EQ(workerParams.imageListLarge, imageListLarge) << c.what;
        } else {
            EXPECT_EQ(nextGeneration, generation) << c.what;
            EXPECT_EQ(imageListLarge, large) << c.what;
        }
        ASSERT_TRUE(harness.WaitForWorker());
    }
    harness.Close();
}

TEST(ValuesDialog, SizesOutsideTheCacheRangeAreRefusedWithTheBoxKeptOpen) {
    TempFolder folder;
    WriteTestSettings({});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    ASSERT_TRUE(harness.WaitForWorker());
    struct Case {
        const wchar_t* large;
        const wchar_t* small;
        int refusedBox;
    } refused[] = {
        {L"15", L"64", IDC_VALUES_ICON_SIZE},
        {L"0", L"64", IDC_VALUES_ICON_SIZE},
        {L"", L"64", IDC_VALUES_ICON_SIZE},
        {L"257", L"64", IDC_VALUES_ICON_SIZE},
        {L"64", L"10", IDC_VALUES_ICON_SIZE_SMALL},
        {L"64", L"4096", IDC_VALUES_ICON_SIZE_SMALL},
    };
    for (const Case& c : refused) {
        DialogAnswerer answerer;
        DialogAnswer bad = DialogAnswer::Press(IDOK).StaysOpen();
        bad.editTexts = {{IDC_VALUES_ICON_SIZE, c.large}, {IDC_VALUES_ICON_SIZE_SMALL, c.small}};
        answerer.Push(bad);
        answerer.Push(DialogAnswer::Press(IDCANCEL));
        int generation = nextGeneration;
        SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
        // Seen again after the refusal: still open, the bad box focused.
        ASSERT_EQ(answerer.records().size(), 2u) << c.large << L" " << c.small;
        EXPECT_EQ(answerer.records()[1].focusedId, c.refusedBox) << c.large << L" " << c.small;
        EXPECT_EQ(answerer.records()[1].TextOf(IDC_VALUES_ICON_SIZE), c.large);
        EXPECT_EQ(iconSize, 128);
        EXPECT_EQ(iconSizeSmall, 128);
        EXPECT_EQ(nextGeneration, generation);
    }
    // The limits themselves are taken.
    DialogAnswerer answerer;
    DialogAnswer edges = DialogAnswer::Press(IDOK);
    edges.editTexts = {{IDC_VALUES_ICON_SIZE, L"256"}, {IDC_VALUES_ICON_SIZE_SMALL, L"16"}};
    answerer.Push(edges);
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
    EXPECT_EQ(answerer.records().size(), 1u);
    EXPECT_EQ(iconSize, 256);
    EXPECT_EQ(iconSizeSmall, 16);
    EXPECT_EQ(ImageListIconSize(imageListLarge).cx, 256);
    EXPECT_EQ(ImageListIconSize(imageListSmall).cx, 16);
    harness.Close();
}

TEST(ValuesDialog, MinusHundredFromTheSettingsReadsAsCancel) {
    TempFolder folder;
    WriteTestSettings({{L"SystemSetting", L"thumbnailWait", L"-100"}});
    MainWindowHarness harness;
    ASSERT_NE(harness.OpenInFolder(folder.path()), nullptr);
    ASSERT_TRUE(harness.WaitForWorker());
    DialogAnswerer answerer;
    answerer.Push(DialogAnswer::Type(IDC_VALUES_ICON_SIZE, L"64"));
    int generation = nextGeneration;
    SendMessageW(mainWindow, WM_COMMAND, ID_SETTINGS_VALUES, 0);
    ASSERT_EQ(answerer.records().size(), 1u);
    EXPECT_EQ(answerer.records()[0].TextOf(IDC_VALUES_THUMBNAIL_WAIT), L"-100");
    EXPECT_EQ(iconSize, 128);
    EXPECT_EQ(nextGeneration, generation);
    harness.Close();
}
