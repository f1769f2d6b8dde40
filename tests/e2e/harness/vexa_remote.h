// Drives a running Vexa.exe from another process the way a user would:
// menu commands as WM_COMMAND (exactly what a menu click or accelerator
// sends), the Options dialog's controls, message boxes found by caption and
// answered by button, and the texts of the listing and the status bar read
// back. Every cross-process call has a time-out, so a hung program fails a
// scenario instead of the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct Vexa {
    PROCESS_INFORMATION process = {};
    HWND main = nullptr;
};

bool StartVexa(Vexa& vexa, const std::wstring& exe);
bool IsRunning(const Vexa& vexa);
// Waits for the process to end; its exit code, or -1 on time-out.
int WaitForExit(Vexa& vexa, DWORD timeoutMs);
void KillVexa(Vexa& vexa);

void PostCommand(const Vexa& vexa, int command);
// A key pressed and released on the bank listing (which has the focus
// while the main window is active).
void PressListingKey(const Vexa& vexa, int virtualKey);
void PostClose(const Vexa& vexa);

// Status bar pane text ("" when it cannot be read).
std::string StatusText(const Vexa& vexa, int pane);
// Polls pane 0 until it equals `text`; the milliseconds it took, or -1.
int WaitForStatus(const Vexa& vexa, const std::string& text, DWORD timeoutMs, DWORD pollMs = 5);
// The bank listing's lines, characters above 7Fh shown as '?'.
std::vector<std::string> ListingLines(const Vexa& vexa);
// The log window's lines (empty when it is closed).
std::vector<std::string> LogLines(const Vexa& vexa);

// A visible dialog of the program with this caption, or null.
HWND FindDialog(const Vexa& vexa, const std::wstring& caption);
HWND WaitForDialog(const Vexa& vexa, const std::wstring& caption, DWORD timeoutMs);
bool WaitForDialogGone(HWND dialog, DWORD timeoutMs);
// A message box's text.
std::string MessageBoxText(HWND box);
// Presses a dialog button by its id (IDOK, IDYES, ...).
void PressButton(HWND dialog, int id);

// Options: picks both devices by name, the synthesizer and channel radio
// buttons, and confirms. Returns "" or what went wrong.
std::string SetOptions(const Vexa& vexa, const std::string& input, const std::string& output,
                       int synthButton, int channelButton);

// Fills the file name of an open or save dialog and confirms it.
bool ChooseFile(HWND dialog, const std::wstring& path);

// CPU time (user + kernel) the process has used, in milliseconds.
double CpuMillis(const Vexa& vexa);

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

}  // namespace e2e
