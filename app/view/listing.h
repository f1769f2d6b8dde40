// The lines of the bank listing: the tone and patch name tables of an M-16C
// or M-64C image, drawn with code page 437 box-drawing bytes. Builds the
// lines only; where they go (the main window's list box, a terminal) is the
// sink's business. Portable: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"

// Receives the listing. Lines are code page 437 bytes without a line feed
// and without a terminating zero; a "%" in a name arrives as it is.
struct ListingSink {
    void* context;
    void (*clear)(void* context);
    void (*append)(void* context, const char* line, size_t length);
};

// One step of a row script: a row code (what to fill in) and the index of
// the template line to copy. A row code with the top bit set ends a script.
struct ListingRowStep {
    int8_t rowCode;
    uint8_t templateIndex;
};

inline constexpr int8_t kRowScriptEnd = -1;  // 0xFF
inline constexpr size_t kListingLineCapacity = 512;
inline constexpr int kM16CListingLines = 13;
inline constexpr int kM64CListingLines = 41;

// The three row scripts.
extern const ListingRowStep M16CToneRows[];
extern const ListingRowStep M64CToneRows[];
extern const ListingRowStep M64CPatchRows[];

// Replace the listing with the table of an image.
void ListM16CBank(std::span<const uint8_t, kM16CImageSize> image, const ListingSink& sink);
void ListM64CBank(std::span<const uint8_t, kM64CImageSize> image, const ListingSink& sink);

// Which table a bank of that kind shows: M-64C for kind 100, M-16C for any
// other kind. The one place that decides it; ListBank and the status pane
// that names the table both ask here.
enum class BankListingKind { None, M16C, M64C };
constexpr BankListingKind ListingFor(BankKind kind) {
    return kind == kM64CKind ? BankListingKind::M64C : BankListingKind::M16C;
}
// The table's name as the status bar shows it: "M-64C", "M-16C" ("" for None).
const char* ListingName(BankListingKind listing);

// Replaces the listing with the table ListingFor(kind) names (an M-16C table
// reads the first 2048 bytes of the storage). Returns that table.
BankListingKind ListBank(BankKind kind, std::span<const uint8_t, kBankStorageSize> storage,
                         const ListingSink& sink);

// The name character rule: bytes 0..9 show as the digits "0".."9", every
// other byte as itself.
constexpr char ListingNameChar(uint8_t b) { return static_cast<char>(b < 10 ? '0' + b : b); }
