// The bank listing in its list box. The lines stay code page 437 bytes, as
// the listing builds them; only the list box sees them as UTF-16, through
// the wide list box messages. The OEM "Terminal" font that would show those
// bytes as box glyphs is missing where the program runs under Wine, and an
// ANSI font shows the box corners as accented letters; a TrueType face with
// box glyphs, given the characters as Unicode, draws them right everywhere.
// The cap, the trailing line feed and the scrolling are app/view/text_lines'.
#include "app/win32/listing_view.h"

#include <array>
#include <cstdarg>
#include <cstring>

#include "app/core/document_edit.h"
#include "app/core/slot_layout.h"
#include "app/view/bank_view.h"
#include "app/view/cp437.h"
#include "app/view/listing.h"
#include "app/view/text_lines.h"
#include "app/win32/list_box_sink.h"
#include "app/win32/status_bar.h"
#include "bank/bank_image.h"

namespace {

// The list box and its font: made on the UI thread while the main window is
// created, before the worker starts; the listing is written on the UI
// thread only.
HWND bankListing = nullptr;
HFONT listingFont = nullptr;

constexpr int kListingId = 3;
constexpr int kListingPoints = 9;
// Pixels between an item's left edge and its text, as the list box itself
// leaves them.
constexpr int kTextMargin = 1;
// The bank last listed: a refresh of the same bank keeps the listing where
// the user scrolled it, another bank starts at its top.
BankId listedBank = 0;
// Fixed-pitch faces with box-drawing glyphs, in order of preference.
constexpr std::array<const char*, 3> kListingFaces = {"Lucida Console", "Courier New",
                                                      "DejaVu Sans Mono"};
char chosenFace[LF_FACESIZE] = {};

int CALLBACK FaceFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceExists(HDC dc, const char* face) {
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    strncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExA(dc, &wanted, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// dpi 0: the window's own where the system tells it, else the screen's.
HFONT CreateListingFont(HWND list, UINT dpi) {
    HDC dc = GetDC(list);
    if (dc == nullptr) return nullptr;
    if (dpi == 0) dpi = WindowDpi(list);
    if (dpi == 0) dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
    const int height = MulDiv(kListingPoints, static_cast<int>(dpi), 72);
    const char* face = kListingFaces[1];
    for (const char* candidate : kListingFaces) {
        if (FaceExists(dc, candidate)) {
            face = candidate;
            break;
        }
    }
    ReleaseDC(list, dc);
    strncpy(chosenFace, face, LF_FACESIZE - 1);
    return CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                       face);
}

int WidestLinePixels(HWND list) {
    constexpr int kWidestLine = 80;
    int charWidth = 8;
    if (HDC dc = GetDC(list)) {
        HGDIOBJ previous = listingFont != nullptr ? SelectObject(dc, listingFont) : nullptr;
        TEXTMETRICW metrics{};
        if (GetTextMetricsW(dc, &metrics) && metrics.tmAveCharWidth > 0)
            charWidth = metrics.tmAveCharWidth;
        if (previous != nullptr) SelectObject(dc, previous);
        ReleaseDC(list, dc);
    }
    return kWidestLine * charWidth + 8;
}

// The owner-drawn items are one line of the listing font high.
int FontLineHeight(HWND list) {
    int height = 16;
    if (HDC dc = GetDC(list)) {
        HGDIOBJ previous = listingFont != nullptr ? SelectObject(dc, listingFont) : nullptr;
        TEXTMETRICW metrics{};
        if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0) height = metrics.tmHeight;
        if (previous != nullptr) SelectObject(dc, previous);
        ReleaseDC(list, dc);
    }
    return height;
}

void FitItemHeight(HWND list) {
    SendMessageW(list, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(FontLineHeight(list)));
}

// An item's text as UTF-16 (the list box holds it so), at most one line.
int ItemText(HWND list, int item, std::array<wchar_t, kTextLineSize>& text) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
    if (length == LB_ERR || length >= static_cast<LRESULT>(text.size())) return 0;
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(item),
                                     reinterpret_cast<LPARAM>(text.data()));
    return got == LB_ERR ? 0 : static_cast<int>(got);
}

// The pixel offset of a character column from the item's text origin.
int ColumnX(HDC dc, const wchar_t* text, int length, int column) {
    if (column > length) column = length;
    SIZE size{};
    if (column <= 0 || !GetTextExtentPoint32W(dc, text, column, &size)) return 0;
    return size.cx;
}

// text is a finished line of code page 437 bytes.
void ListInsert(void* context, int32_t index, const char* text) {
    std::array<wchar_t, kTextLineSize> wide{};
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(Cp437ToUtf16(static_cast<uint8_t>(text[i])));
    wide[i] = L'\0';
    SendMessageW(static_cast<HWND>(context), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(wide.data()));
}

