// The Library window. Its list view holds no items of its own (owner data):
// it asks for each cell as it draws, and the lines come from LibraryRows,
// which loads the sounds from the index as they are shown. The window never
// writes the index and never reads a bank file: the commands it calls do.
// Everything here runs on the UI thread, which owns the window, its
// connection and its lines.
#include "app/win32/library_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/core/library/library_rows.h"
#include "app/view/cp437.h"
#include "app/win32/audition_command.h"
#include "app/win32/library_commands.h"
#include "app/win32/listing_view.h"
#include "app/win32/main_window_state.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"

namespace {

// kLibraryWindowClass, for the wide calls.
constexpr wchar_t kClassName[] = L"VexaLibrary";
constexpr UINT_PTR kWatchTimerId = 1;
// How often the window asks whether the index changed (an update running
// beside it commits every second or so) and whether a tone can be heard.
constexpr UINT kWatchPeriodMs = 400;
constexpr int kLooksWhileUpdating = 5;
// Lines loaded at a time when the list asks for one not loaded yet.
constexpr size_t kLoadAhead = 64;
constexpr UINT_PTR kAuditionTipId = 1;

// Sizes designed at 96 DPI.
constexpr int kWidth = 760;
constexpr int kHeight = 440;
constexpr std::array<int, kLibraryColumnCount> kColumnWidths = {210, 50, 270, 45, 45, 55};
constexpr int kButtonWidth = 90;

struct LibraryWindow {
    HWND window = nullptr;
    HWND main = nullptr;
    HWND label = nullptr;
    HWND search = nullptr;
    HWND audition = nullptr;
    HWND list = nullptr;
    HWND count = nullptr;
    HWND copy = nullptr;
    HWND open = nullptr;
    HWND tooltip = nullptr;
    HWND lastFocus = nullptr;
    HMENU soundMenu = nullptr;
    HFONT font = nullptr;
    int lineHeight = 16;
    LibraryConnection connection;
    LibraryRows rows;
    // Why the index cannot be read, shown in place of the count.
    std::string problem;
    // The index was locked by another program when the window opened: it
    // is opened again at the next look.
    bool openAgain = false;
    // Said once the window shows (a damaged index moved aside).
    std::string notice;
    // Looks at the index since the lines were last read again.
    int looks = 0;
    std::wstring tip;
    bool dragging = false;
    LibraryLine dragged;
    // Set while the window is made, so its opener knows who owns this.
    bool* adopted = nullptr;
};

LibraryWindow* DataOf(HWND window) {
    return reinterpret_cast<LibraryWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// ---- Text ----

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            size);
    return wide;
}

// Sound names are the listing's code page 437 bytes.
std::wstring FromCp437(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text) wide.push_back(static_cast<wchar_t>(Cp437ToUtf16(static_cast<uint8_t>(c))));
    return wide;
}

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                            size, nullptr, nullptr);
    return text;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

int Scaled(const LibraryWindow& data, int size) {
    const UINT dpi = WindowDpi(data.window);
    return MulDiv(size, dpi != 0 ? static_cast<int>(dpi) : 96, 96);
}

// ---- The lines and the selection ----

size_t LineCount(const LibraryWindow& data) { return data.rows.lines.size(); }

const LibraryLine* LineAt(const LibraryWindow& data, int index) {
    if (index < 0 || static_cast<size_t>(index) >= LineCount(data)) return nullptr;
    return &data.rows.lines[static_cast<size_t>(index)];
}

std::vector<int> SelectedIndexes(const LibraryWindow& data) {
    std::vector<int> selected;
    int at = -1;
    while ((at = ListView_GetNextItem(data.list, at, LVNI_SELECTED)) >= 0) selected.push_back(at);
    return selected;
}

// The line the Sound commands act on: the focused one when it is selected,
// else the first selected; -1 for none.
int CurrentIndex(const LibraryWindow& data) {
    const int focused = ListView_GetNextItem(data.list, -1, LVNI_FOCUSED);
    if (focused >= 0 && ListView_GetItemState(data.list, focused, LVIS_SELECTED) != 0)
        return focused;
    return ListView_GetNextItem(data.list, -1, LVNI_SELECTED);
}

void EnsureLoaded(LibraryWindow& data, int first, int last) {
    if (first < 0 || last < first) return;
    LoadLines(data.connection, data.rows, static_cast<size_t>(first), static_cast<size_t>(last));
}

