// Test fixtures for file operations: files written through a ledger under a
// temporary root, and for the operations on the main list view's selection
// the main window open on a folder "current" beside a destination "dest",
// items selected by name, keys whose dialogs and message boxes are answered
// in order.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/main_state.h"
#include "support/dialog_answerer.h"
#include "support/file_ledger.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"

// Files written through a ledger under a fresh temporary folder `root`.
class LedgerTest : public testing::Test {
protected:
    using Names = std::vector<std::wstring>;

    TempFolder root;
    FileLedger ledger;

    // Every file the ledger wrote is still found under root, the folders in
    // `also` or the recycle bin.
    void ExpectNothingLost(const Names& also = {}) {
        Names folders = also;
        folders.push_back(root.path());
        EXPECT_EQ(ledger.Lost(folders), Names());
    }
};

class FileOperationTest : public LedgerTest {
protected:
    MainWindowHarness harness;
    std::wstring current = root / L"current";
    std::wstring dest = root / L"dest";

    void SetUp() override {
        ASSERT_TRUE(MakeFolder(current));
        ASSERT_TRUE(MakeFolder(dest));
    }

    // Opens the window on `folder` (the current folder by default).
    void Open(const std::wstring& folder = L"") { ASSERT_TRUE(harness.OpenListed(folder.empty() ? current : folder)); }

    // Selects exactly these items; the first one named gets the focus.
    void Select(const Names& names) {
        ListViewFocusOnly(listView, -1);
        for (size_t i = 0; i < names.size(); ++i) {
            int index = ListViewIndexOf(listView, names[i]);
            ASSERT_GE(index, 0) << ToUtf8(names[i]);
            LVITEMW item = {};
            item.stateMask = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
            item.state = item.stateMask;
            SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
        }
    }

    // A key pressed in the list view, its dialogs answered in order; the
    // records of every dialog and message box shown.
    std::vector<DialogRecord> Press(UINT key, const std::vector<DialogAnswer>& answers = {}, bool shift = false,
                                    bool control = false) {
        DialogAnswerer answerer;
        for (const DialogAnswer& answer : answers) answerer.Push(answer);
        harness.PressKey(listView, key, shift, control);
        EXPECT_EQ(answerer.pending(), 0u) << "every answer was asked for";
        return answerer.records();
    }

    // The same key typed through the message queue (TypeKey), so that it
    // makes its character as the keyboard's would.
    std::vector<DialogRecord> Type(UINT key, const std::vector<DialogAnswer>& answers, const HeldKeys& held) {
        DialogAnswerer answerer;
        for (const DialogAnswer& answer : answers) answerer.Push(answer);
        harness.TypeKey(listView, key, held);
        EXPECT_EQ(answerer.pending(), 0u) << "every answer was asked for";
        return answerer.records();
    }

    // The message boxes among the records (captioned "Zuv"): text and icon.
    static std::vector<std::pair<std::wstring, UINT>> Messages(const std::vector<DialogRecord>& records) {
        std::vector<std::pair<std::wstring, UINT>> messages;
        for (const DialogRecord& record : records) {
            if (record.caption == L"Zuv") messages.emplace_back(record.message, record.icon);
        }
        return messages;
    }
};
