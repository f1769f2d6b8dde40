// The shell calls that belong to no window of their own: posting to the
// main window, showing message boxes on it and opening a document in its
// own program. Keeps the process-wide handles to itself.
#include "app/win32/shell_win32.h"

#include <shellapi.h>

#include <atomic>

namespace {

std::atomic<HWND> mainWindow{nullptr};
ShellHandles shellHandles;

}  // namespace

void SetShellHandles(const ShellHandles& handles) { shellHandles = handles; }

const ShellHandles& Handles() { return shellHandles; }

// Release: the worker that loads the handle sees the window created.
void SetMainWindow(HWND window) { mainWindow.store(window, std::memory_order_release); }

HWND MainWindowHandle() { return mainWindow.load(std::memory_order_acquire); }

bool PostToMainWindowNow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    HWND window = MainWindowHandle();
    // PostMessage with no window would post to the calling thread's queue,
    // where nobody reads: report it as not posted instead.
    if (window == nullptr) return false;
    return PostMessageA(window, message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

int ShowMessageBoxOnMain(uintptr_t owner, const char* text, const char* caption, uint32_t style) {
    HWND ownerWindow = owner != 0 ? reinterpret_cast<HWND>(owner) : MainWindowHandle();
    return MessageBoxA(ownerWindow, text, caption, style);
}

int ShowMessage(HWND owner, MessageId id, UINT style, std::string_view value) {
    return MessageBoxA(owner, MessageText(id, value).c_str(), MessageCaption(id), style);
}

bool OpenDocumentWithShell(const char* path) {
    // ShellExecute reports success as a value above 32.
    const HINSTANCE result = ShellExecuteA(MainWindowHandle(), "open",
                                           path, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
