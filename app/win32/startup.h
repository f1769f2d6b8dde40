// The program's start-up and message loop, apart from the entry point so
// that GUI tests can run the same start-up in-process.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ground/mailbox.h"

enum class PreviousInstance {
    None,          // this is the first copy
    Activated,     // another copy runs and has taken the file, if one was given
    DidNotAnswer,  // another copy runs, but the file could not be handed over
};

// Whether another copy is running. Its window, when found, is restored and
// brought to the front and handed file, when not null, to open as
// WM_COPYDATA; with a file, a window not found within 5 s or a hand-over
// not taken gives DidNotAnswer. The semaphore of the first copy is kept
// open until the process ends.
PreviousInstance ActivatePreviousInstance(const char* semaphoreName, const char* className,
                                          const char* title, const char* file = nullptr);

// The whole run: start-up in its fixed order, the main window, the message
// loop. runner is what the worker runs for each command. Returns the exit
// code: 0 after a normal run or when another copy took over, 1 when another
// copy runs but did not take the file (after a message box saying so), -1
// when the main window could not be created. commandLine (WinMain's, without the
// program's name) may name a bank file to open, or hand over to the copy
// already running.
int RunVexa(HINSTANCE instance, int showCommand, OperationRunner runner,
            const char* commandLine = nullptr);
