// The list view's own keyboard handling: grid-aware moves, a Shift range
// anchor, select-all and the history keys; every other key press goes to
// the main window's key commands before the list view sees it.
#include "shell/list_view_nav.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "shell/main_state.h"
#include "shell/navigation.h"

namespace {

// The list view's layout as it stands at this key press.
struct TGrid {
    int focused;
    int count;
    int last;
    int perRow;  // items in a row of the icon view
    int perCol;  // items in a column of the list view
    bool oneTop;   // no item lies lower than item 0
    bool oneLeft;  // no item lies right of item 0
    int rows;  // whole items the client area holds from top to bottom
    int cols;  // and from left to right
};

bool ShiftHeld() {
    return GetKeyState(VK_SHIFT) < 0;
}

int FocusedItem(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

RECT ItemBounds(HWND list, int index) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&bounds));
    return bounds;
}

TGrid MeasureGrid(HWND list) {
    TGrid grid = {};
    grid.focused = FocusedItem(list);
    grid.count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    grid.last = grid.count - 1;
    RECT first = ItemBounds(list, 0);
    grid.perRow = grid.count;
    grid.perCol = grid.count;
    grid.oneTop = true;
    grid.oneLeft = true;
    for (int i = 1; i < grid.count && (grid.oneTop || grid.oneLeft); ++i) {
        RECT bounds = ItemBounds(list, i);
        if (grid.oneTop && bounds.top != first.top) {
            grid.perRow = i;
            grid.oneTop = false;
        }
        if (grid.oneLeft && bounds.left != first.left) {
            grid.perCol = i;
            grid.oneLeft = false;
        }
    }
    RECT client = {};
    GetClientRect(list, &client);
    int itemH = first.bottom - first.top;
    int itemW = first.right - first.left;
    grid.rows = itemH > 0 ? (client.bottom - client.top) / itemH : 0;
    grid.cols = itemW > 0 ? (client.right - client.left) / itemW : 0;
    return grid;
}

bool IconViewShown(HWND list) {
    return (GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK) == LVS_ICON;
}

