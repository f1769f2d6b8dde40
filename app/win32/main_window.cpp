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
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/options_dialog.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "bank/bank_image.h"

namespace {

bool BankIsLoaded() { return bankLoaded.load(std::memory_order_acquire) != 0; }

void EnableCommand(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

LRESULT OnCreate(HWND window) {
    CreateStatusBar(window);
    CreateBankListing(window);
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
        if (BankIsLoaded()) PostWhenIdle(kCommandTransmit);
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
    case IDM_HELPTOPICS:
        MessageBoxA(window, "Sorry, there is no help available at this time.\n", "Vexa",
                    MB_ICONEXCLAMATION);
        return true;
    default: return false;
    }
}

bool OnTransferComplete(HWND window, WPARAM result) {
    const char* text = nullptr;
    switch (result) {
    case kReceiveSucceeded: text = "Bank successfully received !\n"; break;
    case kReceiveFailed:
    case kTransmitFailed: text = "Operation cancelled or an error occurred !\n"; break;
    case kTransmitSucceeded: text = "Bank successfully transmitted !\n"; break;
    default: return false;
    }
    MessageBoxA(window, text, "Vexa", MB_ICONEXCLAMATION);
    return true;
}

}  // namespace

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
    case kRefreshBankViewMessage: return OnRefreshBankViewMessage();
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
