// The process-wide handles of the Win32 shell: the main window, the program
// instance, the loaded menu bar with its three popups that have menu states,
// and the accelerator table. Set once at start-up on the UI thread; read
// through the functions below.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ground/messages.h"

struct ShellHandles {
    HINSTANCE instance = nullptr;
    HACCEL accelerators = nullptr;
    HMENU mainMenu = nullptr;
    HMENU fileMenu = nullptr;  // menu bar position 0
    HMENU editMenu = nullptr;  // position 1
    HMENU midiMenu = nullptr;  // position 2
    HMENU viewMenu = nullptr;  // position 3
};

// The start-up records the handles once, before the worker starts.
void SetShellHandles(const ShellHandles& handles);
const ShellHandles& Handles();

// The one top-level window; posted to by the worker. Set once by the UI
// thread after CreateWindow returns (release), read by the worker (acquire);
// null while the window handles its own WM_CREATE.
void SetMainWindow(HWND window);
HWND MainWindowHandle();

// The shell table's postToMainWindow and showMessageBox (ground/shell.h).
bool PostToMainWindowNow(uint32_t message, uintptr_t wParam, intptr_t lParam);
int ShowMessageBoxOnMain(uintptr_t owner, const char* text, const char* caption, uint32_t style);
// The box of the message table with its caption and text (the blank filled
// with value) on the owner; the button pressed.
int ShowMessage(HWND owner, MessageId id, UINT style, std::string_view value = {});
// The shell table's openDocument: ShellExecute's "open" of the file.
bool OpenDocumentWithShell(const char* path);
