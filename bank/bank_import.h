// Recognising bank data of the ten known layouts by length and signature,
// and converting it into a canonical bank image. Every bank that enters the
// program, from a file or from a synthesizer, passes through ImportBank.
// Portable: no platform headers.
#pragma once

#include <cstdint>

#include "bank/bank_image.h"

// Tests the data against the one layout its length selects. With no
// destination (nullptr) it only tests and writes nothing anywhere. With a
// destination of kBankStorageSize bytes it tests again and converts; for
// kind 22 only the first 2048 bytes of the destination are written.
// Returns 22, 100, or -1 (not a bank, negative length, no source, or data
// shorter than the catch-all layout needs).
BankKind ImportBank(uint8_t* destination, const uint8_t* source, int32_t length);

// The catch-all row (foreign MKS-70 bank files) needs at least this many
// bytes: its tones end at offset 6207. Shorter data of that row is refused.
inline constexpr int32_t kForeignMks70MinimumSize = 6208;

// For tools and messages: the layout that the length selects, as a short
// English phrase ("JX-10 bulk dump", "M-16C cartridge image", ...). The
// catch-all row reads "MKS-70 foreign bank file". Never null.
const char* DescribeBankLayout(int32_t length);
