// The bank listing: the list box that fills the main window's client area,
// its font, and the two ways it is written (ListingPrintf, ClearListing).
// Lines are code page 437 bytes; they are shown converted to UTF-16.
#pragma once

#include <windows.h>

#include <atomic>

#include "app/win32/ui_thread.h"

// The list box (child 3 of the main window) and its font. Written on the UI
// thread while the main window is created, before the worker starts.
extern std::atomic<HWND> BankListing;
extern HFONT listingFont;

// Creates the list box and its font in the main window's WM_CREATE; null
// when the list box could not be created.
HWND CreateBankListing(HWND parent);
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

// RefreshBankView from another thread is sent to the listing's parent as
// kRefreshBankViewMessage (ui_thread.h) and run there, on the UI thread.
LRESULT OnRefreshBankViewMessage();
// The shell table's refreshBankView: from any thread.
void RefreshBankViewFromAnyThread();
