// The queue of files from outside and the main window's flows; see
// hand_over.h. Knows nothing of how a file is opened: the main window takes
// a file from here and runs the open flow with it.
#include "app/win32/hand_over.h"

#include "app/win32/full_path.h"
#include "app/win32/ui_thread.h"
#include "ground/mailbox.h"
#include "ground/shell.h"

namespace {

HandedFiles handedFiles;

}  // namespace

bool QueueFileToOpen(HWND window, const char* path) {
    char full[kHandedPathSize];
    if (!MakeFullPath(path, full)) {
        LogPrintf("No bank opened from outside: \"%s\" is no usable path.\n",
                  path != nullptr ? path : "");
        return false;
    }
    if (!QueueHandedFile(handedFiles, full)) {
        LogPrintf("No bank opened from %s: too many files are waiting to open.\n", full);
        return false;
    }
    // Opened when the message comes back, or, while a flow is up or a
    // transfer runs, once they have ended (FlowScope, the main timer).
    PostMessageA(window, kOpenHandedFileMessage, 0, 0);
    return true;
}

bool TakeWaitingFile(std::span<char, kHandedPathSize> out) {
    return TakeHandedFile(handedFiles, IsBusy() != 0, out);
}

bool RefuseDuringFlow(UINT command) {
    if (!FlowIsUp(handedFiles) || !RefusedDuringFlow(command)) return false;
    LogPrintf("Command %u ignored: another file or dialog flow is still open.\n", command);
    return true;
}

FlowScope::FlowScope(HWND owner) : window(owner) { BeginFlow(handedFiles); }

FlowScope::~FlowScope() {
    EndFlow(handedFiles);
    if (!FlowIsUp(handedFiles) && WaitingFileCount(handedFiles) > 0)
        PostMessageA(window, kOpenHandedFileMessage, 0, 0);
}
