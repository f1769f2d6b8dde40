// The bank listing: the list box that fills the main window's client area,
// its font, and the two ways it is written (ListingPrintf, ClearListing).
// Lines are code page 437 bytes; they are shown converted to UTF-16.
#pragma once

#include <windows.h>

#include "app/core/bank_document.h"
#include "app/win32/ui_thread.h"
#include "ground/settings.h"

// Creates the list box (child 3 of the main window) and its font in the main
// window's WM_CREATE, before the worker starts; null when the list box could
// not be created.
HWND CreateBankListing(HWND parent);
// The list box and its font; null before they are made.
HWND ListingWindow();
HFONT ListingFont();
// The face the listing font was asked for, "" when it has none of its own.
const char* ListingFontFace();
void DeleteListingFont();
// A new font for the listing at this DPI (the main window's WM_DPICHANGED).
void ScaleListingFont(UINT dpi);

// Formats one line (code page 437 bytes, at most 511) and appends it; one
// trailing line feed is removed. Returns the formatted length.
int ListingPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void ClearListing();

// The bank view on the UI thread: status panes 1..3 from the settings and
// the document, and the document's table in the listing (the listing keeps
// its lines while no bank is loaded). A bank shown for the first time is
// shown from its top; a bank shown again keeps its scroll position; the
// selected slot is scrolled into view.
void ShowBankView(const BankDocument& document, const AppSettings& settings);
// The listing is owner-drawn: its items are as high as a line of its font
// (WM_MEASUREITEM), and each is drawn in its font with the document's
// selected names inverted (WM_DRAWITEM).
int MeasureListingItem();
void DrawListingItem(const DRAWITEMSTRUCT& item, const BankDocument& document);
// The listing line and character column under a point of the list box's
// client area; false where no character stands.
bool ListingCellAt(POINT point, int& line, int& column);
// The slot whose name is under a point of the screen, when the listing is
// what shows there (a drop from another window); false elsewhere.
bool SlotAtScreenPoint(const BankDocument& document, POINT screen, Slot& slot);
// Where a slot's name is drawn, in the list box's client coordinates.
bool SlotCellRect(const BankDocument& document, Slot slot, RECT& rect);
// Scrolls the listing just enough to show the selected slot.
void ScrollSelectionIntoView(const BankDocument& document);
// Draws the listing again (a new selection on the same lines).
void RedrawListing();

// The shell table's refreshBankView, for the worker: sent to the listing's
// parent (the main window) as kRefreshBankViewMessage (ui_thread.h), which
// shows its own document there, on the UI thread.
void RefreshBankViewFromAnyThread();
