// The library's commands on the Win32 side: the background update with its
// progress in the main window's status bar, the folder dialogs, the list of
// files that hold no sound, and what the Library window does with a sound
// (copy, open its bank, drop it on a slot, hear it). The indexer itself is
// app/core/library's; this file only asks it and shows what it says. It
// never calls into the Library window: that window notices by itself when
// the index changed. UI thread only.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "app/core/library/library_index.h"
#include "app/core/slot.h"

class LibraryIndexer;

// The indexer the commands of mainWindow use, owned by whoever owns the main
// window's state and outliving the window. Attached once the window exists.
void AttachLibraryIndexer(HWND mainWindow, LibraryIndexer& indexer);
// The program closes: a running update is cancelled (it keeps what it read)
// and nothing more is started or shown. The owner joins its thread.
void EndLibraryUpdates(HWND mainWindow);

// Starts reading the library folders in the background, unless an update
// runs already; its progress shows in the main window's status bar.
void StartLibraryUpdate(HWND mainWindow);
bool LibraryUpdateRunning(HWND mainWindow);

// Asks for a folder (a path typed or chosen with Browse...), adds it to the
// library and starts an update.
void AddLibraryFolderCommand(HWND owner, HWND mainWindow);
// Lets the user choose one of the library folders and removes it with every
// sound indexed from it.
void RemoveLibraryFolderCommand(HWND owner, HWND mainWindow);
// The files of the library folders that hold no sound, each with its reason.
void ShowNotSoundsCommand(HWND owner, HWND mainWindow);

// The database the program uses: VEXA_LIBRARY_DB when set, as vexa-cli
// honours it, otherwise the usual place (empty when there is none).
std::string LibraryDatabasePath();

// The selected sounds (places) onto AppState's clipboard; says what was left out.
void CopyLibrarySoundsCommand(HWND mainWindow, std::span<const SoundPlace> places);
// Opens the file that holds the sound as File > Open would, with its bank
// chosen and the sound's slot selected (Enter in the Library window).
void OpenLibrarySoundCommand(HWND mainWindow, const SoundPlace& place, SoundKind kind);
// A line dropped on a slot of the main window: pastes the sound there as
// Edit > Paste would, with its boxes and one undo step.
void PasteLibrarySoundAt(HWND mainWindow, const SoundPlace& place, SoundKind kind, Slot target);
// Reads the tone record at the place and sends it to the synthesizer's edit
// buffer (refused with the audition's box when it cannot be heard now). A
// patch, or a place its file no longer holds, is said in the status bar.
void AuditionLibrarySound(HWND mainWindow, const SoundPlace& place);
