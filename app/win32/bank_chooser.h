// The "Choose a Bank" dialog, shown by the open flow when a file holds
// several banks. UI thread only.
#pragma once

#include <windows.h>

#include "bank/bank_search.h"

// Lists the banks and waits for the user: OK, Enter or a double-click on a
// line take the selected bank; Cancel, Esc and the close box take none.
// Returns the chosen bank's index (from 0), or -1 for none; a dialog that
// cannot be shown counts as none and is logged.
int ChooseBank(HWND owner, const BankSearch& search);
