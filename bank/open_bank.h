// The one pipeline that opens a bank file: the size check, the read, the
// test call and the converting call. The program's open flow, vexa-cli and
// the tests open files through it. Portable: knows nothing of dialogs or
// messages; the caller words each result for its user.
#pragma once

#include <cstdint>
#include <span>

#include "bank/bank_image.h"

enum class OpenBankResult {
    Opened,      // the bank is in the image; kind says which
    CannotOpen,  // no such file, or it cannot be opened for reading
    TooLarge,    // larger than the buffer (fileSize says how large)
    CannotRead,  // the read failed or the file changed under it
    NotABank,    // read whole (length bytes in the buffer), but no known layout
};

struct OpenedBankFile {
    int32_t fileSize = -1;  // as measured before the read, -1 when unknown
    int32_t length = -1;    // bytes read into the buffer, -1 when not read
    BankKind kind = kUnknownKind;
};

// Reads the file into buffer (at most its size) and, only when the data
// passes the test call, converts it into image, which is left untouched on
// every other result. On NotABank and Opened the buffer holds the file's
// length bytes.
OpenBankResult OpenBankFile(const char* path, std::span<uint8_t, kTransferBufferSize> buffer,
                            std::span<uint8_t, kBankStorageSize> image, OpenedBankFile& opened);
