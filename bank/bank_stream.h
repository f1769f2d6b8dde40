// Which System Exclusive stream carries a whole bank, and the one place that
// decides which stream Save As writes for a bank kind and a synthesizer:
// the open and save flows, the transfer protocol table, vexa-cli and the
// tests' builders all encode through here. Portable: knows nothing of the
// settings store, the devices or the shell; only the synthesizer numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"
#include "bank/sysex.h"
#include "ground/settings.h"  // the synthesizer numbers

enum class BankStream {
    None,       // no stream (a kind that is not a bank)
    Jx8pBank,   // 32 x (tone + program), 2496 bytes, from an M-16C image
    Jx10Bulk,   // the JX-10 bulk dump, 16846 bytes, from an M-64C image
    Mks70Bank,  // 64 patches + 50 tones, 10234 bytes, from an M-64C image
    // The JX-10 bulk dump of an M-16C image, 4222 bytes: what a JX-10 with
    // an M-16C cartridge loads. Only transmitted, never saved.
    Jx10M16CBulk,
};

// The stream Save As writes: an M-16C bank as a JX-8P stream whatever the
// synthesizer; an M-64C bank as a JX-10 bulk dump for the JX-10, else as an
// MKS-70 stream. None for a kind that is not a bank.
constexpr BankStream SaveAsStream(BankKind kind, int32_t synthType) {
    if (kind == kM16CKind) return BankStream::Jx8pBank;
    if (kind != kM64CKind) return BankStream::None;
    return synthType == kSynthJx10 ? BankStream::Jx10Bulk : BankStream::Mks70Bank;
}

// The stream's length in bytes (0 for None) and the bank kind it carries
// (kUnknownKind for None).
constexpr size_t BankStreamSize(BankStream stream) {
    switch (stream) {
    case BankStream::Jx8pBank: return kJx8pBankStreamSize;
    case BankStream::Jx10Bulk: return kJx10BulkStreamSize;
    case BankStream::Mks70Bank: return kMks70BankStreamSize;
    case BankStream::Jx10M16CBulk: return kJx10M16CStreamSize;
    case BankStream::None: break;
    }
    return 0;
}
constexpr BankKind BankStreamKind(BankStream stream) {
    switch (stream) {
    case BankStream::Jx8pBank:
    case BankStream::Jx10M16CBulk: return kM16CKind;
    case BankStream::Jx10Bulk:
    case BankStream::Mks70Bank: return kM64CKind;
    case BankStream::None: break;
    }
    return kUnknownKind;
}

// Encodes the image (at least the size of the stream's kind) as the stream
// into out, with the given channel byte. Returns the byte count, or 0 for
// None or when the image or out is too small (nothing is written then).
size_t EncodeBankStream(BankStream stream, std::span<const uint8_t> image, std::span<uint8_t> out,
                        uint8_t channel);
