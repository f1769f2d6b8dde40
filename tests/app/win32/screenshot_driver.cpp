// Drives a real Vexa.exe for tools/screenshots.sh as a person would: opens
// banks through the File > Open dialog (one file of several banks brings the
// Choose a Bank dialog), moves the selection with the arrow keys and opens
// the Edit menu, opens the Options dialog and the About box, searches the
// Library window (over the index the script made) and unfolds a sound's
// copies, and, when the
// virtual MIDI cable's far side runs (VEXA_VMIDI_PORT), sends the bank to
// its scripted JX-10. It says on its standard output when a window is ready
// to be photographed:
//   SHOT name left top width height
// then waits for a line on its standard input before it goes on.
//   vexa_screenshot_driver VEXA.EXE M64C-BANK M16C-BANK SEVERAL-BANKS   (Windows paths)
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/win32/library_window.h"
#include "app/win32/resource.h"
#include "tests/e2e/harness/control_client.h"

namespace {

constexpr UINT kAbout = IDM_ABOUT;
constexpr UINT kOpen = IDM_OPEN;
constexpr UINT kOptions = IDM_OPTIONS;
constexpr int kFileNameField = cmb13;
constexpr int kFileNameEdit = edt1;

// The listing's lines for the example banks: an M-64C bank, an M-16C bank.
constexpr LRESULT kM64CLines = 41;
constexpr LRESULT kM16CLines = 13;

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

// Picks the file in File > Open; true once the dialog has taken it.
bool ChooseInOpenDialog(HWND main, const char* path) {
    PostMessageA(main, WM_COMMAND, kOpen, 0);
    HWND dialog = WaitWindow("#32770", "Open Bank", main);
    if (dialog == nullptr) return false;
    // The file name field: a combo box on Windows, an edit control on Wine.
    if (!SetDlgItemTextA(dialog, kFileNameField, path) &&
        !SetDlgItemTextA(dialog, kFileNameEdit, path))
        return false;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return WaitGone(dialog);
}

bool WaitListed(HWND listing, LRESULT lines) {
    for (int i = 0; i < 500; ++i) {
        if (SendMessageW(listing, LB_GETCOUNT, 0, 0) == lines) return true;
        Sleep(20);
    }
    return false;
}

bool OpenBank(HWND main, HWND listing, const char* path, LRESULT lines) {
    return ChooseInOpenDialog(main, path) && WaitListed(listing, lines);
}

// Makes the main window as tall as every line of the listing needs (at
// most the screen's work area), keeping its width.
void FitListing(HWND main, HWND listing) {
    const LRESULT lines = SendMessageA(listing, LB_GETCOUNT, 0, 0);
    const LRESULT lineHeight = SendMessageA(listing, LB_GETITEMHEIGHT, 0, 0);
    RECT window{};
    RECT list{};
    RECT work{};
    if (lines <= 0 || lineHeight <= 0 || !GetWindowRect(main, &window) ||
        !GetClientRect(listing, &list) || !SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        return;
    const auto wanted = static_cast<LONG>(lines * lineHeight + lineHeight / 2);
    LONG height = window.bottom - window.top + wanted - (list.bottom - list.top);
    if (height > work.bottom - work.top - window.top) height = work.bottom - work.top - window.top;
    SetWindowPos(main, nullptr, 0, 0, window.right - window.left, height,
                 SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(listing, LB_SETTOPINDEX, 0, 0);
}

int Fail(const char* what) {
    std::fprintf(stderr, "driver: %s\n", what);
    return 1;
}

// Closes the box with this caption that the main window shows next.
bool AnswerBox(HWND main, const char* caption, int button) {
    HWND box = WaitWindow("#32770", caption, main);
    if (box == nullptr) return false;
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return WaitGone(box);
}

// A JX-10 bulk load half done: the far side's JX-10 asks for the bank and
// answers each block 150 ms after it began, so the 64 blocks take about
// 15 s; the picture is taken after about a third of them.
bool ShootTransfer(HWND main) {
    const int port = e2e::ConfiguredPort();
    if (port == 0) {
        std::printf("NOTE no virtual MIDI cable: no transfer picture\n");
        std::fflush(stdout);
        return true;
    }
    if (!e2e::ControlConnect(port)) return false;
    if (e2e::ControlCommand("PEER jx10 role=load channel=0 seed=11 ack=150") != "OK") return false;
    PostMessageA(main, WM_COMMAND, IDM_TRANSMIT, 0);
    Sleep(1500);  // the program opens the ports and waits for the request
    if (e2e::ControlCommand("START").empty()) return false;
    Sleep(5000);
    Shot("transfer", main);
    return AnswerBox(main, "Vexa", IDOK);
}

// The Library window, searched for "brass", its first sound unfolded
// into the places that hold it.
bool ShootLibrary(HWND main) {
    PostMessageA(main, WM_COMMAND, IDM_LIBRARY, 0);
    HWND library = WaitWindow(kLibraryWindowClass, "Library", main);
    if (library == nullptr) return false;
    SetWindowPos(library, HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE);
    HWND search = GetDlgItem(library, kLibrarySearchId);
    HWND list = GetDlgItem(library, kLibraryListId);
    LRESULT all = 0;
    for (int i = 0; i < 500 && (all = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) == 0; ++i) Sleep(20);
    if (all == 0) return false;
    for (const char c : std::string("brass")) PostMessageA(search, WM_CHAR, static_cast<WPARAM>(c), 0);
    for (int i = 0; i < 500 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == all; ++i) Sleep(20);
    // Down from the search field goes to the list's first line; Right
    // unfolds it.
    for (WPARAM key : {VK_DOWN, VK_RIGHT}) {
        PostMessageA(key == VK_DOWN ? search : list, WM_KEYDOWN, key, 0);
        Sleep(300);
    }
    Shot("library", library);
    PostMessageA(library, WM_CLOSE, 0, 0);
    return WaitGone(library);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5)
        return Fail("usage: vexa_screenshot_driver VEXA.EXE M64C-BANK M16C-BANK SEVERAL-BANKS");
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

    // The program's own first width, which shows the whole listing and all
    // four status panes; the height is made to fit the listing.
    SetWindowPos(main, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (log != nullptr) SetWindowPos(log, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(main);

    if (!OpenBank(main, listing, argv[2], kM64CLines)) return Fail("M-64C bank not listed");
    FitListing(main, listing);
    Shot("main-m64c", main);
    if (!OpenBank(main, listing, argv[3], kM16CLines)) return Fail("M-16C bank not listed");
    FitListing(main, listing);
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
    // The file's first bank is an M-64C bank: OK takes it, for the transfer.
    if (!ChooseInOpenDialog(main, argv[4])) return Fail("file of several banks not taken");
    HWND chooser = WaitWindow("#32770", "Choose a Bank", main);
    if (chooser == nullptr) return Fail("no Choose a Bank dialog");
    Shot("choose-bank", chooser);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    if (!WaitGone(chooser) || !WaitListed(listing, kM64CLines)) return Fail("chosen bank not listed");
    FitListing(main, listing);

    PostMessageA(main, WM_COMMAND, kOptions, 0);
    HWND options = WaitWindow("#32770", "Options", main);
    if (options == nullptr) return Fail("no Options dialog");
    Shot("options", options);
    PostMessageA(options, WM_COMMAND, IDCANCEL, 0);
    WaitGone(options);

    if (log != nullptr) {
        // The log sits under the wide main window: bring it up for its picture.
        SetWindowPos(log, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        Shot("log-window", log);
        SetWindowPos(log, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(main);
    }

    PostMessageA(main, WM_COMMAND, kAbout, 0);
    HWND about = WaitWindow("#32770", "About Vexa", main);
    if (about == nullptr) return Fail("no About box");
    Shot("about", about);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    WaitGone(about);

    if (!ShootLibrary(main)) return Fail("no Library window with the examples' sounds");

    if (!ShootTransfer(main)) return Fail("the transfer to the far side's JX-10 failed");

    PostMessageA(main, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return static_cast<int>(exitCode);
}
