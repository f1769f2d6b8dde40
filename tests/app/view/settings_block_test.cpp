// The stored "Options" block and device names: what is read from bytes of
// any length, what is written back, and which stored values are refused.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/view/settings_block.h"
#include "tests/support/shell_recorder.h"

namespace {

struct ReadCase {
    std::vector<uint8_t> stored;
    int32_t synthType;
    int32_t midiChannel;
    bool shortBlock;
    bool synthReplaced;
    bool channelReplaced;
};

TEST(OptionsBlockRead, EveryLengthAndRange) {
    const ReadCase cases[] = {
        {{}, 0, 0, true, false, false},
        {{1}, 0, 0, true, false, false},
        {{1, 2}, 2, 0, true, false, false},
        {{1, 1, 9}, 1, 9, false, false, false},
        {{0, 2, 15, 0}, 2, 15, false, false, false},
        {{5, 1, 16, 7, 7}, 1, 16, false, false, false},
        {{1, 3, 4, 0, 0, 0}, 0, 4, false, true, false},
        {{1, 1, 17, 0, 0, 0, 0}, 1, 0, false, false, true},
        {{1, 255, 255, 1, 2, 3, 4, 5}, 0, 0, false, true, true},
        {{1, 3}, 0, 0, true, true, false},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE("stored size " + std::to_string(c.stored.size()));
        const OptionsReading r = ReadOptionsBlock(c.stored);
        EXPECT_EQ(r.synthType, c.synthType);
        EXPECT_EQ(r.midiChannel, c.midiChannel);
        EXPECT_EQ(r.shortBlock, c.shortBlock);
        EXPECT_EQ(r.synthReplaced, c.synthReplaced);
        EXPECT_EQ(r.channelReplaced, c.channelReplaced);
    }
}

TEST(OptionsBlockRead, ProblemsAreLoggedWithTheStoredValue) {
    shell_recorder::Reset();
    LogOptionsProblems(ReadOptionsBlock(std::vector<uint8_t>{1, 1, 3}));
    EXPECT_TRUE(shell_recorder::LogLines().empty());

    LogOptionsProblems(ReadOptionsBlock(std::vector<uint8_t>{1, 200, 42, 0}));
    const auto lines = shell_recorder::LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("200"), std::string::npos);
    EXPECT_NE(lines[1].find("42"), std::string::npos);

    shell_recorder::Reset();
    LogOptionsProblems(ReadOptionsBlock(std::vector<uint8_t>{}));
    EXPECT_EQ(shell_recorder::LogLines().size(), 1u);
}

TEST(OptionsBlockWrite, SizeNeverBelowFour) {
    const std::pair<size_t, size_t> cases[] = {{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {8, 8}};
    for (const auto& [stored, expected] : cases) {
        EXPECT_EQ(OptionsBlockSize(stored), expected) << "stored " << stored;
    }
}

struct StampCase {
    std::vector<uint8_t> before;  // the stored value, zero-padded to its block
    int32_t synthType;
    int32_t midiChannel;
    std::vector<uint8_t> after;
};

TEST(OptionsBlockWrite, MarkerSettingsAndKeptBytes) {
    const StampCase cases[] = {
        {{0, 0, 0, 0}, 1, 9, {1, 1, 9, 0}},
        {{5, 2, 2, 0}, 0, 16, {5, 0, 16, 0}},
        {{0, 0, 0, 0xAA, 1, 2, 3, 4}, 2, 15, {1, 2, 15, 0xAA, 1, 2, 3, 4}},
        {{0xFF, 9, 9, 9}, 0x102, 0x111, {0xFF, 2, 0x11, 9}},
    };
    for (const StampCase& c : cases) {
        std::vector<uint8_t> block = c.before;
        ASSERT_TRUE(StampOptionsBlock(block, c.synthType, c.midiChannel));
        EXPECT_EQ(block, c.after);
    }
    // Round trip: what is written reads back as the same settings.
    for (int32_t synth = 0; synth <= 2; ++synth) {
        for (int32_t channel = 0; channel <= 16; ++channel) {
            std::vector<uint8_t> block(OptionsBlockSize(0));
            ASSERT_TRUE(StampOptionsBlock(block, synth, channel));
            const OptionsReading r = ReadOptionsBlock(block);
            EXPECT_EQ(r.synthType, synth);
            EXPECT_EQ(r.midiChannel, channel);
        }
    }
}

TEST(OptionsBlockWrite, RefusesABlockTooShort) {
    for (size_t size = 0; size < kOptionsMinSize; ++size) {
        std::vector<uint8_t> block(size, 0x77);
        EXPECT_FALSE(StampOptionsBlock(block, 1, 1));
        EXPECT_EQ(block, std::vector<uint8_t>(size, 0x77));
    }
}

struct NameCase {
    std::string stored;  // bytes as the store returned them
    bool fits;
    std::string name;
};

TEST(DeviceName, AlwaysTerminatedAndNeverLongerThan127) {
    const std::string longest(127, 'x');
    const NameCase cases[] = {
        {std::string(), true, ""},
        {std::string("\0", 1), true, ""},
        {std::string("MIDI In\0", 8), true, "MIDI In"},
        {std::string("MIDI In"), true, "MIDI In"},
        {std::string("Out\0garbage", 11), true, "Out"},
        {longest, true, longest},
        {longest + std::string("\0", 1), true, longest},
        {std::string(128, 'y'), false, ""},
        {std::string(300, 'z') + std::string("\0", 1), false, ""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE("stored size " + std::to_string(c.stored.size()));
        std::array<char, kDeviceNameSize> name;
        name.fill('#');
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.stored.data());
        EXPECT_EQ(TakeDeviceName(std::span<const uint8_t>(bytes, c.stored.size()), name), c.fits);
        ASSERT_NE(std::memchr(name.data(), '\0', name.size()), nullptr);
        EXPECT_EQ(std::string(name.data()), c.name);
    }
}

}  // namespace
