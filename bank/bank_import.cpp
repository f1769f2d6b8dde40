// Recognises bank data by its length and a few signature bytes, and converts
// it into a canonical cartridge image. One table row per layout; the length
// picks the only row that is tried. Knows nothing of files or MIDI ports:
// the open flow and the receive operation hand over bytes and a length.
#include "bank/bank_import.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "bank/sysex.h"

namespace {

using namespace std::string_view_literals;

struct SignatureRange {
    size_t offset;
    std::string_view bytes;
};

using Converter = void (*)(uint8_t* destination, const uint8_t* source);

struct Layout {
    int32_t length;  // 0 marks the catch-all row
    BankKind kind;
    const char* description;
    std::span<const SignatureRange> signature;
    Converter convert;
};

uint8_t* ToneAt(uint8_t* image, size_t tone) {
    return image + kToneOffset + kToneRecordSize * tone;
}

// The M-16C header as every M-16C converter writes it: zero up to 158, 55h at
// 159. Real cartridge dumps carry other values in bytes 0..1; they are not
// kept.
void WriteM16CHeader(uint8_t* destination) {
    std::fill_n(destination, 159, uint8_t{0});
    destination[159] = 0x55;
}

void FinishM16C(uint8_t* destination) {
    NormalizeM16CImage(std::span<uint8_t, kM16CImageSize>(destination, kM16CImageSize));
}

void FinishM64C(uint8_t* destination) {
    NormalizeM64CImage(std::span<uint8_t, kM64CImageSize>(destination, kM64CImageSize));
}

// Tone i sits 7 bytes into the i-th record of `stride` bytes: a
// Jx8pToneMessage, possibly followed by other bytes.
template <size_t stride>
void ConvertJx8pMessages(uint8_t* destination, const uint8_t* source) {
    ConvertJx8pToneMessages(destination, source, stride);
}

void ConvertM16CImage(uint8_t* destination, const uint8_t* source) {
    WriteM16CHeader(destination);
    std::copy(source + kToneOffset, source + kM16CImageSize, destination + kToneOffset);
    FinishM16C(destination);
}

constexpr size_t kForeignJx8pToneOffset = 1551;

void ConvertForeignJx8p(uint8_t* destination, const uint8_t* source) {
    WriteM16CHeader(destination);
    std::copy_n(source + kForeignJx8pToneOffset, kToneRecordSize * kM16CToneCount,
                destination + kToneOffset);
    FinishM16C(destination);
}

void ConvertM64CImage(uint8_t* destination, const uint8_t* source) {
    std::copy_n(source, kM64CImageSize, destination);
    FinishM64C(destination);
}

void ConvertMks70Stream(uint8_t* destination, const uint8_t* source) {
    ConvertMks70Messages(destination, source, source + kMks70ToneStreamOffset);
}

// The whole image as 64 blocks of 256 nibble bytes, block k starting at
// first + stride * k.
template <size_t first, size_t stride>
void ConvertNibbleBlocks(uint8_t* destination, const uint8_t* source) {
    JoinNibbleBlocks(destination, source + first, stride, kM64CImageSize / kDatBlockBytes);
    FinishM64C(destination);
}

constexpr size_t kForeignMks70PatchOffset = 122;
constexpr size_t kForeignMks70ToneOffset = 3258;

void ConvertForeignMks70(uint8_t* destination, const uint8_t* source) {
    std::copy_n(source + kForeignMks70PatchOffset, kPatchRecordSize * kM64CPatchCount,
                destination + kPatchOffset);
    std::copy_n(source + kForeignMks70ToneOffset, kToneRecordSize * kM64CToneCount,
                destination + kToneOffset);
    FinishM64C(destination);
}

// Signatures. Byte 3 of a message is the channel and is never examined, so a
// stream saved on any channel is recognised again.
constexpr SignatureRange kM16CImageSignature[] = {
    // Only byte 159: real EPROM and RAM cartridge dumps hold arbitrary values
    // in bytes 0..1 (FF FF, 97 C0, 80 01, ...).
    {159, "\x55"sv},
};
constexpr SignatureRange kJx8pToneDumpSignature[] = {
    {0, "\xF0\x41\x35"sv},
    {4, "\x21\x20\x01"sv},
    {67, "\xF0\x41\x35"sv},
    {71, "\x21\x20\x01"sv},
};
constexpr SignatureRange kJx8pLongRecordSignature[] = {
    {0, "\xF0\x41\x35"sv},
    {4, "\x21\x20\x01"sv},
    {77, "\xF0\x41\x35"sv},
    {81, "\x21\x20\x01"sv},
};
constexpr SignatureRange kJx8pBankStreamSignature[] = {
    {0, "\xF0\x41\x35"sv},   {4, "\x21\x20\x01"sv},   {67, "\xF0\x41\x34"sv},
    {71, "\x21\x20\x01"sv},  {78, "\xF0\x41\x35"sv},  {82, "\x21\x20\x01"sv},
    {145, "\xF0\x41\x34"sv}, {149, "\x21\x20\x01"sv},
};
constexpr SignatureRange kForeignJx8pSignature[] = {
    {0, "\xDF\x05\x01\x00\x3F\x00ROLA"sv},
};
constexpr SignatureRange kM64CImageSignature[] = {
    {0, "\xA5\x2C"sv},
    {159, "\x55"sv},
};
constexpr SignatureRange kMks70StreamSignature[] = {
    {0, "\xF0\x41\x37"sv},
    {4, "\x24\x30\x01\x00\x00"sv},
    {6784, "\xF0\x41\x37"sv},
    {6788, "\x24\x20\x01\x00\x00"sv},
};
constexpr SignatureRange kForeignM64CSignature[] = {
    {12, "uper"sv},
    {28, "JX1\x00"sv},
    {90, "\x0A\x05\x02\x0C"sv},
};
constexpr SignatureRange kJx10BulkSignature[] = {
    {0, "\xF0\x41\x40"sv},         {4, "\x24\x64\x1C\xF7\xF0\x41\x42"sv},
    {16576, "\xF7\xF0\x41\x42"sv}, {16839, "\xF7\xF0\x41\x45"sv},
    {16844, "\x24\xF7"sv},
};
constexpr SignatureRange kForeignMks70Signature[] = {
    {29, "Roland MKS-70"sv},
    {109, "Patches"sv},
    {3248, "ones"sv},
};

constexpr Layout kLayouts[] = {
    {2048, kM16CKind, "M-16C cartridge image", kM16CImageSignature, ConvertM16CImage},
    {2144, kM16CKind, "JX-8P tone dump", kJx8pToneDumpSignature,
     ConvertJx8pMessages<kJx8pToneMessageSize>},
    {2464, kM16CKind, "JX-8P tone dump with 77-byte records", kJx8pLongRecordSignature,
     ConvertJx8pMessages<77>},
    {2496, kM16CKind, "JX-8P bank stream", kJx8pBankStreamSignature,
     ConvertJx8pMessages<kJx8pStreamStep>},
    {3455, kM16CKind, "JX-8P foreign bank file", kForeignJx8pSignature, ConvertForeignJx8p},
    {8192, kM64CKind, "M-64C cartridge image", kM64CImageSignature, ConvertM64CImage},
    {10234, kM64CKind, "MKS-70 bank stream", kMks70StreamSignature, ConvertMks70Stream},
    {16538, kM64CKind, "M-64C foreign bank file", kForeignM64CSignature,
     ConvertNibbleBlocks<90, 257>},
    {16846, kM64CKind, "JX-10 bulk dump", kJx10BulkSignature,
     ConvertNibbleBlocks<kJx10FirstBlockOffset + 5, kDatMessageSize>},
};

constexpr Layout kForeignMks70Layout = {0, kM64CKind, "MKS-70 foreign bank file",
                                        kForeignMks70Signature, ConvertForeignMks70};

const Layout& SelectLayout(int32_t length) {
    for (const Layout& layout : kLayouts) {
        if (layout.length == length) return layout;
    }
    return kForeignMks70Layout;
}

bool MatchesSignature(const Layout& layout, const uint8_t* source) {
    for (const SignatureRange& range : layout.signature) {
        for (size_t i = 0; i < range.bytes.size(); ++i) {
            if (source[range.offset + i] != static_cast<uint8_t>(range.bytes[i])) return false;
        }
    }
    return true;
}

}  // namespace

