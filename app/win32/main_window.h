// The main window: its class, its window procedure and the handlers of its
// messages (menus and their states, commands, transfer results, closing).
#pragma once

#include <windows.h>

#include "app/core/app_state.h"
#include "app/win32/main_window_state.h"
#include "ground/mailbox.h"

inline constexpr char kMainWindowTitle[] = "Vexa";
// WM_COPYDATA's dwData for a file to open, handed over by a second copy of
// the program: 'VXOP'. The data is the path with its zero.
inline constexpr ULONG_PTR kOpenFileCopyData = 0x56584F50;
inline constexpr UINT_PTR kMainTimerId = 1;
inline constexpr UINT kMainTimerPeriodMs = 55;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window over the application state, which it keeps in its
// window data and works on from then on; state must outlive the window.
HWND CreateMainWindow(HINSTANCE instance, HMENU menu, AppState& state);
// Installs what the worker runs for each command, with the state's transfer
// job as its context. Before the window (and so the worker) starts.
void SetMainWindowRunner(OperationRunner runner, AppState& state);
