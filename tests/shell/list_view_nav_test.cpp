// The list view's own keys on the real main window: grid and page moves
// measured on a laid-out list view, Shift ranges, select-all, End, the
// swallowed characters and which keys reach the main window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/main_state.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/window_driver.h"

namespace {

std::vector<UINT> mainKeys;
WNDPROC mainProc;

// Records the keys that reach the main window, then lets it handle them.
LRESULT CALLBACK RecordingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) mainKeys.push_back(static_cast<UINT>(wParam));
    return CallWindowProcW(mainProc, window, message, wParam, lParam);
}

RECT Bounds(int index) {
    RECT r = {};
    r.left = LVIR_BOUNDS;
    SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return r;
}

SIZE ListClientSize() {
    RECT r;
    GetClientRect(listView, &r);
    return {r.right, r.bottom};
}

// Resizes the main window until the list view's client area has this size
// (its scroll bars come and go with the size, so it takes a few rounds).
void SizeListClient(int width, int height) {
    for (int round = 0; round < 6; ++round) {
        SIZE now = ListClientSize();
        if (now.cx == width && now.cy == height) return;
        RECT frame;
        GetWindowRect(mainWindow, &frame);
        SetWindowPos(mainWindow, nullptr, 0, 0, frame.right - frame.left + width - now.cx,
                     frame.bottom - frame.top + height - now.cy, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessagesFor(20);
    }
}

int ItemsPerRow() {
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 1; i < count; ++i) {
        if (Bounds(i).top != Bounds(0).top) return i;
    }
    return count;
}

int ItemsPerColumn() {
    int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 1; i < count; ++i) {
        if (Bounds(i).left != Bounds(0).left) return i;
    }
    return count;
}

std::vector<int> Span(int from, int to) {
    std::vector<int> items;
    for (int i = from; i <= to; ++i) items.push_back(i);
    return items;
}

// Shift goes down with the list view focused, as the keyboard does it.
void ShiftDown() {
    SetModifierState(VK_SHIFT, true);
    SendMessageW(listView, WM_KEYDOWN, VK_SHIFT, 1);
}

void ShiftUp() {
    SendMessageW(listView, WM_KEYUP, VK_SHIFT, 0xC0000001);
    SetModifierState(VK_SHIFT, false);
}

void ShiftClickOn(POINT at) {
    SetModifierState(VK_SHIFT, true);
    SendMessageW(listView, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(at.x, at.y));
    SendMessageW(listView, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(at.x, at.y));
    SetModifierState(VK_SHIFT, false);
}

POINT CentreOf(int index) {
    RECT r = {};
    r.left = LVIR_ICON;
    SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

enum View { kIcons, kList };

// A folder of `count` files whose names all have the same length, shown in
// the real main window with 32-pixel thumbnails in the icon view or 16 in
// the list view, its list view sized to `lines` whole rows (icon view) or
// columns (list view) of `perLine` items.
class GridWindow {
public:
    GridWindow(View view, int count, int perLine, int lines) {
        for (int i = 0; i < count; ++i) {
            wchar_t name[32];
            wsprintfW(name, L"f%02d.txt", i);
            WriteText(folder_ / name, "");
        }
        WriteTestSettings({{L"SystemSetting", L"iconSize", L"32"},
                           {L"SystemSetting", L"iconSizeSmall", L"16"},
                           {L"SystemSetting", L"listType", view == kIcons ? L"ICON" : L"LIST"}});
        harness_.OpenInFolder(folder_.path());
        harness_.WaitForWorker();
        RECT first = Bounds(0);
        int itemW = first.right - first.left;
        int itemH = first.bottom - first.top;
        if (view == kIcons) {
            int spacing = Bounds(1).left - first.left;
            if (perLine >= count) {
                SizeListClient(spacing * count + spacing / 2, itemH * 2);
            } else {
                SizeListClient(spacing * perLine + spacing / 2, itemH * lines + itemH / 2);
            }
        } else {
            int step = Bounds(1).top - first.top;
            SizeListClient(itemW * lines + itemW / 2, step * perLine + step / 2);
        }
        harness_.WaitForWorker();
    }
    ~GridWindow() {
        harness_.WaitForWorker();
        harness_.Close();
    }

private:
    TempFolder folder_;
    MainWindowHarness harness_;
};

struct MoveCase {
    UINT key;
    int from;
    int to;
};

void ExpectMoves(const std::vector<MoveCase>& cases) {
    for (const MoveCase& c : cases) {
        ListViewFocusOnly(listView, c.from);
        SendKeyPress(listView, c.key);
        EXPECT_EQ(ListViewFocusedItem(listView), c.to) << "key " << c.key << " from " << c.from;
        EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({c.to})) << "key " << c.key << " from " << c.from;
    }
}

}  // namespace

