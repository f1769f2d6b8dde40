// The MKS-70 message sequence, end to end: worker, runner, procedure,
// message and device layers, the simulated MIDI system and a scripted
// MKS-70.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "ground/commands.h"
#include "ground/settings.h"
#include "bank/bank_image.h"
#include "tests/peers/bank_content.h"
#include "tests/peers/mks70_peer.h"
#include "tests/peers/roland_wire.h"
#include "tests/support/virtual_platform.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

using vexa_peers::Mks70Fault;
using vexa_peers::Mks70Peer;
using vexa_peers::Mks70Script;

const char* const kDumpPrompt = "Receiving ... (Please start the MKS-70's MIDI BULK DUMP now)";

std::vector<uint8_t> Image() { return vexa_peers::MakeM64CContent(0x70); }
std::vector<uint8_t> OldBank() { return vexa_peers::MakeM64CContent(0xBEEF); }

Mks70Script Script(Mks70Fault fault = Mks70Fault::None, int index = 0) {
    Mks70Script s;
    s.image = Image();
    s.fault = fault;
    s.faultIndex = index;
    return s;
}

// The 114 messages the instrument and the program agree on, built on the
// instrument's side.
std::vector<std::vector<uint8_t>> Sequence(const std::vector<uint8_t>& image, uint8_t channel) {
    std::span<const uint8_t> all(image);
    std::vector<std::vector<uint8_t>> messages;
    for (uint8_t p = 0; p < 64; ++p)
        messages.push_back(
            vexa_peers::Mks70PatchMessage(channel, p, all.subspan(3110 + 48 * p, 48)));
    for (uint8_t t = 0; t < 50; ++t)
        messages.push_back(vexa_peers::Mks70ToneMessage(channel, t, all.subspan(160 + 59 * t, 59)));
    return messages;
}

class Mks70Test : public TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        UseSynth(kSynthMks70);
    }
};

TEST_F(Mks70Test, ReceiveCollectsTheWholeDump) {
    KeepOldBank(OldBank(), kM64CKind);
    Mks70Peer& peer = AttachPeer<Mks70Peer>(Script());
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));

    const std::vector<uint8_t> image = Image();
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    EXPECT_EQ(job.receivedLength.load(), 10234);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
    EXPECT_EQ(job.receivedKind, kM64CKind);
    EXPECT_EQ(job.received.load(), 1);
    EXPECT_TRUE(peer.Received().empty());  // no request, no acknowledgement
    EXPECT_EQ(Statuses(), Join({{"Receiving ...", kDumpPrompt},
                                Numbered("Receiving MKS-70 patch %d of 64 ...", 2, 64),
                                Numbered("Receiving MKS-70 tone %d of 50 ...", 1, 50),
                                {"Closing ...", "Ready"}}));
    EXPECT_EQ(shell_recorder::Progress(), FullProgress(114));
    std::vector<std::string> log;
    for (const auto& m : Sequence(image, 0)) log.push_back(TrafficLine(false, m));
    EXPECT_EQ(TrafficLog(), log);
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    ExpectDevicesClosed();
}

struct SkipCase {
    const char* name;
    int index;
};

class Mks70SkipTest : public Mks70Test, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(Mks70SkipTest, OtherMessagesInTheDumpArePassedOver) {
    AttachPeer<Mks70Peer>(Script(Mks70Fault::ForeignBefore, GetParam().index));
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    const std::vector<uint8_t> image = Image();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
}

INSTANTIATE_TEST_SUITE_P(Interleaved, Mks70SkipTest,
                         ::testing::Values(SkipCase{"BeforeFirstPatch", 0},
                                           SkipCase{"BeforeFirstTone", 64},
                                           SkipCase{"BeforeLastTone", 113}),
                         [](const auto& test) { return std::string(test.param.name); });

struct ReceiveFailure {
    const char* name;
    Mks70Fault fault;
    int index;
};

class Mks70ReceiveFailureTest : public Mks70Test,
                                public ::testing::WithParamInterface<ReceiveFailure> {};

