// The log window: a modeless dialog (resource 898) with a list of at most 193
// diagnostic lines. Opened and closed on the UI thread; LogPrintf
// (ground/shell.h) may be called from any thread and does nothing while it is
// closed.
#pragma once

#include <windows.h>

#include <cstdarg>

#include "ground/shell.h"  // LogPrintf, IsLogWindowOpen

// The shell table's logLine and isLogWindowOpen.
int LogToWindow(const char* format, va_list args);
int LogWindowIsOpen();

// 1 when the log is open afterwards, else 0.
int OpenLogWindow();
// A line that must reach the user: logged now when the log window is open,
// else kept (the newest 193) and logged when it is next opened. UI thread.
void KeepLogLine(const char* line);
// Returns 0; the window is gone afterwards.
int CloseLogWindow();
HWND LogWindowHandle();
HWND LogListHandle();
INT_PTR CALLBACK LogDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
