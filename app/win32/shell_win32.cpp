// The two shell calls that belong to no window of their own: posting to the
// main window and showing message boxes on it. Holds the process-wide
// handles.
#include "app/win32/shell_win32.h"

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
