// Files from outside (another copy of the program, a drop, the command
// line) on their way to the open flow, and the flows of the main window
// that such a file must wait for. Owns the one queue of waiting files; the
// queue's rules are app/view/handed_files'. UI thread only.
#pragma once

#include <windows.h>

#include <span>

#include "app/view/handed_files.h"

// Makes path absolute (against this process's current folder), queues it
// and posts kOpenHandedFileMessage to window. False, logged, when the path
// cannot be made absolute or the queue is full.
bool QueueFileToOpen(HWND window, const char* path);

// The oldest waiting file, taken, when it may open now (no flow is up, no
// transfer runs); false otherwise.
bool TakeWaitingFile(std::span<char, kHandedPathSize> out);

// True (logged) when command must not run now because a flow is up.
bool RefuseDuringFlow(UINT command);

// A flow of the main window (a command, the close prompt, a transfer's
// result box, the open of a handed file) for the lifetime of this object.
// When the outermost one ends with files waiting, kOpenHandedFileMessage
// is posted to its window.
struct FlowScope {
    explicit FlowScope(HWND window);
    ~FlowScope();
    FlowScope(const FlowScope&) = delete;
    FlowScope& operator=(const FlowScope&) = delete;
    HWND window;
};
