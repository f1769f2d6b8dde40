// The one-slot, lock-free hand-off of MIDI commands from the UI thread to
// the worker, the worker's flags, the cancellation check, and the worker
// thread itself. Portable: runs over the PlatformOps table; knows a command
// only as a number, nothing of windows, devices or transfers.
#pragma once

#include <cstdint>

// UI thread. Waits (delivering sent messages) while a previous command is
// still pending, unless the worker is busy: then a pending command already
// cancels the operation and the call returns at once. Returns 0.
int32_t PostCommand(int32_t code);
// Worker. The pending command (taken), or 0.
int32_t TakeCommand();
// Worker, inside operations. The pending command (not taken), or 0.
int32_t PollCancel();
// Worker, inside operations: true when the program is closing or a new
// command (Stop) is pending. The quit flag is asked first. Every wait and
// every paced step of an operation ends on it.
bool CancelRequested();
// UI thread. 1 while an operation runs or a command is pending.
int32_t IsBusy();
int32_t IsQuitRequested();
// UI thread. Sets quitRequested and wakes the worker.
void RequestQuit();
// Creates the wake-up event, sets workerRunning and starts BackgroundThread;
// false when the thread could not be started (workerRunning is then 0).
bool StartBackgroundThread();
int32_t IsWorkerRunning();
// The worker's thread procedure.
void BackgroundThread();
// What BackgroundThread runs for each command it takes, with the context it
// was set with (RunOperation and the application's transfer job in the
// program). Set before the worker starts.
using OperationRunner = void (*)(int32_t command, void* context);
void SetOperationRunner(OperationRunner runner, void* context = nullptr);
// Tests only: back to the start state (no worker may be running).
void ResetMailboxForTest();
