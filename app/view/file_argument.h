// The bank file named on the program's command line (Explorer's "Open
// with", files dropped on the program's icon): the first argument, quoted
// or not. Portable: no platform headers.
#pragma once

#include <span>

// Copies the first argument of commandLine (the part after the program's
// name, as WinMain receives it) into out without its quotes. False, with out
// empty, when there is none or it does not fit out.
bool FirstFileArgument(const char* commandLine, std::span<char> out);
