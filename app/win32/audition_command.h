// MIDI > Audition: sending one tone to the synthesizer's edit buffer so it
// can be heard without writing the synthesizer's memory. The main window's
// menu item, its gray state and reason, Space on the listing, and the calls
// the Library window makes. Whether a sound can be heard is decided in
// app/core/audition; this file shows the answer. UI thread only.
#pragma once

#include <windows.h>

#include <string>

#include "app/core/audition.h"

struct AppState;

// Why the tone cannot be heard now (a transfer runs, "Auto", a JX-10, a
// patch...), or empty when it can.
std::string AuditionRefusal(HWND mainWindow, AuditionSound kind);
// Sends the tone record (59 bytes, canonical) to the synthesizer's edit
// buffer; refuses with a box when it cannot ("Auto" gets the box the
// transmit shows).
void StartAudition(HWND mainWindow, const AuditionTone& tone);

// The main window's side.
// The item's state, set when the MIDI popup opens.
void UpdateAuditionItem(HMENU popup, const AppState& state, bool busy);
// MIDI > Audition or Space on the listing: the selection's first slot is
// heard, or the status bar says why not ("Auto" has its box).
void AuditionSelectionCommand(HWND window, AppState& state);
// WM_MENUSELECT: with the gray Audition item highlighted the status bar
// says why it is gray (menus have no tooltips). False for any other item:
// the menu help shows it.
bool ShowAuditionMenuReason(WPARAM selection, const AppState& state);
