// What the worker-side code (MIDI layer, transfer procedures, worker loop)
// asks of the application shell: status texts, log lines, the bank view's
// refresh, posting to the main window and message boxes; and, for the UI
// thread's Help command, showing a document in the user's own program for it
// (so tests can see what would be opened without starting a browser). One
// table of functions with a do-nothing default; the program installs the Win32 shell's
// table at start, host tests install their recorder. Portable: no platform
// headers, window handles are opaque integers; knows nothing of windows.
#pragma once

#include <cstdarg>
#include <cstdint>

struct ShellOps {
    // Status pane 0: the progress and state line.
    void (*showStatus)(const char* text);
    // Status panes 1..5: bank kind, synthesizer, channel.
    void (*setStatusField)(int index, const char* text);
    // One log line from a printf format (at most 511 characters, one
    // trailing line feed removed); nothing happens while the log window is
    // closed. Returns the formatted length, 0 when nothing was logged.
    int (*logLine)(const char* format, va_list args);
    int (*isLogWindowOpen)();
    // Rebuilds the listing and status panes 1..3 from the bank and settings.
    void (*refreshBankView)();
    // PostMessage to the main window; false when it could not be posted.
    bool (*postToMainWindow)(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // A modal message box owned by the given window (0 = the main window);
    // returns the button pressed (kIdOk, ...).
    int (*showMessageBox)(uintptr_t owner, const char* text, const char* caption, uint32_t style);
    // The share of a transfer done: done of total items (blocks, messages or
    // tones). A total of 0 or less ends the progress display.
    void (*showTransferProgress)(int32_t done, int32_t total);
    // Shows the file (the user guide's HTML page) in the program the desktop
    // opens such files with; false when it could not be shown.
    bool (*openDocument)(const char* path);
};

// The table in use: the do-nothing table until one is installed.
const ShellOps& Shell();
// Installs a table that lives as long as the process; nullptr restores the
// do-nothing table. The program installs its table before any other thread
// starts; tests swap tables between test cases.
void SetShell(const ShellOps* ops);
const ShellOps& NoShellOps();

// The calls as the worker-side code makes them, through the installed table.
void ShowStatus(const char* text);
void SetStatusField(int index, const char* text);
int LogPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int IsLogWindowOpen();
void RefreshBankView();
bool PostToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
int ShowMessageBox(uintptr_t owner, const char* text, const char* caption, uint32_t style);
void ShowTransferProgress(int32_t done, int32_t total);
bool OpenDocument(const char* path);

// The message box styles and answers the core uses (winuser.h values).
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconExclamation = 0x30;  // the transfers' own boxes
inline constexpr int kIdOk = 1;