bool PlaceOf(LibraryWindow& data, int index, SoundPlace& place, SoundKind& kind) {
    const LibraryLine* line = LineAt(data, index);
    if (line == nullptr) return false;
    EnsureLoaded(data, index, index);
    return LinePlace(data.rows, *line, place, kind);
}

// A line is known by its sound and place, which stay the same when the lines
// around it come and go.
struct LineKey {
    int64_t sound;
    int32_t place;
    bool operator==(const LineKey&) const = default;
};
struct LineKeyHash {
    size_t operator()(const LineKey& key) const {
        return std::hash<int64_t>()(key.sound) * 31 + static_cast<size_t>(key.place);
    }
};

struct KeptSelection {
    std::unordered_set<LineKey, LineKeyHash> selected;
    LineKey focused{0, -2};
    int focusedIndex = -1;
};

KeptSelection KeepSelection(const LibraryWindow& data) {
    KeptSelection kept;
    for (const int index : SelectedIndexes(data)) {
        const LibraryLine* line = LineAt(data, index);
        if (line != nullptr) kept.selected.insert({line->sound, line->place});
    }
    kept.focusedIndex = ListView_GetNextItem(data.list, -1, LVNI_FOCUSED);
    if (const LibraryLine* line = LineAt(data, kept.focusedIndex))
        kept.focused = {line->sound, line->place};
    return kept;
}

void UpdateCount(LibraryWindow& data) {
    std::string text = data.problem.empty() ? LibraryCountText(data.rows) : data.problem;
    if (data.problem.empty() && LibraryUpdateRunning(data.main))
        text += "; reading the library folders...";
    SetWindowTextW(data.count, FromUtf8(text).c_str());
}

void UpdateAudition(LibraryWindow& data);

