// The main window's procedure. Each message goes to one On... handler; the
// handlers decide, the other modules (status bar, listing, log, file flows,
// dialogs, mailbox) act. Runs on the UI thread.
#include "app/win32/main_window.h"

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/shell.h"
#include "app/core/document_transfer.h"
#include "app/win32/about_dialog.h"
#include "app/win32/audition_command.h"
#include "app/win32/edit_commands.h"
#include "app/win32/file_flows.h"
#include "app/win32/hand_over.h"
#include "app/win32/help_command.h"
#include "app/win32/library_commands.h"
#include "app/win32/library_window.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/options_dialog.h"
#include "app/win32/recent_menu.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "app/view/recent_files.h"
#include "transfer/transfer.h"

#include <shellapi.h>

#include <cstring>

namespace {

// A MIDI command goes to the worker with the document and settings it works
// on, copied into the transfer job while the worker is idle.
void PostWithJob(AppState& state, int32_t command) {
    if (IsBusy() != 0) return;
    PrepareTransferJob(state.transferJob, state.document, state.settings);
    PostCommand(command);
}

void Show(const AppState& state) { ShowBankView(state.document, state.settings); }

void EnableCommand(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

LRESULT OnCreate(HWND window, const AppState& state) {
    CreateStatusBar(window);
    HandleListingInput(CreateBankListing(window));
    // Files dropped from Explorer come as WM_DROPFILES.
    DragAcceptFiles(window, TRUE);
    if (!StartBackgroundThread()) PostMessageA(window, WM_CLOSE, 0, 0);
    ShowStatus("Ready");
    Show(state);
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
    HWND list = ListingWindow();
    if (list != nullptr) MoveWindow(list, 0, 0, width, height - barHeight, TRUE);
    return 0;
}

LRESULT OnClose(HWND window, AppState& state) {
    if (!ConfirmClose(window, state, ShowBankView)) return 0;
    EndLibraryUpdates(window);
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
bool OnInitMenuPopup(HMENU popup, const AppState& state) {
    const bool busy = IsBusy() != 0;
    const bool loaded = state.document.loaded;
    if (popup == Handles().fileMenu) {
        EnableCommand(popup, IDM_NEW_M16C, !busy);
        EnableCommand(popup, IDM_NEW_M64C, !busy);
        EnableCommand(popup, IDM_OPEN, !busy);
        EnableCommand(popup, IDM_SAVEAS, !busy && loaded);
        for (UINT id = IDM_RECENT_FIRST; id <= IDM_RECENT_LAST; ++id)
            EnableCommand(popup, id, !busy);
        return true;
    }
    if (popup == Handles().editMenu) {
        UpdateEditMenu(popup, state, busy);
        return true;
    }
    if (popup == Handles().midiMenu) {
        EnableCommand(popup, IDM_TRANSMIT, !busy && loaded);
        EnableCommand(popup, IDM_RECEIVE, !busy);
        EnableCommand(popup, IDM_TEST, false);
        EnableCommand(popup, IDM_WATCH, !busy);
        EnableCommand(popup, IDM_OPTIONS, !busy);
        EnableCommand(popup, IDM_STOP, busy);
        UpdateAuditionItem(popup, state, busy);
        return true;
    }
    if (popup == Handles().viewMenu) {
        CheckMenuItem(popup, IDM_LOGWINDOW,
                      MF_BYCOMMAND | (IsLogWindowOpen() ? MF_CHECKED : MF_UNCHECKED));
        return true;
    }
    return false;
}

bool OnCommand(HWND window, UINT command, AppState& state) {
    switch (command) {
    case IDM_ABOUT:
        DialogBoxParamA(Handles().instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc,
                        0);
        return true;
    case IDM_EXIT: PostMessageA(window, WM_CLOSE, 0, 0); return true;
    case IDM_OPEN: OpenBankCommand(window, state, ShowBankView); return true;
    case IDM_NEW_M16C: NewBankCommand(window, state, ShowBankView, kM16CKind); return true;
    case IDM_NEW_M64C: NewBankCommand(window, state, ShowBankView, kM64CKind); return true;
    case IDM_SAVEAS: SaveBankCommand(window, state, ShowBankView); return true;
    case IDM_LOGWINDOW:
        if (IsLogWindowOpen())
            CloseLogWindow();
        else
            OpenLogWindow();
        return true;
    case IDM_TRANSMIT:
        if (state.document.loaded) PostWithJob(state, kCommandTransmit);
        return true;
    case IDM_RECEIVE: PostWithJob(state, kCommandReceive); return true;
    case IDM_TEST: PostWithJob(state, kCommandTest); return true;
    case IDM_WATCH: PostWithJob(state, kCommandWatch); return true;
    case IDM_AUDITION: AuditionSelectionCommand(window, state); return true;
    case IDM_STOP:
        // Always: a new command is what a running operation polls for.
        PostCommand(kCommandStop);
        return true;
    case IDM_OPTIONS:
        // The dialog edits a copy; on OK the view shows the new settings.
        if (EditOptions(window, state.settings)) Show(state);
        return true;
    case IDM_HELPTOPICS: ShowHelpTopics(window); return true;
    case IDM_LIBRARY: OpenLibraryWindow(window); return true;
    default:
        if (RunEditCommand(window, command, state)) return true;
        if (command >= IDM_RECENT_FIRST && command <= IDM_RECENT_LAST) {
            BankPath path{};
            if (RecentBankToOpen(window, static_cast<int>(command - IDM_RECENT_FIRST), path))
                OpenBankCommand(window, state, ShowBankView, path.data());
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

// The first file of a drop opens as File > Open would open it, once no
// other flow is up and no transfer runs.
LRESULT OnDropFiles(HWND window, WPARAM wParam) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    char path[MAX_PATH] = {};
    const UINT length = DragQueryFileA(drop, 0, path, MAX_PATH);
    DragFinish(drop);
    if (length == 0 || length >= MAX_PATH) return 0;
    QueueFileToOpen(window, path);
    return 0;
}

// Another copy of the program hands over a file to open. The sender waits
// for this answer, so the file is only queued here (after checking what
// arrived) and opened once the posted message comes back: the save prompt
// and the refusal boxes must not keep the other copy waiting. The sender
// made the path absolute in its own folder; a relative one would be
// resolved in ours, so it is refused.
LRESULT OnCopyData(HWND window, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->dwData != kOpenFileCopyData || data->lpData == nullptr ||
        data->cbData < 2 || data->cbData > kHandedPathSize)
        return FALSE;
    const auto* bytes = static_cast<const char*>(data->lpData);
    if (bytes[data->cbData - 1] != '\0' || std::strlen(bytes) + 1 != data->cbData) return FALSE;
    if (!IsAbsolutePath(bytes)) {
        LogPrintf("No bank opened from %s: another copy handed over a relative path.\n", bytes);
        return FALSE;
    }
    return QueueFileToOpen(window, bytes) ? TRUE : FALSE;
}

// The oldest waiting file opens when no flow is up and no transfer runs;
// its open is a flow of its own, so files handed over meanwhile wait too.
// Called for the posted message and on each tick of the main timer (which
// is how a file waiting for a transfer opens once it has ended).
LRESULT OnOpenHandedFile(HWND window, AppState& state) {
    char path[kHandedPathSize];
    if (!TakeWaitingFile(path)) return 0;
    const FlowScope flow(window);
    ComeForward(window);
    OpenBankCommand(window, state, ShowBankView, path);
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

bool OnTransferComplete(HWND window, WPARAM result, AppState& state) {
    // Step 3 of the hand-over (transfer.h): the received bank becomes the
    // document's, here and nowhere else.
    if (result == kReceiveSucceeded && CommitReceivedBank(state.transferJob, state.document))
        Show(state);
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

void SetMainWindowRunner(OperationRunner runner, AppState& state) {
    SetOperationRunner(runner, &state.transferJob);
}

HWND CreateMainWindow(HINSTANCE instance, HMENU menu, AppState& state) {
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle,
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance, &state);
}

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
    // The state comes with the window's creation and stays in its window
    // data; the few messages before WM_NCCREATE get default processing.
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        AttachMainWindowState(window, static_cast<AppState*>(creation->lpCreateParams));
    }
    AppState* state = reinterpret_cast<AppState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (state == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return OnCreate(window, *state);
    case WM_SIZE: return OnSize(lParam);
    case WM_CLOSE: {
        const FlowScope flow(window);
        return OnClose(window, *state);
    }
    case kWorkerEndedMessage: return OnWorkerEnded(window);
    case WM_DESTROY: return OnDestroy(window);
    case WM_QUERYENDSESSION: return 1;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0 && OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), *state))
            return 0;
        break;
    case WM_MENUSELECT:
        if (ShowAuditionMenuReason(wParam, *state)) return 0;
        return ShowMenuHelp(wParam, lParam);
    case WM_COMMAND: {
        if (RefuseDuringFlow(LOWORD(wParam))) return 0;
        ClearStatusNote();
        const FlowScope flow(window);
        if (OnCommand(window, LOWORD(wParam), *state)) return 0;
        break;
    }
    case TransferCompleteMessage: {
        const FlowScope flow(window);
        if (OnTransferComplete(window, wParam, *state)) return 0;
        break;
    }
    case kPaneTextMessage: return OnPaneTextMessage(wParam, lParam);
    case kProgressMessage: return OnProgressMessage(wParam, lParam);
    case WM_DROPFILES: return OnDropFiles(window, wParam);
    case WM_COPYDATA: return OnCopyData(window, lParam);
    case kOpenHandedFileMessage: return OnOpenHandedFile(window, *state);
    case WM_TIMER:
        if (wParam == kMainTimerId) return OnOpenHandedFile(window, *state);
        break;
    case kWmDpiChanged: return OnDpiChanged(window, wParam, lParam);
    case kRefreshBankViewMessage: Show(*state); return 0;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_LISTBOX) break;
        measure->itemHeight = static_cast<UINT>(MeasureListingItem());
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_LISTBOX || item->hwndItem != ListingWindow()) break;
        DrawListingItem(*item, state->document);
        return TRUE;
    }
    case WM_SETFOCUS:
        // The keys that move the selection go to the listing.
        if (ListingWindow() != nullptr) SetFocus(ListingWindow());
        return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
