// The main window's state in its window data (GWLP_USERDATA), checked by
// the window's class so that no other window's data is taken for it.
#include "app/win32/main_window_state.h"

#include <cstring>

void AttachMainWindowState(HWND window, AppState* state) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
}

AppState* MainWindowState(HWND window) {
    char className[sizeof kMainWindowClass + 1] = {};
    if (window == nullptr || GetClassNameA(window, className, sizeof className) == 0 ||
        std::strcmp(className, kMainWindowClass) != 0)
        return nullptr;
    return reinterpret_cast<AppState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}
