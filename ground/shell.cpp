// Which ShellOps table is in use, the do-nothing table, and the calls that
// go through it. Knows nothing of what a shell does with them.
#include "ground/shell.h"

#include <atomic>

namespace {

void NoStatus(const char*) {}
void NoField(int, const char*) {}
int NoLogLine(const char*, va_list) { return 0; }
int NoLogWindow() { return 0; }
void NoRefresh() {}
bool NoPost(uint32_t, uintptr_t, intptr_t) { return false; }
int NoMessageBox(uintptr_t, const char*, const char*, uint32_t) { return 0; }
void NoProgress(int32_t, int32_t) {}
bool NoDocument(const char*) { return false; }

constexpr ShellOps kNoShell{NoStatus,  NoField, NoLogLine,    NoLogWindow, NoRefresh,
                            NoPost,    NoMessageBox, NoProgress, NoDocument};

// Read by the UI thread, the worker and the MIDI callback threads on every
// call; written by SetShell (at start, or by tests between runs). The
// release store publishes a fully built table; each acquire load pairs with
// it. nullptr means the do-nothing table.
std::atomic<const ShellOps*> currentShell{nullptr};

}  // namespace

const ShellOps& NoShellOps() { return kNoShell; }

const ShellOps& Shell() {
    const ShellOps* table = currentShell.load(std::memory_order_acquire);
    return table ? *table : kNoShell;
}

void SetShell(const ShellOps* ops) { currentShell.store(ops, std::memory_order_release); }

void ShowStatus(const char* text) { Shell().showStatus(text); }

void SetStatusField(int index, const char* text) { Shell().setStatusField(index, text); }

int LogPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = Shell().logLine(format, args);
    va_end(args);
    return length;
}

int IsLogWindowOpen() { return Shell().isLogWindowOpen(); }

void RefreshBankView() { Shell().refreshBankView(); }

bool PostToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return Shell().postToMainWindow(message, wParam, lParam);
}

int ShowMessageBox(uintptr_t owner, const char* text, const char* caption, uint32_t style) {
    return Shell().showMessageBox(owner, text, caption, style);
}

void ShowTransferProgress(int32_t done, int32_t total) {
    Shell().showTransferProgress(done, total);
}

bool OpenDocument(const char* path) {
    // A table made before the entry existed leaves it empty.
    const ShellOps& shell = Shell();
    return shell.openDocument != nullptr && shell.openDocument(path);
}
