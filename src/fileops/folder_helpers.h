// Recursive helpers on folder contents.
#pragma once

// Empties a folder recursively: files go to the recycle bin when `recycle`
// is 1, else they are deleted for good; emptied sub-folders are removed.
// Read-only and system sub-folders are left alone; the folder itself stays.
void DeleteFolderContents(const wchar_t* folder, int recycle);