void SetItemState(HWND list, int index, UINT state, UINT mask) {
    LVITEMW item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void ClearSelection(HWND list) {
    SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

// Index -1 would reach every item: without an anchor the range is empty.
void SelectRange(HWND list, int from, int to) {
    if (from < 0 || to < 0 || from == to) return;
    int step = from < to ? 1 : -1;
    for (int i = from;; i += step) {
        SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
        if (i == to) break;
    }
}

void ShiftRange(HWND list, int target) {
    if (ShiftHeld()) SelectRange(list, selectionAnchor, target);
}

void FinishMove(HWND list, int target, bool takeFocus) {
    if (target >= 0) {
        SetItemState(list, target, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, LVM_ENSUREVISIBLE, target, FALSE);
    }
    UpdateWindow(list);
    if (takeFocus) SetFocus(list);
}

// Clear, the Shift range from the anchor, then the target.
void MoveTo(HWND list, int target, bool takeFocus) {
    ClearSelection(list);
    ShiftRange(list, target);
    FinishMove(list, target, takeFocus);
}

// Right and Left of the icon view: with Shift the item left behind follows
// the state of the item moved onto, so walking back undoes a selection.
void WalkTo(HWND list, int from, int target) {
    if (ShiftHeld()) {
        bool targetSelected = (SendMessageW(list, LVM_GETITEMSTATE, target, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        SetItemState(list, from, targetSelected ? 0 : LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);
    } else {
        ClearSelection(list);
    }
    SetItemState(list, target, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list, LVM_ENSUREVISIBLE, target, FALSE);
}

LRESULT OwnProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(listViewOldProc, list, message, wParam, lParam);
}

// The main window's key commands first, then the list view's own handling.
LRESULT Forward(HWND list, WPARAM wParam, LPARAM lParam) {
    SendMessageW(mainWindow, WM_KEYDOWN, wParam, lParam);
    // Escape and Ctrl+W may have closed the main window with the list view.
    if (!IsWindow(list)) return 0;
    return OwnProc(list, WM_KEYDOWN, wParam, lParam);
}

LRESULT ArrowMove(HWND list, WPARAM key, LPARAM lParam) {
    TGrid g = MeasureGrid(list);
    // Without a focused item there is no place to move from.
    if (g.focused < 0) return OwnProc(list, WM_KEYDOWN, key, lParam);
    int f = g.focused;
    bool icons = IconViewShown(list);
    int target = 0;
    switch (key) {
    case VK_RIGHT:
        if (f == g.last) return 0;
        if (icons) {
            WalkTo(list, f, f + 1);
            return 0;
        }
        if (f == 0) return OwnProc(list, WM_KEYDOWN, key, lParam);
        target = g.oneLeft ? g.last : std::min(f + g.perCol, g.last);
        break;
    case VK_LEFT:
        if (f == 0) return OwnProc(list, WM_KEYDOWN, key, lParam);
        if (icons) {
            WalkTo(list, f, f - 1);
            return 0;
        }
        target = g.oneLeft ? 0 : std::max(f - g.perCol, 0);
        break;
    case VK_UP:
        if (f == 0) return OwnProc(list, WM_KEYDOWN, key, lParam);
        target = g.oneTop ? 0 : std::max(f - g.perRow, 0);
        break;
    case VK_DOWN:
        if (f == g.last) return OwnProc(list, WM_KEYDOWN, key, lParam);
        target = g.oneTop ? g.last : std::min(f + g.perRow, g.last);
        break;
    }
    previewPage = 0;
    MoveTo(list, target, false);
    return 0;
}

int PageDownTarget(const TGrid& g, bool icons) {
    int f = g.focused;
    if (icons) {
        if (g.oneTop) return g.last;
        // One row less than a window's height; a window lower than one row
        // must not turn Page Down into a move up.
        return std::min(f + g.perRow * std::max(g.rows - 1, 0), g.last);
    }
    if (g.oneLeft) return g.last;
    // The first index of the last column when that column is partly filled.
    int lastColumn = (g.count / g.perCol) * g.perCol;
    if (f >= lastColumn) return g.last;
    return std::min({f + g.perCol * g.cols, lastColumn + f % g.perCol, g.last});
}

int PageUpTarget(const TGrid& g, bool icons) {
    int f = g.focused;
    if (icons) {
        if (g.oneTop || f < g.perRow) return 0;
        return std::max(f - g.perRow * g.rows, f % g.perRow);
    }
    if (g.oneLeft || f < g.perCol) return 0;
    return std::max(f - g.perCol * g.cols, f % g.perCol);
}

LRESULT PageMove(HWND list, WPARAM key) {
    TGrid g = MeasureGrid(list);
    if (g.count == 0) return 0;
    bool icons = IconViewShown(list);
    int target;
    if (key == VK_NEXT) {
        if (g.focused == g.last) return 0;
        target = PageDownTarget(g, icons);
    } else {
        if (g.focused == 0) return 0;
        target = PageUpTarget(g, icons);
    }
    // A window lower than one item, or no focused item, must not lead
    // outside the list.
    target = std::max(0, std::min(target, g.last));
    MoveTo(list, target, true);
    return 0;
}

LRESULT SelectAll(HWND list) {
    SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    UpdateWindow(list);
    return 0;
}

LRESULT ToggleMaximised() {
    ShowWindow(mainWindow, IsZoomed(mainWindow) ? SW_RESTORE : SW_MAXIMIZE);
    return 0;
}

LRESULT ShiftClick(HWND list, LPARAM lParam) {
    LVHITTESTINFO hit = {};
    hit.pt.x = GET_X_LPARAM(lParam);
    hit.pt.y = GET_Y_LPARAM(lParam);
    int clicked = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    ClearSelection(list);
    if (selectionAnchor != clicked) SelectRange(list, selectionAnchor, clicked);
    FinishMove(list, clicked, true);
    return 0;
}

LRESULT OnListKeyDown(HWND list, WPARAM key, LPARAM lParam) {
    switch (key) {
    case VK_SHIFT:
        if (selectionAnchor == -1) selectionAnchor = FocusedItem(list);
        return Forward(list, key, lParam);
    case VK_SPACE:
        selectionAnchor = -1;
        return Forward(list, key, lParam);
    case VK_RIGHT:
    case VK_LEFT:
    case VK_UP:
    case VK_DOWN:
        return ArrowMove(list, key, lParam);
    case VK_NEXT:
    case VK_PRIOR:
        return PageMove(list, key);
    case VK_HOME:
        return SelectAll(list);
    case VK_END:
        return ToggleMaximised();
    case 'A':
        if (GetKeyState(VK_CONTROL) < 0) return SelectAll(list);
        break;
    }
    return Forward(list, key, lParam);
}

LRESULT OnListSysKeyDown(HWND list, WPARAM key, LPARAM lParam) {
    if (GetKeyState(VK_MENU) < 0) {
        switch (key) {
        case VK_UP:
            SendMessageW(mainWindow, WM_KEYDOWN, VK_BACK, 0);
            return 0;
        case VK_LEFT:
        case VK_RIGHT:
            if (StepHistory(key == VK_LEFT ? -1 : 1)) SendMessageW(mainWindow, WM_KEYDOWN, VK_F5, 0);
            return 0;
        }
    }
    return OwnProc(list, WM_SYSKEYDOWN, key, lParam);
}

// The characters of the command keys must not start the list view's
// type-ahead search.
bool SwallowedCharacter(WPARAM c) {
    return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'\\';
}

}  // namespace

namespace {

// A redraw of many items (a worker's start redraws all of them) is one
// invalidation of the whole list view: item by item the list view took a
// third of a second for 10,000 items under Wine, and the whole area covers
// every item's rectangle.
bool RedrawManyItems(HWND window, WPARAM first, LPARAM last) {
    const LPARAM kFewItems = 64;
    LPARAM count = SendMessageW(window, LVM_GETITEMCOUNT, 0, 0);
    LPARAM from = static_cast<LPARAM>(first);
    if (from < 0 || from > last || last >= count || last - from < kFewItems) return false;
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

}  // namespace

LRESULT CALLBACK ListViewNavProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        return OnListKeyDown(window, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SHIFT) selectionAnchor = -1;
        break;
    case WM_CHAR:
        if (SwallowedCharacter(wParam)) return 0;
        if (wParam == L' ') {
            selectionAnchor = -1;
            return 0;
        }
        break;
    case WM_SYSKEYDOWN:
        return OnListSysKeyDown(window, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (wParam & MK_SHIFT) return ShiftClick(window, lParam);
        break;
    case LVM_REDRAWITEMS:
        if (RedrawManyItems(window, wParam, lParam)) return TRUE;
        break;
    }
    return OwnProc(window, message, wParam, lParam);
}

LRESULT CALLBACK PathEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) {
        SendMessageW(mainWindow, WM_KEYDOWN, wParam, lParam);
        // Ctrl+W closes the main window and the path box with it.
        if (!IsWindow(window)) return 0;
    }
    return CallWindowProcW(pathEditOldProc, window, message, wParam, lParam);
}
