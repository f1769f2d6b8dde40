// DialogBoxParamA over the program's own resources, with its failure logged.
#include "app/win32/dialog_box.h"

#include "ground/shell.h"

INT_PTR RunDialog(HWND owner, int resource, DLGPROC procedure, LPARAM parameter,
                  const char* name) {
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                           owner, procedure, parameter);
    if (result < 0) {
        LogPrintf("The %s dialog could not be shown (error %lu).\n", name,
                  static_cast<unsigned long>(GetLastError()));
        return -1;
    }
    return result;
}