void AppendListingLine(const char* text) {
    HWND list = ListingWindow();
    if (list == nullptr) return;
    AppendToSink(ListBoxLineSink(list, ListInsert), text);
}

// Draws the list once after a batch of changes: each change alone would
// update the scroll bars and repaint.
void SuspendDrawing(HWND list) { SendMessageW(list, WM_SETREDRAW, FALSE, 0); }
void ResumeDrawing(HWND list) {
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The listing's lines arrive finished: they are appended as they are, so a
// "%" in a name is never read as a format directive.
void SinkClear(void*) { ClearListing(); }
void SinkAppend(void*, const char* line, size_t length) {
    TextLine copy;
    const size_t kept =
        length < static_cast<size_t>(kTextLineSize - 1) ? length : kTextLineSize - 1;
    std::memcpy(copy.text.data(), line, kept);
    copy.text[kept] = '\0';
    // A zero byte cannot be shown inside a list box item; the listing shows
    // no name byte as zero, so this only guards the copy.
    for (size_t i = 0; i < kept; ++i)
        if (copy.text[i] == '\0') copy.text[i] = ' ';
    AppendListingLine(copy.text.data());
}

void SetFieldSink(void*, int32_t index, const char* text) { SetStatusPaneText(index, text); }

}  // namespace

HWND ListingWindow() { return bankListing; }

HFONT ListingFont() { return listingFont; }

HWND CreateBankListing(HWND parent) {
    HWND list = CreateWindowExA(
        WS_EX_CLIENTEDGE, "listbox", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOSEL |
            LBS_DISABLENOSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListingId)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (list == nullptr) return nullptr;
    bankListing = list;
    // Without a device context the list keeps its default font.
    listingFont = CreateListingFont(list, 0);
    if (listingFont != nullptr)
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(listingFont), FALSE);
    FitItemHeight(list);
    // A list box scrolls sideways only as far as it is told: as far as the
    // widest listing line (79 characters) reaches.
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(WidestLinePixels(list)), 0);
    return list;
}

const char* ListingFontFace() { return chosenFace; }

void DeleteListingFont() {
    if (listingFont != nullptr && DeleteObject(listingFont)) listingFont = nullptr;
}

void ScaleListingFont(UINT dpi) {
    HWND list = ListingWindow();
    if (list == nullptr) return;
    HFONT font = CreateListingFont(list, dpi);
    if (font == nullptr) return;
    // The list box lets go of the old font before it is deleted.
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    HFONT old = listingFont;
    listingFont = font;
    if (old != nullptr) DeleteObject(old);
    FitItemHeight(list);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(WidestLinePixels(list)), 0);
}

int ListingPrintf(const char* format, ...) {
    TextLine line;
    va_list args;
    va_start(args, format);
    const int32_t length = FormatTextLine(line, format, args);
    va_end(args);
    HWND list = ListingWindow();
    if (list == nullptr) return length;
    SuspendDrawing(list);
    AppendListingLine(line.text.data());
    ResumeDrawing(list);
    return length;
}

void ClearListing() {
    HWND list = ListingWindow();
    if (list != nullptr) SendMessageW(list, LB_RESETCONTENT, 0, 0);
}

void ShowBankView(const BankDocument& document, const AppSettings& settings) {
    BankViewState state;
    state.synthType = settings.synthType;
    state.midiChannel = settings.midiChannel;
    state.bankLoaded = document.loaded;
    state.bankKind = document.kind;
    HWND list = ListingWindow();
    BankViewSink sink;
    sink.setField = SetFieldSink;
    sink.listing = ListingSink{nullptr, SinkClear, SinkAppend};
    if (list == nullptr) {
        RefreshBankViewOver(state, document.image, sink);
        return;
    }
    SuspendDrawing(list);
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    RefreshBankViewOver(state, document.image, sink);
    if (document.loaded) {
        // The listing is rebuilt line by line, which scrolls it to its end
        // as the log does; a bank is read from its top.
        const bool sameBank = document.id == listedBank;
        listedBank = document.id;
        SendMessageW(list, LB_SETTOPINDEX, sameBank && top != LB_ERR ? static_cast<WPARAM>(top) : 0,
                     0);
        ScrollSelectionIntoView(document);
    }
    ResumeDrawing(list);
}

int MeasureListingItem() {
    HWND list = ListingWindow();
    return list != nullptr ? FontLineHeight(list) : 16;
}

