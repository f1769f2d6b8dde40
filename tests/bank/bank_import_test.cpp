// ImportBank against every layout: recognition by length and signature,
// refusal at each signature range's first and last byte, round trips from
// every encoder on every channel value, and the conversions' details.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bank/bank_import.h"
#include "bank/sysex.h"
#include "tests/bank/bank_layouts.h"

namespace {

Bytes RawM16C(uint32_t seed) {
    Bytes image = MakeRandomImage(seed, kM16CImageSize);
    image[159] = 0x55;
    return image;
}

Bytes RawM64C(uint32_t seed) {
    Bytes image = MakeRandomImage(seed, kM64CImageSize);
    image[0] = 0xA5;
    image[1] = 0x2C;
    image[159] = 0x55;
    return image;
}

// What ImportBank makes of the data, in a storage first filled with a marker.
struct Imported {
    BankKind kind;
    Bytes storage;
};

Imported Import(const Bytes& data, uint8_t marker = 0xEE) {
    Imported result{kUnknownKind, Bytes(kBankStorageSize, marker)};
    Bytes source = data;  // ImportBank may use its source as scratch space
    result.kind =
        ImportBank(result.storage.data(), source.data(), static_cast<int32_t>(source.size()));
    return result;
}

BankKind Probe(const Bytes& data) {
    return ImportBank(nullptr, data.data(), static_cast<int32_t>(data.size()));
}

// The canonical form of a bank, as the cartridge descriptions give it.
Bytes Canonical(const Bytes& image) { return CanonicalImage(image); }

struct Range {
    size_t offset;
    size_t length;
};

struct LayoutCase {
    const char* name;
    BankKind kind;
    Bytes (*build)();
    std::vector<Range> signature;
};

const std::vector<LayoutCase>& Layouts() {
    static const std::vector<LayoutCase> cases = {
        {"M-16C image 2048", kM16CKind, [] { return RawM16C(1); }, {{159, 1}}},
        {"JX-8P tone dump 2144",
         kM16CKind,
         [] { return BuildJx8pToneDump(RawM16C(2), 3); },
         {{0, 3}, {4, 3}, {67, 3}, {71, 3}}},
        {"JX-8P long records 2464",
         kM16CKind,
         [] { return BuildJx8pLongRecordDump(RawM16C(3), 0); },
         {{0, 3}, {4, 3}, {77, 3}, {81, 3}}},
        {"JX-8P bank stream 2496",
         kM16CKind,
         [] { return BuildJx8pBankStream(RawM16C(4), 9); },
         {{0, 3}, {4, 3}, {67, 3}, {71, 3}, {78, 3}, {82, 3}, {145, 3}, {149, 3}}},
        {"foreign JX-8P 3455", kM16CKind, [] { return BuildForeignJx8p(RawM16C(5)); }, {{0, 10}}},
        {"M-64C image 8192", kM64CKind, [] { return RawM64C(6); }, {{0, 2}, {159, 1}}},
        {"MKS-70 stream 10234",
         kM64CKind,
         [] { return BuildMks70BankStream(RawM64C(7), 1); },
         {{0, 3}, {4, 5}, {6784, 3}, {6788, 5}}},
        {"foreign M-64C 16538",
         kM64CKind,
         [] { return BuildForeignM64C(RawM64C(8)); },
         {{12, 4}, {28, 4}, {90, 4}}},
        {"JX-10 bulk 16846",
         kM64CKind,
         [] { return BuildJx10BulkStream(RawM64C(9), 16); },
         {{0, 3}, {4, 7}, {16576, 4}, {16839, 4}, {16844, 2}}},
        {"foreign MKS-70 6208",
         kM64CKind,
         [] { return BuildForeignMks70(RawM64C(10), 6208); },
         {{29, 13}, {109, 7}, {3248, 4}}},
    };
    return cases;
}

TEST(ImportBank, EveryLayoutIsRecognisedAndRefusedAtTheEdgesOfEachSignatureRange) {
    for (const LayoutCase& layout : Layouts()) {
        const Bytes valid = layout.build();
        ASSERT_EQ(Probe(valid), layout.kind) << layout.name;
        ASSERT_EQ(Import(valid).kind, layout.kind) << layout.name;
        for (const Range& range : layout.signature) {
            for (size_t offset : {range.offset, range.offset + range.length - 1}) {
                Bytes damaged = valid;
                damaged[offset] ^= 0x01;
                EXPECT_EQ(Probe(damaged), kUnknownKind) << layout.name << " offset " << offset;
                // A refused converting call leaves the destination alone.
                const Imported imported = Import(damaged, 0xEE);
                EXPECT_EQ(imported.kind, kUnknownKind) << layout.name << " offset " << offset;
                EXPECT_TRUE(std::all_of(imported.storage.begin(), imported.storage.end(),
                                        [](uint8_t b) { return b == 0xEE; }))
                    << layout.name << " offset " << offset;
            }
        }
    }
}

TEST(ImportBank, TestCallWritesNothingAndM16CConversionStaysInTheFirst2048Bytes) {
    for (const LayoutCase& layout : Layouts()) {
        const Bytes valid = layout.build();
        Bytes source = valid;
        ImportBank(nullptr, source.data(), static_cast<int32_t>(source.size()));
        EXPECT_EQ(source, valid) << layout.name;
        if (layout.kind == kM16CKind) {
            const Imported imported = Import(valid, 0xEE);
            EXPECT_TRUE(std::all_of(imported.storage.begin() + kM16CImageSize,
                                    imported.storage.end(), [](uint8_t b) { return b == 0xEE; }))
                << layout.name;
        }
    }
}

TEST(ImportBank, EveryEncodedStreamImportsBackToTheSameBankOnEveryChannel) {
    const Bytes m16c = Canonical(MakeExampleM16CImage());
    const Bytes m64c = Canonical(MakeExampleM64CImage());
    const Bytes random16 = Canonical(RawM16C(21));
    const Bytes random64 = Canonical(RawM64C(22));
    for (int channel = 0; channel <= 16; ++channel) {
        const auto ch = static_cast<uint8_t>(channel);
        for (const Bytes* bank : {&m16c, &random16}) {
            for (const Bytes& stream :
                 {BuildJx8pBankStream(*bank, ch), BuildJx8pToneDump(*bank, ch),
                  BuildJx8pLongRecordDump(*bank, ch)}) {
                Imported imported = Import(stream);
                ASSERT_EQ(imported.kind, kM16CKind) << stream.size() << " channel " << channel;
                imported.storage.resize(kM16CImageSize);
                ASSERT_EQ(imported.storage, *bank) << stream.size() << " channel " << channel;
            }
        }
        for (const Bytes* bank : {&m64c, &random64}) {
            for (const Bytes& stream :
                 {BuildMks70BankStream(*bank, ch), BuildJx10BulkStream(*bank, ch)}) {
                const Imported imported = Import(stream);
                ASSERT_EQ(imported.kind, kM64CKind) << stream.size() << " channel " << channel;
                ASSERT_EQ(imported.storage, *bank) << stream.size() << " channel " << channel;
            }
        }
    }
}

TEST(ImportBank, ForeignFilesAndImagesCarryTheSameBankAsTheStreams) {
    const Bytes m16c = Canonical(MakeExampleM16CImage());
    const Bytes m64c = Canonical(MakeExampleM64CImage());
    Imported jx8 = Import(BuildForeignJx8p(MakeExampleM16CImage()));
    ASSERT_EQ(jx8.kind, kM16CKind);
    jx8.storage.resize(kM16CImageSize);
    EXPECT_EQ(jx8.storage, m16c);
    for (const Bytes& file :
         {BuildForeignM64C(MakeExampleM64CImage()), BuildForeignMks70(MakeExampleM64CImage(), 6208),
          BuildForeignMks70(MakeExampleM64CImage(), 9000)}) {
        const Imported imported = Import(file);
        ASSERT_EQ(imported.kind, kM64CKind) << file.size();
        EXPECT_EQ(imported.storage, m64c) << file.size();
    }
}

TEST(ImportBank, ImportedImagesAreCanonical) {
    // Whatever a file's header and tail held, an M-64C import carries the
    // fixed header and a zero tail; tones are cleaned, patches kept.
    Bytes raw = RawM64C(31);
    raw[kPatchOffset + 30] = 0xC3;
    const Imported m64c = Import(raw);
    ASSERT_EQ(m64c.kind, kM64CKind);
    EXPECT_TRUE(
        std::equal(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), m64c.storage.begin()));
    EXPECT_TRUE(std::all_of(m64c.storage.begin() + kM64CZeroTail, m64c.storage.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(m64c.storage[kPatchOffset + 30], 0xC3);
    for (size_t t = 0; t < 50; ++t) {
        const uint8_t* tone = m64c.storage.data() + kToneOffset + kToneRecordSize * t;
        EXPECT_EQ(tone[10], 0x20);
        EXPECT_TRUE(std::all_of(tone, tone + kToneRecordSize, [](uint8_t b) { return b < 0x80; }));
    }

    Bytes header = Import(RawM16C(32)).storage;
    EXPECT_TRUE(
        std::all_of(header.begin(), header.begin() + 159, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(header[159], 0x55);
}

TEST(ImportBank, RealCartridgeDumpsWithAnyFirstTwoBytesAreM16CImages) {
    const uint8_t firstBytes[][2] = {{0x00, 0x00}, {0xFF, 0xFF}, {0x97, 0xC0}, {0x16, 0xB4},
                                     {0x80, 0x01}, {0x1E, 0xE0}, {0x5F, 0xEC}};
    for (const auto& pair : firstBytes) {
        Bytes dump = RawM16C(40);
        dump[0] = pair[0];
        dump[1] = pair[1];
        const Imported imported = Import(dump);
        ASSERT_EQ(imported.kind, kM16CKind) << int{pair[0]} << " " << int{pair[1]};
        EXPECT_EQ(imported.storage[0], 0);
        EXPECT_EQ(imported.storage[1], 0);
    }
    // Only the 2048 row is tried for 2048 bytes, whatever else the data holds.
    Bytes lookAlike(2048, 0);
    std::memcpy(lookAlike.data() + 29, "Roland MKS-70", 13);
    std::memcpy(lookAlike.data() + 109, "Patches", 7);
    lookAlike[159] = 0x54;
    EXPECT_EQ(Probe(lookAlike), kUnknownKind);
}

TEST(ImportBank, CatchAllRowRefusesDataShorterThanItReads) {
    // A foreign MKS-70 file fills the buffer; shorter lengths must not be
    // judged or converted from the bytes that lie beyond them.
    Bytes buffer = BuildForeignMks70(RawM64C(50), kTransferBufferSize);
    const struct {
        int32_t length;
        BankKind expected;
    } cases[] = {
        {-1, kUnknownKind},   {-17408, kUnknownKind}, {0, kUnknownKind},      {1, kUnknownKind},
        {3252, kUnknownKind}, {6207, kUnknownKind},   {6208, kM64CKind},      {6209, kM64CKind},
        {12000, kM64CKind},   {17408, kM64CKind},     {17409 - 1, kM64CKind},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImportBank(nullptr, buffer.data(), c.length), c.expected) << c.length;
        Bytes storage(kBankStorageSize, 0xEE);
        EXPECT_EQ(ImportBank(storage.data(), buffer.data(), c.length), c.expected) << c.length;
        if (c.expected == kUnknownKind) {
            EXPECT_TRUE(
                std::all_of(storage.begin(), storage.end(), [](uint8_t b) { return b == 0xEE; }));
        }
    }
    for (int32_t length : {0, 2048, 6208, 16846}) {
        Bytes storage(kBankStorageSize, 0xEE);
        EXPECT_EQ(ImportBank(storage.data(), nullptr, length), kUnknownKind) << length;
        EXPECT_EQ(ImportBank(nullptr, nullptr, length), kUnknownKind) << length;
    }
}

TEST(ImportBank, OnlySignatureBytesAreExamined) {
    // Damaged later messages of a tone dump are converted as they stand.
    const Bytes bank = RawM16C(60);
    Bytes dump = BuildJx8pToneDump(bank, 0);
    for (size_t i = 67 * 4; i < 67 * 4 + 7; ++i) dump[i] = 0x00;
    dump[67 * 4 + 20] = 0x7E;
    const Imported imported = Import(dump);
    ASSERT_EQ(imported.kind, kM16CKind);
    EXPECT_EQ(imported.storage[kToneOffset + kToneRecordSize * 4 + 13], 0x7E);

    // The 257th byte of each foreign M-64C record is skipped.
    const Bytes m64c = RawM64C(61);
    Bytes foreign = BuildForeignM64C(m64c);
    for (size_t k = 0; k < 64; ++k) foreign[90 + 257 * k + 256] = 0xFF;
    EXPECT_EQ(Import(foreign).storage, Canonical(m64c));

    // Nibble bytes are joined unmasked, as stored files hold them.
    Bytes bulk = BuildJx10BulkStream(Canonical(m64c), 0);
    const size_t patchByte = kPatchOffset + 5;  // lies in block patchByte / 128
    const size_t at = 13 + 263 * (patchByte / 128) + 2 * (patchByte % 128);
    bulk[at] = 0x0A;
    bulk[at + 1] = 0x05;
    EXPECT_EQ(Import(bulk).storage[patchByte], 0xA5);
}

}  // namespace
