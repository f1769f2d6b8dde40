// Start-up as named steps in their fixed order; a step that cannot go on
// ends the run with its exit code. Then the message loop.
#include "app/win32/startup.h"

#include <array>
#include <cstring>

#include "app/view/file_argument.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/shell.h"
#include "app/win32/file_flows.h"
#include "app/win32/full_path.h"
#include "app/win32/hand_over.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/edit_commands.h"
#include "app/win32/library_commands.h"
#include "app/core/library/library_indexer.h"
#include "app/win32/library_window.h"
#include "app/win32/main_window.h"
#include "app/win32/registry_settings.h"
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
void LoadMenusAndAccelerators(ShellHandles& handles, HINSTANCE instance) {
    handles.mainMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    handles.fileMenu = GetSubMenu(handles.mainMenu, 0);
    handles.editMenu = GetSubMenu(handles.mainMenu, 1);
    handles.midiMenu = GetSubMenu(handles.mainMenu, 2);
    handles.viewMenu = GetSubMenu(handles.mainMenu, 3);
    handles.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
}

// Up to 5 s for the running copy's window: it may still be starting.
constexpr int kHandOverWaits = 50;
constexpr DWORD kHandOverWaitMs = 100;
constexpr UINT kHandOverTimeoutMs = 10000;


// Sends the path to the running copy, which opens it once this returns.
// True only when the copy took it (answered TRUE): a copy that hangs, ends
// meanwhile or refuses the path has not got the file.
bool HandOverFile(HWND other, const char* file) {
    COPYDATASTRUCT data{};
    data.dwData = kOpenFileCopyData;
    data.cbData = static_cast<DWORD>(std::strlen(file) + 1);
    data.lpData = const_cast<char*>(file);
    DWORD_PTR answer = 0;
    // A copy that hangs must not hang this one too.
    const LRESULT sent =
        SendMessageTimeoutA(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG | SMTO_BLOCK, kHandOverTimeoutMs, &answer);
    return sent != 0 && answer == TRUE;
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
// so Esc is Stop even when the log window is active. An edit field with the
// focus keeps its keys (Ctrl+C, Ctrl+V, Esc, F2 work there as anywhere).
int RunMessageLoop() {
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND window = MainWindowHandle();
        HACCEL accelerators = Handles().accelerators;
        // The Library window's keys are its own.
        if (LibraryWindowMessage(message)) continue;
        const bool key = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
        if (window != nullptr && accelerators != nullptr && !(key && FocusIsEditField()) &&
            TranslateAcceleratorA(window, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

PreviousInstance ActivatePreviousInstance(const char* semaphoreName, const char* className,
                                          const char* title, const char* file) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, semaphoreName);
    if (semaphore == nullptr || GetLastError() != ERROR_ALREADY_EXISTS)
        return PreviousInstance::None;
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
    }
    // Without a file nothing is lost when the window is not found.
    if (file == nullptr) return PreviousInstance::Activated;
    if (other == nullptr || !HandOverFile(other, file)) return PreviousInstance::DidNotAnswer;
    return PreviousInstance::Activated;
}

int RunVexa(HINSTANCE instance, int showCommand, OperationRunner runner,
            const char* commandLine) {
    // First, before any window or thread exists: every status text and log
    // line from here on goes to this shell.
    SetShell(&kWin32Shell);
    char typed[MAX_PATH] = {};
    char file[MAX_PATH] = {};
    const bool haveFile = FirstFileArgument(commandLine, typed);
    // Absolute here, in this process's folder: the running copy, and the
    // recent files later, would resolve a relative name in another one.
    // A name that cannot be made absolute goes on as typed and is refused
    // where it arrives.
    if (haveFile && !MakeFullPath(typed, file)) std::memcpy(file, typed, sizeof file);
    switch (ActivatePreviousInstance(kInstanceName, kMainWindowClass, kMainWindowTitle,
                                     haveFile ? file : nullptr)) {
    case PreviousInstance::None: break;
    case PreviousInstance::Activated: return 0;
    case PreviousInstance::DidNotAnswer:
        // The file would be lost without a word: say so, and fail.
        ShowMessage(nullptr, MessageId::NotAnswering, MB_ICONEXCLAMATION);
        return 1;
    }
    // Without the common controls there is no status bar; the program runs
    // on without it, as a failed status bar creation would.
    InitCommonControlsByOrdinal();
    ShellHandles handles;
    handles.instance = instance;
    SetShellHandles(handles);
    OpenLogWindow();
    EnumerateMidiDevices();
    InitFileDialogs();
    // What the program holds while it runs: it lives in this frame, which
    // lasts as long as the message loop, and the main window works on it.
    AppState state;
    // The library's background update, beside the state and as long-lived:
    // the window's commands reach it through the window; leaving this frame
    // cancels an update still running and waits for its thread.
    LibraryIndexer libraryIndexer;
    LoadSettings(state.settings);
    LayoutStatusBar(static_cast<int32_t>(kStartupPaneWidths.size()), kStartupPaneWidths.data());
    LoadMenusAndAccelerators(handles, instance);
    SetShellHandles(handles);
    if (!RegisterMainWindowClass(instance)) return -1;
    SetMainWindowRunner(runner, state);
    HWND window = CreateMainWindow(instance, handles.mainMenu, state);
    if (window == nullptr) return -1;
    SetMainWindow(window);
    AttachLibraryIndexer(window, libraryIndexer);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    StartMainTimer(window);
    LoadRecentFiles();
    // A file named on the command line opens as File > Open opens it, once
    // the message loop runs (its boxes need it).
    if (haveFile) QueueFileToOpen(window, file);
    return RunMessageLoop();
}
