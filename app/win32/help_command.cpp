// Help > Help Topics (F1). The guide is the HTML page beside the program;
// the shell table's openDocument shows it (the program's table asks Windows,
// tests record the path). A missing page, or one nothing could show, gets a
// box that names the page's path, so the user can find or open it. UI thread.
#include "app/win32/help_command.h"

#include <string>

#include "app/view/user_guide.h"
#include "app/win32/shell_win32.h"
#include "ground/shell.h"

void ShowHelpTopics(HWND window) {
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    // A path cut at MAX_PATH would name another folder.
    const bool havePath = length > 0 && length < MAX_PATH;
    const std::string guide = havePath ? UserGuidePath(program) : std::string();
    if (guide.empty() || GetFileAttributesA(guide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ShowMessage(window, MessageId::HelpMissing, MB_ICONEXCLAMATION, guide);
        return;
    }
    if (!OpenDocument(guide.c_str())) {
        LogPrintf("The user guide %s could not be shown (error %lu).\n", guide.c_str(),
                  static_cast<unsigned long>(GetLastError()));
        ShowMessage(window, MessageId::HelpNotShown, MB_ICONEXCLAMATION, guide);
    }
}
