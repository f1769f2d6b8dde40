// An in-process harness for GUI tests of the shell under Wine. The real
// start-up (single-instance check, log window, devices, settings, main window,
// worker, message loop) runs on a UI thread of its own; the test thread acts
// as a person would (menu commands, keys sent with SendInput, message boxes
// answered) and reads what the windows show. Everything a person sees can be
// read from this process: list box lines, status texts, menu states.
//
// Link the OBJECT library vexa_gui_harness; it brings the shell and the
// program's resources. The start-up runs once per process (the "Vexa"
// semaphore lives until the process ends), so one test program shares one
// running shell; a test that closes it must be the program's last.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/bank_document.h"
#include "ground/mailbox.h"

namespace gui {

inline constexpr DWORD kDefaultTimeoutMs = 10000;

struct StartOptions {
    // What the worker runs for each command; null runs the program's own
    // RunOperation.
    OperationRunner operationRunner = nullptr;
    // Registry settings are written under HKCU\Software\Bramwick\Vexa before
    // the start-up reads them, when set; what was stored before is put back
    // when the test program ends.
    bool writeSettings = false;
    int32_t synthType = 0;
    int32_t midiChannel = 0;
};

// Starts the shell on its UI thread and waits until the main window is
// created and idle. Returns the main window, or null when the start-up did
// not come up (then the test should fail). Later calls return the same
// window.
HWND StartShell(const StartOptions& options = {});
HWND MainWindow();
// True once the UI thread's start-up has returned (the program ended); its
// exit code is then in *exitCode when given.
bool WaitShellEnded(DWORD timeoutMs = kDefaultTimeoutMs, int* exitCode = nullptr);

// Runs fn on the UI thread and returns when it has run (a sent message to a
// helper window of the UI thread). Use it for code that must run where the
// windows live, e.g. RefreshBankView after changing the bank in a test.
void RunOnUiThread(const std::function<void()>& fn);

// The main window's document: a copy read on the UI thread, and a change
// made there (the view is not refreshed by it).
BankDocument Document();
void ChangeDocument(const std::function<void(BankDocument&)>& change);

// Polls until condition holds (true) or the time is up (false), letting the
// UI thread work in between.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// Menu commands as the menu would send them: posted, so a modal dialog that
// the command opens does not block the test thread.
void PostMenuCommand(UINT command);

// A top-level dialog (#32770) of this process with this caption, and when
// owner is given, owned by it; null when none appears in time.
HWND FindDialog(const char* caption, HWND owner = nullptr, DWORD timeoutMs = kDefaultTimeoutMs);
// True once the window is gone (or was never there).
bool WaitWindowGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);
// One line per child window: id, class and text (for failure messages).
std::string DescribeChildren(HWND window);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Types a path into the file name field of an open or save dialog (the
// combo box cmb13 of Windows, the edit edt1 of Wine); false when neither is
// there.
bool EnterFileName(HWND fileDialog, const std::string& path);
// Presses a button of a dialog by its id (BM_CLICK, posted).
void PressButton(HWND dialog, int id);
// Finds the message box with this caption on the main window, checks that
// it exists, returns its text and answers it with the given button; returns
// "" (and leaves nothing open) when no box appeared.
std::string AnswerMessageBox(const char* caption, int button = IDOK,
                             DWORD timeoutMs = kDefaultTimeoutMs);

// The items of a list box as UTF-16 (read with LB_GETTEXT through the wide
// call, so the box-drawing glyphs come back as shown).
std::vector<std::wstring> ListBoxLinesW(HWND list);
// The same as code page 437 bytes (the listing's own encoding) or as plain
// ANSI text (the log).
std::vector<std::string> ListBoxLinesCp437(HWND list);
std::vector<std::string> ListBoxLinesAnsi(HWND list);
int ListBoxTopIndex(HWND list);

// Status window: the text of a part, the right edges of its parts, and
// whether it is in simple mode (menu help shown).
std::string StatusText(HWND bar, int part);
std::vector<int> StatusPartEdges(HWND bar);
bool StatusIsSimple(HWND bar);
// The text shown in simple mode (the menu help), "" when not simple.
std::string StatusSimpleText(HWND bar);

// Menus. Opens the popup as the window system does before showing it
// (WM_INITMENUPOPUP sent to the main window), then reads an item's state.
struct MenuItemState {
    bool exists = false;
    bool grayed = false;
    bool checked = false;
};
void PrepareMenuPopup(HMENU popup, int position);
MenuItemState MenuState(HMENU popup, UINT command);
// The popup of the main window's menu bar at this position.
HMENU MenuBarPopup(int position);

// Keys as a person types them, sent with SendInput to the foreground
// window (the main window is brought to the front first). modifiers are
// VK_MENU, VK_CONTROL or VK_SHIFT, pressed around the key.
void PressKey(WORD virtualKey, std::initializer_list<WORD> modifiers = {});
// The same for another top-level window of the program, brought to the
// front first (the key goes to the control with its focus).
void PressKeyIn(HWND window, WORD virtualKey, std::initializer_list<WORD> modifiers = {});

// A Wine path for a file of this build machine (Z: maps to the root).
std::string WinePathOf(const std::string& unixPath);

}  // namespace gui