void ConvertJx8pToneMessages(uint8_t* destination, const uint8_t* messages, size_t stride) {
    WriteM16CHeader(destination);
    for (size_t i = 0; i < static_cast<size_t>(kM16CToneCount); ++i) {
        std::copy_n(messages + stride * i + 7, kToneRecordSize, ToneAt(destination, i));
    }
    FinishM16C(destination);
}

void ConvertMks70Messages(uint8_t* destination, const uint8_t* patchMessages,
                          const uint8_t* toneMessages) {
    for (size_t p = 0; p < static_cast<size_t>(kM64CPatchCount); ++p) {
        const uint8_t* nibbles = patchMessages + kMks70PatchMessageSize * p + 9;
        uint8_t* patch = destination + kPatchOffset + kPatchRecordSize * p;
        for (size_t j = 0; j < kPatchRecordSize; ++j) {
            patch[j] = JoinNibbles(nibbles[2 * j], nibbles[2 * j + 1]);
        }
    }
    for (size_t t = 0; t < static_cast<size_t>(kM64CToneCount); ++t) {
        std::copy_n(toneMessages + kMks70ToneMessageSize * t + 9, kToneRecordSize,
                    ToneAt(destination, t));
    }
    FinishM64C(destination);
}

void JoinNibbleBlocks(uint8_t* image, const uint8_t* nibbles, size_t stride, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* block = nibbles + stride * k;
        for (size_t j = 0; j < kDatBlockBytes; ++j) {
            image[kDatBlockBytes * k + j] = JoinNibbles(block[2 * j], block[2 * j + 1]);
        }
    }
}

BankKind ImportBank(uint8_t* destination, const uint8_t* source, int32_t length) {
    if (source == nullptr || length < 0) return kUnknownKind;
    const Layout& layout = SelectLayout(length);
    // The catch-all row reads up to offset 6207; shorter data would be judged
    // and converted from whatever lies beyond it in the caller's buffer.
    if (layout.length == 0 && length < kForeignMks70MinimumSize) return kUnknownKind;
    if (!MatchesSignature(layout, source)) return kUnknownKind;
    if (destination != nullptr) layout.convert(destination, source);
    return layout.kind;
}

const char* DescribeBankLayout(int32_t length) { return SelectLayout(length).description; }
