// Answers the modal dialogs and message boxes that the code under test opens
// on this thread, and records what each one showed.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

struct DialogControl {
    int id;
    std::wstring className;
    std::wstring text;
    DWORD style;
    // The width the text takes in the control's font, and the control's.
    int textWidth = 0;
    int clientWidth = 0;
    // An edit control's selection (EM_GETSEL); 0, 0 for other controls.
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
};

struct DialogRecord {
    std::wstring caption;
    std::wstring ownerTitle;  // the owner window's text while the dialog showed
    HWND owner = nullptr;
    std::wstring message;  // the first non-empty static text (a message box's text)
    // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION or 0.
    UINT icon = 0;
    std::vector<DialogControl> controls;
    RECT windowRect = {};
    int focusedId = 0;  // the control that had the keyboard focus when it was answered
    std::wstring TextOf(int id) const;
    const DialogControl* Control(int id) const;
    bool HasButton(int id) const;
};

struct DialogAnswer {
    enum Action { kButton, kEscape, kCloseBox, kEnter };
    Action action = kButton;
    int button = IDOK;
    std::map<int, std::wstring> editTexts;  // set before the button is pressed
    // The dialog is expected to stay open: the next answer goes to it again.
    bool staysOpen = false;
    // For the shell's folder browser: the folder selected before the button.
    std::wstring folder;
    // Done while the dialog is open, before it is answered (what a user
    // might do to the windows behind it).
    std::function<void()> meanwhile;

    static DialogAnswer Press(int button) {
        DialogAnswer a;
        a.button = button;
        return a;
    }
    static DialogAnswer Type(int editId, const std::wstring& text, int button = IDOK) {
        DialogAnswer a;
        a.button = button;
        a.editTexts[editId] = text;
        return a;
    }
    static DialogAnswer PickFolder(const std::wstring& path, int button = IDOK) {
        DialogAnswer a;
        a.button = button;
        a.folder = path;
        return a;
    }
    static DialogAnswer Escape() {
        DialogAnswer a;
        a.action = kEscape;
        return a;
    }
    static DialogAnswer CloseBox() {
        DialogAnswer a;
        a.action = kCloseBox;
        return a;
    }
    DialogAnswer Meanwhile(const std::function<void()>& action) const {
        DialogAnswer a = *this;
        a.meanwhile = action;
        return a;
    }
    DialogAnswer StaysOpen() const {
        DialogAnswer a = *this;
        a.staysOpen = true;
        return a;
    }
};

class DialogAnswerer {
public:
    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Answers are used in order; a dialog that finds none left gets IDCANCEL
    // (or IDOK when it has no cancel button), so a test never hangs.
    void Push(const DialogAnswer& answer) { answers_.push_back(answer); }
    const std::vector<DialogRecord>& records() const { return records_; }
    size_t pending() const { return answers_.size(); }
    void Clear() {
        records_.clear();
        answers_.clear();
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK FindDialog(HWND window, LPARAM self);
    void Handle(HWND dialog);

    UINT_PTR timer_ = 0;
    std::deque<DialogAnswer> answers_;
    std::vector<DialogRecord> records_;
    std::set<HWND> handled_;
};
