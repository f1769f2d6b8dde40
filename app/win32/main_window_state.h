// What the shell's other windows and commands reach of the main window
// without including it: its class, the application state it works on, and
// a message every top-level window of the program handles. The main window
// includes the commands, so the commands must not include it.
#pragma once

#include <windows.h>

#include "app/core/app_state.h"

inline constexpr char kMainWindowClass[] = "Vexa";
// WM_DPICHANGED, spelt out for SDK headers that predate it.
inline constexpr UINT kWmDpiChanged = 0x02E0;

// Keeps the state in the main window's data, where MainWindowState finds
// it; called on WM_NCCREATE with the state the window was created over.
void AttachMainWindowState(HWND window, AppState* state);
// The state a main window works on; null for any other window.
AppState* MainWindowState(HWND window);
