// The System Exclusive messages of the JX-8P, JX-10 and MKS-70, byte for
// byte, and the three encoders that turn a bank image into the stream that
// carries a whole bank. A saved .syx file is exactly one of these streams.
// Portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"

inline constexpr uint8_t kSysexStart = 0xF0;
inline constexpr uint8_t kSysexEnd = 0xF7;
inline constexpr uint8_t kRolandId = 0x41;
inline constexpr uint8_t kJx8pModel = 0x21;
inline constexpr uint8_t kJx10Model = 0x24;  // JX-10 and MKS-70

// Operation codes (byte 2).
inline constexpr uint8_t kProgramOp = 0x34;    // Jx8pProgramMessage
inline constexpr uint8_t kJx8pToneOp = 0x35;   // Jx8pToneMessage
inline constexpr uint8_t kParameterOp = 0x36;  // Jx8pParameterMessage
inline constexpr uint8_t kMks70Op = 0x37;      // Mks70PatchMessage, Mks70ToneMessage
inline constexpr uint8_t kWsdOp = 0x40;
inline constexpr uint8_t kRqdOp = 0x41;
inline constexpr uint8_t kDatOp = 0x42;
inline constexpr uint8_t kAckOp = 0x43;
inline constexpr uint8_t kEofOp = 0x45;
inline constexpr uint8_t kErrOp = 0x4E;
inline constexpr uint8_t kRjcOp = 0x4F;

// Byte 5 of the op-37 messages tells a patch from a tone.
inline constexpr uint8_t kMks70PatchSelector = 0x30;
inline constexpr uint8_t kMks70ToneSelector = 0x20;

// Message lengths, F0 and F7 included.
inline constexpr size_t kJx8pToneMessageSize = 67;
inline constexpr size_t kJx8pProgramMessageSize = 11;
inline constexpr size_t kJx8pParameterMessageSize = 10;
inline constexpr size_t kMks70PatchMessageSize = 106;
inline constexpr size_t kMks70ToneMessageSize = 69;
inline constexpr size_t kKindHandshakeSize = 8;  // WsdMessage, RqdMessage
inline constexpr size_t kDatMessageSize = 263;
inline constexpr size_t kShortHandshakeSize = 6;  // Ack, Eof, Err, Rjc
inline constexpr size_t kDatBlockBytes = 128;     // image bytes per DatMessage

// Whole streams.
inline constexpr size_t kJx8pBankStreamSize = 2496;    // 32 x (67 + 11)
inline constexpr size_t kMks70BankStreamSize = 10234;  // 64 x 106 + 50 x 69
inline constexpr size_t kJx10BulkStreamSize = 16846;   // 8 + 64 x 263 + 6
inline constexpr size_t kJx8pStreamStep = 78;
inline constexpr size_t kMks70ToneStreamOffset = 6784;
inline constexpr size_t kJx10FirstBlockOffset = 8;
inline constexpr size_t kJx10EofOffset = 16840;
// The JX-10 stream of an M-16C image: WsdMessage (kind 16h), 16 blocks,
// EofMessage.
inline constexpr size_t kJx10M16CStreamSize = 4222;  // 8 + 16 x 263 + 6
inline constexpr size_t kJx10M16CEofOffset = 4216;
// Byte 3 of every message: the MIDI channel.
inline constexpr size_t kChannelByte = 3;
inline constexpr size_t kJx8pReceiveSize = 2144;  // 32 tone messages back to back

// Encoders: write exactly the stream's length, never fail, never look at
// bankKind. The channel byte is written unchanged (the "Auto" setting, 16,
// becomes 10h).
void EncodeJx8pBank(std::span<const uint8_t, kM16CImageSize> image,
                    std::span<uint8_t, kJx8pBankStreamSize> out, uint8_t channel);
void EncodeMks70Bank(std::span<const uint8_t, kM64CImageSize> image,
                     std::span<uint8_t, kMks70BankStreamSize> out, uint8_t channel);
void EncodeJx10Bulk(std::span<const uint8_t, kM64CImageSize> image,
                    std::span<uint8_t, kJx10BulkStreamSize> out, uint8_t channel);
// The same stream for an M-16C image, as a JX-10 with an M-16C cartridge
// loads it: its WsdMessage names kind 16h.
void EncodeJx10M16CBulk(std::span<const uint8_t, kM16CImageSize> image,
                        std::span<uint8_t, kJx10M16CStreamSize> out, uint8_t channel);
// Rewrites the channel byte of every message of an encoded JX-10 stream (of
// either size); the checksums do not cover it.
void SetJx10BulkChannel(std::span<uint8_t> stream, uint8_t channel);

// Single messages: the handshakes and the JX-8P parameter message for the
// transfer procedures, the tone message for the tests' dump builders; the
// kind handshake and the DAT block are built here for the tests that check
// their framing (the bulk encoder writes its own).
std::array<uint8_t, kShortHandshakeSize> MakeShortHandshake(uint8_t op, uint8_t channel);
std::array<uint8_t, kKindHandshakeSize> MakeKindHandshake(uint8_t op, uint8_t channel,
                                                          uint8_t kind);
void MakeDatMessage(uint8_t channel, std::span<const uint8_t, kDatBlockBytes> data,
                    std::span<uint8_t, kDatMessageSize> out);
std::array<uint8_t, kJx8pParameterMessageSize> MakeJx8pParameterMessage(uint8_t channel,
                                                                        uint8_t parameter,
                                                                        uint8_t value);
std::array<uint8_t, kJx8pToneMessageSize> MakeJx8pToneMessage(
    uint8_t channel, std::span<const uint8_t, kToneRecordSize> tone);

// True when the bytes begin as a Jx8pToneMessage does: F0 41 35, any channel
// byte, 21 20. Only the head is looked at, not the length. The one test of
// a JX-8P tone for the bank search and the recognizers alike.
bool HasJx8pToneHead(std::span<const uint8_t> bytes);

// Nibble helpers shared by the encoders, the importer and the JX-10 receive.
constexpr uint8_t HighNibble(uint8_t b) { return static_cast<uint8_t>(b >> 4); }
constexpr uint8_t LowNibble(uint8_t b) { return static_cast<uint8_t>(b & 0x0F); }
// Joins two nibble bytes as stored files hold them: neither is masked.
constexpr uint8_t JoinNibbles(uint8_t high, uint8_t low) {
    return static_cast<uint8_t>((high << 4) | low);
}
// The checksum byte that makes a run of bytes add up to a multiple of 128.
constexpr uint8_t RolandChecksum(uint8_t sum) { return static_cast<uint8_t>((-sum) & 0x7F); }
