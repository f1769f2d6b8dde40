// The status bar: the common-controls status window (created through its
// ordinal), the pane layout computed in app/view/status_layout, pane texts and the
// menu help. The record is touched on the UI thread only; the worker's
// pane texts are sent over to it.
#include "app/win32/status_bar.h"

#include <commctrl.h>

#include <atomic>
#include <type_traits>

#include "app/view/scaling.h"
#include "ground/shell.h"
#include "app/win32/shell_win32.h"
#include "app/win32/ui_thread.h"

namespace {

// The three common-controls functions are taken by ordinal from the library
// at run time. Each pointer's type is spelt out here and checked against the
// SDK's own prototype, so a wrong signature fails to compile.
using InitCommonControlsFn = void(WINAPI*)();
using CreateStatusWindowFn = HWND(WINAPI*)(LONG style, LPCSTR text, HWND parent, UINT id);
using MenuHelpFn = void(WINAPI*)(UINT message, WPARAM wParam, LPARAM lParam, HMENU mainMenu,
                                 HINSTANCE instance, HWND status, UINT* ids);
static_assert(std::is_same_v<InitCommonControlsFn, decltype(&InitCommonControls)>);
static_assert(std::is_same_v<CreateStatusWindowFn, decltype(&CreateStatusWindowA)>);
static_assert(std::is_same_v<MenuHelpFn, decltype(&MenuHelp)>);

constexpr WORD kInitCommonControlsOrdinal = 17;
constexpr WORD kCreateStatusWindowOrdinal = 6;
constexpr WORD kMenuHelpOrdinal = 2;

template <typename Fn>
Fn LoadOrdinal(HMODULE module, WORD ordinal) {
    FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

struct CommonControls {
    HMODULE module = nullptr;
    InitCommonControlsFn initCommonControls = nullptr;
    CreateStatusWindowFn createStatusWindow = nullptr;
    MenuHelpFn menuHelp = nullptr;
};
CommonControls commonControls;

constexpr UINT kStatusBarId = 2;
constexpr LONG kStatusBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP;

// Written by CreateStatusBar on the UI thread before the worker starts;
// read by the worker (acquire) to decide where to send its texts.
std::atomic<HWND> statusWindow{nullptr};
StatusBarRecord record;
MenuHelpTable menuHelpIds{};
// The pane widths as configured, at 96 DPI; record.paneWidths holds them
// scaled to the bar's DPI.
std::array<int32_t, kMaxStatusPanes> designWidths{};
int32_t designCount = 0;
UINT barDpi = kDefaultDpi;

// The progress bar, a child of the status window; UI thread only.
HWND progressBar = nullptr;
constexpr UINT kProgressBarId = 4;
constexpr int32_t kProgressBarWidth = 150;  // at 96 DPI

// GetDpiForWindow came with Windows 10 1607; taken at run time so the
// program still starts where it is missing (older Windows, some Wine).
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn LoadGetDpiForWindow() {
    HMODULE user = GetModuleHandleA("user32.dll");
    if (user == nullptr) return nullptr;
    FARPROC proc = GetProcAddress(user, "GetDpiForWindow");
    return reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(proc));
}

// The right end of pane 0, less the progress bar's width, with a small gap
// to the pane's border.
void PlaceProgressBar() {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr || progressBar == nullptr) return;
    RECT pane{};
    if (!SendMessageA(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&pane))) return;
    const int gap = ScaleForDpi(2, barDpi);
    int width = ScaleForDpi(kProgressBarWidth, barDpi);
    const int paneWidth = static_cast<int>(pane.right - pane.left);
    if (width > paneWidth / 2) width = paneWidth / 2;
    MoveWindow(progressBar, pane.right - width - gap, pane.top + gap, width,
               pane.bottom - pane.top - 2 * gap, TRUE);
}

void ApplyProgress(int32_t done, int32_t total) {
    const ProgressBarState state = ProgressFor(done, total);
    if (progressBar == nullptr) return;
    if (!state.visible) {
        ShowWindow(progressBar, SW_HIDE);
        return;
    }
    SendMessageA(progressBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(state.range));
    SendMessageA(progressBar, PBM_SETPOS, static_cast<WPARAM>(state.position), 0);
    if (!IsWindowVisible(progressBar)) {
        PlaceProgressBar();
        ShowWindow(progressBar, SW_SHOWNOACTIVATE);
    }
}

