// Layout builders and the invented example banks, byte by byte from the
// layouts' descriptions; see the header.
#include "tests/bank/bank_layouts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "bank/bank_image.h"

namespace {

using namespace std::string_view_literals;

// A small deterministic generator, so the examples never change between
// runs or machines.
struct Lcg {
    uint32_t state;
    uint8_t Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<uint8_t>(state >> 24);
    }
};

void PutName(uint8_t* at, std::string_view name, size_t size) {
    std::fill_n(at, size, uint8_t{' '});
    std::copy_n(name.begin(), std::min(name.size(), size), at);
}

uint8_t* Tone(Bytes& image, size_t t) { return image.data() + kToneOffset + kToneRecordSize * t; }

constexpr std::string_view kM16CToneNames[] = {
    "Copper Bel"sv, "Soft Reeds"sv, "Dusk Pad  "sv, "Round Bass"sv, "Glass Harp"sv, "Brassy Saw"sv,
    "Wood Flute"sv, "Tide Str  "sv, "Pluck Koto"sv, "Hollow Org"sv, "Cold Sync "sv, "Lazy Sweep"sv,
    "Drum Tom  "sv, "Velvet Str"sv, "Sharp Clav"sv, "Air Choir "sv, "Seq Bass  "sv, "Tin Marimb"sv,
    "Rain Bells"sv, "Slow Brass"sv, "Wide Pad  "sv, "Fuzz Lead "sv, "Quiet Keys"sv, "Toy Piano "sv,
    "Noise Wind"sv, "Sub Bass  "sv, "Bright Str"sv, "Echo Harp "sv, "Low Horns "sv, "Soft Lead "sv,
    "Bell Pad  "sv, "Vexa Sine "sv,
};

// Tone and patch names of the M-64C example. "\x01".."\x05" are the front
// panel's digit glyphs; the listing shows them as digits.
constexpr std::string_view kM64CToneNames[] = {
    "Night Pad "sv,          "Harbor Str"sv,    "Moss Bass "sv, "Chime \x01   "sv,
    "Chime \x02   "sv,       "Lantern Br"sv,    "Reed Organ"sv, "Fog Horn  "sv,
    "Polar Lead"sv,          "Cedar Koto"sv,    "Ember Saw "sv, "Drift Pad "sv,
    "Velour Str"sv,          "Quartz Bel"sv,    "Dune Bass "sv, "Ash Choir "sv,
    "Tide \x03    "sv,       "Tide \x04    "sv, "Static Nz "sv, "Copper Pln"sv,
    "Slate Clav"sv,          "Mist Flute"sv,    "Iron Brass"sv, "Pulse \x05   "sv,
    "Plume Pad "sv,          "Gravel Bs "sv,    "Nova Sync "sv, "Hush Str  "sv,
    "Glint Bell"sv,          "Marsh Reed"sv,    "Orbit Lead"sv, "Umber Pad "sv,
    "Frost Keys"sv,          "Ridge Bass"sv,    "Silk Str  "sv, "Flint Perc"sv,
    "Haze Choir"sv,          "Rust Brass"sv,    "Comet Lead"sv, "Pebble Bel"sv,
    "Delta Pad "sv,          "Cinder Saw"sv,    "Lumen Str "sv, "Basalt Bs "sv,
    "Wisp Flute"sv,          "Zenith Ld "sv,    "Shore Pad "sv, "Vexa \x01\x00\x00  "sv,
    "Vexa \x02\x00\x00  "sv, "Test Sine "sv,
};

constexpr std::string_view kPatchWords[] = {
    "Harbor"sv, "Lantern"sv, "Moss"sv,  "Polar"sv, "Cedar"sv, "Ember"sv, "Drift"sv, "Quartz"sv,
    "Dune"sv,   "Ash"sv,     "Slate"sv, "Mist"sv,  "Iron"sv,  "Plume"sv, "Nova"sv,  "Hush"sv,
};
constexpr std::string_view kPatchKinds[] = {"Strings"sv, "Brass"sv, "Keys"sv, "Pad"sv};

}  // namespace

Bytes MakeExampleM16CImage() {
    Bytes image(kM16CImageSize, 0);
    image[0] = 0xFF;  // as an erased EPROM dump holds them
    image[1] = 0xFF;
    image[159] = 0x55;
    Lcg random{0x8F16};
    for (size_t t = 0; t < static_cast<size_t>(kM16CToneCount); ++t) {
        uint8_t* tone = Tone(image, t);
        PutName(tone, kM16CToneNames[t], kToneNameSize);
        for (size_t i = kToneNameSize; i < kToneRecordSize; ++i) tone[i] = random.Next() & 0x7F;
        // Real JX-8P dumps carry data bytes of 80h; the import masks them.
        if (t % 5 == 0) tone[20] = 0x80;
    }
    return image;
}