TEST_P(Mks70ReceiveFailureTest, OutOfPlaceMessageEndsTheReceive) {
    KeepOldBank(OldBank(), kM64CKind);
    Mks70Peer& peer = AttachPeer<Mks70Peer>(Script(GetParam().fault, GetParam().index));
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(job.receivedLength.load(), -1);
    EXPECT_TRUE(peer.Received().empty());  // nothing is sent on failure either
    ExpectCancelled();
    ExpectOldBank();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Mks70ReceiveFailureTest,
    ::testing::Values(ReceiveFailure{"TonesFirst", Mks70Fault::TonesFirst, -1},
                      ReceiveFailure{"ToneWherePatchExpected", Mks70Fault::Swapped, 63},
                      ReceiveFailure{"PatchWhereToneExpected", Mks70Fault::Repeated, 63},
                      ReceiveFailure{"RepeatedFirstPatch", Mks70Fault::Repeated, 0},
                      ReceiveFailure{"PatchesOutOfOrder", Mks70Fault::Swapped, 10},
                      ReceiveFailure{"TonesOutOfOrder", Mks70Fault::Swapped, 80},
                      ReceiveFailure{"ShortPatch", Mks70Fault::ShortMessage, 5},
                      ReceiveFailure{"ShortLastTone", Mks70Fault::ShortMessage, 113},
                      ReceiveFailure{"PatchWithoutEnd", Mks70Fault::MissingEnd, 40},
                      ReceiveFailure{"ToneWithoutEnd", Mks70Fault::MissingEnd, 70}),
    [](const auto& test) { return std::string(test.param.name); });

struct ReceiveStop {
    const char* name;
    int silentFrom;
    const char* status;
    UserAction action;
};

class Mks70ReceiveStopTest : public Mks70Test, public ::testing::WithParamInterface<ReceiveStop> {};

TEST_P(Mks70ReceiveStopTest, EndsTheWait) {
    const ReceiveStop c = GetParam();
    KeepOldBank(OldBank(), kM64CKind);
    AttachPeer<Mks70Peer>(Script(Mks70Fault::Silent, c.silentFrom));
    StartPeerAt(kDumpPrompt);
    When(Trigger::Status, c.status, c.action);
    ASSERT_TRUE(Run(kCommandReceive));
    const bool closing = c.action == UserAction::CloseProgram;
    EXPECT_EQ(CompletionCodes(),
              closing ? std::vector<uintptr_t>{} : std::vector<uintptr_t>{kReceiveFailed});
    ExpectCancelled();
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    ExpectOldBank();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Points, Mks70ReceiveStopTest,
    ::testing::Values(ReceiveStop{"StopAtFirstPatch", 0, kDumpPrompt, UserAction::PressStop},
                      ReceiveStop{"StopMidPatches", 29, "Receiving MKS-70 patch 30 of 64 ...",
                                  UserAction::PressStop},
                      ReceiveStop{"StopAtFirstTone", 64, "Receiving MKS-70 tone 1 of 50 ...",
                                  UserAction::PressStop},
                      ReceiveStop{"StopAtLastTone", 113, "Receiving MKS-70 tone 50 of 50 ...",
                                  UserAction::PressStop},
                      ReceiveStop{"CloseAtFirstPatch", 0, kDumpPrompt, UserAction::CloseProgram},
                      ReceiveStop{"CloseMidTones", 90, "Receiving MKS-70 tone 27 of 50 ...",
                                  UserAction::CloseProgram}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(Mks70Test, DumpOnAnotherChannelIsNeverTaken) {
    KeepOldBank(OldBank(), kM64CKind);
    Mks70Script script = Script();
    script.channel = 9;
    AttachPeer<Mks70Peer>(script);
    StartPeerAt(kDumpPrompt);
    // A tone message of the dump has been taken and passed over.
    When(Trigger::Log, "(recv) F0 41 37 09 24 20 01 00", UserAction::PressStop);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    ExpectOldBank();
}

// "Auto": the first patch message names the channel, and a message on
// another channel after it is passed over.
TEST_F(Mks70Test, AutoReceiveTakesTheChannelOfTheFirstPatch) {
    UseSynth(kSynthMks70, kChannelAuto);
    KeepOldBank(OldBank(), kM64CKind);
    Mks70Script script = Script(Mks70Fault::ForeignBefore, 30);
    script.channel = 11;
    AttachPeer<Mks70Peer>(script);
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    const std::vector<uint8_t> image = Image();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
    const std::vector<std::string> log = shell_recorder::LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Synthesizer found on MIDI channel 12."), 1);
    ExpectDevicesClosed();
}

class Mks70TransmitTest : public Mks70Test, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(Mks70TransmitTest, MessagesArePacedFromTheStartOfEachSend) {
    const uint32_t cost = GetParam();
    const std::vector<uint8_t> image = Image();
    UseSynth(kSynthMks70, 5);
    LoadBank(image, kM64CKind);
    Mks70Script script = Script();
    script.channel = 5;
    Mks70Peer& peer = AttachPeer<Mks70Peer>(script);
    link.SetSendCostMs(cost);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    const std::vector<std::vector<uint8_t>> expected = Sequence(image, 5);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].bytes, expected[i]);
        EXPECT_EQ(got[i].timeMs - got[0].timeMs, 300 * i);
    }
    const std::vector<uint8_t> loaded = peer.LoadedImage();
    EXPECT_TRUE(std::equal(loaded.begin() + 160, loaded.begin() + 6182, image.begin() + 160));

    const std::vector<virtual_platform::Pause> pauses = virtual_platform::Pauses();
    ASSERT_EQ(pauses.size(), 114u);
    for (size_t i = 0; i < pauses.size(); ++i) {
        EXPECT_EQ(pauses[i].startedAt, got[i].timeMs + cost) << "pause " << i;
        EXPECT_EQ(pauses[i].ms, 300 - cost) << "pause " << i;
    }
    EXPECT_EQ(Statuses(), Join({{"Transmitting ..."},
                                Numbered("Transmitting MKS-70 patch %d of 64 ...", 1, 64),
                                Numbered("Transmitting MKS-70 tone %d of 50 ...", 1, 50),
                                {"Closing ...", "Ready"}}));
    EXPECT_EQ(shell_recorder::Progress(), FullProgress(114));
    std::vector<std::string> log;
    for (const auto& m : expected) log.push_back(TrafficLine(true, m));
    EXPECT_EQ(TrafficLog(), log);
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(SendCost, Mks70TransmitTest, ::testing::Values(0u, 120u));

