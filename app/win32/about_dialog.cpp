// The About box's dialog procedure. Only OK (or Enter) and the close box end
// it; Esc is deliberately not handled, so it does not close the box. The
// version line comes from the project's version, the same number as the
// exe's version resource and vexa-cli --version.
#include "app/win32/about_dialog.h"

#include <string>

#include "app/win32/resource.h"
#include "app/win32/center_window.h"
#include "vexa_version.h"

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const std::string version = std::string("Version ") + kVexaVersion;
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, version.c_str());
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}