Bytes MakeExampleM64CImage() {
    Bytes image(kM64CImageSize, 0);
    std::copy(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), image.begin());
    Lcg random{0x64C};
    for (size_t t = 0; t < static_cast<size_t>(kM64CToneCount); ++t) {
        uint8_t* tone = Tone(image, t);
        PutName(tone, kM64CToneNames[t], kToneNameSize);
        for (size_t i = kToneNameSize; i < kToneRecordSize; ++i) tone[i] = random.Next() & 0x7F;
    }
    for (size_t p = 0; p < static_cast<size_t>(kM64CPatchCount); ++p) {
        uint8_t* patch = image.data() + kPatchOffset + kPatchRecordSize * p;
        std::array<char, 32> name{};
        const std::string_view word = kPatchWords[p % 16];
        const std::string_view kind = kPatchKinds[p / 16];
        size_t n = 0;
        for (char c : word) name[n++] = c;
        name[n++] = ' ';
        for (char c : kind) name[n++] = c;
        name[n++] = ' ';
        name[n++] = static_cast<char>(p % 6);  // a digit glyph 0..5
        PutName(patch, std::string_view(name.data(), n), kPatchNameSize);
        // Patch parameters are full bytes; many lie above 7Fh.
        for (size_t i = kPatchNameSize; i < kPatchRecordSize; ++i) patch[i] = random.Next();
    }
    return image;
}

Bytes MakeRandomImage(uint32_t seed, size_t size) {
    Bytes image(size);
    Lcg random{seed};
    for (uint8_t& b : image) b = random.Next();
    return image;
}

Bytes CanonicalImage(const Bytes& image) {
    Bytes out = image;
    const bool m64c = image.size() == 8192;
    if (m64c) {
        std::fill_n(out.begin(), 160, uint8_t{0});
        out[0] = 0xA5;
        out[1] = 0x2C;
        out[113] = 0x01;
        std::fill_n(out.begin() + 116, 8, uint8_t{0x01});  // 116..123
        std::fill_n(out.begin() + 125, 7, uint8_t{0x01});  // 125..131
        std::fill(out.begin() + 6182, out.end(), uint8_t{0});
    } else {
        std::fill_n(out.begin(), 159, uint8_t{0});
    }
    out[159] = 0x55;
    for (size_t t = 0; t < (m64c ? 50u : 32u); ++t) {
        uint8_t* tone = Tone(out, t);
        for (size_t i = 0; i < 59; ++i) tone[i] &= 0x7F;
        tone[10] = ' ';
    }
    return out;
}

const uint8_t* ToneRecordOf(const Bytes& image, size_t n) { return image.data() + 160 + 59 * n; }
const uint8_t* PatchRecordOf(const Bytes& image, size_t n) { return image.data() + 3110 + 48 * n; }

void PutJx8pTone(Bytes& out, uint8_t channel, const uint8_t* tone) {
    out.insert(out.end(), {0xF0, 0x41, 0x35, channel, 0x21, 0x20, 0x01});
    out.insert(out.end(), tone, tone + 59);
    out.push_back(0xF7);
}

void PutJx8pProgram(Bytes& out, uint8_t channel, uint8_t number) {
    out.insert(out.end(), {0xF0, 0x41, 0x34, channel, 0x21, 0x20, 0x01, 0x00, number, 0x02, 0xF7});
}

void PutProgramChange(Bytes& out, uint8_t channel, uint8_t number) {
    out.insert(out.end(), {static_cast<uint8_t>(0xC0 | channel), number});
}

void PutMks70Patch(Bytes& out, uint8_t channel, uint8_t number, const uint8_t* patch) {
    out.insert(out.end(), {0xF0, 0x41, 0x37, channel, 0x24, 0x30, 0x01, 0x00, number});
    for (size_t j = 0; j < 48; ++j) {
        out.push_back(static_cast<uint8_t>(patch[j] >> 4));
        out.push_back(static_cast<uint8_t>(patch[j] & 0x0F));
    }
    out.push_back(0xF7);
}

void PutMks70Tone(Bytes& out, uint8_t channel, uint8_t number, const uint8_t* tone) {
    out.insert(out.end(), {0xF0, 0x41, 0x37, channel, 0x24, 0x20, 0x01, 0x00, number});
    out.insert(out.end(), tone, tone + 59);
    out.push_back(0xF7);
}

void PutMks70ToneParameters(Bytes& out, uint8_t channel, uint8_t which, const uint8_t* tone) {
    out.insert(out.end(), {0xF0, 0x41, 0x35, channel, 0x24, 0x20, which});
    out.insert(out.end(), tone, tone + 59);
    out.push_back(0xF7);
}

void PutKindHandshake(Bytes& out, uint8_t op, uint8_t channel, uint8_t kind) {
    // The checksum makes kind + checksum a multiple of 128: 64h gives 1Ch.
    const auto checksum = static_cast<uint8_t>((128 - kind) & 0x7F);
    out.insert(out.end(), {0xF0, 0x41, op, channel, 0x24, kind, checksum, 0xF7});
}

