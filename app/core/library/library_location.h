// Where the library index lives: %APPDATA%\Vexa\library.db for the Windows
// programs (Vexa.exe and vexa-cli.exe share it), $XDG_DATA_HOME/vexa/
// library.db on other systems, or ~/.local/share/vexa/library.db when that
// is unset. The environment is read through a function the caller gives, so
// both rules are tested on any host. Portable: no windows.h.
#pragma once

#include <string>

enum class LibrarySystem { kWindows, kOther };

using EnvironmentLookup = const char* (*)(const char* name);

// The system this build runs on.
LibrarySystem ThisLibrarySystem();

// The database's path (UTF-8), or empty when the environment names no place
// for it (no APPDATA, or neither XDG_DATA_HOME nor HOME).
std::string LibraryDatabasePath(LibrarySystem system, EnvironmentLookup lookup);
