// Drives a real Vexa.exe for tools/screenshots.sh as a person would: opens
// banks through the File > Open dialog, moves the selection with the arrow
// keys and opens the Edit menu, opens the Options dialog and the About box,
// and says
// on its standard output when a window is ready to be photographed:
//   SHOT name left top width height
// then waits for a line on its standard input before it goes on.
//   vexa_screenshot_driver VEXA.EXE M64C-BANK M16C-BANK   (Windows paths)
#include <windows.h>
#include <dlgs.h>

#include <cstdio>
#include <string>

#include "app/win32/resource.h"

namespace {

constexpr UINT kAbout = IDM_ABOUT;
constexpr UINT kOpen = IDM_OPEN;
constexpr UINT kOptions = IDM_OPTIONS;
constexpr int kFileNameField = cmb13;
constexpr int kFileNameEdit = edt1;

HWND WaitWindow(const char* className, const char* title, HWND owner) {
    for (int i = 0; i < 500; ++i) {
        for (HWND w = FindWindowExA(nullptr, nullptr, className, title); w != nullptr;
             w = FindWindowExA(nullptr, w, className, title))
            if ((owner == nullptr || GetWindow(w, GW_OWNER) == owner) && IsWindowVisible(w))
                return w;
        Sleep(20);
    }
    return nullptr;
}

bool WaitGone(HWND w) {
    for (int i = 0; i < 500 && IsWindow(w); ++i) Sleep(20);
    return !IsWindow(w);
}

void Shot(const char* name, HWND w, HWND also = nullptr) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT r{};
    GetWindowRect(w, &r);
    // A popup menu over the window: the picture takes in both.
    RECT other{};
    if (also != nullptr && GetWindowRect(also, &other)) UnionRect(&r, &r, &other);
    std::printf("SHOT %s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left,
                r.bottom - r.top);
    std::fflush(stdout);
    char answer[16];
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) std::exit(3);
}

bool OpenBank(HWND main, HWND listing, const char* path, LRESULT lines) {
    PostMessageA(main, WM_COMMAND, kOpen, 0);
    HWND dialog = WaitWindow("#32770", "Open Bank", main);
    if (dialog == nullptr) return false;
    // The file name field: a combo box on Windows, an edit control on Wine.
    if (!SetDlgItemTextA(dialog, kFileNameField, path) &&
        !SetDlgItemTextA(dialog, kFileNameEdit, path))
        return false;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    if (!WaitGone(dialog)) return false;
    for (int i = 0; i < 500; ++i) {
        if (SendMessageW(listing, LB_GETCOUNT, 0, 0) == lines) return true;
        Sleep(20);
    }
    return false;
}

int Fail(const char* what) {
    std::fprintf(stderr, "driver: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: vexa_screenshot_driver VEXA.EXE M64C-BANK M16C-BANK");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return Fail("cannot start Vexa.exe");
    WaitForInputIdle(process.hProcess, 10000);
    HWND main = WaitWindow("Vexa", "Vexa", nullptr);
    if (main == nullptr) return Fail("no main window");
    WaitForInputIdle(process.hProcess, 10000);
    HWND log = WaitWindow("#32770", "Log Window", nullptr);
    HWND listing = FindWindowExA(main, nullptr, "ListBox", nullptr);
    if (listing == nullptr) return Fail("no listing");

    SetWindowPos(main, nullptr, 20, 20, 660, 700, SWP_NOZORDER);
    if (log != nullptr) SetWindowPos(log, nullptr, 700, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(main);

    if (!OpenBank(main, listing, argv[2], 41)) return Fail("M-64C bank not listed");
    Shot("main-m64c", main);
    if (!OpenBank(main, listing, argv[3], 13)) return Fail("M-16C bank not listed");
    Shot("main-m16c", main);

    // A selection moved by the keys, a copy on the clipboard, the Edit menu.
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RIGHT}) {
        PostMessageA(listing, WM_KEYDOWN, key, 0);
        PostMessageA(listing, WM_KEYUP, key, 0);
    }
    PostMessageA(main, WM_COMMAND, IDM_COPY, 0);
    Sleep(300);
    Shot("edit-selection", main);
    PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 'e');
    HWND menu = WaitWindow("#32768", nullptr, nullptr);
    if (menu == nullptr) return Fail("no Edit menu");
    Shot("edit-menu", main, menu);
    for (int i = 0; i < 2; ++i) {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(200);
    }
    PostMessageA(main, WM_CANCELMODE, 0, 0);
    Sleep(300);

    PostMessageA(main, WM_COMMAND, kOptions, 0);
    HWND options = WaitWindow("#32770", "Options", main);
    if (options == nullptr) return Fail("no Options dialog");
    Shot("options", options);
    PostMessageA(options, WM_COMMAND, IDCANCEL, 0);
    WaitGone(options);

    if (log != nullptr) Shot("log-window", log);

    PostMessageA(main, WM_COMMAND, kAbout, 0);
    HWND about = WaitWindow("#32770", "About Vexa", main);
    if (about == nullptr) return Fail("no About box");
    Shot("about", about);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    WaitGone(about);

    PostMessageA(main, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
