// Which sounds can be heard and why not, and the message a selected tone
// becomes: the expected bytes come from the layout builders, the banks from
// the example images (top bits set, byte 10 not a blank, as files carry
// them).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/core/audition.h"
#include "app/core/bank_document.h"
#include "ground/settings.h"
#include "tests/bank/bank_layouts.h"
#include "transfer/audition.h"
#include "transfer/transfer.h"

namespace {

AppSettings Settings(int32_t synth, int32_t channel) {
    AppSettings settings;
    settings.synthType = synth;
    settings.midiChannel = channel;
    return settings;
}

BankDocument Document(BankKind kind, const Bytes& image, Slot selected) {
    BankStorage storage{};
    std::copy(image.begin(), image.end(), storage.begin());
    BankDocument document;
    EXPECT_TRUE(CommitBank(document, BankOrigin::Made, kind, storage));
    document.selection.first = selected;
    return document;
}

struct MessageRow {
    const char* name;
    int32_t synth;
    int32_t channel;
    BankKind kind;
    int tone;
};

class AuditionMessageTest : public ::testing::TestWithParam<MessageRow> {};

TEST_P(AuditionMessageTest, TheSelectedToneInCanonicalForm) {
    const MessageRow row = GetParam();
    const Bytes image = row.kind == kM16CKind ? MakeExampleM16CImage() : MakeExampleM64CImage();
    const BankDocument document = Document(row.kind, image, {SlotTable::Tone, row.tone});
    const AppSettings settings = Settings(row.synth, row.channel);
    ASSERT_EQ(SelectionAuditionBlock(document, settings, false), AuditionBlock::None);

    TransferJob job;
    PrepareAuditionJob(job, settings, SelectedTone(document));
    AuditionMessage message{};
    ASSERT_TRUE(MakeAuditionMessage(job.settings.synthType, ChannelByte(job.settings),
                                    job.auditionTone, message));

    const uint8_t channel = static_cast<uint8_t>(row.channel);
    const Bytes canonical = CanonicalImage(image);
    const uint8_t* record = ToneRecordOf(canonical, static_cast<size_t>(row.tone));
    Bytes expected;
    if (row.synth == kSynthJx8p)
        PutJx8pTone(expected, channel, record);
    else
        PutMks70ToneParameters(expected, channel, 0x01, record);
    ASSERT_EQ(expected.size(), 67u);
    EXPECT_EQ(Bytes(message.begin(), message.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AuditionMessageTest,
    ::testing::Values(MessageRow{"Jx8pChannel1", kSynthJx8p, 0, kM16CKind, 3},
                      MessageRow{"Jx8pChannel16", kSynthJx8p, 15, kM16CKind, 31},
                      MessageRow{"Mks70WithJx8pTone", kSynthMks70, 0, kM16CKind, 0},
                      MessageRow{"Mks70WithM64CTone", kSynthMks70, 15, kM64CKind, 49}),
    [](const auto& test) { return std::string(test.param.name); });

struct RefusalRow {
    const char* name;
    bool loaded;
    SlotTable table;
    int32_t synth;
    int32_t channel;
    bool busy;
    AuditionBlock block;
    bool gray;
};

class AuditionRefusalTest : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(AuditionRefusalTest, BlockGrayAndReason) {
    const RefusalRow row = GetParam();
    BankDocument document;
    if (row.loaded) document = Document(kM64CKind, MakeExampleM64CImage(), {row.table, 2});
    const AuditionBlock block =
        SelectionAuditionBlock(document, Settings(row.synth, row.channel), row.busy);
    EXPECT_EQ(block, row.block);
    EXPECT_EQ(GraysAudition(block), row.gray);
    EXPECT_EQ(AuditionBlockText(block).empty(), block == AuditionBlock::None);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AuditionRefusalTest,
    ::testing::Values(
        RefusalRow{"Heard", true, SlotTable::Tone, kSynthMks70, 4, false, AuditionBlock::None,
                   false},
        RefusalRow{"Jx8pHearsAnM64CTone", true, SlotTable::Tone, kSynthJx8p, 0, false,
                   AuditionBlock::None, false},
        RefusalRow{"NoBank", false, SlotTable::Tone, kSynthJx8p, 0, false, AuditionBlock::NoBank,
                   true},
        RefusalRow{"Busy", true, SlotTable::Tone, kSynthJx8p, 0, true, AuditionBlock::Busy, true},
        RefusalRow{"Jx10", true, SlotTable::Tone, kSynthJx10, 0, false, AuditionBlock::Jx10, true},
        RefusalRow{"Patch", true, SlotTable::Patch, kSynthMks70, 0, false, AuditionBlock::Patch,
                   true},
        // Not gray: the command shows the box the transmit shows.
        RefusalRow{"Auto", true, SlotTable::Tone, kSynthMks70, kChannelAuto, false,
                   AuditionBlock::ChannelAuto, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(AuditionBlockForTest, TheLibraryAsksByKind) {
    const AppSettings mks70 = Settings(kSynthMks70, 0);
    EXPECT_EQ(AuditionBlockFor(mks70, false, AuditionSound::Tone), AuditionBlock::None);
    EXPECT_EQ(AuditionBlockFor(mks70, false, AuditionSound::Patch), AuditionBlock::Patch);
    EXPECT_EQ(AuditionBlockFor(mks70, true, AuditionSound::Tone), AuditionBlock::Busy);
}

}  // namespace
