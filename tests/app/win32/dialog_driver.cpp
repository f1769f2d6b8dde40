// The second-thread driver behind the dialog tests (see dialog_driver.h).
#include "tests/app/win32/dialog_driver.h"

#include <atomic>
#include <cstring>
#include <thread>

#include "app/view/center.h"

namespace driver {

namespace {

// Wine's and Windows' message boxes both give their text control this id.
// An Explorer file dialog's file name box is cmb13 (0x47C) in the newer
// template; for a record of the Windows 95 size, as the program passes,
// Wine 8 uses the older one with the edit box edt1 (0x480).
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

HWND FileNameBox(HWND fileDialog) {
    const HWND combo = GetDlgItem(fileDialog, kFileNameCombo);
    return combo != nullptr ? combo : GetDlgItem(fileDialog, kFileNameEdit);
}

struct Search {
    const char* caption;
    HWND owner;
    DialogKind kind;
    HWND found;
};

bool IsDialogClass(HWND window) {
    char className[32] = {};
    return GetClassNameA(window, className, sizeof className) > 0 &&
           std::strcmp(className, "#32770") == 0;
}

bool Matches(HWND window, const Search& search) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsDialogClass(window) || !IsWindowVisible(window)) {
        return false;
    }
    if (search.owner != nullptr && GetWindow(window, GW_OWNER) != search.owner) {
        return false;
    }
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    if (search.caption != nullptr && std::strcmp(title, search.caption) != 0) {
        return false;
    }
    switch (search.kind) {
    case DialogKind::MessageBox: return GetDlgItem(window, kMessageBoxTextId) != nullptr;
    case DialogKind::FileDialog: return FileNameBox(window) != nullptr;
    case DialogKind::Any: return true;
    }
    return false;
}

BOOL CALLBACK SearchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (Matches(window, *search)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<WPARAM>& PostedCommands() {
    static std::vector<WPARAM> commands;
    return commands;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        PostedCommands().push_back(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND FindDialog(const char* caption, HWND owner, DialogKind kind, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        Search search{caption, owner, kind, nullptr};
        EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::string MessageBoxText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof text);
    return text;
}

std::string MessageBoxButtons(HWND box) {
    static const std::pair<int, const char*> kButtons[] = {
        {IDOK, "OK"}, {IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}, {IDRETRY, "Retry"}};
    std::string names;
    for (const auto& [id, name] : kButtons) {
        const HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button)) {
            names += names.empty() ? name : std::string(" ") + name;
        }
    }
    return names;
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ChooseFile(HWND fileDialog, const std::string& path) {
    // FindWindow can see the box while it is still being created; wait for
    // its name box and for the hook's CDN_INITDONE (which centres the box).
    const DWORD start = GetTickCount();
    HWND nameBox = nullptr;
    while ((nameBox = FileNameBox(fileDialog)) == nullptr || !IsWindowVisible(nameBox)) {
        if (GetTickCount() - start >= kTimeoutMs) {
            return false;
        }
        Sleep(20);
    }
    SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

bool IsCentredOverOwner(HWND dialog, HWND owner) {
    RECT workArea;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    const ScreenRect work{workArea.left, workArea.top, workArea.right, workArea.bottom};
    const ScreenRect ownerArea{ownerRect.left, ownerRect.top, ownerRect.right, ownerRect.bottom};
    const DWORD start = GetTickCount();
    do {
        RECT rect;
        GetWindowRect(dialog, &rect);
        const ScreenPoint expected =
            CenterPosition({rect.left, rect.top, rect.right, rect.bottom}, ownerArea, work);
        if (rect.left == expected.x && rect.top == expected.y) {
            return true;
        }
        Sleep(20);
    } while (GetTickCount() - start < 2000);
    return false;
}

HWND CreateOwnerWindow() {
    static const char* const kClass = "VexaDialogTestOwner";
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    // Off-centre on purpose, so that a dialog left where the system puts it
    // is not mistaken for a centred one.
    const HWND window =
        CreateWindowExA(0, kClass, "Vexa test owner", WS_OVERLAPPEDWINDOW, 40, 30, 500, 400,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

std::vector<WPARAM> TakePostedCommands(HWND owner) {
    MSG message;
    while (PeekMessageA(&message, owner, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    std::vector<WPARAM> commands;
    commands.swap(PostedCommands());
    return commands;
}

std::vector<std::string> RunWithScript(const std::function<void()>& ui,
                                       const std::function<void()>& script) {
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> uiReturned{false};
    std::vector<std::string> leftOpen;
    std::thread scripted([&] {
        script();
        // Whatever is still up once the script is done was not expected:
        // record it and cancel it until the code under test returns.
        while (!uiReturned.load(std::memory_order_acquire)) {
            Search search{nullptr, nullptr, DialogKind::Any, nullptr};
            EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr &&
                GetWindowThreadProcessId(search.found, nullptr) == uiThread) {
                const std::string text = MessageBoxText(search.found);
                leftOpen.push_back(WindowText(search.found) + ": " + text);
                Press(search.found, IDCANCEL);
                WaitGone(search.found, 2000);
            }
            Sleep(20);
        }
    });
    ui();
    uiReturned.store(true, std::memory_order_release);
    scripted.join();
    return leftOpen;
}

}  // namespace driver
