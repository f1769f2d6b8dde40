// Start-up as named steps in their fixed order; a step that cannot go on
// ends the run with its exit code. Then the message loop.
#include "app/win32/startup.h"

#include <array>
#include <cstring>

#include "app/view/file_argument.h"
#include "ground/mailbox.h"
#include "ground/resource.h"
#include "ground/shell.h"
#include "app/win32/file_flows.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/main_window.h"
#include "app/win32/options_dialog.h"
#include "app/win32/recent_menu.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "midi/midi_port.h"

namespace {

constexpr char kInstanceName[] = "Vexa";

void ShowStatusOnBar(const char* text) { SetStatusPaneText(0, text); }

// What the worker-side code reaches of this shell (ground/shell.h).
constexpr ShellOps kWin32Shell{ShowStatusOnBar,
                               SetStatusPaneText,
                               LogToWindow,
                               LogWindowIsOpen,
                               RefreshBankViewFromAnyThread,
                               PostToMainWindowNow,
                               ShowMessageBoxOnMain,
                               ShowProgressOnBar,
                               OpenDocumentWithShell};

constexpr std::array<int32_t, 4> kStartupPaneWidths = {320, 64, 64, 64};

// Both are resources of the program itself; should one be missing, the
// window runs without it (GetSubMenu of no menu gives no popups).
void LoadMenusAndAccelerators(HINSTANCE instance) {
    shellHandles.mainMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    shellHandles.fileMenu = GetSubMenu(shellHandles.mainMenu, 0);
    shellHandles.midiMenu = GetSubMenu(shellHandles.mainMenu, 1);
    shellHandles.viewMenu = GetSubMenu(shellHandles.mainMenu, 2);
    shellHandles.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
}

HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle,
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, shellHandles.mainMenu, instance,
                           nullptr);
}

constexpr int kHandOverWaits = 50;
constexpr DWORD kHandOverWaitMs = 100;
constexpr UINT kHandOverTimeoutMs = 10000;

// Sends the path to the running copy, which opens it once this returns.
void HandOverFile(HWND other, const char* file) {
    COPYDATASTRUCT data{};
    data.dwData = kOpenFileCopyData;
    data.cbData = static_cast<DWORD>(std::strlen(file) + 1);
    data.lpData = const_cast<char*>(file);
    DWORD_PTR answer = 0;
    // A copy that hangs must not hang this one too. Whatever the answer,
    // this copy ends: the running copy reports its own refusals.
    (void)SendMessageTimeoutA(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                              SMTO_ABORTIFHUNG | SMTO_BLOCK, kHandOverTimeoutMs, &answer);
}

// Retry until a timer is had; Cancel closes the program through its normal
// closing sequence.
void StartMainTimer(HWND window) {
    while (SetTimer(window, kMainTimerId, kMainTimerPeriodMs, nullptr) == 0) {
        const int answer = ShowMessage(window, MessageId::NoTimer, MB_RETRYCANCEL | MB_ICONERROR);
        if (answer != IDRETRY) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
    }
}

// Accelerators are offered every message of the thread, whichever of its
// windows has the focus: the log window gets no dialog keyboard handling,
// so Esc is Stop even when the log window is active.
int RunMessageLoop() {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND window = mainWindow.load(std::memory_order_acquire);
        if (window != nullptr && shellHandles.accelerators != nullptr &&
            TranslateAcceleratorA(window, shellHandles.accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

bool ActivatePreviousInstance(const char* semaphoreName, const char* className, const char* title,
                              const char* file) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, semaphoreName);
    if (semaphore == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return false;
    CloseHandle(semaphore);
    HWND other = FindWindowA(className, title);
    // The first copy may still be starting: a file to hand over is worth a
    // short wait for its window.
    for (int wait = 0; other == nullptr && file != nullptr && wait < kHandOverWaits; ++wait) {
        Sleep(kHandOverWaitMs);
        other = FindWindowA(className, title);
    }
    if (other != nullptr) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
        if (file != nullptr) HandOverFile(other, file);
    }
    return true;
}

int RunVexa(HINSTANCE instance, int showCommand, OperationRunner runner,
            const char* commandLine) {
    // First, before any window or thread exists: every status text and log
    // line from here on goes to this shell.
    SetShell(&kWin32Shell);
    char file[MAX_PATH] = {};
    const bool haveFile = FirstFileArgument(commandLine, file);
    if (ActivatePreviousInstance(kInstanceName, kMainWindowClass, kMainWindowTitle,
                                 haveFile ? file : nullptr))
        return 0;
    // Without the common controls there is no status bar; the program runs
    // on without it, as a failed status bar creation would.
    InitCommonControlsByOrdinal();
    shellHandles.instance = instance;
    OpenLogWindow();
    EnumerateMidiDevices();
    InitFileDialogs();
    LoadSettings();
    LayoutStatusBar(static_cast<int32_t>(kStartupPaneWidths.size()), kStartupPaneWidths.data());
    LoadMenusAndAccelerators(instance);
    if (!RegisterMainWindowClass(instance)) return -1;
    SetMainWindowRunner(runner);
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) return -1;
    mainWindow.store(window, std::memory_order_release);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    StartMainTimer(window);
    LoadRecentFiles();
    // A file named on the command line opens as File > Open opens it, once
    // the message loop runs (its boxes need it).
    if (haveFile) OpenNamedBank(window, file);
    return RunMessageLoop();
}