TEST(ListViewNav, IconViewGridAndPageMoves) {
    GridWindow window(kIcons, 23, 5, 3);
    ASSERT_EQ(ItemsPerRow(), 5);
    RECT first = Bounds(0);
    ASSERT_EQ(ListClientSize().cy / (first.bottom - first.top), 3) << "a window 3 rows high";
    ExpectMoves({
        {VK_DOWN, 7, 12},
        {VK_UP, 7, 2},
        {VK_UP, 2, 0},
        {VK_DOWN, 20, 22},
        {VK_RIGHT, 7, 8},
        {VK_RIGHT, 22, 22},
        {VK_LEFT, 7, 6},
        {VK_NEXT, 7, 17},
        {VK_NEXT, 20, 22},
        {VK_NEXT, 22, 22},
        {VK_PRIOR, 17, 2},
        {VK_PRIOR, 3, 0},
        {VK_PRIOR, 0, 0},
    });
}

TEST(ListViewNav, ListViewGridAndPageMoves) {
    GridWindow window(kList, 35, 10, 2);
    ASSERT_EQ(ItemsPerColumn(), 10);
    RECT first = Bounds(0);
    ASSERT_EQ(ListClientSize().cx / (first.right - first.left), 2) << "a window 2 columns wide";
    ExpectMoves({
        {VK_NEXT, 4, 24},
        {VK_NEXT, 12, 32},
        {VK_NEXT, 31, 34},
        {VK_RIGHT, 28, 34},
        {VK_RIGHT, 4, 14},
        {VK_RIGHT, 34, 34},
        {VK_LEFT, 14, 4},
        {VK_LEFT, 4, 0},
        {VK_DOWN, 4, 5},
        {VK_UP, 4, 3},
        {VK_PRIOR, 24, 4},
        {VK_PRIOR, 32, 12},
        {VK_PRIOR, 5, 0},
    });
}

TEST(ListViewNav, PageDownInAWindowLowerThanOneRowNeverGoesUp) {
    GridWindow window(kIcons, 23, 5, 3);
    RECT first = Bounds(0);
    int itemH = first.bottom - first.top;
    SizeListClient(ListClientSize().cx, itemH / 2);
    ASSERT_EQ(ListClientSize().cy / itemH, 0) << "a window lower than one row";
    ASSERT_EQ(ItemsPerRow(), 5);
    ExpectMoves({
        {VK_NEXT, 7, 7},
        {VK_PRIOR, 7, 7},
    });
}

TEST(ListViewNav, SingleRowGoesToTheEnds) {
    GridWindow window(kIcons, 4, 4, 1);
    ASSERT_EQ(ItemsPerRow(), 4) << "one row";
    ExpectMoves({
        {VK_DOWN, 1, 3},
        {VK_UP, 2, 0},
        {VK_NEXT, 1, 3},
        {VK_PRIOR, 2, 0},
    });
}

