// Builders for every bank layout the importer recognises and for the single
// messages they are made of, written byte by byte from the layout
// descriptions (headers, nibbles, checksums, offsets, strides), never through
// the product's encoders, so that tests, the fuzz seeds and the example banks
// all come from one place; and invented example banks with names of their
// own. Test support: portable.
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
// The canonical form of an image of 2048 or 8192 bytes as the cartridge
// descriptions give it: an M-16C image with bytes 0..158 zero and 55h at 159,
// an M-64C image with the fixed 160-byte header and a zero tail from 6182;
// every tone record 7-bit with a blank at byte 10. Patches stay as they are.
Bytes CanonicalImage(const Bytes& image);

// Single messages, appended to `out`. Tone and patch records are given
// whole (59 and 48 bytes).
void PutJx8pTone(Bytes& out, uint8_t channel, const uint8_t* tone);
void PutJx8pProgram(Bytes& out, uint8_t channel, uint8_t number);
void PutProgramChange(Bytes& out, uint8_t channel, uint8_t number);  // Cn pp
void PutMks70Patch(Bytes& out, uint8_t channel, uint8_t number, const uint8_t* patch);
void PutMks70Tone(Bytes& out, uint8_t channel, uint8_t number, const uint8_t* tone);
// The MKS-70's tone parameter message: F0 41 35 ch 24 20, 01 (upper) or 02
// (lower), the tone record, F7.
void PutMks70ToneParameters(Bytes& out, uint8_t channel, uint8_t which, const uint8_t* tone);
// WsdMessage (op 40h) or RqdMessage (41h) with its kind, 16h or 64h.
void PutKindHandshake(Bytes& out, uint8_t op, uint8_t channel, uint8_t kind);
// AckMessage (43h), EofMessage (45h), ErrMessage (4Eh), RjcMessage (4Fh).
void PutShortHandshake(Bytes& out, uint8_t op, uint8_t channel);
// Block `block` of the image (128 bytes from 128 * block) as a DatMessage.
void PutDat(Bytes& out, uint8_t channel, const Bytes& image, size_t block);
// Record n of an image.
const uint8_t* ToneRecordOf(const Bytes& image, size_t n);
const uint8_t* PatchRecordOf(const Bytes& image, size_t n);
// They point into the image: never into a temporary one.
const uint8_t* ToneRecordOf(Bytes&& image, size_t n) = delete;
const uint8_t* PatchRecordOf(Bytes&& image, size_t n) = delete;

// The layouts. Images are passed whole (2048 or 8192 bytes).
Bytes BuildJx8pBankStream(const Bytes& m16c, uint8_t channel);
Bytes BuildJx8pToneDump(const Bytes& m16c, uint8_t channel);        // 2144
Bytes BuildJx8pLongRecordDump(const Bytes& m16c, uint8_t channel);  // 2464
Bytes BuildForeignJx8p(const Bytes& m16c);                          // 3455
Bytes BuildMks70BankStream(const Bytes& m64c, uint8_t channel);
Bytes BuildJx10BulkStream(const Bytes& m64c, uint8_t channel);
// A JX-10 bulk dump of an image of either size: the WsdMessage with the
// image's kind, a DatMessage per 128 bytes, the EofMessage.
Bytes BuildJx10Dump(const Bytes& image, uint8_t channel);
// 16538; the image's bytes 0..1 must be A5 2C for the file to be recognised.
Bytes BuildForeignM64C(const Bytes& m64c);
Bytes BuildForeignMks70(const Bytes& m64c, size_t length);  // length >= 6208
