// The dialog for the two thumbnail sizes and the video thumbnail second.
#pragma once

#include <windows.h>

// The smallest and largest thumbnail size the dialog accepts; a cache file
// records at most 256 pixels.
constexpr int kMinThumbnailSize = 16;
constexpr int kMaxThumbnailSize = 256;

// Runs the dialog modally over `owner` with valuesIconSize,
// valuesIconSizeSmall and valuesThumbnailWait as its inputs and outputs.
void RunValuesDialog(HWND owner);