// Gives the list the new lines and selects again what was selected. When
// the user caused the change the focused line is scrolled into view; a
// change the index made by itself leaves the list where the user put it.
void ShowLines(LibraryWindow& data, const KeptSelection& kept, bool scroll) {
    const auto count = static_cast<int>(LineCount(data));
    ListView_SetItemCountEx(data.list, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    ListView_SetItemState(data.list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    int focus = -1;
    for (int i = 0; i < count; ++i) {
        const LibraryLine& line = data.rows.lines[static_cast<size_t>(i)];
        const LineKey key{line.sound, line.place};
        if (!kept.selected.empty() && kept.selected.count(key) != 0)
            ListView_SetItemState(data.list, i, LVIS_SELECTED, LVIS_SELECTED);
        if (key == kept.focused) focus = i;
    }
    if (focus < 0 && count > 0 && kept.focusedIndex >= 0)
        focus = std::min(kept.focusedIndex, count - 1);
    if (focus >= 0) {
        ListView_SetItemState(data.list, focus, LVIS_FOCUSED, LVIS_FOCUSED);
        if (scroll) ListView_EnsureVisible(data.list, focus, FALSE);
    }
    InvalidateRect(data.list, nullptr, FALSE);
    UpdateCount(data);
    UpdateAudition(data);
}

void Search(LibraryWindow& data, bool scroll) {
    if (!data.connection.IsOpen()) return;
    const KeptSelection kept = KeepSelection(data);
    if (SearchRows(data.connection, data.rows) != LibraryStatus::kOk) {
        data.problem = "The library cannot be read now; it is tried again shortly.";
    } else {
        data.problem.clear();
    }
    ShowLines(data, kept, scroll);
}

void ShowSortArrow(const LibraryWindow& data) {
    HWND header = ListView_GetHeader(data.list);
    for (size_t c = 0; c < kLibraryColumnCount; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, c, reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (static_cast<size_t>(data.rows.sort.column) == c)
            item.fmt |= data.rows.sort.descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, c, reinterpret_cast<LPARAM>(&item));
    }
}

// Folds or unfolds the sounds of the given lines: all of them unfold
// unless the first is unfolded already, which folds them all.
void SetShowCopies(LibraryWindow& data, const std::vector<int>& indexes) {
    std::vector<int64_t> sounds;
    for (const int index : indexes)
        if (const LibraryLine* line = LineAt(data, index)) sounds.push_back(line->sound);
    if (sounds.empty()) return;
    const bool unfold = data.rows.expanded.count(sounds.front()) == 0;
    const KeptSelection kept = KeepSelection(data);
    bool any = false;
    for (const int64_t sound : sounds) {
        bool changed = false;
        SetExpanded(data.connection, data.rows, sound, unfold, changed);
        any = any || changed;
    }
    if (any) ShowLines(data, kept, true);
}

// ---- The Sound commands ----

void OpenBank(LibraryWindow& data) {
    SoundPlace place;
    SoundKind kind{};
    if (!PlaceOf(data, CurrentIndex(data), place, kind)) return;
    OpenLibrarySoundCommand(data.main, place, kind);
}

void Copy(LibraryWindow& data) {
    const std::vector<int> selected = SelectedIndexes(data);
    if (selected.empty()) return;
    // One load for the whole run rather than one per line.
    EnsureLoaded(data, selected.front(), selected.back());
    std::vector<SoundPlace> places;
    for (const int index : selected) {
        SoundPlace place;
        SoundKind kind{};
        if (PlaceOf(data, index, place, kind)) places.push_back(std::move(place));
    }
    if (!places.empty()) CopyLibrarySoundsCommand(data.main, places);
}

void Audition(LibraryWindow& data) {
    SoundPlace place;
    SoundKind kind{};
    if (!PlaceOf(data, CurrentIndex(data), place, kind)) return;
    // The button and the menu item are gray when it cannot be heard; Space
    // comes anyway, and the command says why itself.
    AuditionLibrarySound(data.main, place);
}

// Why the current line cannot be heard now, or "" when it can.
std::string AuditionBlock(LibraryWindow& data) {
    SoundPlace place;
    SoundKind kind{};
    if (!PlaceOf(data, CurrentIndex(data), place, kind)) return "Select a tone to hear it.";
    return AuditionRefusal(data.main, kind == SoundKind::kPatch ? AuditionSound::Patch
                                                                : AuditionSound::Tone);
}

void UpdateAudition(LibraryWindow& data) {
    const std::string refusal = AuditionBlock(data);
    // A button grayed under the focus would take the keys with it.
    if (!refusal.empty() && GetFocus() == data.audition) SetFocus(data.list);
    EnableWindow(data.audition, refusal.empty() ? TRUE : FALSE);
    const std::wstring tip =
        refusal.empty() ? L"Hear the selected tone on the synthesizer without changing its memory "
                          L"(Space)."
                        : FromUtf8(refusal);
    if (tip == data.tip || data.tooltip == nullptr) return;
    data.tip = tip;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = data.window;
    tool.uId = kAuditionTipId;
    tool.lpszText = data.tip.data();
    SendMessageW(data.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void EnableItem(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void UpdateMenus(LibraryWindow& data, HMENU popup) {
    const int current = CurrentIndex(data);
    const bool one = current >= 0;
    EnableItem(popup, kLibraryOpenBank, one);
    EnableItem(popup, kLibraryCopy, one);
    EnableItem(popup, kLibraryAudition, AuditionBlock(data).empty());
    EnableItem(popup, kLibraryShowCopies, one);
    const LibraryLine* line = LineAt(data, current);
    const bool shown = line != nullptr && data.rows.expanded.count(line->sound) != 0;
    CheckMenuItem(popup, kLibraryShowCopies, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
    EnableItem(popup, kLibraryUpdateNow, !LibraryUpdateRunning(data.main));
}

// The commands show boxes and dialogs; while one is up the main window can
// close, and this window and its data with it. So nothing of `data` is used
// after a command returns unless the window is still there.
void RunCommand(LibraryWindow& data, UINT command) {
    const HWND window = data.window;
    switch (command) {
    case kLibraryAddFolder: AddLibraryFolderCommand(data.window, data.main); break;
    case kLibraryRemoveFolder: RemoveLibraryFolderCommand(data.window, data.main); break;
    case kLibraryUpdateNow: StartLibraryUpdate(data.main); break;
    case kLibraryNotSounds: ShowNotSoundsCommand(data.window, data.main); break;
    case kLibraryClose: PostMessageW(data.window, WM_CLOSE, 0, 0); return;
    case kLibraryOpenBank: OpenBank(data); break;
    case kLibraryCopy: Copy(data); break;
    case kLibraryAudition: Audition(data); break;
    case kLibraryShowCopies: SetShowCopies(data, SelectedIndexes(data)); break;
    default: return;
    }
    // A folder added or removed shows at the next look at the index; the
    // count says at once that an update runs.
    if (LibraryWindow* still = IsWindow(window) ? DataOf(window) : nullptr) UpdateCount(*still);
}

// ---- Making the window ----

struct MenuEntry {
    UINT command;  // 0: a separator
    const wchar_t* text;
};

constexpr std::array<MenuEntry, 6> kLibraryMenu = {{
    {kLibraryAddFolder, L"&Add Folder..."},
    {kLibraryRemoveFolder, L"&Remove Folder..."},
    {kLibraryUpdateNow, L"&Update Now"},
    {kLibraryNotSounds, L"&Not Sounds..."},
    {0, nullptr},
    {kLibraryClose, L"&Close\tEsc"},
}};
constexpr std::array<MenuEntry, 4> kSoundMenu = {{
    {kLibraryOpenBank, L"&Open Bank\tEnter"},
    {kLibraryCopy, L"&Copy\tCtrl+C"},
    {kLibraryAudition, L"&Audition\tSpace"},
    {kLibraryShowCopies, L"Show Co&pies\tRight"},
}};

template <size_t N>
HMENU MakePopup(const std::array<MenuEntry, N>& entries) {
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) return nullptr;
    for (const MenuEntry& entry : entries) {
        if (entry.command == 0)
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(popup, MF_STRING, entry.command, entry.text);
    }
    return popup;
}

HMENU MakeMenuBar(HMENU& soundMenu) {
    HMENU bar = CreateMenu();
    HMENU library = MakePopup(kLibraryMenu);
    soundMenu = MakePopup(kSoundMenu);
    if (bar == nullptr || library == nullptr || soundMenu == nullptr) {
        if (bar != nullptr) DestroyMenu(bar);
        if (library != nullptr) DestroyMenu(library);
        if (soundMenu != nullptr) DestroyMenu(soundMenu);
        soundMenu = nullptr;
        return nullptr;
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(library), L"&Library");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(soundMenu), L"&Sound");
    return bar;
}

HWND MakeChild(LibraryWindow& data, DWORD exStyle, const wchar_t* className, const wchar_t* text,
               DWORD style, int id) {
    HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                                 0, data.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(data.window, GWLP_HINSTANCE)),
                                 nullptr);
    if (child != nullptr && data.font != nullptr)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(data.font), FALSE);
    return child;
}

