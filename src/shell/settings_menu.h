// The caption menu of settings and its commands (handlers in main_handlers.h).
#pragma once

#include <windows.h>

// Checks the menu item `id` of `settingsMenu` when `value` is 1, else clears it.
void SetSettingsCheck(UINT id, int value);
