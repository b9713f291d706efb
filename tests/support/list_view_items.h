// Reading list views in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The texts of a list view's items, in item order.
std::vector<std::wstring> ListViewNames(HWND list);
