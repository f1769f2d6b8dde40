// The "Choose a Bank" dialog's procedure: one list box line per bank, made
// by the view library, the first line selected. Knows nothing of files or of
// how the banks were found.
#include "app/win32/bank_chooser.h"

#include <string>

#include "app/view/found_banks.h"
#include "app/win32/center_window.h"
#include "app/win32/resource.h"
#include "app/win32/dialog_box.h"
#include "ground/shell.h"

namespace {

// EndDialog's result is the chosen index plus one: 0 is Cancel, and -1 is
// what DialogBoxParam gives when the dialog could not be made.
void EndWithSelection(HWND dialog) {
    const LRESULT selected = SendDlgItemMessageA(dialog, IDC_BANKLIST, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;  // nothing chosen yet: the dialog stays
    EndDialog(dialog, selected + 1);
}

bool FillList(HWND dialog, const BankSearch& search) {
    const HWND list = GetDlgItem(dialog, IDC_BANKLIST);
    for (size_t i = 0; i < search.banks.size(); ++i) {
        const std::string line = BankChoiceLine(i + 1, search.banks[i]);
        const LRESULT added =
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (added == LB_ERR || added == LB_ERRSPACE) return false;
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SetFocus(list);
    return true;
}

INT_PTR CALLBACK BankChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (!FillList(dialog, *reinterpret_cast<const BankSearch*>(lParam))) {
            LogPrintf("The bank list could not be filled.\n");
            EndDialog(dialog, 0);
        }
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        return FALSE;  // the focus is on the list
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BANKLIST:
            if (HIWORD(wParam) == LBN_DBLCLK) EndWithSelection(dialog);
            return TRUE;
        case IDOK: EndWithSelection(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int ChooseBank(HWND owner, const BankSearch& search) {
    const INT_PTR result = RunDialog(owner, IDD_CHOOSEBANK, BankChooserProc,
                                     reinterpret_cast<LPARAM>(&search), "Choose a Bank");
    return result < 0 ? -1 : static_cast<int>(result) - 1;
}
