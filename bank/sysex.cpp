// Builders for the System Exclusive messages of the JX-8P, JX-10 and MKS-70
// and the three encoders that lay a whole bank out as one stream. Every byte
// position lives here; the transfer procedures only pace and send the pieces.
// Pure byte work: no MIDI ports, no bank state, no platform headers.
#include "bank/sysex.h"

#include <algorithm>

namespace {

// The five bytes every message starts with.
void WriteFrame(uint8_t* out, uint8_t op, uint8_t channel, uint8_t model) {
    out[0] = kSysexStart;
    out[1] = kRolandId;
    out[2] = op;
    out[3] = channel;
    out[4] = model;
}

// Writes each byte as its high and low nibble; returns the 8-bit sum of the
// nibble bytes written (the DatMessage checksum needs it).
uint8_t WriteNibbles(const uint8_t* data, size_t count, uint8_t* out) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = HighNibble(data[i]);
        out[2 * i + 1] = LowNibble(data[i]);
        sum = static_cast<uint8_t>(sum + out[2 * i] + out[2 * i + 1]);
    }
    return sum;
}

void WriteJx8pToneMessage(uint8_t* out, uint8_t channel, const uint8_t* tone) {
    WriteFrame(out, kJx8pToneOp, channel, kJx8pModel);
    out[5] = 0x20;
    out[6] = 0x01;
    std::copy_n(tone, kToneRecordSize, out + 7);
    out[kJx8pToneMessageSize - 1] = kSysexEnd;
}

void WriteJx8pProgramMessage(uint8_t* out, uint8_t channel, uint8_t tone) {
    WriteFrame(out, kProgramOp, channel, kJx8pModel);
    out[5] = 0x20;
    out[6] = 0x01;
    out[7] = 0x00;
    out[8] = tone;
    out[9] = 0x02;
    out[10] = kSysexEnd;
}

void WriteMks70PatchMessage(uint8_t* out, uint8_t channel, uint8_t patch, const uint8_t* record) {
    WriteFrame(out, kMks70Op, channel, kJx10Model);
    out[5] = kMks70PatchSelector;
    out[6] = 0x01;
    out[7] = 0x00;
    out[8] = patch;
    WriteNibbles(record, kPatchRecordSize, out + 9);
    out[kMks70PatchMessageSize - 1] = kSysexEnd;
}

void WriteMks70ToneMessage(uint8_t* out, uint8_t channel, uint8_t tone, const uint8_t* record) {
    WriteFrame(out, kMks70Op, channel, kJx10Model);
    out[5] = kMks70ToneSelector;
    out[6] = 0x01;
    out[7] = 0x00;
    out[8] = tone;
    std::copy_n(record, kToneRecordSize, out + 9);
    out[kMks70ToneMessageSize - 1] = kSysexEnd;
}

void WriteShortHandshake(uint8_t* out, uint8_t op, uint8_t channel) {
    WriteFrame(out, op, channel, kJx10Model);
    out[5] = kSysexEnd;
}

void WriteKindHandshake(uint8_t* out, uint8_t op, uint8_t channel, uint8_t kind) {
    WriteFrame(out, op, channel, kJx10Model);
    out[5] = kind;
    out[6] = RolandChecksum(kind);
    out[7] = kSysexEnd;
}

void WriteDatMessage(uint8_t* out, uint8_t channel, const uint8_t* data) {
    WriteFrame(out, kDatOp, channel, kJx10Model);
    const uint8_t sum = WriteNibbles(data, kDatBlockBytes, out + 5);
    out[5 + 2 * kDatBlockBytes] = RolandChecksum(sum);
    out[kDatMessageSize - 1] = kSysexEnd;
}

const uint8_t* ToneRecord(const uint8_t* image, size_t tone) {
    return image + kToneOffset + kToneRecordSize * tone;
}

}  // namespace

void EncodeJx8pBank(std::span<const uint8_t, kM16CImageSize> image,
                    std::span<uint8_t, kJx8pBankStreamSize> out, uint8_t channel) {
    for (size_t i = 0; i < static_cast<size_t>(kM16CToneCount); ++i) {
        uint8_t* message = out.data() + kJx8pStreamStep * i;
        WriteJx8pToneMessage(message, channel, ToneRecord(image.data(), i));
        WriteJx8pProgramMessage(message + kJx8pToneMessageSize, channel, static_cast<uint8_t>(i));
    }
}

