// The Library window: every sound of the library folders in a list that a
// search field filters as the user types, with the Library and Sound menus,
// the Audition button, the context menu and the drag of a line onto a slot
// of the main window's listing. A top-level window owned by the main window,
// which closes with it; its handles, its connection to the index and its
// lines live in its own window data. What the index holds and how a sound is
// copied, opened, heard or pasted are app/core/library's and
// library_commands'; this file shows and asks. It notices by itself when
// the index changed (a timer asks the database's data version), so nothing
// calls into it. UI thread only.
#pragma once

#include <windows.h>

inline constexpr char kLibraryWindowClass[] = "VexaLibrary";

// The window's commands: its menu items, buttons and keys send them.
enum LibraryCommand : UINT {
    kLibraryAddFolder = 0x300,
    kLibraryRemoveFolder,
    kLibraryUpdateNow,
    kLibraryNotSounds,
    kLibraryClose,
    kLibraryOpenBank,
    kLibraryCopy,
    kLibraryAudition,
    kLibraryShowCopies,
};

// Child control ids.
inline constexpr int kLibrarySearchId = 0x380;
inline constexpr int kLibraryListId = 0x381;
inline constexpr int kLibraryCountId = 0x382;

// Opens the Library window over the main window, or brings it to the front
// when it is open; an update of the index starts with it.
void OpenLibraryWindow(HWND mainWindow);
// The open Library window of this main window, or null.
HWND FindLibraryWindow(HWND mainWindow);

// The Library window's own keys (Tab between its controls, Enter, Esc,
// Space, Ctrl+C, the arrows that fold and unfold a sound), taken before the
// main window's accelerators could: true when the message was for the
// Library window and has been handled (dispatched), false otherwise.
bool LibraryWindowMessage(MSG& message);
