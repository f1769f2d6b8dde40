// Runs one of the program's dialog resources modally. The one place where a
// dialog that cannot be shown is said: the log names it with the system's
// error code, and the caller gets -1 and goes on as if it was cancelled.
#pragma once

#include <windows.h>

// EndDialog's result, or -1 when the dialog could not be shown.
INT_PTR RunDialog(HWND owner, int resource, DLGPROC procedure, LPARAM parameter,
                  const char* name);
