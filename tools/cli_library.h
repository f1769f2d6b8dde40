// vexa-cli library ...: the library index from the command line.
#pragma once

// argv holds the words after "library". Returns the exit code.
int RunLibraryCommand(int argc, char** argv);