void EncodeMks70Bank(std::span<const uint8_t, kM64CImageSize> image,
                     std::span<uint8_t, kMks70BankStreamSize> out, uint8_t channel) {
    for (size_t p = 0; p < static_cast<size_t>(kM64CPatchCount); ++p) {
        WriteMks70PatchMessage(out.data() + kMks70PatchMessageSize * p, channel,
                               static_cast<uint8_t>(p),
                               image.data() + kPatchOffset + kPatchRecordSize * p);
    }
    for (size_t t = 0; t < static_cast<size_t>(kM64CToneCount); ++t) {
        WriteMks70ToneMessage(out.data() + kMks70ToneStreamOffset + kMks70ToneMessageSize * t,
                              channel, static_cast<uint8_t>(t), ToneRecord(image.data(), t));
    }
}

void EncodeJx10Bulk(std::span<const uint8_t, kM64CImageSize> image,
                    std::span<uint8_t, kJx10BulkStreamSize> out, uint8_t channel) {
    // The stream is only ever made from an M-64C image, so the announced
    // kind is always 64h.
    WriteKindHandshake(out.data(), kWsdOp, channel, static_cast<uint8_t>(kM64CKind));
    for (size_t b = 0; b < kM64CImageSize / kDatBlockBytes; ++b) {
        WriteDatMessage(out.data() + kJx10FirstBlockOffset + kDatMessageSize * b, channel,
                        image.data() + kDatBlockBytes * b);
    }
    WriteShortHandshake(out.data() + kJx10EofOffset, kEofOp, channel);
}

void EncodeJx10M16CBulk(std::span<const uint8_t, kM16CImageSize> image,
                        std::span<uint8_t, kJx10M16CStreamSize> out, uint8_t channel) {
    WriteKindHandshake(out.data(), kWsdOp, channel, static_cast<uint8_t>(kM16CKind));
    for (size_t b = 0; b < kM16CImageSize / kDatBlockBytes; ++b) {
        WriteDatMessage(out.data() + kJx10FirstBlockOffset + kDatMessageSize * b, channel,
                        image.data() + kDatBlockBytes * b);
    }
    WriteShortHandshake(out.data() + kJx10M16CEofOffset, kEofOp, channel);
}

void SetJx10BulkChannel(std::span<uint8_t> stream, uint8_t channel) {
    if (stream.size() < kKindHandshakeSize + kShortHandshakeSize) return;
    const size_t blocks =
        (stream.size() - kKindHandshakeSize - kShortHandshakeSize) / kDatMessageSize;
    stream[kChannelByte] = channel;
    for (size_t b = 0; b < blocks; ++b)
        stream[kJx10FirstBlockOffset + kDatMessageSize * b + kChannelByte] = channel;
    stream[kJx10FirstBlockOffset + kDatMessageSize * blocks + kChannelByte] = channel;
}

std::array<uint8_t, kShortHandshakeSize> MakeShortHandshake(uint8_t op, uint8_t channel) {
    std::array<uint8_t, kShortHandshakeSize> message{};
    WriteShortHandshake(message.data(), op, channel);
    return message;
}

std::array<uint8_t, kKindHandshakeSize> MakeKindHandshake(uint8_t op, uint8_t channel,
                                                          uint8_t kind) {
    std::array<uint8_t, kKindHandshakeSize> message{};
    WriteKindHandshake(message.data(), op, channel, kind);
    return message;
}

void MakeDatMessage(uint8_t channel, std::span<const uint8_t, kDatBlockBytes> data,
                    std::span<uint8_t, kDatMessageSize> out) {
    WriteDatMessage(out.data(), channel, data.data());
}

std::array<uint8_t, kJx8pParameterMessageSize> MakeJx8pParameterMessage(uint8_t channel,
                                                                        uint8_t parameter,
                                                                        uint8_t value) {
    std::array<uint8_t, kJx8pParameterMessageSize> message{};
    WriteFrame(message.data(), kParameterOp, channel, kJx8pModel);
    message[5] = 0x30;
    message[6] = 0x01;
    message[7] = parameter;
    message[8] = value;
    message[9] = kSysexEnd;
    return message;
}

std::array<uint8_t, kJx8pToneMessageSize> MakeJx8pToneMessage(
    uint8_t channel, std::span<const uint8_t, kToneRecordSize> tone) {
    std::array<uint8_t, kJx8pToneMessageSize> message{};
    WriteJx8pToneMessage(message.data(), channel, tone.data());
    return message;
}

bool HasJx8pToneHead(std::span<const uint8_t> bytes) {
    // Byte 3, the channel, is not examined. Byte 6 is 01h in every tone a
    // JX-8P sends, but the transfer has never asked for it, so neither does
    // the search: one test for both.
    constexpr size_t kHeadSize = 6;
    if (bytes.size() < kHeadSize) return false;
    return bytes[0] == kSysexStart && bytes[1] == kRolandId && bytes[2] == kJx8pToneOp &&
           bytes[4] == kJx8pModel && bytes[5] == 0x20;
}
