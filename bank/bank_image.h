// A bank of sounds held byte for byte as a Roland memory cartridge image:
// the kinds, the record geometry and the canonical form. Who holds a bank
// is its owner's business (a document, a transfer job). Portable: knows
// nothing of Windows or MIDI.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Kind code of an image. The same numbers travel as the kind byte of the
// JX-10 bulk handshake (16h and 64h).
using BankKind = int32_t;
inline constexpr BankKind kM16CKind = 22;     // M-16C, JX-8P, 32 tones
inline constexpr BankKind kM64CKind = 100;    // M-64C, JX-10 and MKS-70
inline constexpr BankKind kUnknownKind = -1;  // not a bank

inline constexpr size_t kM16CImageSize = 2048;
inline constexpr size_t kM64CImageSize = 8192;
inline constexpr size_t kBankStorageSize = kM64CImageSize;
inline constexpr size_t kTransferBufferSize = 17408;

// Record geometry shared by both cartridge layouts.
inline constexpr size_t kToneRecordSize = 59;
inline constexpr size_t kToneNameSize = 10;
inline constexpr size_t kPatchRecordSize = 48;
inline constexpr size_t kPatchNameSize = 18;
inline constexpr size_t kHeaderSize = 160;
inline constexpr size_t kToneOffset = 160;     // tone t at 160 + 59 * t
inline constexpr size_t kPatchOffset = 3110;   // patch p at 3110 + 48 * p
inline constexpr size_t kM64CZeroTail = 6182;  // 6182..8191 are zero
inline constexpr int kM16CToneCount = 32;
inline constexpr int kM64CToneCount = 50;
inline constexpr int kM64CPatchCount = 64;

using BankStorage = std::array<uint8_t, kBankStorageSize>;

// The 160 bytes every M-64C image carries at offsets 0..159.
extern const std::array<uint8_t, kHeaderSize> DefaultM64CHeader;

// Canonical form, run as the last step of every import.
void NormalizeM16CImage(std::span<uint8_t, kM16CImageSize> image);
void NormalizeM64CImage(std::span<uint8_t, kM64CImageSize> image);
