// The input ring through the input callback, without a device: what each
// status byte leaves, the record layout across the wrap, the space rules,
// skipping, the reset on open and close, and distrust of the driver.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "midi/input_ring.h"
#include "midi/midi_port.h"

namespace {

void Short(uint32_t packed, uint32_t stamp = 0) {
    MidiInputCallback(nullptr, kMimData, 0, packed, stamp);
}

// Hands input slot 0 back as a driver would, holding `bytes`.
void Long(const std::vector<uint8_t>& bytes, uint32_t message = kMimLongData) {
    MidiHeader* h = MidiInputSlotHeader(0);
    if (!bytes.empty()) std::memcpy(h->lpData, bytes.data(), bytes.size());
    h->dwBytesRecorded = static_cast<uint32_t>(bytes.size());
    MidiInputCallback(nullptr, message, 0, reinterpret_cast<uintptr_t>(h), 0);
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

std::vector<uint8_t> Take() {
    std::vector<uint8_t> out(2048);
    const int32_t n = ReadInputMessage(out.data());
    out.resize(static_cast<size_t>(n));
    return out;
}

// Fills the ring with records until exactly `used` words are in use.
void FillTo(uint32_t used) {
    while (used - RingUsedWords() > 67) {
        const uint32_t rest = used - RingUsedWords();
        // 68 words (262 bytes) unless that would leave 1 or 2, which no
        // record can fill; then 40 words.
        if (rest - 68 == 0 || rest - 68 >= 3)
            Long(Pattern(262, 1));
        else
            Long(Pattern(38 * 4, 1));
    }
    const uint32_t rest = used - RingUsedWords();
    if (rest >= 3) Long(Pattern((rest - 2) * 4, 2));
    ASSERT_EQ(RingUsedWords(), used);
}

class InputRingTest : public ::testing::Test {
  protected:
    void SetUp() override { RingReset(); }
    void TearDown() override { RingReset(); }
};

// What every status byte leaves in the ring, by the MIDI meaning of its group.
int ExpectedLength(int status) {
    if (status < 0x80) return 0;
    if (status < 0xF0) {
        const int kind = status >> 4;
        return (kind == 0xC || kind == 0xD) ? 2 : 3;
    }
    switch (status) {
    case 0xF1:
    case 0xF3: return 2;  // quarter frame, song select
    case 0xF2: return 3;  // song position
    case 0xF7:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC: return 1;
    default: return 0;  // F0 (comes as long data), undefined, F6, FE, FF
    }
}

TEST_F(InputRingTest, EveryStatusByteLeavesItsLengthOrNothing) {
    for (int status = 0; status < 256; ++status) {
        RingReset();
        const uint32_t packed = static_cast<uint32_t>(status) | 0x5A4300u | 0x11000000u;
        Short(packed);
        const int expected = ExpectedLength(status);
        EXPECT_EQ(MessageLengthTable(static_cast<uint8_t>(status)), expected) << status;
        if (expected == 0) {
            EXPECT_EQ(PeekInputMessage(), 0) << "status " << status;
            continue;
        }
        EXPECT_EQ(PeekInputMessage(), expected) << "status " << status;
        const std::vector<uint8_t> bytes = Take();
        const std::vector<uint8_t> want = {static_cast<uint8_t>(status), 0x43, 0x5A};
        EXPECT_EQ(bytes, std::vector<uint8_t>(want.begin(), want.begin() + expected))
            << "status " << status;
        EXPECT_EQ(PeekInputMessage(), 0);
    }
}

TEST_F(InputRingTest, MoreDataIsStoredLikeData) {
    MidiInputCallback(nullptr, kMimMoreData, 0, 0x00403C90u, 7);
    EXPECT_EQ(Take(), (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
}

TEST_F(InputRingTest, RecordsReadBackUnbrokenAcrossTheWrap) {
    // Move both indices close to the end, so the next records wrap.
    for (uint32_t start : {8186u, 8189u, 8190u, 8191u}) {
        RingReset();
        FillTo(start);
        while (PeekInputMessage() != 0) ReadInputMessage(nullptr);
        ASSERT_EQ(RingUsedWords(), 0u);
        const auto first = Pattern(262, 9);
        const auto second = Pattern(5, 3);
        Long(first);
        Short(0x00057F90u);
        Long(second);
        EXPECT_EQ(Take(), first) << "start " << start;
        EXPECT_EQ(Take(), (std::vector<uint8_t>{0x90, 0x7F, 0x05})) << "start " << start;
        EXPECT_EQ(Take(), second) << "start " << start;
        EXPECT_EQ(PeekInputMessage(), 0);
    }
}

TEST_F(InputRingTest, ShortMessageNeedsAtMost8188WordsInUse) {
    struct Row {
        uint32_t used;
        bool stored;
    };
    for (Row row : {Row{8187, true}, Row{8188, true}, Row{8189, false}}) {
        RingReset();
        FillTo(row.used);
        Short(0x00004090u);
        EXPECT_EQ(RingUsedWords(), row.used + (row.stored ? 3 : 0)) << "used " << row.used;
    }
}

TEST_F(InputRingTest, LongRecordNeedsMoreThanDPlusTwoFreeWords) {
    for (uint32_t freeWords : {40u, 10u, 4u}) {
        const uint32_t used = kRingWords - freeWords;
        for (uint32_t d = freeWords - 4; d < freeWords; ++d) {
            if (d == 0) continue;
            RingReset();
            FillTo(used);
            Long(Pattern(d * 4, 4));
            const bool stored = freeWords > d + 2;
            EXPECT_EQ(RingUsedWords(), used + (stored ? d + 2 : 0)) << freeWords << " " << d;
        }
    }
    // A full ring keeps its records intact when more arrives.
    RingReset();
    FillTo(8191 - 2);
    Long(Pattern(262, 5));
    Short(0x00004090u);
    EXPECT_EQ(Take(), Pattern(262, 1));
}

TEST_F(InputRingTest, SkippingRemovesTheRecordWithoutCopying) {
    Long(Pattern(200, 6));
    Short(0x000005C0u);
    EXPECT_EQ(PeekInputMessage(), 200);
    EXPECT_EQ(ReadInputMessage(nullptr), 0);
    EXPECT_EQ(Take(), (std::vector<uint8_t>{0xC0, 0x05}));
    EXPECT_EQ(PeekInputMessage(), 0);
    EXPECT_EQ(ReadInputMessage(nullptr), 0);
}

TEST_F(InputRingTest, OpenAndCloseEmptyTheRing) {
    for (uint32_t message : {kMimOpen, kMimClose}) {
        Long(Pattern(100, 7));
        Short(0x00004090u);
        ASSERT_NE(PeekInputMessage(), 0);
        MidiInputCallback(nullptr, message, 0, 0, 0);
        EXPECT_EQ(PeekInputMessage(), 0);
        EXPECT_EQ(RingUsedWords(), 0u);
        Short(0x00004090u);  // and it fills again from there
        EXPECT_EQ(Take().size(), 3u);
    }
}

TEST_F(InputRingTest, DriverIsTrustedNoFurtherThanTheSlot) {
    // A byte count beyond the 262 bytes offered is cut to 262.
    MidiHeader* h = MidiInputSlotHeader(1);
    std::memset(h->lpData, 0x22, kInputSlotSize);
    h->dwBytesRecorded = 5000;
    MidiInputCallback(nullptr, kMimLongError, 0, reinterpret_cast<uintptr_t>(h), 0);
    EXPECT_EQ(PeekInputMessage(), 262);
    EXPECT_EQ(Take(), std::vector<uint8_t>(262, 0x22));
    // A header that is not one of ours, or an empty slot, stores nothing.
    MidiHeader foreign{};
    char data[16] = {};
    foreign.lpData = data;
    foreign.dwBytesRecorded = 8;
    MidiInputCallback(nullptr, kMimLongData, 0, reinterpret_cast<uintptr_t>(&foreign), 0);
    MidiInputCallback(nullptr, kMimLongData, 0, 0, 0);
    Long({});
    MidiInputCallback(nullptr, kMimError, 0, 0x90, 0);
    EXPECT_EQ(PeekInputMessage(), 0);
}

}  // namespace