void PutShortHandshake(Bytes& out, uint8_t op, uint8_t channel) {
    out.insert(out.end(), {0xF0, 0x41, op, channel, 0x24, 0xF7});
}

void PutDat(Bytes& out, uint8_t channel, const Bytes& image, size_t block) {
    out.insert(out.end(), {0xF0, 0x41, 0x42, channel, 0x24});
    unsigned sum = 0;
    for (size_t j = 0; j < 128; ++j) {
        const uint8_t byte = image[128 * block + j];
        out.push_back(static_cast<uint8_t>(byte >> 4));
        out.push_back(static_cast<uint8_t>(byte & 0x0F));
        sum += (byte >> 4) + (byte & 0x0Fu);
    }
    out.push_back(static_cast<uint8_t>((128 - sum % 128) % 128));
    out.push_back(0xF7);
}

Bytes BuildJx8pBankStream(const Bytes& m16c, uint8_t channel) {
    Bytes stream;
    for (uint8_t t = 0; t < 32; ++t) {
        PutJx8pTone(stream, channel, ToneRecordOf(m16c, t));
        PutJx8pProgram(stream, channel, t);
    }
    return stream;
}

Bytes BuildJx8pToneDump(const Bytes& m16c, uint8_t channel) {
    Bytes dump;
    for (size_t t = 0; t < 32; ++t) PutJx8pTone(dump, channel, ToneRecordOf(m16c, t));
    return dump;
}

Bytes BuildJx8pLongRecordDump(const Bytes& m16c, uint8_t channel) {
    Bytes dump;
    for (size_t t = 0; t < 32; ++t) {
        PutJx8pTone(dump, channel, ToneRecordOf(m16c, t));
        for (uint8_t i = 0; i < 10; ++i) dump.push_back(static_cast<uint8_t>(0x70 + i));
    }
    return dump;
}

Bytes BuildForeignJx8p(const Bytes& m16c) {
    Bytes file(3455, 0);
    constexpr uint8_t kSignature[] = {0xDF, 0x05, 0x01, 0x00, 0x3F, 0x00, 'R', 'O', 'L', 'A'};
    std::copy(std::begin(kSignature), std::end(kSignature), file.begin());
    std::copy_n(m16c.begin() + kToneOffset, kToneRecordSize * kM16CToneCount, file.begin() + 1551);
    return file;
}

Bytes BuildMks70BankStream(const Bytes& m64c, uint8_t channel) {
    Bytes stream;
    for (uint8_t p = 0; p < 64; ++p) PutMks70Patch(stream, channel, p, PatchRecordOf(m64c, p));
    for (uint8_t t = 0; t < 50; ++t) PutMks70Tone(stream, channel, t, ToneRecordOf(m64c, t));
    return stream;
}

Bytes BuildJx10Dump(const Bytes& image, uint8_t channel) {
    Bytes dump;
    PutKindHandshake(dump, 0x40, channel, image.size() == 8192 ? 0x64 : 0x16);
    for (size_t b = 0; b < image.size() / 128; ++b) PutDat(dump, channel, image, b);
    PutShortHandshake(dump, 0x45, channel);
    return dump;
}

Bytes BuildJx10BulkStream(const Bytes& m64c, uint8_t channel) { return BuildJx10Dump(m64c, channel); }

Bytes BuildForeignM64C(const Bytes& m64c) {
    Bytes file(16538, 0);
    std::memcpy(file.data() + 12, "uper", 4);
    std::memcpy(file.data() + 28, "JX1", 4);  // with its terminating zero
    for (size_t k = 0; k < 64; ++k) {
        uint8_t* record = file.data() + 90 + 257 * k;
        uint8_t sum = 0;
        for (size_t j = 0; j < 128; ++j) {
            record[2 * j] = static_cast<uint8_t>(m64c[128 * k + j] >> 4);
            record[2 * j + 1] = static_cast<uint8_t>(m64c[128 * k + j] & 0x0F);
            sum = static_cast<uint8_t>(sum + record[2 * j] + record[2 * j + 1]);
        }
        record[256] = static_cast<uint8_t>((128 - sum % 128) % 128);  // skipped by the import
    }
    return file;
}

Bytes BuildForeignMks70(const Bytes& m64c, size_t length) {
    Bytes file(length, 0);
    std::memcpy(file.data() + 29, "Roland MKS-70", 13);
    std::memcpy(file.data() + 109, "Patches", 7);
    std::memcpy(file.data() + 3248, "ones", 4);
    std::copy_n(m64c.begin() + kPatchOffset, kPatchRecordSize * kM64CPatchCount,
                file.begin() + 122);
    std::copy_n(m64c.begin() + kToneOffset, kToneRecordSize * kM64CToneCount, file.begin() + 3258);
    return file;
}
