// The open pipeline's results (one bank, several, none) and the choice and
// encoding of a bank's stream: the one place the open and save flows, the
// transfers and vexa-cli take them from.
#include <gtest/gtest.h>

#include <algorithm>

#include "bank/bank_import.h"
#include "bank/bank_stream.h"
#include "bank/open_bank.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/temp_folder.h"

namespace {

struct OpenCase {
    const char* name;
    Bytes file;  // empty name: no file at all
    OpenBankResult result;
    size_t banks;
};

Bytes EightJx8pBanks() {
    Bytes file;
    for (uint32_t seed = 0; seed < 8; ++seed) {
        Bytes image = MakeRandomImage(seed, kM16CImageSize);
        image[159] = 0x55;
        for (size_t i = kToneOffset; i < image.size(); ++i) image[i] &= 0x7F;
        const Bytes stream = BuildJx8pBankStream(image, 0);
        file.insert(file.end(), stream.begin(), stream.end());
    }
    return file;
}

TEST(OpenBankFile, GivesOneResultForEachWayAFileCanEnd) {
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes m64c = MakeExampleM64CImage();
    const OpenCase cases[] = {
        {"jx8p.syx", BuildJx8pBankStream(m16c, 0), OpenBankResult::Opened, 1},
        {"jx10.syx", BuildJx10BulkStream(m64c, 3), OpenBankResult::Opened, 1},
        {"eight.syx", EightJx8pBanks(), OpenBankResult::Opened, 8},
        {"noise.bin", Bytes(2496, 0x55), OpenBankResult::NotABank, 0},
        {"empty.syx", Bytes(), OpenBankResult::NotABank, 0},
        {"largest.bin", Bytes(kLargestBankFile, 0), OpenBankResult::NotABank, 0},
        {"big.syx", Bytes(kLargestBankFile + 1, 0), OpenBankResult::TooLarge, 0},
        {"", Bytes(), OpenBankResult::CannotOpen, 0},
    };
    TempFolder folder;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.File(*c.name ? c.name : "missing.syx");
        if (*c.name) WriteBytes(path, c.file);
        OpenedBankFile opened;
        EXPECT_EQ(OpenBankFile(path.c_str(), opened), c.result);
        EXPECT_EQ(opened.found.banks.size(), c.banks);
        EXPECT_EQ(opened.fileSize, *c.name ? static_cast<int32_t>(c.file.size()) : -1);
        const bool read =
            c.result == OpenBankResult::Opened || c.result == OpenBankResult::NotABank;
        EXPECT_EQ(opened.length, read ? static_cast<int32_t>(c.file.size()) : -1);
        EXPECT_EQ(opened.found.reason.empty(), c.result != OpenBankResult::NotABank);
    }
}

TEST(OpenBankFile, HoldsWhatTheConvertingCallMakesOfTheFile) {
    const Bytes stream = BuildMks70BankStream(MakeRandomImage(5, kM64CImageSize), 0);
    TempFolder folder;
    WriteBytes(folder.File("b.syx"), stream);
    OpenedBankFile opened;
    ASSERT_EQ(OpenBankFile(folder.File("b.syx").c_str(), opened), OpenBankResult::Opened);
    BankStorage image{};
    EXPECT_EQ(PutFoundBank(opened.found.banks[0], image), kM64CKind);
    BankStorage expected{};
    ASSERT_EQ(ImportBank(expected.data(), stream.data(), static_cast<int32_t>(stream.size())),
              kM64CKind);
    EXPECT_EQ(image, expected);

    // An M-16C bank leaves the storage beyond its 2048 bytes as it was.
    WriteBytes(folder.File("c.syx"), EightJx8pBanks());
    ASSERT_EQ(OpenBankFile(folder.File("c.syx").c_str(), opened), OpenBankResult::Opened);
    image.fill(0xEE);
    EXPECT_EQ(PutFoundBank(opened.found.banks[7], image), kM16CKind);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + kM16CImageSize,
                           opened.found.banks[7].image.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + kM16CImageSize, image.end(),
                            [](uint8_t b) { return b == 0xEE; }));
}

TEST(SaveAsStream, FollowsTheKindAndForAnM64CBankTheSynthesizer) {
    struct Case {
        BankKind kind;
        int32_t synth;
        BankStream stream;
    };
    const Case cases[] = {
        {kM16CKind, kSynthJx8p, BankStream::Jx8pBank},
        {kM16CKind, kSynthJx10, BankStream::Jx8pBank},
        {kM16CKind, kSynthMks70, BankStream::Jx8pBank},
        {kM64CKind, kSynthJx10, BankStream::Jx10Bulk},
        {kM64CKind, kSynthMks70, BankStream::Mks70Bank},
        {kM64CKind, kSynthJx8p, BankStream::Mks70Bank},
        {kUnknownKind, kSynthJx10, BankStream::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << "/" << c.synth);
        EXPECT_EQ(SaveAsStream(c.kind, c.synth), c.stream);
        if (c.stream != BankStream::None) {
            EXPECT_EQ(BankStreamKind(c.stream), c.kind);
        }
    }
}

TEST(EncodeBankStream, WritesNothingWhenTheBuffersAreTooSmall) {
    const Bytes m64c = MakeExampleM64CImage();
    Bytes out(kJx10BulkStreamSize, 0xEE);
    EXPECT_EQ(EncodeBankStream(BankStream::Jx10Bulk, std::span(m64c).first(kM16CImageSize), out, 0),
              0u);
    EXPECT_EQ(EncodeBankStream(BankStream::Jx10Bulk, m64c, std::span(out).first(100), 0), 0u);
    EXPECT_EQ(EncodeBankStream(BankStream::None, m64c, out, 0), 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(EncodeBankStream(BankStream::Jx10Bulk, m64c, out, 0), kJx10BulkStreamSize);
    EXPECT_EQ(out, BuildJx10BulkStream(m64c, 0));
}

}  // namespace
