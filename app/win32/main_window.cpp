// The main window's procedure. Each message goes to one On... handler; the
// handlers decide, the other modules (status bar, listing, log, file flows,
// dialogs, mailbox) act. Runs on the UI thread.
#include "app/win32/main_window.h"

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/resource.h"
#include "ground/shell.h"
#include "app/win32/about_dialog.h"
#include "app/win32/file_flows.h"
#include "app/win32/help_command.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/options_dialog.h"
#include "app/win32/recent_menu.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "bank/bank_image.h"
#include "transfer/transfer.h"

#include <shellapi.h>

#include <cstring>

namespace {

// What the worker's MIDI commands work on (transfer.h has the hand-over's
// order). Written here on the UI thread only while the worker is idle.
TransferJob transferJob;

bool BankIsLoaded() { return bankLoaded.load(std::memory_order_acquire) != 0; }

// The bank in memory goes with a transmit as the job's own copy, so the
// worker never reads what the UI thread may change.
void PostTransmit() {
    if (!BankIsLoaded() || IsBusy() != 0) return;
    transferJob.kind = bankKind.load(std::memory_order_acquire);
    transferJob.image = BankImage;
    PostCommand(kCommandTransmit);
}

// Step 3 of the hand-over: a received bank becomes the bank in memory.
void CommitReceivedBank() {
    if (transferJob.received.load(std::memory_order_acquire) == 0) return;
    transferJob.received.store(0, std::memory_order_relaxed);
    BankImage = transferJob.receivedImage;
    bankKind.store(transferJob.receivedKind, std::memory_order_release);
    bankLoaded.store(1, std::memory_order_release);
    bankModified.store(1, std::memory_order_release);
    RefreshBankView();
}

// The file another copy of the program handed over, kept from its
// WM_COPYDATA until the posted kOpenHandedFileMessage opens it. UI thread.
char handedFile[MAX_PATH] = {};

void EnableCommand(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

LRESULT OnCreate(HWND window) {
    CreateStatusBar(window);
    CreateBankListing(window);
    // Files dropped from Explorer come as WM_DROPFILES.
    DragAcceptFiles(window, TRUE);
    if (!StartBackgroundThread()) PostMessageA(window, WM_CLOSE, 0, 0);
    ShowStatus("Ready");
    RefreshBankView();
    return 0;
}

LRESULT OnSize(LPARAM lParam) {
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    int barHeight = 0;
    HWND bar = StatusWindow();
    if (bar != nullptr && IsWindowVisible(bar)) {
        RECT bounds{};
        if (GetWindowRect(bar, &bounds)) barHeight = bounds.bottom - bounds.top;
        MoveWindow(bar, 0, height - barHeight, width, barHeight, TRUE);
        RelayoutStatusBar();
    }
    HWND list = BankListing.load(std::memory_order_acquire);
    if (list != nullptr) MoveWindow(list, 0, 0, width, height - barHeight, TRUE);
    return 0;
}

LRESULT OnClose(HWND window) {
    if (!ConfirmDiscard(window)) return 0;
    if (IsWorkerRunning())
        RequestQuit();
    else
        PostMessageA(window, kWorkerEndedMessage, 0, 0);
    return 0;
}

LRESULT OnWorkerEnded(HWND window) {
    CloseLogWindow();
    DestroyWindow(window);
    return 0;
}

LRESULT OnDestroy(HWND window) {
    DeleteListingFont();
    KillTimer(window, kMainTimerId);
    PostQuitMessage(0);
    return 0;
}

// Menu states are set each time a popup opens. A grayed item also turns its
// accelerator off: the window system sends no WM_COMMAND for it.
bool OnInitMenuPopup(HMENU popup) {
    const bool busy = IsBusy() != 0;
    if (popup == shellHandles.fileMenu) {
        EnableCommand(popup, IDM_OPEN, !busy);
        EnableCommand(popup, IDM_SAVEAS, !busy && BankIsLoaded());
        for (UINT id = IDM_RECENT_FIRST; id <= IDM_RECENT_LAST; ++id)
            EnableCommand(popup, id, !busy);
        return true;
    }
    if (popup == shellHandles.midiMenu) {
        EnableCommand(popup, IDM_TRANSMIT, !busy && BankIsLoaded());
        EnableCommand(popup, IDM_RECEIVE, !busy);
        EnableCommand(popup, IDM_TEST, false);
        EnableCommand(popup, IDM_WATCH, !busy);
        EnableCommand(popup, IDM_OPTIONS, !busy);
        EnableCommand(popup, IDM_STOP, busy);
        return true;
    }
    if (popup == shellHandles.viewMenu) {
        CheckMenuItem(popup, IDM_LOGWINDOW,
                      MF_BYCOMMAND | (IsLogWindowOpen() ? MF_CHECKED : MF_UNCHECKED));
        return true;
    }
    return false;
}

void PostWhenIdle(int32_t command) {
    if (IsBusy() == 0) PostCommand(command);
}

bool OnCommand(HWND window, UINT command) {
    switch (command) {
    case IDM_ABOUT:
        DialogBoxParamA(shellHandles.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc,
                        0);
        return true;
    case IDM_EXIT: PostMessageA(window, WM_CLOSE, 0, 0); return true;
    case IDM_OPEN: OpenBankCommand(window); return true;
    case IDM_SAVEAS: SaveBankCommand(window); return true;
    case IDM_LOGWINDOW:
        if (IsLogWindowOpen())
            CloseLogWindow();
        else
            OpenLogWindow();
        return true;
    case IDM_TRANSMIT:
        PostTransmit();
        return true;
    case IDM_RECEIVE: PostWhenIdle(kCommandReceive); return true;
    case IDM_TEST: PostWhenIdle(kCommandTest); return true;
    case IDM_WATCH: PostWhenIdle(kCommandWatch); return true;
    case IDM_STOP:
        // Always: a new command is what a running operation polls for.
        PostCommand(kCommandStop);
        return true;
    case IDM_OPTIONS:
        DialogBoxParamA(shellHandles.instance, MAKEINTRESOURCEA(IDD_OPTIONS), window,
                        OptionsDialogProc, 0);
        return true;
    case IDM_HELPTOPICS: ShowHelpTopics(window); return true;
    default:
        if (command >= IDM_RECENT_FIRST && command <= IDM_RECENT_LAST) {
            OpenRecentCommand(window, static_cast<int>(command - IDM_RECENT_FIRST));
            return true;
        }
        return false;
    }
}

// Brings the program to the front for a file from outside.
void ComeForward(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

// The first file of a drop opens as File > Open would open it.
LRESULT OnDropFiles(HWND window, WPARAM wParam) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    char path[MAX_PATH] = {};
    const UINT length = DragQueryFileA(drop, 0, path, MAX_PATH);
    DragFinish(drop);
    if (length == 0 || length >= MAX_PATH) return 0;
    ComeForward(window);
    OpenNamedBank(window, path);
    return 0;
}

// Another copy of the program hands over a file to open. The sender waits
// for this answer, so the file is only taken here (after checking what
// arrived) and opened once the posted message comes back: the save prompt
// and the refusal boxes must not keep the other copy waiting.
LRESULT OnCopyData(HWND window, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->dwData != kOpenFileCopyData || data->lpData == nullptr ||
        data->cbData < 2 || data->cbData > sizeof handedFile)
        return FALSE;
    const auto* bytes = static_cast<const char*>(data->lpData);
    if (bytes[data->cbData - 1] != '\0' || std::strlen(bytes) + 1 != data->cbData) return FALSE;
    std::memcpy(handedFile, bytes, data->cbData);
    PostMessageA(window, kOpenHandedFileMessage, 0, 0);
    return TRUE;
}

LRESULT OnOpenHandedFile(HWND window) {
    char path[MAX_PATH];
    std::memcpy(path, handedFile, sizeof path);
    handedFile[0] = '\0';
    if (path[0] == '\0') return 0;
    ComeForward(window);
    OpenNamedBank(window, path);
    return 0;
}

// The window moved to a monitor of another DPI (or the DPI changed): take
// the size Windows suggests, then scale the listing's font and the status
// bar's panes to the new DPI.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT dpi = HIWORD(wParam);
    ScaleStatusBar(dpi);
    ScaleListingFont(dpi);
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

bool OnTransferComplete(HWND window, WPARAM result) {
    if (result == kReceiveSucceeded) CommitReceivedBank();
    MessageId message{};
    switch (result) {
    case kReceiveSucceeded: message = MessageId::BankReceived; break;
    case kReceiveFailed:
    case kTransmitFailed: message = MessageId::OperationFailed; break;
    case kTransmitSucceeded: message = MessageId::BankTransmitted; break;
    default: return false;
    }
    ShowMessage(window, message, MB_ICONEXCLAMATION);
    return true;
}

}  // namespace