// The message font of the system, at the window's DPI.
HFONT MakeFont(LibraryWindow& data) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    HDC screen = GetDC(nullptr);
    const int screenDpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    const UINT dpi = WindowDpi(data.window);
    if (dpi != 0 && screenDpi > 0)
        metrics.lfMessageFont.lfHeight =
            MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), screenDpi);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (font == nullptr) return nullptr;
    if (HDC dc = GetDC(data.window)) {
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICW text{};
        if (GetTextMetricsW(dc, &text) && text.tmHeight > 0) data.lineHeight = text.tmHeight;
        SelectObject(dc, previous);
        ReleaseDC(data.window, dc);
    }
    return font;
}

void MakeColumns(LibraryWindow& data) {
    for (size_t c = 0; c < kLibraryColumnCount; ++c) {
        const std::wstring title = FromUtf8(kLibraryColumnTitles[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        const auto which = static_cast<LibraryColumn>(c);
        const bool number = which == LibraryColumn::kBank || which == LibraryColumn::kCopies;
        column.fmt = number ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scaled(data, kColumnWidths[c]);
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.iSubItem = static_cast<int>(c);
        // The wide message by name: the macro picks the ANSI one in this
        // program, which would read the title as one letter.
        SendMessageW(data.list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
}

RECT ChildRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The tip of the Audition button is the parent's, over the button's place:
// a disabled button gets no mouse messages, its parent does, and the tip
// is what says why it is gray.
void MakeTooltip(LibraryWindow& data) {
    data.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, data.window, nullptr,
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(data.window, GWLP_HINSTANCE)),
                                   nullptr);
    if (data.tooltip == nullptr) return;
    data.tip = L"Select a tone to hear it.";
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = data.window;
    tool.uId = kAuditionTipId;
    tool.rect = ChildRect(data.audition);
    tool.lpszText = data.tip.data();
    SendMessageW(data.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(data.tooltip, TTM_SETMAXTIPWIDTH, 0, Scaled(data, 360));
}

void Layout(LibraryWindow& data) {
    RECT client{};
    GetClientRect(data.window, &client);
    const int margin = data.lineHeight / 2;
    const int row = data.lineHeight + data.lineHeight * 3 / 4;
    const int button = Scaled(data, kButtonWidth);
    const int width = client.right;
    const int height = client.bottom;
    const int label = Scaled(data, 44);
    MoveWindow(data.label, margin, margin + (row - data.lineHeight) / 2, label, data.lineHeight,
               TRUE);
    MoveWindow(data.search, margin + label, margin, std::max(0, width - 3 * margin - label - button),
               row, TRUE);
    MoveWindow(data.audition, width - margin - button, margin, button, row, TRUE);
    const int listTop = 2 * margin + row;
    const int bottom = height - margin - row;
    MoveWindow(data.list, margin, listTop, std::max(0, width - 2 * margin),
               std::max(0, bottom - margin - listTop), TRUE);
    MoveWindow(data.open, width - margin - button, bottom, button, row, TRUE);
    MoveWindow(data.copy, width - 2 * (margin + button), bottom, button, row, TRUE);
    MoveWindow(data.count, margin, bottom + (row - data.lineHeight) / 2,
               std::max(0, width - 4 * margin - 2 * button), data.lineHeight, TRUE);
    if (data.tooltip != nullptr) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = data.window;
        tool.uId = kAuditionTipId;
        tool.rect = ChildRect(data.audition);
        SendMessageW(data.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void OpenIndex(LibraryWindow& data) {
    const std::string path = LibraryDatabasePath();
    std::string message;
    data.openAgain = false;
    if (path.empty()) {
        data.problem = "There is no place for the library: the user's application data folder is "
                       "not known.";
        return;
    }
    const LibraryStatus status = OpenLibrary(path, data.connection, message);
    if (status != LibraryStatus::kOk) {
        data.problem = message;
        data.openAgain = status == LibraryStatus::kLocked;
        return;
    }
    data.problem.clear();
    // A damaged index was moved aside and made anew: the update that
    // starts with the window reads the folders again.
    data.notice = message;
}

LRESULT OnCreate(LibraryWindow& data) {
    data.font = MakeFont(data);
    data.label = MakeChild(data, 0, L"STATIC", L"Find:", SS_LEFT, -1);
    data.search = MakeChild(data, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                            kLibrarySearchId);
    data.audition = MakeChild(data, 0, L"BUTTON", L"Audition", WS_TABSTOP | BS_PUSHBUTTON,
                              kLibraryAudition);
    data.list = MakeChild(data, WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                          kLibraryListId);
    data.copy = MakeChild(data, 0, L"BUTTON", L"Copy", WS_TABSTOP | BS_PUSHBUTTON, kLibraryCopy);
    data.open = MakeChild(data, 0, L"BUTTON", L"Open Bank", WS_TABSTOP | BS_PUSHBUTTON,
                          kLibraryOpenBank);
    data.count = MakeChild(data, 0, L"STATIC", L"", SS_LEFT | SS_ENDELLIPSIS, kLibraryCountId);
    if (data.search == nullptr || data.list == nullptr || data.audition == nullptr) return -1;
    ListView_SetExtendedListViewStyle(data.list, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                                                     LVS_EX_DOUBLEBUFFER);
    MakeColumns(data);
    MakeTooltip(data);
    ShowSortArrow(data);
    Layout(data);

    OpenIndex(data);
    StartLibraryUpdate(data.main);
    Search(data, true);
    SetTimer(data.window, kWatchTimerId, kWatchPeriodMs, nullptr);
    data.lastFocus = data.search;
    return 0;
}

// The index moved: the same search again, the selection kept.
void OnWatchTimer(LibraryWindow& data) {
    if (!data.connection.IsOpen() && data.openAgain) {
        OpenIndex(data);
        if (data.connection.IsOpen()) Search(data, false);
    }
    if (!data.connection.IsOpen()) {
        UpdateCount(data);
        return;
    }
    int64_t version = 0;
    const bool read = ReadDataVersion(data.connection, version) == LibraryStatus::kOk;
    // While an update commits every second, reading a large index's keys
    // again at each commit would keep the window busy: then every few
    // looks is often enough. A search that failed (the index was busy) is
    // tried again.
    ++data.looks;
    const bool due = data.looks >= kLooksWhileUpdating || !LibraryUpdateRunning(data.main);
    if (read && due && (version != data.rows.dataVersion || !data.problem.empty())) {
        data.looks = 0;
        Search(data, false);
        return;
    }
    UpdateCount(data);
    UpdateAudition(data);
}

// ---- The list's notifications ----

void FillCell(LibraryWindow& data, LVITEMW& item) {
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    item.pszText[0] = L'\0';
    const LibraryLine* line = LineAt(data, item.iItem);
    if (line == nullptr || item.iSubItem < 0 ||
        static_cast<size_t>(item.iSubItem) >= kLibraryColumnCount)
        return;
    if (data.rows.sounds.count(line->sound) == 0)
        EnsureLoaded(data, item.iItem, item.iItem + static_cast<int>(kLoadAhead));
    const auto column = static_cast<LibraryColumn>(item.iSubItem);
    const std::string text = LibraryCellText(data.rows, *line, column);
    const std::wstring wide = column == LibraryColumn::kName ? FromCp437(text) : FromUtf8(text);
    const size_t kept = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(wide.begin(), kept, item.pszText);
    item.pszText[kept] = L'\0';
}

// A click on the "+" or "-" before a sound's names folds or unfolds it.
bool OnExpanderClick(LibraryWindow& data, const NMITEMACTIVATE& click) {
    const LibraryLine* line = LineAt(data, click.iItem);
    if (line == nullptr || line->place >= 0 || click.iSubItem != 0) return false;
    const auto sound = data.rows.sounds.find(line->sound);
    if (sound == data.rows.sounds.end() || sound->second.copies < 2) return false;
    RECT label{};
    if (!ListView_GetItemRect(data.list, click.iItem, &label, LVIR_LABEL)) return false;
    SIZE sign{};
    if (HDC dc = GetDC(data.list)) {
        HGDIOBJ previous = SelectObject(dc, data.font);
        GetTextExtentPoint32W(dc, L"+ ", 2, &sign);
        SelectObject(dc, previous);
        ReleaseDC(data.list, dc);
    }
    // The list view leaves a few pixels before the text.
    if (click.ptAction.x >= label.left + sign.cx + Scaled(data, 8)) return false;
    SetShowCopies(data, {click.iItem});
    return true;
}

void BeginDrag(LibraryWindow& data, int index) {
    const LibraryLine* line = LineAt(data, index);
    if (line == nullptr) return;
    data.dragged = *line;
    data.dragging = true;
    SetCapture(data.window);
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32648)));  // IDC_NO until over a slot
}

bool SlotUnderCursor(const LibraryWindow& data, Slot& slot) {
    const AppState* state = MainWindowState(data.main);
    POINT point{};
    return state != nullptr && GetCursorPos(&point) &&
           SlotAtScreenPoint(state->document, point, slot);
}

void EndDrag(LibraryWindow& data, bool drop) {
    if (!data.dragging) return;
    data.dragging = false;
    Slot slot;
    const bool onSlot = drop && SlotUnderCursor(data, slot);
    if (GetCapture() == data.window) ReleaseCapture();
    if (!onSlot) return;
    SoundPlace place;
    SoundKind kind{};
    if (data.rows.sounds.count(data.dragged.sound) == 0) {
        std::vector<int64_t> id = {data.dragged.sound};
        std::vector<LibrarySound> loaded;
        if (LoadLibrarySounds(data.connection, id, loaded) == LibraryStatus::kOk && !loaded.empty())
            data.rows.sounds.insert_or_assign(loaded.front().id, loaded.front());
    }
    if (LinePlace(data.rows, data.dragged, place, kind))
        PasteLibrarySoundAt(data.main, place, kind, slot);
}

LRESULT OnListNotify(LibraryWindow& data, NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW: FillCell(data, reinterpret_cast<NMLVDISPINFOW&>(header).item); return 0;
    case LVN_ODCACHEHINT: {
        const auto& hint = reinterpret_cast<NMLVCACHEHINT&>(header);
        EnsureLoaded(data, hint.iFrom, hint.iTo);
        return 0;
    }
    case LVN_ODFINDITEMW: return -1;
    case LVN_COLUMNCLICK: {
        const auto& click = reinterpret_cast<NMLISTVIEW&>(header);
        if (click.iSubItem < 0 || static_cast<size_t>(click.iSubItem) >= kLibraryColumnCount)
            return 0;
        data.rows.sort =
            SortAfterClick(data.rows.sort, static_cast<LibraryColumn>(click.iSubItem));
        ShowSortArrow(data);
        Search(data, true);
        return 0;
    }
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED: UpdateAudition(data); return 0;
    case NM_CLICK: OnExpanderClick(data, reinterpret_cast<NMITEMACTIVATE&>(header)); return 0;
    case NM_DBLCLK: {
        // Posted: the open's boxes must not run inside the list's own
        // handling of the click.
        const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
        if (LineAt(data, click.iItem) != nullptr)
            PostMessageW(data.window, WM_COMMAND, kLibraryOpenBank, 0);
        return 0;
    }
    case LVN_BEGINDRAG: BeginDrag(data, reinterpret_cast<NMLISTVIEW&>(header).iItem); return 0;
    default: return 0;
    }
}

void OnContextMenu(LibraryWindow& data, HWND from, LPARAM lParam) {
    if (from != data.list || data.soundMenu == nullptr) return;
    const int current = CurrentIndex(data);
    if (current < 0) return;
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        // From the keyboard (the menu key, Shift+F10): under the line.
        ListView_EnsureVisible(data.list, current, FALSE);
        RECT line{};
        ListView_GetItemRect(data.list, current, &line, LVIR_LABEL);
        point = {line.left + data.lineHeight, line.bottom};
        ClientToScreen(data.list, &point);
    }
    TrackPopupMenu(data.soundMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0,
                   data.window, nullptr);
}