void DrawListingItem(const DRAWITEMSTRUCT& item, const BankDocument& document) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    HDC dc = item.hDC;
    const HWND list = item.hwndItem;
    std::array<wchar_t, kTextLineSize> text{};
    const int length = ItemText(list, static_cast<int>(item.itemID), text);
    HGDIOBJ previous = listingFont != nullptr ? SelectObject(dc, listingFont) : nullptr;
    const int x = item.rcItem.left + kTextMargin;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOutW(dc, x, item.rcItem.top, ETO_OPAQUE | ETO_CLIPPED, &item.rcItem, text.data(),
                static_cast<UINT>(length), nullptr);
    // The selected names on this line, drawn again with the colours swapped.
    if (document.loaded) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOW));
        SetBkColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        const Selection& run = document.selection;
        for (int i = 0; i < run.count; ++i) {
            const ListingCell cell =
                SlotCell(document.kind, {run.first.table, run.first.index + i});
            if (cell.line != static_cast<int>(item.itemID) || cell.column >= length) continue;
            const int width = cell.column + cell.width > length ? length - cell.column : cell.width;
            RECT mark = item.rcItem;
            mark.left = x + ColumnX(dc, text.data(), length, cell.column);
            mark.right = x + ColumnX(dc, text.data(), length, cell.column + width);
            ExtTextOutW(dc, mark.left, item.rcItem.top, ETO_OPAQUE | ETO_CLIPPED, &mark,
                        text.data() + cell.column, static_cast<UINT>(width), nullptr);
        }
    }
    if (previous != nullptr) SelectObject(dc, previous);
}

bool ListingCellAt(POINT point, int& line, int& column) {
    HWND list = ListingWindow();
    if (list == nullptr) return false;
    const LRESULT hit =
        SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (hit == LB_ERR || HIWORD(hit) != 0) return false;
    line = LOWORD(hit);
    RECT rect{};
    if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(line),
                     reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
        return false;
    std::array<wchar_t, kTextLineSize> text{};
    const int length = ItemText(list, line, text);
    const int offset = point.x - (rect.left + kTextMargin);
    if (offset < 0 || length == 0) return false;
    HDC dc = GetDC(list);
    if (dc == nullptr) return false;
    HGDIOBJ previous = listingFont != nullptr ? SelectObject(dc, listingFont) : nullptr;
    // The characters that fit left of the point: the point is in the next.
    INT fit = 0;
    SIZE size{};
    const bool measured =
        GetTextExtentExPointW(dc, text.data(), length, offset, &fit, nullptr, &size) != FALSE;
    if (previous != nullptr) SelectObject(dc, previous);
    ReleaseDC(list, dc);
    if (!measured || fit >= length) return false;
    column = fit;
    return true;
}

bool SlotAtScreenPoint(const BankDocument& document, POINT screen, Slot& slot) {
    HWND list = ListingWindow();
    if (list == nullptr || !document.loaded || WindowFromPoint(screen) != list) return false;
    POINT point = screen;
    if (!ScreenToClient(list, &point)) return false;
    int line = 0;
    int column = 0;
    return ListingCellAt(point, line, column) && SlotAtCell(document.kind, line, column, slot);
}

bool SlotCellRect(const BankDocument& document, Slot slot, RECT& rect) {
    HWND list = ListingWindow();
    const ListingCell cell = SlotCell(document.kind, slot);
    if (list == nullptr || cell.line < 0) return false;
    if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(cell.line),
                     reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
        return false;
    std::array<wchar_t, kTextLineSize> text{};
    const int length = ItemText(list, cell.line, text);
    HDC dc = GetDC(list);
    if (dc == nullptr) return false;
    HGDIOBJ previous = listingFont != nullptr ? SelectObject(dc, listingFont) : nullptr;
    const int x = rect.left + kTextMargin;
    rect.left = x + ColumnX(dc, text.data(), length, cell.column);
    rect.right = x + ColumnX(dc, text.data(), length, cell.column + cell.width);
    if (previous != nullptr) SelectObject(dc, previous);
    ReleaseDC(list, dc);
    return true;
}

void ScrollSelectionIntoView(const BankDocument& document) {
    HWND list = ListingWindow();
    if (list == nullptr || !document.loaded) return;
    // The end of the run the user moved last: the one away from the anchor.
    const Selection& run = document.selection;
    Slot shown = run.first;
    if (run.count > 1 && run.first == document.anchor)
        shown = {run.first.table, run.first.index + run.count - 1};
    const int line = SlotCell(document.kind, shown).line;
    if (line < 0) return;
    RECT client{};
    GetClientRect(list, &client);
    const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    const int visible =
        height > 0 ? static_cast<int>((client.bottom - client.top) / height) : 1;
    const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    int wanted = top;
    if (line < top) wanted = line;
    if (visible > 0 && line >= top + visible) wanted = line - visible + 1;
    if (wanted != top) SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(wanted), 0);
}

void RedrawListing() {
    HWND list = ListingWindow();
    if (list != nullptr) InvalidateRect(list, nullptr, FALSE);
}

void RefreshBankViewFromAnyThread() {
    // The whole refresh runs on the UI thread, where the document lives, so
    // the listing is never rebuilt by two threads at once. A sent message:
    // from the UI thread itself it is a plain call.
    HWND list = ListingWindow();
    if (list != nullptr) SendMessageA(GetParent(list), kRefreshBankViewMessage, 0, 0);
}