TEST(ListViewNav, ShiftRangesFromTheAnchor) {
    GridWindow window(kList, 35, 10, 2);
    ListViewFocusOnly(listView, 4);
    ShiftDown();
    SendKeyPress(listView, VK_DOWN, true);
    SendKeyPress(listView, VK_DOWN, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(4, 6));
    EXPECT_EQ(ListViewFocusedItem(listView), 6);
    ShiftUp();
    EXPECT_EQ(selectionAnchor, -1);
    ShiftDown();
    ShiftDown();  // a repeated Shift keeps its anchor
    EXPECT_EQ(selectionAnchor, 6);
    SendKeyPress(listView, VK_RIGHT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(6, 16));
    EXPECT_EQ(ListViewFocusedItem(listView), 16);
    SendKeyPress(listView, VK_LEFT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({6})) << "back on the anchor";
    SendKeyPress(listView, VK_LEFT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(0, 6)) << "the range runs from the anchor toward the target";
    EXPECT_EQ(ListViewFocusedItem(listView), 0);
    ShiftUp();

    // Shift+click on 9 with the anchor at 3.
    ListViewFocusOnly(listView, 3);
    ShiftDown();
    ShiftClickOn(CentreOf(9));
    EXPECT_EQ(ListViewSelectedItems(listView), Span(3, 9));
    EXPECT_EQ(ListViewFocusedItem(listView), 9);
    ShiftUp();

    // Space drops the anchor.
    ListViewFocusOnly(listView, 2);
    ShiftDown();
    SendMessageW(listView, WM_CHAR, L' ', 1);
    EXPECT_EQ(selectionAnchor, -1);
    ShiftUp();
}

TEST(ListViewNav, ShiftWithoutAnAnchorSelectsOnlyTheTarget) {
    GridWindow window(kList, 35, 10, 2);
    // Shift went down in another window: the list view saw no Shift press.
    ASSERT_EQ(selectionAnchor, -1);
    ListViewFocusOnly(listView, 4);
    SendKeyPress(listView, VK_DOWN, true);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({5}));
    SendKeyPress(listView, VK_NEXT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({25}));

    ShiftClickOn(CentreOf(15));
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({15}));
    EXPECT_EQ(ListViewFocusedItem(listView), 15);

    // A Shift+click on empty space selects nothing rather than everything.
    ListViewFocusOnly(listView, 0);
    SendMessageW(listView, LVM_ENSUREVISIBLE, 0, FALSE);
    ListViewFocusOnly(listView, 3);
    ShiftDown();
    SIZE client = ListClientSize();
    RECT lowest = Bounds(9);
    ASSERT_LT(lowest.bottom + 2, client.cy);
    ShiftClickOn({lowest.left + 2, client.cy - 2});
    EXPECT_TRUE(ListViewSelectedItems(listView).empty());
    ShiftUp();
}

TEST(ListViewNav, IconViewShiftWalkSelectsAndUnselects) {
    GridWindow window(kIcons, 23, 5, 3);
    ListViewFocusOnly(listView, 2);
    ShiftDown();
    for (int i = 0; i < 3; ++i) SendKeyPress(listView, VK_RIGHT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(2, 5));
    EXPECT_EQ(ListViewFocusedItem(listView), 5);
    SendKeyPress(listView, VK_LEFT, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(2, 4));
    EXPECT_EQ(ListViewFocusedItem(listView), 4);
    ShiftUp();
    SendKeyPress(listView, VK_RIGHT);
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({5})) << "without Shift the walk clears";
}

TEST(ListViewNav, PreviewPageResetByUpDownNotByIconViewWalk) {
    GridWindow window(kIcons, 23, 5, 3);
    ListViewFocusOnly(listView, 7);
    previewPage = 3;
    SendKeyPress(listView, VK_RIGHT);
    EXPECT_EQ(previewPage, 3);
    SendKeyPress(listView, VK_DOWN);
    EXPECT_EQ(previewPage, 0);
}

