// A bank document: one bank of sounds with what the program knows about it
// (its kind, whether it changed since it was opened or saved, the file it
// belongs to) and what editing it needs (the selected slots, the undo
// history, the number the edit engine knows the bank by). Every new bank
// enters a document through CommitBank: an open, a receive, a new bank. Portable and single-threaded: a document
// belongs to the UI thread; the worker only ever sees copies (TransferJob).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/core/slot.h"
#include "app/core/edit_history.h"
#include "bank/bank_image.h"

// The longest path the program keeps, with its zero (Windows' MAX_PATH).
inline constexpr size_t kBankPathSize = 260;
using BankPath = std::array<char, kBankPathSize>;

struct BankDocument {
    BankStorage image{};
    BankKind kind = kUnknownKind;
    bool loaded = false;   // a bank is present; never cleared once set
    bool changed = false;  // differs from its file (received, edited, not yet saved)
    BankPath file{};       // the file opened or last saved to; "" for none
    // Editing. A new bank gets a new id and history, and its first slot
    // (the top of its listing) selected.
    BankId id = 0;
    Selection selection{};
    Slot anchor{};  // where Shift extends the selection from
    EditHistory history{};
};

// How a new bank comes in. It decides what the document says afterwards:
//  Opened   - the bank equals the file: unchanged, file = the file's path;
//  Received - from the synthesizer: changed, no file;
//  Edited   - changed, the file stays (saving goes back to it);
//  Made     - a new bank (File > New): unchanged, no file.
enum class BankOrigin { Opened, Received, Edited, Made };

// Puts a whole bank storage and its kind into the document. Refuses (false,
// document untouched) a kind that is not a bank, and an Opened bank whose
// path is missing or too long to keep. Every origin but Edited makes it a
// new bank: a new id, a new history, the first slot selected.
bool CommitBank(BankDocument& document, BankOrigin origin, BankKind kind,
                std::span<const uint8_t, kBankStorageSize> image, const char* file = nullptr);

// The bank was written to file: it no longer differs from a file. A path too
// long to keep leaves the file name empty.
void MarkSaved(BankDocument& document, const char* file);

// True when closing or replacing the bank would lose changes.
constexpr bool HasUnsavedChanges(const BankDocument& document) {
    return document.loaded && document.changed;
}

// The slot at the top of a bank's listing: patch A1 of an M-64C bank, else
// tone T1.
Slot FirstListedSlot(BankKind kind);

// Copies text into path when it fits (with its zero); false otherwise, and
// path is left as it was.
bool CopyPath(BankPath& path, const char* text);
