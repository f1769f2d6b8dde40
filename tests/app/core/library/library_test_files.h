// Bank files for the library's tests and benchmarks, written byte by byte
// from the cartridge layouts: an M-16C image is 2048 bytes with 55h at byte
// 159 and 32 tone records of 59 bytes from byte 160; an M-64C image is 8192
// bytes starting A5 2C, 55h at byte 159, 50 tone records from byte 160 and
// 64 patch records of 48 bytes from byte 3110, a patch's upper and lower
// tone numbers in its bytes 27 and 32. Test support: portable.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace library_files {

using Bytes = std::vector<uint8_t>;

inline constexpr size_t kToneAt = 160;
inline constexpr size_t kToneSize = 59;
inline constexpr size_t kPatchAt = 3110;
inline constexpr size_t kPatchSize = 48;

// A tone record: the name, a blank at byte 10, then 48 data bytes that
// follow from the seed.
inline void PutTone(Bytes& image, size_t slot, std::string_view name, uint32_t seed) {
    uint8_t* tone = image.data() + kToneAt + kToneSize * slot;
    std::fill_n(tone, 10, uint8_t{' '});
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 10), tone);
    tone[10] = ' ';
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 11; i < kToneSize; ++i) {
        state = state * 1664525u + 1013904223u;
        tone[i] = static_cast<uint8_t>((state >> 24) & 0x7F);
    }
}

inline void PutPatch(Bytes& image, size_t slot, std::string_view name, uint8_t upper, uint8_t lower,
                     uint8_t fill) {
    uint8_t* patch = image.data() + kPatchAt + kPatchSize * slot;
    std::fill_n(patch, 18, uint8_t{' '});
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 18), patch);
    for (size_t i = 18; i < kPatchSize; ++i) patch[i] = static_cast<uint8_t>(fill + i);
    patch[27] = upper;
    patch[32] = lower;
}

inline Bytes EmptyM16C() {
    Bytes image(2048, 0);
    image[159] = 0x55;
    return image;
}

inline Bytes EmptyM64C() {
    Bytes image(8192, 0);
    image[0] = 0xA5;
    image[1] = 0x2C;
    image[159] = 0x55;
    return image;
}

// 32 tones, tone t named PREFIX and its number, its data from seed + t.
inline Bytes M16CBank(std::string_view prefix, uint32_t seed) {
    Bytes image = EmptyM16C();
    for (size_t t = 0; t < 32; ++t) {
        const std::string name = std::string(prefix) + std::to_string(t + 1);
        PutTone(image, t, name, seed + static_cast<uint32_t>(t));
    }
    return image;
}

// 50 tones and 64 patches; patch p plays tones p % 50 and (p + 1) % 50.
inline Bytes M64CBank(std::string_view prefix, uint32_t seed) {
    Bytes image = EmptyM64C();
    for (size_t t = 0; t < 50; ++t) {
        PutTone(image, t, std::string(prefix) + std::to_string(t + 1),
                seed + static_cast<uint32_t>(t));
    }
    for (size_t p = 0; p < 64; ++p) {
        PutPatch(image, p, std::string(prefix) + " patch " + std::to_string(p + 1),
                 static_cast<uint8_t>(p % 50), static_cast<uint8_t>((p + 1) % 50),
                 static_cast<uint8_t>(seed + p));
    }
    return image;
}

// A JX-8P tone message: F0 41 35 channel 21 20 01, the 59-byte record, F7.
inline Bytes Jx8pToneMessage(std::string_view name, uint32_t seed) {
    Bytes image = EmptyM16C();
    PutTone(image, 0, name, seed);
    Bytes message(7 + kToneSize + 1);
    const uint8_t head[] = {0xF0, 0x41, 0x35, 0x00, 0x21, 0x20, 0x01};
    std::copy_n(head, 7, message.begin());
    std::copy_n(image.begin() + kToneAt, kToneSize, message.begin() + 7);
    message.back() = 0xF7;
    return message;
}

}  // namespace library_files
