// The File menu's recent banks: the list kept under the settings key as the
// "RecentFiles" value, its menu items, and choosing one. The list's rules
// and stored form are app/view/recent_files'. UI thread only.
#pragma once

#include <windows.h>

#include "app/core/bank_document.h"
#include "app/view/recent_files.h"

// Reads the stored list (what fails its checks is dropped and logged) and
// puts it into the File menu. Returns 0, or -1 when the value could not be
// read (the list is then empty).
int LoadRecentFiles();
// Writes the list as it is now; 0, or -1 (logged) on failure.
int SaveRecentFiles();
// A bank was opened from or saved to path: it goes to the top of the list,
// which is stored and shown again.
void RememberRecentBank(const char* path);
// File > &1 .. &4: true with entry index's path in path when it is to be
// opened (the caller runs the open flow); an entry whose file has gone is
// removed from the list, with a message box on window saying so, and false
// is returned, as for an index that holds no entry.
bool RecentBankToOpen(HWND window, int index, BankPath& path);
const RecentFiles& RecentFileList();
