#include "support/dialog_answerer.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <iterator>

#include "support/window_driver.h"

namespace {

DialogAnswerer* activeAnswerer;

UINT IconKind(HICON icon) {
    if (!icon) return 0;
    struct {
        LPCWSTR id;
        UINT kind;
    } known[] = {{IDI_HAND, MB_ICONERROR},
                 {IDI_EXCLAMATION, MB_ICONWARNING},
                 {IDI_ASTERISK, MB_ICONINFORMATION},
                 {IDI_QUESTION, MB_ICONQUESTION}};
    for (auto& k : known) {
        if (LoadIconW(nullptr, k.id) == icon) return k.kind;
    }
    return 0;
}

void MeasureControlText(HWND child, DialogControl* control) {
    RECT client = {};
    GetClientRect(child, &client);
    control->clientWidth = client.right - client.left;
    HDC dc = GetDC(child);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, control->text.c_str(), static_cast<int>(control->text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    control->textWidth = extent.cx;
}

}  // namespace

std::wstring DialogRecord::TextOf(int id) const {
    const DialogControl* control = Control(id);
    return control ? control->text : L"";
}

const DialogControl* DialogRecord::Control(int id) const {
    for (const DialogControl& c : controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

bool DialogRecord::HasButton(int id) const {
    for (const DialogControl& c : controls) {
        if (c.id == id && _wcsicmp(c.className.c_str(), L"Button") == 0) return true;
    }
    return false;
}

DialogAnswerer::DialogAnswerer() {
    activeAnswerer = this;
    // A thread timer is dispatched by every modal loop of this thread, and
    // by the time it fires the dialog has finished WM_INITDIALOG.
    timer_ = SetTimer(nullptr, 0, 15, OnTimer);
}

DialogAnswerer::~DialogAnswerer() {
    if (timer_) KillTimer(nullptr, timer_);
    if (activeAnswerer == this) activeAnswerer = nullptr;
}

void CALLBACK DialogAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (!activeAnswerer) return;
    for (auto it = activeAnswerer->handled_.begin(); it != activeAnswerer->handled_.end();) {
        it = IsWindow(*it) ? std::next(it) : activeAnswerer->handled_.erase(it);
    }
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(activeAnswerer));
}

BOOL CALLBACK DialogAnswerer::FindDialog(HWND window, LPARAM self) {
    DialogAnswerer* answerer = reinterpret_cast<DialogAnswerer*>(self);
    if (WindowClassName(window) == L"#32770" && IsWindowVisible(window) && !answerer->handled_.count(window)) {
        answerer->Handle(window);
        return FALSE;
    }
    return TRUE;
}

namespace {

BOOL CALLBACK FindTree(HWND child, LPARAM found) {
    if (WindowClassName(child) != WC_TREEVIEWW) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

std::wstring TreeItemText(HWND tree, HTREEITEM handle) {
    wchar_t text[MAX_PATH] = L"";
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (handle) SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

// Selects the folder as a user would: the path through the browser's own
// message, else a click on the item of that name beside the selected one
// (Wine's browser does not always find a path it was given). The browser may
// also take back a change that comes soon after it opened (to show its
// start folder), so this goes on until the folder stays selected.
void SelectBrowserFolder(HWND dialog, const std::wstring& folder) {
    HWND tree = nullptr;
    EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree) return;
    const wchar_t* name = PathFindFileNameW(folder.c_str());
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (attempt % 2 == 0) {
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        } else {
            HTREEITEM parent = TreeItem(tree, TVGN_PARENT, TreeItem(tree, TVGN_CARET, nullptr));
            for (HTREEITEM item = TreeItem(tree, TVGN_CHILD, parent); item; item = TreeItem(tree, TVGN_NEXT, item)) {
                if (_wcsicmp(TreeItemText(tree, item).c_str(), name) == 0) {
                    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                    break;
                }
            }
        }
        PumpMessagesFor(40);
        if (_wcsicmp(TreeItemText(tree, TreeItem(tree, TVGN_CARET, nullptr)).c_str(), name) == 0) return;
    }
}

}  // namespace

void DialogAnswerer::Handle(HWND dialog) {
    DialogRecord record;
    record.caption = WindowText(dialog);
    record.owner = GetWindow(dialog, GW_OWNER);
    if (record.owner) record.ownerTitle = WindowText(record.owner);
    GetWindowRect(dialog, &record.windowRect);
    HWND focused = GetFocus();
    if (focused && IsChild(dialog, focused)) record.focusedId = GetDlgCtrlID(focused);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DialogControl control;
        control.id = GetDlgCtrlID(child);
        control.className = WindowClassName(child);
        control.text = WindowText(child);
        control.style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        MeasureControlText(child, &control);
        if (_wcsicmp(control.className.c_str(), L"Edit") == 0) {
            SendMessageW(child, EM_GETSEL, reinterpret_cast<WPARAM>(&control.selectionStart),
                         reinterpret_cast<LPARAM>(&control.selectionEnd));
        }
        if (_wcsicmp(control.className.c_str(), L"Static") == 0) {
            if ((control.style & SS_TYPEMASK) == SS_ICON) {
                record.icon = IconKind(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
            } else if (record.message.empty() && !control.text.empty()) {
                record.message = control.text;
            }
        }
        record.controls.push_back(control);
    }
    records_.push_back(record);

    DialogAnswer answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        answer.button = record.HasButton(IDCANCEL) ? IDCANCEL : IDOK;
        if (!record.HasButton(answer.button) && !record.controls.empty()) {
            for (const DialogControl& c : record.controls) {
                if (_wcsicmp(c.className.c_str(), L"Button") == 0) {
                    answer.button = c.id;
                    break;
                }
            }
        }
    }
    // The answer's posted messages are handled before the next timer tick, so
    // a dialog that stays open is seen again in its new state.
    if (!answer.staysOpen) handled_.insert(dialog);
    if (answer.meanwhile) answer.meanwhile();
    for (auto& edit : answer.editTexts) SetDlgItemTextW(dialog, edit.first, edit.second.c_str());
    if (!answer.folder.empty()) SelectBrowserFolder(dialog, answer.folder);
    switch (answer.action) {
    case DialogAnswer::kButton:
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer.button)));
        break;
    case DialogAnswer::kEscape:
    case DialogAnswer::kEnter: {
        // A real key press goes to the focused control and through the
        // dialog manager, as the keyboard's would.
        HWND target = GetFocus();
        if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
        WPARAM key = answer.action == DialogAnswer::kEscape ? VK_ESCAPE : VK_RETURN;
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        break;
    }
    case DialogAnswer::kCloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}
