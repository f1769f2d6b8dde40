// Recognising bank data of the ten known layouts by length and signature,
// and converting it into a canonical bank image. Every bank that enters the
// program, from a file or from a synthesizer, passes through ImportBank.
// Portable: no platform headers.
#pragma once

#include <cstddef>
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

// The conversions of the message layouts, callable on their own so that the
// bank search (bank_search.h), which gathers the same messages from other
// files, converts them exactly as the layout table does.
//
// The 2144 row's conversion: 32 Jx8pToneMessages, `stride` bytes apart, into
// a normalised M-16C image (only the first 2048 bytes are written).
void ConvertJx8pToneMessages(uint8_t* destination, const uint8_t* messages, size_t stride);
// The 10234 row's conversion: 64 Mks70PatchMessages back to back and 50
// Mks70ToneMessages back to back into a normalised M-64C image.
void ConvertMks70Messages(uint8_t* destination, const uint8_t* patchMessages,
                          const uint8_t* toneMessages);
// The 16846 row's joining, without normalising: `count` blocks of 256 nibble
// bytes, `stride` bytes apart from `nibbles` on, into 128 image bytes each.
void JoinNibbleBlocks(uint8_t* image, const uint8_t* nibbles, size_t stride, size_t count);
