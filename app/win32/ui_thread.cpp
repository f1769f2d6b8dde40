// Carrying a shell call out on the UI thread. Knows nothing of what the
// calls do.
#include "app/win32/ui_thread.h"

bool OnWindowThread(HWND window) {
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

void RunOnUiThread(HWND owner, HWND target, UINT message, WPARAM wParam, LPARAM lParam,
                   void (*here)(WPARAM wParam, LPARAM lParam)) {
    if (OnWindowThread(owner)) {
        here(wParam, lParam);
        return;
    }
    // SendMessage returns once the owning thread has handled the message; a
    // window that is going away answers 0 and nothing is done.
    if (target != nullptr) SendMessageA(target, message, wParam, lParam);
}
