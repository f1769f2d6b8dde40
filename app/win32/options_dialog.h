// The Options dialog (resource 106): synthesizer, MIDI channel and the two
// MIDI devices. It works on a copy of the settings and hands it back only
// on OK.
#pragma once

#include <windows.h>

#include "ground/settings.h"

// Runs the dialog modally over owner, starting from settings. OK: the
// choices are written into settings and stored in the registry (a failed
// store is logged; the choices still hold for this run), and the result is
// true. Cancel or the close box: false, settings untouched.
bool EditOptions(HWND owner, AppSettings& settings);
