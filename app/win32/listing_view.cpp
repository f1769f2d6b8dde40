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
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOSEL | LBS_DISABLENOSCROLL |
            LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListingId)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (list == nullptr) return nullptr;
    bankListing = list;
    // Without a device context the list keeps its default font.
    listingFont = CreateListingFont(list, 0);
    if (listingFont != nullptr)
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(listingFont), FALSE);
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
    if (list != nullptr) SuspendDrawing(list);
    RefreshBankViewOver(state, document.image, sink);
    if (list != nullptr) ResumeDrawing(list);
}

void RefreshBankViewFromAnyThread() {
    // The whole refresh runs on the UI thread, where the document lives, so
    // the listing is never rebuilt by two threads at once. A sent message:
    // from the UI thread itself it is a plain call.
    HWND list = ListingWindow();
    if (list != nullptr) SendMessageA(GetParent(list), kRefreshBankViewMessage, 0, 0);
}
