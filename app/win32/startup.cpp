// Start-up as named steps in their fixed order; a step that cannot go on
// ends the run with its exit code. Then the message loop.
#include "app/win32/startup.h"

#include <array>

#include "ground/mailbox.h"
#include "ground/resource.h"
#include "ground/shell.h"
#include "app/win32/file_flows.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/main_window.h"
#include "app/win32/options_dialog.h"
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
                               ShowMessageBoxOnMain};

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

// Retry until a timer is had; Cancel closes the program through its normal
// closing sequence.
void StartMainTimer(HWND window) {
    while (SetTimer(window, kMainTimerId, kMainTimerPeriodMs, nullptr) == 0) {
        const int answer = MessageBoxA(window,
                                       "Unable to alloacte timer. All timers are in use.\n\n"
                                       "Please close another application and retry, or cancel.",
                                       "Vexa Error", MB_RETRYCANCEL | MB_ICONERROR);
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

bool ActivatePreviousInstance(const char* semaphoreName, const char* className, const char* title) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, semaphoreName);
    if (semaphore == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return false;
    CloseHandle(semaphore);
    HWND other = FindWindowA(className, title);
    if (other != nullptr) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
    return true;
}

int RunVexa(HINSTANCE instance, int showCommand, void (*runner)(int32_t command)) {
    // First, before any window or thread exists: every status text and log
    // line from here on goes to this shell.
    SetShell(&kWin32Shell);
    if (ActivatePreviousInstance(kInstanceName, kMainWindowClass, kMainWindowTitle)) return 0;
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
    SetOperationRunner(runner);
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) return -1;
    mainWindow.store(window, std::memory_order_release);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    StartMainTimer(window);
    return RunMessageLoop();
}
