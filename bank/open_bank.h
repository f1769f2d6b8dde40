// The one pipeline that opens a bank file: the size check, the read of the
// whole file (at most 1 MiB) and FindBanks, which lets the layout table judge
// the data first and gives the rest a second look. The program's open flow,
// vexa-cli and the tests open files through it. Portable: knows nothing of
// dialogs or messages; the caller words each result for its user and, when a
// file holds several banks, asks which one to take.
#pragma once

#include <cstdint>
#include <span>

#include "bank/bank_image.h"
#include "bank/bank_search.h"

enum class OpenBankResult {
    Opened,      // found lists one bank or several
    CannotOpen,  // no such file, or it cannot be opened for reading
    TooLarge,    // larger than kLargestBankFile (fileSize says how large); not read
    CannotRead,  // the read failed or the file changed under it
    NotABank,    // read whole (length bytes), no bank: found says what it holds
};

struct OpenedBankFile {
    int64_t fileSize = -1;  // as measured before the read, -1 when unknown
    int32_t length = -1;    // bytes read, -1 when not read
    BankSearch found;       // the banks, or the refusal and its words
};

// Reads the file into a buffer of its own size, released before returning;
// nothing of the program's state changes.
OpenBankResult OpenBankFile(const char* path, OpenedBankFile& opened);

// Puts a found bank into the bank storage as the converting call of the
// layout table would: an M-16C bank writes the first 2048 bytes only, the
// rest stays as it was. Returns the bank's kind.
BankKind PutFoundBank(const FoundBank& bank, std::span<uint8_t, kBankStorageSize> image);