// Right on a folded sound unfolds it; Left folds it, or from one of its
// places goes up to the sound.
bool OnFoldKey(LibraryWindow& data, WPARAM key) {
    const int current = CurrentIndex(data);
    const LibraryLine* line = LineAt(data, current);
    if (line == nullptr) return false;
    const bool unfolded = data.rows.expanded.count(line->sound) != 0;
    if (key == VK_RIGHT) {
        if (line->place < 0 && !unfolded) SetShowCopies(data, {current});
        return true;
    }
    if (line->place >= 0) {
        const int64_t up = LineOfSound(data.rows, line->sound);
        ListView_SetItemState(data.list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(data.list, static_cast<int>(up), LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(data.list, static_cast<int>(up), FALSE);
        return true;
    }
    if (unfolded) SetShowCopies(data, {current});
    return true;
}

LRESULT CALLBACK LibraryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* data = static_cast<LibraryWindow*>(creation->lpCreateParams);
        data->window = window;
        if (data->adopted != nullptr) *data->adopted = true;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    }
    LibraryWindow* data = DataOf(window);
    if (data == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return OnCreate(*data);
    case WM_SIZE: Layout(*data); return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {Scaled(*data, 420), Scaled(*data, 240)};
        return 0;
    }
    case kWmDpiChanged: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        HFONT font = MakeFont(*data);
        if (font != nullptr) {
            for (HWND child : {data->label, data->search, data->audition, data->list, data->copy,
                               data->open, data->count})
                SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            if (data->font != nullptr) DeleteObject(data->font);
            data->font = font;
        }
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_ACTIVATE:
        // The focus comes back to the control that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) data->lastFocus = focus;
        } else if (data->lastFocus != nullptr && IsWindow(data->lastFocus)) {
            SetFocus(data->lastFocus);
        }
        return 0;
    case WM_TIMER:
        if (wParam == kWatchTimerId) OnWatchTimer(*data);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kLibrarySearchId) {
            if (HIWORD(wParam) == EN_CHANGE) {
                data->rows.text = ToUtf8(WindowText(data->search));
                Search(*data, true);
            }
            return 0;
        }
        RunCommand(*data, LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == data->list) return OnListNotify(*data, *header);
        break;
    }
    case WM_INITMENUPOPUP: UpdateMenus(*data, reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_CONTEXTMENU: OnContextMenu(*data, reinterpret_cast<HWND>(wParam), lParam); return 0;
    case WM_MOUSEMOVE:
        if (data->dragging) {
            Slot slot;
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(SlotUnderCursor(*data, slot) ? 32512
                                                                                        : 32648)));
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (data->dragging) {
            EndDrag(*data, true);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED: data->dragging = false; return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: KillTimer(window, kWatchTimerId); return 0;
    case WM_NCDESTROY: {
        // The children are gone by now, and with them the last use of the
        // font; the connection closes with the data.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (data->font != nullptr) DeleteObject(data->font);
        delete data;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterLibraryClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kClassName, &existing)) return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = LibraryWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = reinterpret_cast<HICON>(GetClassLongPtrW(MainWindowHandle(), GCLP_HICON));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

