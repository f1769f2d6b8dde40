// The Options dialog (resource 106) and the settings' registry store. The
// dialog changes AppSettings only on OK, which also writes the registry.
#pragma once

#include <windows.h>

// Registry store under HKEY_CURRENT_USER "Software\Bramwick\Vexa". Both
// return 0, or -1 after logging what failed.
int LoadSettings();
int SaveSettings();

// The radio buttons chosen while the dialog is open; they reach AppSettings
// only on OK.
extern int pendingSynthButton;
extern int pendingChannelButton;

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