void SetMainWindowRunner(OperationRunner runner) { SetOperationRunner(runner, &transferJob); }

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VEXA));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_SIZE: return OnSize(lParam);
    case WM_CLOSE: return OnClose(window);
    case kWorkerEndedMessage: return OnWorkerEnded(window);
    case WM_DESTROY: return OnDestroy(window);
    case WM_QUERYENDSESSION: return 1;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0 && OnInitMenuPopup(reinterpret_cast<HMENU>(wParam))) return 0;
        break;
    case WM_MENUSELECT: return ShowMenuHelp(wParam, lParam);
    case WM_COMMAND:
        if (OnCommand(window, LOWORD(wParam))) return 0;
        break;
    case TransferCompleteMessage:
        if (OnTransferComplete(window, wParam)) return 0;
        break;
    case kPaneTextMessage: return OnPaneTextMessage(wParam, lParam);
    case kProgressMessage: return OnProgressMessage(wParam, lParam);
    case WM_DROPFILES: return OnDropFiles(window, wParam);
    case WM_COPYDATA: return OnCopyData(window, lParam);
    case kOpenHandedFileMessage: return OnOpenHandedFile(window);
    case kWmDpiChanged: return OnDpiChanged(window, wParam, lParam);
    case kRefreshBankViewMessage: return OnRefreshBankViewMessage();
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
