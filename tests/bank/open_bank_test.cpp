// The open pipeline's results and the choice and encoding of a bank's
// stream: the one place the open and save flows, the transfers and vexa-cli
// take them from.
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
    BankKind kind;
};

TEST(OpenBankFile, GivesOneResultForEachWayAFileCanEnd) {
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes m64c = MakeExampleM64CImage();
    const OpenCase cases[] = {
        {"jx8p.syx", BuildJx8pBankStream(m16c, 0), OpenBankResult::Opened, kM16CKind},
        {"jx10.syx", BuildJx10BulkStream(m64c, 3), OpenBankResult::Opened, kM64CKind},
        {"noise.bin", Bytes(2496, 0x55), OpenBankResult::NotABank, kUnknownKind},
        {"empty.syx", Bytes(), OpenBankResult::NotABank, kUnknownKind},
        {"big.syx", Bytes(kTransferBufferSize + 1, 0), OpenBankResult::TooLarge, kUnknownKind},
        {"", Bytes(), OpenBankResult::CannotOpen, kUnknownKind},
    };
    TempFolder folder;
    static std::array<uint8_t, kTransferBufferSize> buffer;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.File(*c.name ? c.name : "missing.syx");
        if (*c.name) WriteBytes(path, c.file);
        BankStorage image;
        image.fill(0xEE);
        OpenedBankFile opened;
        EXPECT_EQ(OpenBankFile(path.c_str(), buffer, image, opened), c.result);
        EXPECT_EQ(opened.kind, c.kind);
        EXPECT_EQ(opened.fileSize, *c.name ? static_cast<int32_t>(c.file.size()) : -1);
        const bool read =
            c.result == OpenBankResult::Opened || c.result == OpenBankResult::NotABank;
        EXPECT_EQ(opened.length, read ? static_cast<int32_t>(c.file.size()) : -1);
        // Only an opened bank touches the image.
        const bool untouched =
            std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == 0xEE; });
        EXPECT_EQ(untouched, c.result != OpenBankResult::Opened);
    }
}

TEST(OpenBankFile, HoldsWhatTheConvertingCallMakesOfTheFile) {
    const Bytes stream = BuildMks70BankStream(MakeRandomImage(5, kM64CImageSize), 0);
    TempFolder folder;
    WriteBytes(folder.File("b.syx"), stream);
    static std::array<uint8_t, kTransferBufferSize> buffer;
    BankStorage image{};
    OpenedBankFile opened;
    ASSERT_EQ(OpenBankFile(folder.File("b.syx").c_str(), buffer, image, opened),
              OpenBankResult::Opened);
    BankStorage expected{};
    ASSERT_EQ(ImportBank(expected.data(), stream.data(), static_cast<int32_t>(stream.size())),
              kM64CKind);
    EXPECT_EQ(image, expected);
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), buffer.begin()));
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
        if (c.stream != BankStream::None) EXPECT_EQ(BankStreamKind(c.stream), c.kind);
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
