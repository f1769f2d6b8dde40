// Builds the invented bank images. A small linear congruential generator
// makes the parameters reproducible from a seed.
#include "tests/peers/bank_content.h"

#include <array>
#include <cstring>
#include <string_view>

namespace vexa_peers {

namespace {

struct Lcg {
    uint32_t state;
    uint8_t Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<uint8_t>(state >> 24);
    }
};

constexpr std::array<std::string_view, 12> kToneNames{
    "SOFT STR  ", "BRASS 1   ", "FAT BASS  ", "GLASS PAD ", "SYNC LEAD ", "CHOIR     ",
    "E.PIANO   ", "SWEEP     ", "PLUCK     ", "ORGAN 2   ", "BELLS     ", "NOISE FX  "};

constexpr std::array<std::string_view, 8> kPatchNames{
    "ANALOG STRINGS    ", "POLY BRASS SECTION", "SPLIT BASS/LEAD   ", "DREAM PAD         ",
    "DUAL PIANO        ", "STACKED SYNC      ", "WIDE CHOIR        ", "TOUCH BELLS       "};

void PutName(uint8_t* at, std::string_view name, size_t size, uint32_t index) {
    std::memcpy(at, name.data(), size);
    // The panel's symbols (codes 00h..05h) and a running number.
    at[size - 2] = static_cast<uint8_t>(index % 6);
    at[size - 1] = static_cast<uint8_t>('0' + index % 10);
}

void PutTone(uint8_t* tone, uint32_t index, Lcg& lcg) {
    PutName(tone, kToneNames[index % kToneNames.size()], 10, index);
    tone[10] = 0x20;
    for (size_t i = 11; i < 59; ++i) tone[i] = static_cast<uint8_t>(lcg.Next() & 0x7F);
}

}  // namespace

std::vector<uint8_t> MakeM64CContent(uint32_t seed) {
    std::vector<uint8_t> image(kM64CSize, 0);
    image[0] = 0xA5;
    image[1] = 0x2C;
    image[113] = 0x01;
    for (size_t i = 116; i <= 123; ++i) image[i] = 0x01;
    for (size_t i = 125; i <= 131; ++i) image[i] = 0x01;
    image[159] = 0x55;
    Lcg lcg{seed};
    for (uint32_t t = 0; t < 50; ++t) PutTone(&image[kToneBase + 59 * t], t, lcg);
    for (uint32_t p = 0; p < 64; ++p) {
        uint8_t* patch = &image[kPatchBase + 48 * p];
        PutName(patch, kPatchNames[p % kPatchNames.size()], 18, p);
        for (size_t i = 18; i < 48; ++i) patch[i] = lcg.Next();
        patch[18] = static_cast<uint8_t>(0x80 | p);  // always one byte above 7Fh
    }
    return image;
}

std::vector<uint8_t> MakeM16CContent(uint32_t seed) {
    std::vector<uint8_t> image(kM16CSize, 0);
    image[159] = 0x55;
    Lcg lcg{seed};
    for (uint32_t t = 0; t < 32; ++t) PutTone(&image[kToneBase + 59 * t], t, lcg);
    return image;
}

}  // namespace vexa_peers
