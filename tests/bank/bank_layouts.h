// Builders for every bank layout the importer recognises, written from the
// layout descriptions (offsets, signatures, record strides) so that tests,
// the fuzz seeds and the example banks all come from one place, and
// invented example banks with names of their own. Test support: portable.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bank/bank_image.h"

using Bytes = std::vector<uint8_t>;

// Example banks, not normalised: tone bytes with the top bit set, byte 10 of
// each tone record not a blank, and cartridge header bytes 0..1 as a real
// dump carries them. M-64C names use the digit glyph bytes 00h..05h.
Bytes MakeExampleM16CImage();
Bytes MakeExampleM64CImage();
// A bank whose every byte comes from a seed (for round trips).
Bytes MakeRandomImage(uint32_t seed, size_t size);

// The layouts. Images are passed whole (2048 or 8192 bytes).
Bytes BuildJx8pBankStream(const Bytes& m16c, uint8_t channel);
Bytes BuildJx8pToneDump(const Bytes& m16c, uint8_t channel);        // 2144
Bytes BuildJx8pLongRecordDump(const Bytes& m16c, uint8_t channel);  // 2464
Bytes BuildForeignJx8p(const Bytes& m16c);                          // 3455
Bytes BuildMks70BankStream(const Bytes& m64c, uint8_t channel);
Bytes BuildJx10BulkStream(const Bytes& m64c, uint8_t channel);
// 16538; the image's bytes 0..1 must be A5 2C for the file to be recognised.
Bytes BuildForeignM64C(const Bytes& m64c);
Bytes BuildForeignMks70(const Bytes& m64c, size_t length);  // length >= 6208
