// Layout builders and the invented example banks. Uses the bank library's
// encoders for the three streams and builds every other layout byte by byte
// from its description.
#include "tests/bank/bank_layouts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "bank/bank_stream.h"
#include "bank/sysex.h"

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

Bytes BuildJx8pBankStream(const Bytes& m16c, uint8_t channel) {
    Bytes stream(kJx8pBankStreamSize);
    EncodeBankStream(BankStream::Jx8pBank, m16c, stream, channel);
    return stream;
}

Bytes BuildJx8pToneDump(const Bytes& m16c, uint8_t channel) {
    Bytes dump;
    for (size_t t = 0; t < static_cast<size_t>(kM16CToneCount); ++t) {
        const auto message = MakeJx8pToneMessage(
            channel, std::span<const uint8_t, kToneRecordSize>(
                         m16c.data() + kToneOffset + kToneRecordSize * t, kToneRecordSize));
        dump.insert(dump.end(), message.begin(), message.end());
    }
    return dump;
}

Bytes BuildJx8pLongRecordDump(const Bytes& m16c, uint8_t channel) {
    Bytes dump;
    const Bytes messages = BuildJx8pToneDump(m16c, channel);
    for (size_t t = 0; t < static_cast<size_t>(kM16CToneCount); ++t) {
        const auto first = messages.begin() + static_cast<std::ptrdiff_t>(kJx8pToneMessageSize * t);
        dump.insert(dump.end(), first, first + static_cast<std::ptrdiff_t>(kJx8pToneMessageSize));
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
    Bytes stream(kMks70BankStreamSize);
    EncodeBankStream(BankStream::Mks70Bank, m64c, stream, channel);
    return stream;
}

Bytes BuildJx10BulkStream(const Bytes& m64c, uint8_t channel) {
    Bytes stream(kJx10BulkStreamSize);
    EncodeBankStream(BankStream::Jx10Bulk, m64c, stream, channel);
    return stream;
}

Bytes BuildForeignM64C(const Bytes& m64c) {
    Bytes file(16538, 0);
    std::memcpy(file.data() + 12, "uper", 4);
    std::memcpy(file.data() + 28, "JX1", 4);  // with its terminating zero
    for (size_t k = 0; k < 64; ++k) {
        uint8_t* record = file.data() + 90 + 257 * k;
        uint8_t sum = 0;
        for (size_t j = 0; j < 128; ++j) {
            record[2 * j] = HighNibble(m64c[128 * k + j]);
            record[2 * j + 1] = LowNibble(m64c[128 * k + j]);
            sum = static_cast<uint8_t>(sum + record[2 * j] + record[2 * j + 1]);
        }
        record[256] = RolandChecksum(sum);  // the 257th byte, which the import skips
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
