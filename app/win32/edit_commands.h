// The Win32 side of editing a bank: the Edit menu's commands with their
// dialogs (Rename, Swap With, the patch-tones box) and the system
// clipboard, and the listing's mouse and keys (select, extend, move, drag).
// What each edit does and asks is app/core/document_edit's. UI thread only.
#pragma once

#include <windows.h>

#include "app/core/app_state.h"
#include "app/core/document_edit.h"

// Routes the listing's mouse and key messages to the main window's state.
// Call once the list box exists (the main window's WM_CREATE).
void HandleListingInput(HWND list);

// The Edit menu's states, set when its popup opens.
void UpdateEditMenu(HMENU popup, const AppState& state, bool busy);

// Runs an Edit menu command on the state; false for any other command.
bool RunEditCommand(HWND window, UINT command, AppState& state);

// The boxes and dialogs the edits show, owned by window: what Edit > Paste
// shows, for anything else that pastes the same way.
EditUi EditUiFor(HWND window);

// True when the keyboard focus is in an edit field: the accelerators then
// leave its keys alone (Ctrl+C, Ctrl+V, Esc, F2 work there as in any field).
bool FocusIsEditField();
