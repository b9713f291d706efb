// A test fixture: the main window open on an empty temporary folder with the
// default settings, its first listing done.
#pragma once

#include <gtest/gtest.h>

#include "support/main_window_harness.h"
#include "support/test_files.h"

class OpenMainWindowTest : public testing::Test {
protected:
    TempFolder folder;
    MainWindowHarness harness;

    void SetUp() override { ASSERT_TRUE(harness.OpenListed(folder.path())); }
};
