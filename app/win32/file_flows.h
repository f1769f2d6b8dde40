// File > Open and File > Save As, and the prompt that guards a changed bank
// when the program closes. Run on the UI thread only.
#pragma once

#include <windows.h>
#include <commdlg.h>

extern OPENFILENAMEA openDialogRecord;
extern OPENFILENAMEA saveDialogRecord;
extern char openFileName[MAX_PATH];
extern char saveFileName[MAX_PATH];

// Fills both dialog records once, at start-up.
void InitFileDialogs();
// True when the user picked a file (its path is then in openFileName /
// saveFileName); false on Cancel or when the dialog failed.
bool ChooseOpenFile(HWND owner);
bool ChooseSaveFile(HWND owner);
// Hook of both file dialogs: centres the dialog over its owner when it is
// ready; returns 0 for every message (default processing).
UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
// Asked on WM_CLOSE: true when closing may go on.
bool ConfirmDiscard(HWND window);
void OpenBankCommand(HWND window);
// The open flow for a file named from outside the open dialog (the command
// line, another copy of the program, a drop, the recent files): refused
// while an operation runs, the changed-bank prompt, then the file; one that
// cannot be opened offers the open dialog for another.
void OpenNamedBank(HWND window, const char* path);
void SaveBankCommand(HWND window);
