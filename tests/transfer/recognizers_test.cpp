// The recognizers' judgements of single messages: which messages are passed
// over, which are accepted, which fail the transfer.
#include <gtest/gtest.h>

#include <vector>

#include "bank/sysex.h"
#include "transfer/recognizers.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Message(std::initializer_list<uint8_t> head, size_t length) {
    Bytes m(head);
    m.resize(length, 0x00);
    m[length - 1] = 0xF7;
    return m;
}

Bytes Without(Bytes m, size_t index, uint8_t value) {
    m[index] = value;
    return m;
}

Bytes Cut(Bytes m, size_t length) {
    m.resize(length);
    return m;
}

// A DatMessage whose 257 summed bytes add up to `sum` (mod 256).
Bytes Dat(uint8_t channel, uint8_t sum, size_t length = kDatMessageSize) {
    Bytes m = Message({0xF0, 0x41, 0x42, channel, 0x24}, kDatMessageSize);
    for (size_t i = 5; i < 5 + 256; ++i) m[i] = static_cast<uint8_t>(i & 0x0F);
    uint8_t total = 0;
    for (size_t i = 5; i < 5 + 256; ++i) total = static_cast<uint8_t>(total + m[i]);
    m[261] = static_cast<uint8_t>(sum - total);
    m.resize(length);
    return m;
}

struct Row {
    const char* what;
    Bytes bytes;
    int32_t expected;
};

void Check(int32_t (*judge)(const uint8_t*, int32_t, uint8_t), uint8_t channel,
           const std::vector<Row>& rows) {
    for (const Row& row : rows)
        EXPECT_EQ(judge(row.bytes.data(), static_cast<int32_t>(row.bytes.size()), channel),
                  row.expected)
            << row.what;
}

TEST(Recognizers, Jx8pTone) {
    const Bytes tone = Message({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 67);
    Check(JudgeJx8pTone, 0x02,
          {
              {"whole tone", tone, 0x35},
              {"one byte short", Cut(tone, 66), -1},
              {"truncated and closed", Message({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 40), -1},
              {"no final F7", Without(tone, 66, 0x00), -1},
              {"too long", Message({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 68), -1},
              {"other channel", Without(tone, 3, 0x03), 0},
              {"other model", Without(tone, 4, 0x24), 0},
              {"other selector", Without(tone, 5, 0x30), 0},
              {"other manufacturer", Without(tone, 1, 0x43), 0},
              {"program message", Message({0xF0, 0x41, 0x34, 0x02, 0x21, 0x20}, 11), 0},
              {"header only, five bytes", Cut(tone, 5), 0},
              {"short message", {0xC2, 0x05}, 0},
              {"nothing", {}, 0},
          });
}

TEST(Recognizers, Mks70Dump) {
    const Bytes patch = Message({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 106);
    const Bytes tone = Message({0xF0, 0x41, 0x37, 0x00, 0x24, 0x20}, 69);
    Check(JudgeMks70Dump, 0x00,
          {
              {"patch", patch, 0x30},
              {"tone", tone, 0x20},
              {"patch at tone length", Message({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 69), -1},
              {"tone at patch length", Message({0xF0, 0x41, 0x37, 0x00, 0x24, 0x20}, 106), -1},
              {"patch without F7", Without(patch, 105, 0x7F), -1},
              {"tone cut short", Cut(tone, 68), -1},
              {"other selector", Without(tone, 5, 0x25), 0},
              {"other channel", Without(patch, 3, 0x01), 0},
              {"JX-8P model", Without(patch, 4, 0x21), 0},
              {"other operation", Without(patch, 2, 0x36), 0},
          });
}

TEST(Recognizers, Jx10Handshake) {
    const uint8_t ch = 0x05;
    auto shortOne = [&](uint8_t op, size_t length = 6) {
        return Message({0xF0, 0x41, op, ch, 0x24}, length);
    };
    auto kind = [&](uint8_t op, uint8_t kindByte, uint8_t checksum) {
        Bytes m = Message({0xF0, 0x41, op, ch, 0x24}, 8);
        m[5] = kindByte;
        m[6] = checksum;
        return m;
    };
    Check(JudgeJx10Handshake, ch,
          {
              {"ack", shortOne(0x43), 0x43},
              {"eof", shortOne(0x45), 0x45},
              {"err", shortOne(0x4E), 0x4E},
              {"rjc", shortOne(0x4F), 0x4F},
              {"ack of 7 bytes", shortOne(0x43, 7), -1},
              {"ack of 5 bytes", Cut(shortOne(0x43), 5), 0},
              {"wsd adding up to 0x80", kind(0x40, 0x64, 0x1C), 0x40},
              {"rqd adding up to 0x100", kind(0x41, 0x16, 0xEA), 0x41},
              {"wsd adding up to 0x81", kind(0x40, 0x64, 0x1D), -1},
              {"wsd of 9 bytes", Message({0xF0, 0x41, 0x40, ch, 0x24, 0x64, 0x1C}, 9), -1},
              {"dat of 263 bytes", Dat(ch, 0x00), 0x42},
              {"dat record of 262 bytes", Dat(ch, 0x80, 262), 0x42},
              {"dat of 261 bytes", Dat(ch, 0x00, 261), -1},
              {"dat with a bad sum", Dat(ch, 0x01), -1},
              {"command 44", shortOne(0x44), 0},
              {"command 46", shortOne(0x46), 0},
              {"command 4D", shortOne(0x4D), 0},
              {"command 50", shortOne(0x50), 0},
              {"command 3F", shortOne(0x3F), 0},
              {"other channel", Without(shortOne(0x43), 3, 0x06), 0},
              {"other model", Without(shortOne(0x43), 4, 0x21), 0},
              {"other manufacturer", Without(shortOne(0x43), 1, 0x42), 0},
              {"not exclusive", Without(shortOne(0x43), 0, 0xF1), 0},
          });
}

// Listening on every channel ("Auto" before the synthesizer has spoken):
// channels 0..15 are taken and judged as usual; a channel byte above 0Fh,
// which no synthesizer sends, is passed over.
TEST(Recognizers, AnyChannel) {
    Check(JudgeJx10Handshake, kAnyChannel,
          {
              {"RqdMessage on channel 1", {0xF0, 0x41, 0x41, 0x00, 0x24, 0x64, 0x1C, 0xF7}, 0x41},
              {"AckMessage on channel 16", {0xF0, 0x41, 0x43, 0x0F, 0x24, 0xF7}, 0x43},
              {"channel byte 10h", {0xF0, 0x41, 0x43, 0x10, 0x24, 0xF7}, kSkipMessage},
              {"AckMessage of 7 bytes", {0xF0, 0x41, 0x43, 0x05, 0x24, 0x00, 0xF7}, kRejectMessage},
          });
    Check(JudgeMks70Dump, kAnyChannel,
          {
              {"tone on channel 12", Message({0xF0, 0x41, 0x37, 0x0B, 0x24, 0x20}, 69), 0x20},
              {"tone on channel byte 7Fh", Message({0xF0, 0x41, 0x37, 0x7F, 0x24, 0x20}, 69),
               kSkipMessage},
          });
    Check(JudgeJx8pTone, kAnyChannel,
          {
              {"tone on channel 4", Message({0xF0, 0x41, 0x35, 0x03, 0x21, 0x20}, 67), 0x35},
              {"tone cut short", Message({0xF0, 0x41, 0x35, 0x03, 0x21, 0x20}, 66), kRejectMessage},
          });
}

}  // namespace
