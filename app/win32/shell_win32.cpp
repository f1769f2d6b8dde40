// The shell calls that belong to no window of their own: posting to the
// main window, showing message boxes on it and opening a document in its
// own program. Holds the process-wide handles.
#include "app/win32/shell_win32.h"

#include <shellapi.h>

std::atomic<HWND> mainWindow{nullptr};
ShellHandles shellHandles;

bool PostToMainWindowNow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    HWND window = mainWindow.load(std::memory_order_acquire);
    // PostMessage with no window would post to the calling thread's queue,
    // where nobody reads: report it as not posted instead.
    if (window == nullptr) return false;
    return PostMessageA(window, message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

int ShowMessageBoxOnMain(uintptr_t owner, const char* text, const char* caption, uint32_t style) {
    HWND ownerWindow =
        owner != 0 ? reinterpret_cast<HWND>(owner) : mainWindow.load(std::memory_order_acquire);
    return MessageBoxA(ownerWindow, text, caption, style);
}

int ShowMessage(HWND owner, MessageId id, UINT style, std::string_view value) {
    return MessageBoxA(owner, MessageText(id, value).c_str(), MessageCaption(id), style);
}

bool OpenDocumentWithShell(const char* path) {
    // ShellExecute reports success as a value above 32.
    const HINSTANCE result = ShellExecuteA(mainWindow.load(std::memory_order_acquire), "open",
                                           path, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