void SendPaneText(HWND bar, int32_t pane, UINT flags) {
    const std::span<const char> text = PaneText(record, pane);
    SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(pane) | flags,
                 reinterpret_cast<LPARAM>(text.data()));
}

// Pane texts on the UI thread: pane 0 is always sent; panes 1..5 only while
// laid out (the next layout shows them).
void StorePaneAndShow(int32_t pane, const char* text) {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr || !StorePaneText(record, pane, text)) return;
    if (pane == 0 || pane < record.laidOutCount) SendPaneText(bar, pane, 0);
}

void SetPaneFromAnyThread(int32_t pane, const char* text) {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr || pane < 0 || pane >= kMaxStatusPanes) return;
    // From the worker the bar's parent stores and shows it on the UI thread.
    RunOnUiThread(bar, GetParent(bar), kPaneTextMessage, static_cast<WPARAM>(pane),
                  reinterpret_cast<LPARAM>(text), [](WPARAM p, LPARAM t) {
                      StorePaneAndShow(static_cast<int32_t>(p), reinterpret_cast<const char*>(t));
                  });
}

}  // namespace

bool InitCommonControlsByOrdinal() {
    if (commonControls.module == nullptr) {
        HMODULE module = LoadLibraryA("comctl32.dll");
        if (module == nullptr) return false;
        commonControls.module = module;
        commonControls.initCommonControls =
            LoadOrdinal<InitCommonControlsFn>(module, kInitCommonControlsOrdinal);
        commonControls.createStatusWindow =
            LoadOrdinal<CreateStatusWindowFn>(module, kCreateStatusWindowOrdinal);
        commonControls.menuHelp = LoadOrdinal<MenuHelpFn>(module, kMenuHelpOrdinal);
    }
    if (commonControls.initCommonControls == nullptr) return false;
    commonControls.initCommonControls();
    return commonControls.createStatusWindow != nullptr && commonControls.menuHelp != nullptr;
}

HWND CreateStatusBar(HWND parent) {
    menuHelpIds = MakeMenuHelpTable(
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Handles().mainMenu)));
    if (record.paneCount == 0) RecordPaneConfiguration(record, 0, nullptr);
    ClearPaneTexts(record);
    if (commonControls.createStatusWindow == nullptr) return nullptr;
    HWND bar = commonControls.createStatusWindow(kStatusBarStyle, "Ready", parent, kStatusBarId);
    statusWindow.store(bar, std::memory_order_release);
    if (bar != nullptr) {
        barDpi = WindowDpi(bar) != 0 ? WindowDpi(bar) : kDefaultDpi;
        // Hidden until a transfer reports its first share; the program runs
        // on without it should it not be created.
        progressBar =
            CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, bar,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarId)),
                            Handles().instance, nullptr);
    }
    return bar;
}

HWND StatusWindow() { return statusWindow.load(std::memory_order_acquire); }

const StatusBarRecord& StatusRecord() { return record; }

int LayoutStatusBar(int32_t count, const int32_t* widths) {
    // Kept at 96 DPI; the record gets them scaled to the bar's DPI.
    designCount = count < 0 ? 0 : (count > kMaxStatusPanes ? kMaxStatusPanes : count);
    std::array<int32_t, kMaxStatusPanes> scaled{};
    for (int32_t i = 0; widths != nullptr && i < designCount; ++i) {
        designWidths[static_cast<size_t>(i)] = widths[i];
        scaled[static_cast<size_t>(i)] = ScaleForDpi(widths[i], barDpi);
    }
    RecordPaneConfiguration(record, count, widths != nullptr ? scaled.data() : nullptr);
    record.laidOutCount = 0;
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr || !IsWindowVisible(bar)) return 0;
    RECT bounds{};
    if (!GetWindowRect(bar, &bounds)) return 0;
    const PaneLayout layout = ComputePaneLayout(record, bounds.right - bounds.left);
    record.laidOutCount = layout.shownPanes;
    std::array<int, kMaxStatusPanes + 1> edges{};
    for (int32_t i = 0; i < layout.partCount(); ++i)
        edges[static_cast<size_t>(i)] = layout.rightEdges[static_cast<size_t>(i)];
    SendMessageA(bar, SB_SETPARTS, static_cast<WPARAM>(layout.partCount()),
                 reinterpret_cast<LPARAM>(edges.data()));
    // The part under the size grip has neither border nor text.
    SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(layout.shownPanes) | SBT_NOBORDERS,
                 reinterpret_cast<LPARAM>(""));
    for (int32_t pane = layout.shownPanes - 1; pane >= 0; --pane) SendPaneText(bar, pane, 0);
    if (progressBar != nullptr && IsWindowVisible(progressBar)) PlaceProgressBar();
    return 0;
}

