// The message builders and the three bank streams, checked against the
// message framing: channel bytes, lengths, record numbers, nibbles and
// checksums.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bank/bank_import.h"
#include "bank/sysex.h"
#include "tests/bank/bank_layouts.h"

namespace {

// Splits a stream into its messages (F0 .. F7); an incomplete message fails.
std::vector<Bytes> SplitMessages(const Bytes& stream) {
    std::vector<Bytes> messages;
    size_t start = 0;
    for (size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] == kSysexEnd) {
            messages.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(start),
                                  stream.begin() + static_cast<std::ptrdiff_t>(i + 1));
            start = i + 1;
        }
    }
    EXPECT_EQ(start, stream.size()) << "stream ends inside a message";
    return messages;
}

Bytes NormalizedM64C(uint32_t seed) {
    Bytes image = MakeRandomImage(seed, kM64CImageSize);
    NormalizeM64CImage(std::span<uint8_t, kM64CImageSize>(image));
    return image;
}

Bytes NormalizedM16C(uint32_t seed) {
    Bytes image = MakeRandomImage(seed, kM16CImageSize);
    image[0] = 0;
    image[1] = 0;
    image[159] = 0x55;
    NormalizeM16CImage(std::span<uint8_t, kM16CImageSize>(image));
    return image;
}

struct StreamShape {
    const char* name;
    Bytes (*build)(uint8_t channel);
    size_t messageCount;
};

const StreamShape kStreams[] = {
    {"JX-8P", [](uint8_t ch) { return BuildJx8pBankStream(NormalizedM16C(1), ch); }, 64},
    {"MKS-70", [](uint8_t ch) { return BuildMks70BankStream(NormalizedM64C(2), ch); }, 114},
    {"JX-10", [](uint8_t ch) { return BuildJx10BulkStream(NormalizedM64C(3), ch); }, 66},
};

TEST(BankStreams, EveryMessageCarriesTheChannelByteUnchanged) {
    for (const StreamShape& shape : kStreams) {
        for (uint8_t channel : {uint8_t{0}, uint8_t{15}, uint8_t{16}}) {
            const std::vector<Bytes> messages = SplitMessages(shape.build(channel));
            ASSERT_EQ(messages.size(), shape.messageCount) << shape.name;
            for (size_t m = 0; m < messages.size(); ++m) {
                ASSERT_EQ(messages[m][0], kSysexStart) << shape.name << " message " << m;
                ASSERT_EQ(messages[m][1], kRolandId) << shape.name << " message " << m;
                ASSERT_EQ(messages[m][3], channel) << shape.name << " message " << m;
            }
        }
    }
}

TEST(Jx8pBankStream, AlternatesToneAndNumberedProgramMessages) {
    const Bytes image = NormalizedM16C(5);
    const std::vector<Bytes> messages = SplitMessages(BuildJx8pBankStream(image, 4));
    for (size_t i = 0; i < 32; ++i) {
        const Bytes& tone = messages[2 * i];
        ASSERT_EQ(tone.size(), kJx8pToneMessageSize);
        EXPECT_TRUE(std::equal(
            tone.begin() + 7, tone.end() - 1,
            image.begin() + static_cast<std::ptrdiff_t>(kToneOffset + kToneRecordSize * i)));
        const Bytes expected = {
            0xF0, 0x41, 0x34, 0x04, 0x21, 0x20, 0x01, 0x00, static_cast<uint8_t>(i), 0x02, 0xF7};
        EXPECT_EQ(messages[2 * i + 1], expected) << "program message " << i;
    }
}

TEST(Mks70BankStream, PatchesAsNibblesThenTonesAsTheyAre) {
    Bytes image = NormalizedM64C(6);
    image[kPatchOffset + 20] = 0xFF;
    image[kPatchOffset + 21] = 0x5A;
    const Bytes stream = BuildMks70BankStream(image, 0);
    EXPECT_EQ(stream[9 + 40], 0x0F);
    EXPECT_EQ(stream[9 + 41], 0x0F);
    EXPECT_EQ(stream[9 + 42], 0x05);
    EXPECT_EQ(stream[9 + 43], 0x0A);
    // Record numbers and selectors; where the records land is the round
    // trip's business.
    const std::vector<Bytes> messages = SplitMessages(stream);
    for (size_t m = 0; m < 114; ++m) {
        const bool patch = m < 64;
        ASSERT_EQ(messages[m].size(), patch ? kMks70PatchMessageSize : kMks70ToneMessageSize) << m;
        EXPECT_EQ(messages[m][5], patch ? kMks70PatchSelector : kMks70ToneSelector) << m;
        EXPECT_EQ(messages[m][8], patch ? m : m - 64) << m;
    }
    EXPECT_EQ(stream[kMks70ToneStreamOffset], kSysexStart);
    EXPECT_EQ(stream[kMks70ToneStreamOffset + 8], 0);
}