struct TransmitEnd {
    const char* name;
    int failedSend;      // -1: none
    const char* status;  // where the user acts, or null
    UserAction action;
    size_t arrived;
    bool succeeds;
};

class Mks70TransmitEndTest : public Mks70Test, public ::testing::WithParamInterface<TransmitEnd> {};

// Stop and close are looked at before each message, a failed send ends the
// transmit at once; what went out stays sent.
TEST_P(Mks70TransmitEndTest, EndsBeforeTheNextMessage) {
    const TransmitEnd c = GetParam();
    LoadBank(Image(), kM64CKind);
    Mks70Peer& peer = AttachPeer<Mks70Peer>(Script());
    if (c.failedSend >= 0)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1, c.failedSend);
    if (c.status != nullptr) When(Trigger::Status, c.status, c.action);
    ASSERT_TRUE(Run(kCommandTransmit));

    const bool closing = c.status != nullptr && c.action == UserAction::CloseProgram;
    std::vector<uintptr_t> codes;
    if (!closing) codes.push_back(c.succeeds ? kTransmitSucceeded : kTransmitFailed);
    EXPECT_EQ(CompletionCodes(), codes);
    EXPECT_EQ(peer.Received().size(), c.arrived);
    if (!c.succeeds) ExpectCancelled();
    EXPECT_EQ(Statuses().back(), "Ready");
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Mks70TransmitEndTest,
    ::testing::Values(
        TransmitEnd{"FirstPatchNotSent", 0, nullptr, UserAction::PressStop, 0, false},
        TransmitEnd{"LastPatchNotSent", 63, nullptr, UserAction::PressStop, 63, false},
        TransmitEnd{"FirstToneNotSent", 64, nullptr, UserAction::PressStop, 64, false},
        TransmitEnd{"LastToneNotSent", 113, nullptr, UserAction::PressStop, 113, false},
        TransmitEnd{"StopBeforeFirstPatch", -1, "Transmitting ...", UserAction::PressStop, 0,
                    false},
        TransmitEnd{"StopBeforeFirstTone", -1, "Transmitting MKS-70 patch 64 of 64 ...",
                    UserAction::PressStop, 64, false},
        TransmitEnd{"StopBeforeLastTone", -1, "Transmitting MKS-70 tone 49 of 50 ...",
                    UserAction::PressStop, 113, false},
        TransmitEnd{"StopAfterLastTone", -1, "Transmitting MKS-70 tone 50 of 50 ...",
                    UserAction::PressStop, 114, true},
        TransmitEnd{"CloseMidPatches", -1, "Transmitting MKS-70 patch 12 of 64 ...",
                    UserAction::CloseProgram, 12, false}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
