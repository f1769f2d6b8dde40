// Audition on the worker: the one edit-buffer message goes out and the
// scripted synthesizer takes it into its edit buffer with its memory as it
// was; "Auto", a JX-10 and failures send nothing more.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ground/commands.h"
#include "ground/settings.h"
#include "tests/peers/bank_content.h"
#include "tests/peers/jx8p_peer.h"
#include "tests/peers/mks70_peer.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

// A tone record as the layout describes it: 10 name bytes, byte 10 a
// blank, 48 parameter bytes of 0..7Fh.
std::vector<uint8_t> CleanTone() {
    std::vector<uint8_t> tone = {'H', 'O', 'R', 'N', ' ', 'S', 'L', 'O', 'W', ' ', ' '};
    for (int i = 0; i < 48; ++i) tone.push_back(static_cast<uint8_t>((i * 37 + 5) & 0x7F));
    return tone;
}

// The same tone as a foreign file may leave it: top bits set, byte 10 zero.
std::vector<uint8_t> DirtyTone() {
    std::vector<uint8_t> tone = CleanTone();
    tone[10] = 0x00;
    tone[11] |= 0x80;
    tone[58] |= 0x80;
    return tone;
}

std::vector<uint8_t> ExpectedMessage(uint8_t channel, uint8_t model) {
    std::vector<uint8_t> m = {0xF0, 0x41, 0x35, channel, model, 0x20, 0x01};
    const std::vector<uint8_t> tone = CleanTone();
    m.insert(m.end(), tone.begin(), tone.end());
    m.push_back(0xF7);
    return m;
}

struct HeardRow {
    const char* name;
    int32_t synth;
    int32_t channel;  // the setting: 0..15
    bool dirty;
    uint8_t model;
};

class AuditionHeardTest : public TransferTest, public ::testing::WithParamInterface<HeardRow> {};

TEST_P(AuditionHeardTest, OneMessageIntoTheEditBufferAndMemoryUntouched) {
    const HeardRow row = GetParam();
    UseSynth(row.synth, row.channel);
    const std::vector<uint8_t> tone = row.dirty ? DirtyTone() : CleanTone();
    std::copy(tone.begin(), tone.end(), job.auditionTone.begin());
    const uint8_t channel = static_cast<uint8_t>(row.channel);
    vexa_peers::Jx8pPeer* jx8p = nullptr;
    vexa_peers::Mks70Peer* mks70 = nullptr;
    const std::vector<uint8_t> memory = vexa_peers::MakeM16CContent(7);
    if (row.synth == kSynthJx8p)
        jx8p = &AttachPeer<vexa_peers::Jx8pPeer>(vexa_peers::Jx8pScript{channel, memory});
    else
        mks70 = &AttachPeer<vexa_peers::Mks70Peer>(
            vexa_peers::Mks70Script{channel, vexa_peers::MakeM64CContent(7)});

    ASSERT_TRUE(Run(kCommandAudition));

    const std::vector<midi_sim::SentMessage> sent = midi_sim::SentMessages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes.size(), 67u);
    EXPECT_EQ(sent[0].bytes, ExpectedMessage(channel, row.model));
    const std::vector<uint8_t> record = CleanTone();
    if (jx8p != nullptr) {
        EXPECT_EQ(jx8p->EditBuffer(), record);
        EXPECT_EQ(jx8p->MemoryWrites(), 0);
        EXPECT_EQ(jx8p->Memory(), memory);
    } else {
        EXPECT_EQ(mks70->UpperTone(), record);
        const std::vector<uint8_t> loaded = mks70->LoadedImage();
        EXPECT_TRUE(std::all_of(loaded.begin(), loaded.end(), [](uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Auditioning ...", "Ready"}));
    EXPECT_TRUE(shell_recorder::Posts().empty());
    EXPECT_TRUE(shell_recorder::MessageBoxes().empty());
    const std::vector<std::string> log = shell_recorder::LogLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find("\"HORN SLOW\"") != std::string::npos;
    }));
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Synths, AuditionHeardTest,
    ::testing::Values(HeardRow{"Jx8pChannel1", kSynthJx8p, 0, false, 0x21},
                      HeardRow{"Jx8pChannel16Dirty", kSynthJx8p, 15, true, 0x21},
                      HeardRow{"Mks70Channel1Dirty", kSynthMks70, 0, true, 0x24},
                      HeardRow{"Mks70Channel16", kSynthMks70, 15, false, 0x24}),
    [](const auto& test) { return std::string(test.param.name); });

enum class Fault { Auto, Jx10, OutputRefused, SendFails };

struct RefusedRow {
    const char* name;
    Fault fault;
    const char* box;  // "" for none
    bool devicesOpened;
    bool failurePosted;
};

class AuditionRefusedTest : public TransferTest,
                            public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(AuditionRefusedTest, SendsNothingAndSaysSoOnce) {
    const RefusedRow row = GetParam();
    UseSynth(row.fault == Fault::Jx10 ? kSynthJx10 : kSynthMks70,
             row.fault == Fault::Auto ? kChannelAuto : 0);
    const std::vector<uint8_t> tone = CleanTone();
    std::copy(tone.begin(), tone.end(), job.auditionTone.begin());
    if (row.fault == Fault::OutputRefused)
        midi_sim::InjectResult(midi_sim::Call::OutOpen, kMmAllocated, midi_sim::kAlways);
    if (row.fault == Fault::SendFails)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, midi_sim::kAlways);

    ASSERT_TRUE(Run(kCommandAudition));

    EXPECT_TRUE(midi_sim::SentMessages().empty());
    const std::vector<ShellCall> boxes = shell_recorder::MessageBoxes();
    ASSERT_EQ(boxes.size(), row.box[0] == '\0' ? 0u : 1u);
    if (!boxes.empty()) {
        EXPECT_EQ(boxes[0].text, row.box);
    }
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::OutOpen) > 0, row.devicesOpened);
    EXPECT_EQ(CompletionCodes(), row.failurePosted ? std::vector<uintptr_t>{kTransmitFailed}
                                                   : std::vector<uintptr_t>{});
    const std::vector<std::string> statuses =
        row.devicesOpened ? std::vector<std::string>{"Auditioning ...", "Ready"}
                          : std::vector<std::string>{};
    EXPECT_EQ(Statuses(), statuses);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AuditionRefusedTest,
    ::testing::Values(
        RefusedRow{"Auto", Fault::Auto,
                   "Please select the synthesizer's MIDI channel in the Options dialog first !\n",
                   false, false},
        RefusedRow{"Jx10", Fault::Jx10, "", false, false},
        RefusedRow{"OutputRefused", Fault::OutputRefused,
                   "Unable to open MIDI output device.\n\nPlease check the settings in your MIDI "
                   "options.",
                   true, false},
        RefusedRow{"SendFails", Fault::SendFails, "", true, true}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
