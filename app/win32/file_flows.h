// The Win32 side of File > Open, File > Save As and the close question: the
// two common file dialogs with their hook, and the table through which the
// portable flows (app/core/file_flows.h) show their dialogs and boxes on a
// window. UI thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/core/app_state.h"
#include "app/core/file_flows.h"

// Fills both dialog records once, at start-up.
void InitFileDialogs();
// The open / save dialog over owner, starting from name; true with the
// chosen path in name, false on Cancel or when the dialog failed (logged).
bool ChooseOpenFile(HWND owner, BankPath& name);
// The open dialog with several files allowed (Edit > Paste from Files...):
// the chosen files' whole paths, empty on Cancel or when the dialog failed.
std::vector<std::string> ChooseSoundFiles(HWND owner);
bool ChooseSaveFile(HWND owner, BankPath& name);
// Hook of both file dialogs: centres the dialog over its owner when it is
// ready; returns 0 for every message (default processing).
UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);

// How the flows show a changed document (ShowBankView in the program).
using ShowDocument = void (*)(const BankDocument& document, const AppSettings& settings);

// The flows over a window: boxes and dialogs owned by it, a changed
// document is shown with show, and an opened or saved file goes to the
// recent files.
struct WindowFlows {
    HWND window = nullptr;
    const AppSettings* settings = nullptr;
    ShowDocument show = nullptr;
};
FileFlowUi FileFlowUiFor(WindowFlows& flows);

// The commands as the main window runs them on its state: File > Open (or a
// named file from outside the dialog), File > New, File > Save As, and the
// question on WM_CLOSE (true when closing may go on; its Yes saves first).
void OpenBankCommand(HWND window, AppState& state, ShowDocument show, const char* path = nullptr);
// The library's Open: the file's bank `bank` (from 1) with `slot` selected.
void OpenBankAtCommand(HWND window, AppState& state, ShowDocument show, const char* path, int bank,
                       Slot slot);
void NewBankCommand(HWND window, AppState& state, ShowDocument show, BankKind kind);
void SaveBankCommand(HWND window, AppState& state, ShowDocument show);
bool ConfirmClose(HWND window, AppState& state, ShowDocument show = nullptr);