// Keys of the list and the search field that the window acts on itself.
bool OnKey(LibraryWindow& data, const MSG& message) {
    const WPARAM key = message.wParam;
    // A key goes to the control with the focus.
    const HWND focus = message.hwnd;
    const bool inList = focus == data.list;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_TAB: {
        if (control) return false;
        HWND next = GetNextDlgTabItem(data.window, focus, GetKeyState(VK_SHIFT) < 0);
        if (next != nullptr) SetFocus(next);
        if (next == data.search) SendMessageW(data.search, EM_SETSEL, 0, -1);
        return true;
    }
    case VK_ESCAPE:
        if (data.dragging) {
            EndDrag(data, false);
        } else {
            PostMessageW(data.window, WM_CLOSE, 0, 0);
        }
        return true;
    case VK_RETURN: {
        char name[16] = {};
        if (focus != nullptr && GetClassNameA(focus, name, sizeof name) > 0 &&
            lstrcmpiA(name, "Button") == 0) {
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
        if (inList || focus == data.search) {
            OpenBank(data);
            return true;
        }
        return false;
    }
    case VK_SPACE:
        // Ctrl+Space stays the list's: it adds a line to the selection.
        if (!inList || control) return false;
        Audition(data);
        return true;
    case 'C':
        if (!inList || !control) return false;
        Copy(data);
        return true;
    case 'A':
        if (!inList || !control) return false;
        ListView_SetItemState(data.list, -1, LVIS_SELECTED, LVIS_SELECTED);
        return true;
    case VK_LEFT:
    case VK_RIGHT: return inList && OnFoldKey(data, key);
    case VK_DOWN:
        // From the search field down into the list, at its first line.
        if (focus != data.search || LineCount(data) == 0) return false;
        SetFocus(data.list);
        if (CurrentIndex(data) < 0)
            ListView_SetItemState(data.list, 0, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
        return true;
    default: return false;
    }
}

}  // namespace

