// The fixed M-64C header and the two normalising passes that put every imported image into canonical
// form. Knows nothing of files, MIDI or windows.
#include "bank/bank_image.h"

namespace {

constexpr std::array<uint8_t, kHeaderSize> MakeDefaultM64CHeader() {
    std::array<uint8_t, kHeaderSize> header{};
    header[0] = 0xA5;
    header[1] = 0x2C;
    header[113] = 0x01;
    for (size_t i = 116; i <= 123; ++i) header[i] = 0x01;
    for (size_t i = 125; i <= 131; ++i) header[i] = 0x01;
    header[159] = 0x55;
    return header;
}

// A tone record keeps a 10-character name, a blank at byte 10 and 7-bit
// parameters; files often carry an 11th name character or bytes with the top
// bit set, neither of which a synthesizer accepts.
void NormalizeToneRecord(uint8_t* tone) {
    tone[kToneNameSize] = 0x20;
    for (size_t i = 0; i < kToneRecordSize; ++i) tone[i] = static_cast<uint8_t>(tone[i] & 0x7F);
}

}  // namespace

constinit const std::array<uint8_t, kHeaderSize> DefaultM64CHeader = MakeDefaultM64CHeader();

void NormalizeM16CImage(std::span<uint8_t, kM16CImageSize> image) {
    // Bytes 0, 1 and 159 are the converters' business (00 00 .. 55).
    for (size_t i = 2; i < 159; ++i) image[i] = 0;
    for (int t = 0; t < kM16CToneCount; ++t) {
        NormalizeToneRecord(image.data() + kToneOffset + kToneRecordSize * static_cast<size_t>(t));
    }
}

void NormalizeM64CImage(std::span<uint8_t, kM64CImageSize> image) {
    for (size_t i = 0; i < kHeaderSize; ++i) image[i] = DefaultM64CHeader[i];
    for (size_t i = kM64CZeroTail; i < kM64CImageSize; ++i) image[i] = 0;
    for (int t = 0; t < kM64CToneCount; ++t) {
        NormalizeToneRecord(image.data() + kToneOffset + kToneRecordSize * static_cast<size_t>(t));
    }
    // Patch bytes are full 8-bit values and stay as they are.
}
