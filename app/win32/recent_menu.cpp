// The recent banks in the File menu: kept in memory, stored after every
// change, shown as items &1 to &4 above Exit with a separator of their own.
#include "app/win32/recent_menu.h"

#include <array>

#include "app/win32/registry_settings.h"
#include "app/win32/shell_win32.h"
#include "app/win32/resource.h"
#include "ground/shell.h"

namespace {

RecentFiles recentFiles;
// Whether the separator under the recent items is in the menu (it comes
// and goes with them, so an empty list leaves the menu as it was).
bool separatorShown = false;

// The position of the command in the popup, or -1.
int PositionOf(HMENU menu, UINT command) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(menu, i) == command) return i;
    }
    return -1;
}

void ShowRecentInMenu() {
    HMENU menu = Handles().fileMenu;
    if (menu == nullptr) return;
    for (UINT id = IDM_RECENT_FIRST; id <= IDM_RECENT_LAST; ++id)
        DeleteMenu(menu, id, MF_BYCOMMAND);
    if (separatorShown) {
        // The separator sits just above Exit.
        const int exitAt = PositionOf(menu, IDM_EXIT);
        if (exitAt > 0) DeleteMenu(menu, static_cast<UINT>(exitAt - 1), MF_BYPOSITION);
        separatorShown = false;
    }
    if (recentFiles.count == 0) return;
    int at = PositionOf(menu, IDM_EXIT);
    if (at < 0) return;
    for (int32_t i = 0; i < recentFiles.count; ++i) {
        std::array<char, kRecentMenuTextSize> text{};
        RecentMenuText(i, recentFiles.paths[static_cast<size_t>(i)].data(), text);
        if (InsertMenuA(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_STRING,
                        IDM_RECENT_FIRST + static_cast<UINT>(i), text.data()))
            ++at;
    }
    if (InsertMenuA(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr))
        separatorShown = true;
}

}  // namespace

int LoadRecentFiles() {
    const int result = ReadRecentFilesValue(recentFiles);
    ShowRecentInMenu();
    return result;
}

int SaveRecentFiles() { return WriteRecentFilesValue(recentFiles); }

void RememberRecentBank(const char* path) {
    if (!RememberRecentFile(recentFiles, path)) return;
    SaveRecentFiles();
    ShowRecentInMenu();
}

bool RecentBankToOpen(HWND window, int index, BankPath& path) {
    if (index < 0 || index >= recentFiles.count) return false;
    // A copy: the open flow reorders the list.
    const std::array<char, kRecentPathSize>& entry = recentFiles.paths[static_cast<size_t>(index)];
    if (!CopyPath(path, entry.data())) return false;
    if (GetFileAttributesA(path.data()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            ForgetRecentFile(recentFiles, index);
            SaveRecentFiles();
            ShowRecentInMenu();
            ShowMessage(window, MessageId::RecentFileGone, MB_ICONEXCLAMATION);
            return false;
        }
        // Any other failure (a drive not ready, no access): the open flow
        // says it cannot open the file and the entry stays.
    }
    return true;
}

const RecentFiles& RecentFileList() { return recentFiles; }