TEST(Jx10BulkStream, BlocksSumToMultiplesOf128AndCarryTheWholeImage) {
    const Bytes image = NormalizedM64C(8);
    const Bytes stream = BuildJx10BulkStream(image, 16);
    const Bytes wsd = {0xF0, 0x41, 0x40, 0x10, 0x24, 0x64, 0x1C, 0xF7};
    EXPECT_TRUE(std::equal(wsd.begin(), wsd.end(), stream.begin()));
    for (size_t b = 0; b < 64; ++b) {
        const uint8_t* block = stream.data() + kJx10FirstBlockOffset + kDatMessageSize * b;
        unsigned sum = 0;
        for (size_t i = 5; i <= 261; ++i) sum += block[i];
        ASSERT_EQ(sum % 128, 0u) << "block " << b;
        for (size_t j = 0; j < 128; ++j) {
            ASSERT_EQ(JoinNibbles(block[5 + 2 * j], block[6 + 2 * j]), image[128 * b + j]);
        }
    }
    // Block 0 carries the fixed header's first 128 bytes: nibble sum 41.
    EXPECT_EQ(stream[kJx10FirstBlockOffset + 261], 0x57);
    const Bytes tail = {0xF7, 0xF0, 0x41, 0x45, 0x10, 0x24, 0xF7};
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), stream.begin() + 16839));
}

TEST(Encoders, WriteExactlyTheirStreamLength) {
    const Bytes m16c = NormalizedM16C(9);
    const Bytes m64c = NormalizedM64C(10);
    Bytes out(kJx10BulkStreamSize + 64, 0xEE);
    EncodeJx8pBank(std::span<const uint8_t, kM16CImageSize>(m16c),
                   std::span<uint8_t, kJx8pBankStreamSize>(out.data(), kJx8pBankStreamSize), 0);
    EXPECT_TRUE(std::all_of(out.begin() + kJx8pBankStreamSize, out.end(),
                            [](uint8_t b) { return b == 0xEE; }));
    EncodeMks70Bank(std::span<const uint8_t, kM64CImageSize>(m64c),
                    std::span<uint8_t, kMks70BankStreamSize>(out.data(), kMks70BankStreamSize), 0);
    EXPECT_TRUE(std::all_of(out.begin() + kMks70BankStreamSize, out.end(),
                            [](uint8_t b) { return b == 0xEE; }));
    EncodeJx10Bulk(std::span<const uint8_t, kM64CImageSize>(m64c),
                   std::span<uint8_t, kJx10BulkStreamSize>(out.data(), kJx10BulkStreamSize), 0);
    EXPECT_TRUE(std::all_of(out.begin() + kJx10BulkStreamSize, out.end(),
                            [](uint8_t b) { return b == 0xEE; }));
}

TEST(SingleMessages, HandshakesAndParameterMessagesAreFramedAndSummed) {
    using A = std::vector<uint8_t>;
    const auto wsd16 = MakeKindHandshake(kWsdOp, 3, 0x16);
    EXPECT_EQ(A(wsd16.begin(), wsd16.end()), (A{0xF0, 0x41, 0x40, 0x03, 0x24, 0x16, 0x6A, 0xF7}));
    const auto rqd64 = MakeKindHandshake(kRqdOp, 0, 0x64);
    EXPECT_EQ(A(rqd64.begin(), rqd64.end()), (A{0xF0, 0x41, 0x41, 0x00, 0x24, 0x64, 0x1C, 0xF7}));
    const auto ack = MakeShortHandshake(kAckOp, 16);
    EXPECT_EQ(A(ack.begin(), ack.end()), (A{0xF0, 0x41, 0x43, 0x10, 0x24, 0xF7}));
    const auto parameter = MakeJx8pParameterMessage(1, 0x07, 0x1F);
    EXPECT_EQ(A(parameter.begin(), parameter.end()),
              (A{0xF0, 0x41, 0x36, 0x01, 0x21, 0x30, 0x01, 0x07, 0x1F, 0xF7}));

    // Blocks of all zeros and of all FFh both sum to a multiple of 128 alone.
    for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
        std::array<uint8_t, kDatBlockBytes> data;
        data.fill(fill);
        std::array<uint8_t, kDatMessageSize> message{};
        MakeDatMessage(2, data, message);
        EXPECT_EQ(message[261], 0x00) << int{fill};
        EXPECT_EQ(message[262], kSysexEnd);
    }
}

// The tone head is what both the bank search and the recognizers test; the
// channel byte may hold anything, every other head byte must match.
TEST(HasJx8pToneHead, ExaminesEveryHeadByteButTheChannel) {
    using A = std::vector<uint8_t>;
    const struct {
        const char* name;
        A bytes;
        bool tone;
    } cases[] = {
        {"channel 0", {0xF0, 0x41, 0x35, 0x00, 0x21, 0x20, 0x01}, true},
        {"channel 10h, more bytes", {0xF0, 0x41, 0x35, 0x10, 0x21, 0x20, 0x01, 0x41, 0xF7}, true},
        {"channel 7Fh", {0xF0, 0x41, 0x35, 0x7F, 0x21, 0x20, 0x01}, true},
        {"six bytes", {0xF0, 0x41, 0x35, 0x00, 0x21, 0x20}, true},
        {"five bytes", {0xF0, 0x41, 0x35, 0x00, 0x21}, false},
        {"no F0", {0xF8, 0x41, 0x35, 0x00, 0x21, 0x20, 0x01}, false},
        {"another maker", {0xF0, 0x43, 0x35, 0x00, 0x21, 0x20, 0x01}, false},
        {"program message", {0xF0, 0x41, 0x34, 0x00, 0x21, 0x20, 0x01}, false},
        {"JX-10 model", {0xF0, 0x41, 0x35, 0x00, 0x24, 0x20, 0x01}, false},
        {"parameter group", {0xF0, 0x41, 0x35, 0x00, 0x21, 0x30, 0x01}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasJx8pToneHead(c.bytes), c.tone) << c.name;
}

}  // namespace
