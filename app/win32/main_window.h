// The main window: its class, its window procedure and the handlers of its
// messages (menus and their states, commands, transfer results, closing).
#pragma once

#include <windows.h>

inline constexpr char kMainWindowClass[] = "Vexa";
inline constexpr char kMainWindowTitle[] = "Vexa";
inline constexpr UINT_PTR kMainTimerId = 1;
inline constexpr UINT kMainTimerPeriodMs = 55;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterMainWindowClass(HINSTANCE instance);
