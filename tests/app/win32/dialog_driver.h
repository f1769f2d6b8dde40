// Drives modal Win32 UI from a second thread, as a person would: the test's
// own thread runs the code under test (which blocks in a dialog or message
// box), while a script thread finds the windows that come up, reads them and
// presses their buttons. Whatever the script leaves open is cancelled and
// recorded, so a wrong turn fails the test instead of hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

inline constexpr DWORD kTimeoutMs = 10000;

enum class DialogKind { Any, MessageBox, FileDialog };

// A visible top-level dialog (#32770) of this process with this caption and
// owner, or null when none appears in time.
HWND FindDialog(const char* caption, HWND owner, DialogKind kind = DialogKind::Any,
                DWORD timeoutMs = kTimeoutMs);
bool WaitGone(HWND window, DWORD timeoutMs = kTimeoutMs);

// What a message box shows: its text and which of the standard buttons it
// has, e.g. "OK", "OK Cancel", "Yes No Cancel".
std::string MessageBoxText(HWND box);
std::string MessageBoxButtons(HWND box);
// Presses a button of a dialog (posted, so the dialog can end).
void Press(HWND dialog, int id);

// Types a path into an Explorer file dialog's name box and confirms it.
// Waits until the box has its controls; false when it never got them.
bool ChooseFile(HWND fileDialog, const std::string& path);

// Where the dialog is and where it should be, centred over its owner.
bool IsCentredOverOwner(HWND dialog, HWND owner);

// One test window that owns the dialogs; it records the WM_COMMANDs posted
// to it.
HWND CreateOwnerWindow();
std::vector<WPARAM> TakePostedCommands(HWND owner);

// Runs ui on this thread and script on a second one. When the script is
// done, any dialog still owned by this thread is cancelled and its caption
// and text recorded in the result.
std::vector<std::string> RunWithScript(const std::function<void()>& ui,
                                       const std::function<void()>& script);

}  // namespace driver