TEST(ListViewNav, HomeCtrlAEndAndTheKeysTheMainWindowSees) {
    GridWindow window(kIcons, 23, 5, 3);
    mainKeys.clear();
    mainProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingMainProc)));

    ListViewFocusOnly(listView, 7);
    SendKeyPress(listView, VK_HOME);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(0, 22));
    EXPECT_EQ(ListViewFocusedItem(listView), 7) << "Home keeps the focus";
    ListViewFocusOnly(listView, 7);
    SendKeyPress(listView, 'A', false, true);
    EXPECT_EQ(ListViewSelectedItems(listView), Span(0, 22));
    EXPECT_EQ(ListViewFocusedItem(listView), 7);
    ListViewFocusOnly(listView, 7);
    SendKeyPress(listView, 'A');
    EXPECT_EQ(ListViewSelectedItems(listView), std::vector<int>({7}));
    SendKeyPress(listView, VK_DOWN);
    SendKeyPress(listView, VK_NEXT);
    EXPECT_EQ(mainKeys, std::vector<UINT>({'A'})) << "only A of these reaches the main window";

    ASSERT_FALSE(IsZoomed(mainWindow));
    SendKeyPress(listView, VK_END);
    PumpMessagesFor(50);
    EXPECT_TRUE(IsZoomed(mainWindow));
    SendKeyPress(listView, VK_END);
    PumpMessagesFor(50);
    EXPECT_FALSE(IsZoomed(mainWindow));

    SetWindowLongPtrW(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mainProc));
}

TEST(ListViewNav, LowerCaseLettersAndDigitsDoNotSearch) {
    TempFolder folder;
    for (const wchar_t* name : {L"apple", L"banana", L"cherry", L"7up"}) WriteText(folder / name, "");
    WriteTestSettings({});
    MainWindowHarness harness;
    harness.OpenInFolder(folder.path());
    harness.WaitForWorker();
    // 7up, apple, banana, cherry
    ListViewFocusOnly(listView, 1);
    for (wchar_t c : {L'b', L'7', L'\\', L' '}) {
        SendMessageW(listView, WM_CHAR, c, 1);
        EXPECT_EQ(ListViewFocusedItem(listView), 1) << "character " << static_cast<int>(c);
    }
    SendMessageW(listView, WM_CHAR, L'B', 1);
    EXPECT_EQ(ListViewFocusedItem(listView), 2) << "an upper-case letter searches";
    harness.WaitForWorker();
}

// A redraw of many items (a worker's start asks for all of them) marks the
// whole list view for painting at once; a few items mark only their own
// places; a range outside the items is left to the list view itself, which
// marks no more than the items' places.
TEST(ListViewNav, RedrawOfManyItemsMarksTheWholeListViewAtOnce) {
    GridWindow window(kIcons, 80, 5, 3);
    RECT client;
    GetClientRect(listView, &client);
    struct {
        WPARAM first;
        LPARAM last;
        bool inRange;
        bool whole;
    } cases[] = {
        {0, 79, true, true}, {10, 75, true, true}, {0, 2, true, false}, {1, 1, true, false},
        {5, 2, false, false}, {0, 80, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " to " << c.last);
        UpdateWindow(listView);
        ValidateRect(listView, nullptr);
        LRESULT result = SendMessageW(listView, LVM_REDRAWITEMS, c.first, c.last);
        RECT update = {};
        BOOL marked = GetUpdateRect(listView, &update, FALSE);
        EXPECT_EQ(EqualRect(&update, &client) != FALSE, c.whole);
        if (!c.inRange) continue;
        EXPECT_EQ(result, TRUE);
        EXPECT_TRUE(marked);
        RECT item = Bounds(static_cast<int>(c.first));
        RECT both;
        UnionRect(&both, &update, &item);
        EXPECT_TRUE(EqualRect(&both, &update)) << "the item's place is marked";
    }
    UpdateWindow(listView);
}
