// What the worker-side code (MIDI layer, transfer procedures, worker loop)
// asks of the application shell. The Win32 shell defines these in the
// program; host tests link a recorder that keeps every call in order.
// Portable: no platform headers, window handles are opaque integers.
#pragma once

#include <cstdint>

// Status pane 0: the progress and state line.
void ShowStatus(const char* text);
// Status panes 1..5: bank kind, synthesizer, channel.
void SetStatusField(int index, const char* text);
// One log line (printf-style, at most 511 characters, one trailing line feed
// removed); nothing at all happens while the log window is closed.
int LogPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int IsLogWindowOpen();
// Rebuilds the listing and status panes 1..3 from the bank and settings.
void RefreshBankView();
// PostMessage to the main window; false when it could not be posted.
bool PostToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
// A modal message box owned by the given window (0 = the main window);
// returns the button pressed (kIdOk, ...). Used for the MIDI device errors.
int ShowMessageBox(uintptr_t owner, const char* text, const char* caption, uint32_t style);

// The message box styles and answers the core uses (winuser.h values).
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
