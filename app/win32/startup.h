// The program's start-up and message loop, apart from the entry point so
// that GUI tests can run the same start-up in-process.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ground/mailbox.h"

// True when another copy is running (its window, when found, has been
// restored and brought to the front, and handed file, when not null, to
// open as WM_COPYDATA). The semaphore of the first copy is kept open until
// the process ends.
bool ActivatePreviousInstance(const char* semaphoreName, const char* className, const char* title,
                              const char* file = nullptr);

// The whole run: start-up in its fixed order, the main window, the message
// loop. runner is what the worker runs for each command. Returns the exit
// code: 0 after a normal run or when another copy was found, -1 when the
// main window could not be created. commandLine (WinMain's, without the
// program's name) may name a bank file to open, or hand over to the copy
// already running.
int RunVexa(HINSTANCE instance, int showCommand, OperationRunner runner,
            const char* commandLine = nullptr);
