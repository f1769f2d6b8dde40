// The one way the shell's calls from other threads reach the UI thread, and
// the program's own window messages that carry them. The status bar, the log
// window and the listing are written on the UI thread only: a call made there
// is carried out at once, a call from the worker is sent over as one of these
// messages and carried out by the receiving window's procedure.
#pragma once

#include <windows.h>

// Sent to the status bar's parent (the main window): wParam = pane,
// lParam = the text.
inline constexpr UINT kPaneTextMessage = WM_APP + 1;
// Sent to the log window: lParam = the formatted line.
inline constexpr UINT kLogLineMessage = WM_APP + 2;
// Sent to the listing's parent (the main window): rebuild the bank view.
inline constexpr UINT kRefreshBankViewMessage = WM_APP + 3;
// Sent to the status bar's parent: wParam = items done, lParam = total.
inline constexpr UINT kProgressMessage = WM_APP + 4;
// Posted to the main window by itself: open the file handed over by another
// copy of the program (held by the main window until then).
inline constexpr UINT kOpenHandedFileMessage = WM_APP + 5;

// True when the calling thread is the one that owns the window.
bool OnWindowThread(HWND window);

// Carries out here(wParam, lParam) at once when the calling thread owns
// `owner`; else sends `message` with the two arguments to `target`, whose
// procedure carries it out, and returns once it has: so lParam may point at
// the caller's stack. Nothing happens when it must be sent and target is
// null.
void RunOnUiThread(HWND owner, HWND target, UINT message, WPARAM wParam, LPARAM lParam,
                   void (*here)(WPARAM wParam, LPARAM lParam));