HWND FindLibraryWindow(HWND mainWindow) {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, kClassName, nullptr)) != nullptr) {
        if (GetWindow(found, GW_OWNER) == mainWindow) return found;
    }
    return nullptr;
}

void OpenLibraryWindow(HWND mainWindow) {
    if (HWND open = FindLibraryWindow(mainWindow)) {
        if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
        SetForegroundWindow(open);
        return;
    }
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    if (!RegisterLibraryClass(instance)) return;
    auto* data = new (std::nothrow) LibraryWindow;
    if (data == nullptr) return;
    data->main = mainWindow;
    bool adopted = false;
    data->adopted = &adopted;
    HMENU menu = MakeMenuBar(data->soundMenu);
    const UINT dpi = WindowDpi(mainWindow);
    const int scale = dpi != 0 ? static_cast<int>(dpi) : 96;
    HWND window = CreateWindowExW(0, kClassName, L"Library", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, MulDiv(kWidth, scale, 96),
                                  MulDiv(kHeight, scale, 96), mainWindow, menu, instance, data);
    if (window == nullptr) {
        // Made and gone again, the window took its data with it; never
        // made, the data is still ours. The menu was never the window's.
        if (!adopted) delete data;
        if (menu != nullptr) DestroyMenu(menu);
        return;
    }
    data->adopted = nullptr;
    ShowWindow(window, SW_SHOWNORMAL);
    SetFocus(data->search);
    // Taken out first: the window, and its data, may be gone once the box is.
    const std::wstring notice = FromUtf8(data->notice);
    data->notice.clear();
    if (!notice.empty()) MessageBoxW(window, notice.c_str(), L"Library", MB_ICONINFORMATION);
}

bool LibraryWindowMessage(MSG& message) {
    if (message.hwnd == nullptr) return false;
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    wchar_t name[32] = {};
    if (top == nullptr || GetClassNameW(top, name, 32) == 0 || lstrcmpW(name, kClassName) != 0)
        return false;
    LibraryWindow* data = DataOf(top);
    if (data == nullptr) return false;
    if (message.message == WM_KEYDOWN && OnKey(*data, message)) return true;
    // Every other message of the window is its own: the main window's
    // accelerators (Paste, Stop, Undo...) would act on the bank behind it.
    // The loop reads ANSI messages: they are dispatched as such, and the
    // system converts them for this Unicode window.
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}