void RelayoutStatusBar() {
    const std::array<int32_t, kMaxStatusPanes> widths = designWidths;
    LayoutStatusBar(designCount, designCount > 0 ? widths.data() : nullptr);
}

UINT WindowDpi(HWND window) {
    static const GetDpiForWindowFn getDpiForWindow = LoadGetDpiForWindow();
    if (getDpiForWindow == nullptr || window == nullptr) return 0;
    return getDpiForWindow(window);
}

void ScaleStatusBar(UINT dpi) {
    barDpi = dpi != 0 ? dpi : kDefaultDpi;
    HWND bar = statusWindow.load(std::memory_order_acquire);
    // The status window takes its height from its font: a WM_SIZE makes it
    // measure again.
    if (bar != nullptr) SendMessageA(bar, WM_SIZE, 0, 0);
    RelayoutStatusBar();
}

void ShowProgressOnBar(int32_t done, int32_t total) {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr) return;
    // From the worker the bar's parent shows it on the UI thread; the two
    // numbers travel in the message itself.
    RunOnUiThread(bar, GetParent(bar), kProgressMessage, static_cast<WPARAM>(done),
                  static_cast<LPARAM>(total), [](WPARAM d, LPARAM t) {
                      ApplyProgress(static_cast<int32_t>(d), static_cast<int32_t>(t));
                  });
}

LRESULT OnProgressMessage(WPARAM done, LPARAM total) {
    ApplyProgress(static_cast<int32_t>(done), static_cast<int32_t>(total));
    return 0;
}

HWND ProgressWindow() { return progressBar; }

LRESULT OnPaneTextMessage(WPARAM pane, LPARAM text) {
    StorePaneAndShow(static_cast<int32_t>(pane), reinterpret_cast<const char*>(text));
    return 0;
}

void SetStatusPaneText(int pane, const char* text) { SetPaneFromAnyThread(pane, text); }

namespace {
// Written and read on the UI thread only.
bool statusNoteShown = false;
}  // namespace

bool StatusNoteShown() { return statusNoteShown; }

void ShowStatusNote(const char* text) {
    SetStatusPaneText(0, text);
    statusNoteShown = true;
}

void ClearStatusNote() {
    if (!statusNoteShown) return;
    statusNoteShown = false;
    SetStatusPaneText(0, "Ready");
}

void ShowMenuNote(const char* text) {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr) return;
    // The simple mode the menu help uses: the next WM_MENUSELECT, and the
    // menu's closing, put the bar back as the menu help leaves it.
    SendMessageA(bar, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text));
    SendMessageA(bar, SB_SIMPLE, TRUE, 0);
}

int ShowMenuHelp(WPARAM selection, LPARAM menu) {
    HWND bar = statusWindow.load(std::memory_order_acquire);
    if (bar == nullptr || commonControls.menuHelp == nullptr) return 0;
    const uint32_t selectionWord = static_cast<uint32_t>(selection);
    const MenuHelpChoice choice = ChooseMenuHelpPair(
        menuHelpIds, selectionWord, static_cast<uint32_t>(static_cast<uintptr_t>(menu)));
    if (choice.popupFound) {
        // A popup title of the menu bar: its help string is the pair's base
        // id plus the popup's position. The common controls of Wine take the
        // base id alone and show nothing for 0, so the text is put into the
        // bar's simple mode here, the way the common controls do it; they
        // still restore the panes when the menu closes.
        const UINT stringId =
            menuHelpIds[static_cast<size_t>(2 * choice.pairIndex + 1)] + LOWORD(selection);
        char text[kFirstPaneTextSize] = {};
        if (LoadStringA(Handles().instance, stringId, text, static_cast<int>(sizeof text)) <= 0)
            text[0] = '\0';
        SendMessageA(bar, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text));
        SendMessageA(bar, SB_SIMPLE, TRUE, 0);
        return 0;
    }
    HMENU mainMenuArgument =
        reinterpret_cast<HMENU>(static_cast<uintptr_t>(choice.mainMenuArgument));
    commonControls.menuHelp(WM_MENUSELECT, selection, menu, mainMenuArgument, Handles().instance,
                            bar, &menuHelpIds[static_cast<size_t>(2 * choice.pairIndex)]);
    return 0;
}
