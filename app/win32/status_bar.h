// The status bar of the main window over the common-controls status window:
// pane layout, pane texts (also from the worker) and the menu help texts.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/view/status_layout.h"
#include "app/win32/ui_thread.h"

// Loads the common controls and runs their initialisation (ordinal 17);
// false when the library or a function could not be had.
bool InitCommonControlsByOrdinal();
// Creates the status window (ordinal 6) as child 2 of parent; null on
// failure. Fills the menu help table with the loaded main menu.
HWND CreateStatusBar(HWND parent);
HWND StatusWindow();
// Records the pane configuration and lays it out on a visible bar. Returns 0.
int LayoutStatusBar(int32_t count, const int32_t* widths);
// LayoutStatusBar with the recorded configuration (the main window's size
// handler).
void RelayoutStatusBar();
// WM_MENUSELECT handed over by the main window. Returns 0.
int ShowMenuHelp(WPARAM selection, LPARAM menu);
// While a menu is open: a text of the caller's in place of the highlighted
// item's help string (why a gray item is gray).
void ShowMenuNote(const char* text);
// Pane 0 is ShowStatus, panes 1..5 SetStatusField of the shell table; from
// any thread.
void SetStatusPaneText(int pane, const char* text);
// A note in pane 0 that stays until the next command: ClearStatusNote (the
// main window, on each command) puts "Ready" back if a note is still there.
// UI thread.
void ShowStatusNote(const char* text);
void ClearStatusNote();
// True while a note is up: a background progress leaves it alone.
bool StatusNoteShown();

// The pane texts are written on the UI thread only: a call from another
// thread is sent to the bar's parent as kPaneTextMessage (ui_thread.h) and
// the parent hands it to OnPaneTextMessage.
LRESULT OnPaneTextMessage(WPARAM pane, LPARAM text);

const StatusBarRecord& StatusRecord();

// The transfer progress bar in pane 0, beside its text: the shell table's
// showTransferProgress, from any thread. A total of 0 or less hides it.
void ShowProgressOnBar(int32_t done, int32_t total);
LRESULT OnProgressMessage(WPARAM done, LPARAM total);
HWND ProgressWindow();
// The window's DPI, for sizes designed at 96 DPI: GetDpiForWindow where the
// system has it, else 0 (which the scaling counts as 96).
UINT WindowDpi(HWND window);
// Lays the bar out again for a new DPI: pane widths designed at 96 DPI are
// scaled to it.
void ScaleStatusBar(UINT dpi);
