// The system's folder browser (SHBrowseForFolder), apart from the shell's
// other files: its header declares a "Shell" of its own. UI thread only.
#pragma once

#include <windows.h>

#include <string>

// Lets the user pick a folder; true with its path in folder, false when
// the browser was cancelled or the folder has no path.
bool BrowseForFolder(HWND owner, const wchar_t* title, std::wstring& folder);
