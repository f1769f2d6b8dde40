// The JX-8P tone transfer, end to end: worker, runner, procedure, message
// and device layers, the simulated MIDI system and a scripted JX-8P with
// the person selecting its tones.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "ground/commands.h"
#include "ground/settings.h"
#include "bank/bank_image.h"
#include "tests/peers/bank_content.h"
#include "tests/peers/jx8p_peer.h"
#include "tests/peers/roland_wire.h"
#include "tests/support/virtual_platform.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

using vexa_peers::Jx8pFault;
using vexa_peers::Jx8pParameter;
using vexa_peers::Jx8pPeer;
using vexa_peers::Jx8pScript;

std::vector<uint8_t> Image() { return vexa_peers::MakeM16CContent(0x8B); }
std::vector<uint8_t> OldBank() { return vexa_peers::MakeM64CContent(0x64); }

std::string Prompt(int tone) {
    return Numbered("Receiving ... (Please select internal tone %d on your JX-8P)", tone, tone)[0];
}

Jx8pScript Script(Jx8pFault fault = Jx8pFault::None, int tone = 0) {
    Jx8pScript s;
    s.image = Image();
    s.startOnRequest = true;
    s.fault = fault;
    s.faultTone = tone;
    return s;
}

std::vector<std::pair<int, int>> Settings(const std::vector<Jx8pParameter>& parameters) {
    std::vector<std::pair<int, int>> pairs;
    for (const Jx8pParameter& p : parameters) pairs.emplace_back(p.parameter, p.value);
    return pairs;
}

using Pairs = std::vector<std::pair<int, int>>;
const Pairs kFullReceive{{0x08, 0x01}, {0x07, 0x1F}, {0x07, 0x00}};
const Pairs kOpenedOnly{{0x08, 0x01}, {0x07, 0x1F}};

class Jx8pTest : public TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        UseSynth(kSynthJx8p);
    }
    void ExpectNewBank() {
        const std::vector<uint8_t> image = Image();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
        EXPECT_EQ(job.receivedKind, kM16CKind);
        EXPECT_EQ(job.received.load(), 1);
    }
};

TEST_F(Jx8pTest, ReceiveCollectsTheSelectedTones) {
    KeepOldBank(OldBank(), kM64CKind);
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(Script());
    ASSERT_TRUE(Run(kCommandReceive));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    EXPECT_EQ(job.receivedLength.load(), 2144);
    ExpectNewBank();
    EXPECT_EQ(Settings(peer.Parameters()), kFullReceive);
    std::vector<std::string> prompts;
    for (int t = 1; t <= 32; ++t) prompts.push_back(Prompt(t));
    EXPECT_EQ(Statuses(), Join({{"Receiving ..."}, prompts, {"Closing ...", "Ready"}}));
    EXPECT_EQ(shell_recorder::Progress(), FullProgress(32));
    EXPECT_TRUE(virtual_platform::Pauses().empty());

    const std::vector<uint8_t> bank = Image();
    std::span<const uint8_t> image(bank);
    std::vector<std::string> log{
        TrafficLine(true, {0xF0, 0x41, 0x36, 0x00, 0x21, 0x30, 0x01, 0x08}),
        TrafficLine(true, {0xF0, 0x41, 0x36, 0x00, 0x21, 0x30, 0x01, 0x07})};
    for (int t = 0; t < 32; ++t)
        log.push_back(
            TrafficLine(false, vexa_peers::Jx8pToneMessage(0, image.subspan(160 + 59 * t, 59))));
    log.push_back(log[1]);
    EXPECT_EQ(TrafficLog(), log);
    // The program changes are logged as they are taken.
    const std::vector<std::string> all = shell_recorder::LogLines();
    EXPECT_EQ(std::count(all.begin(), all.end(), "(recv) C0 1F"), 1);
    ExpectDevicesClosed();
}

// Messages that are neither the program change awaited nor a tone message
// after it are passed over; the person has to go in order.
// "Auto": the set-up messages go to all 16 channels, the first tone message
// names the JX-8P's channel, and the closing message goes there only.
TEST_F(Jx8pTest, AutoReceiveSetsUpEveryChannelAndClosesOnTheOneFound) {
    UseSynth(kSynthJx8p, kChannelAuto);
    KeepOldBank(OldBank(), kM64CKind);
    Jx8pScript script = Script();
    script.channel = 4;
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(script);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    ExpectNewBank();
    EXPECT_EQ(Settings(peer.Parameters()), kFullReceive);  // what channel 5 took

    std::vector<std::vector<uint8_t>> expected;
    for (uint8_t ch = 0; ch < 16; ++ch) {
        expected.push_back({0xF0, 0x41, 0x36, ch, 0x21, 0x30, 0x01, 0x08, 0x01, 0xF7});
        expected.push_back({0xF0, 0x41, 0x36, ch, 0x21, 0x30, 0x01, 0x07, 0x1F, 0xF7});
    }
    expected.push_back({0xF0, 0x41, 0x36, 0x04, 0x21, 0x30, 0x01, 0x07, 0x00, 0xF7});
    std::vector<std::vector<uint8_t>> sent;
    for (const vexa_peers::TimedMessage& m : peer.Received()) sent.push_back(m.bytes);
    EXPECT_EQ(sent, expected);
    const std::vector<std::string> log = shell_recorder::LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Synthesizer found on MIDI channel 5."), 1);
    ExpectDevicesClosed();
}

struct SkipCase {
    const char* name;
    Jx8pFault fault;
    int tone;
};

class Jx8pSkipTest : public Jx8pTest, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(Jx8pSkipTest, ReceiveStillSucceeds) {
    const SkipCase c = GetParam();
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(Script(c.fault, c.tone));
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    ExpectNewBank();
    EXPECT_EQ(Settings(peer.Parameters()), kFullReceive);
    // The status line never moved past the tone awaited.
    const std::vector<std::string> s = Statuses();
    for (int t = 1; t <= 32; ++t) EXPECT_EQ(std::count(s.begin(), s.end(), Prompt(t)), 1) << t;
}

INSTANTIATE_TEST_SUITE_P(
    Interleaved, Jx8pSkipTest,
    ::testing::Values(SkipCase{"NextToneSelectedEarly", Jx8pFault::SelectAhead, 1},
                      SkipCase{"OtherChannel", Jx8pFault::OtherChannel, 7},
                      SkipCase{"ForeignBeforeFirstTone", Jx8pFault::ForeignBefore, 0},
                      SkipCase{"ForeignBeforeLastTone", Jx8pFault::ForeignBefore, 31}),
    [](const auto& test) { return std::string(test.param.name); });

struct ReceiveFailure {
    const char* name;
    Jx8pFault fault;
    int tone;
    int failedSend;
    Pairs parameters;  // what the synthesizer was set to, in order
};

class Jx8pReceiveFailureTest : public Jx8pTest,
                               public ::testing::WithParamInterface<ReceiveFailure> {};

// A failure sends nothing more: after the opening messages parameter 07
// stays at 1Fh on the synthesizer.
TEST_P(Jx8pReceiveFailureTest, EndsWithoutClosingParameter) {
    const ReceiveFailure c = GetParam();
    KeepOldBank(OldBank(), kM64CKind);
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(Script(c.fault, c.tone));
    if (c.failedSend >= 0)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1, c.failedSend);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(Settings(peer.Parameters()), c.parameters);
    ExpectCancelled();
    ExpectOldBank();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx8pReceiveFailureTest,
    ::testing::Values(
        ReceiveFailure{"ShortFirstTone", Jx8pFault::ShortTone, 0, -1, kOpenedOnly},
        ReceiveFailure{"ShortLastTone", Jx8pFault::ShortTone, 31, -1, kOpenedOnly},
        ReceiveFailure{"ToneWithoutEnd", Jx8pFault::MissingEnd, 12, -1, kOpenedOnly},
        ReceiveFailure{"FirstParameterNotSent", Jx8pFault::None, 0, 0, {}},
        ReceiveFailure{"SecondParameterNotSent", Jx8pFault::None, 0, 1, {{0x08, 0x01}}},
        ReceiveFailure{"ClosingParameterNotSent", Jx8pFault::None, 0, 2, kOpenedOnly}),
    [](const auto& test) { return std::string(test.param.name); });

struct ReceiveStop {
    const char* name;
    int silentFrom;
    Trigger trigger;
    std::string text;
    UserAction action;
};

class Jx8pReceiveStopTest : public Jx8pTest, public ::testing::WithParamInterface<ReceiveStop> {};

TEST_P(Jx8pReceiveStopTest, EndsTheWait) {
    const ReceiveStop c = GetParam();
    KeepOldBank(OldBank(), kM64CKind);
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(Script(Jx8pFault::Silent, c.silentFrom));
    When(c.trigger, c.text, c.action);
    ASSERT_TRUE(Run(kCommandReceive));
    const bool closing = c.action == UserAction::CloseProgram;
    EXPECT_EQ(CompletionCodes(),
              closing ? std::vector<uintptr_t>{} : std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(Settings(peer.Parameters()), kOpenedOnly);
    ExpectCancelled();
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    ExpectOldBank();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Points, Jx8pReceiveStopTest,
    ::testing::Values(ReceiveStop{"StopAtFirstProgramChange", 0, Trigger::Status, Prompt(1),
                                  UserAction::PressStop},
                      ReceiveStop{"StopMidBank", 19, Trigger::Status, Prompt(20),
                                  UserAction::PressStop},
                      // Between the program change and its tone message (both already
                      // queued): the tone wait polls first.
                      ReceiveStop{"StopAfterProgramChange", 32, Trigger::Log, "(recv) C0 05",
                                  UserAction::PressStop},
                      ReceiveStop{"CloseAtFirstProgramChange", 0, Trigger::Status, Prompt(1),
                                  UserAction::CloseProgram},
                      ReceiveStop{"CloseAfterProgramChange", 32, Trigger::Log, "(recv) C0 1F",
                                  UserAction::CloseProgram}),
    [](const auto& test) { return std::string(test.param.name); });

class Jx8pTransmitTest : public Jx8pTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(Jx8pTransmitTest, TonesArePacedFromTheStartOfEachSend) {
    const uint32_t cost = GetParam();
    const std::vector<uint8_t> image = Image();
    UseSynth(kSynthJx8p, 11);
    LoadBank(image, kM16CKind);
    Jx8pScript script = Script();
    script.channel = 11;
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(script);
    link.SetSendCostMs(cost);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    ASSERT_EQ(got.size(), 65u);
    std::span<const uint8_t> all(image);
    const uint32_t t0 = got[0].timeMs;
    for (size_t t = 0; t < 32; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(got[2 * t].bytes, vexa_peers::Jx8pToneMessage(11, all.subspan(160 + 59 * t, 59)));
        const std::vector<uint8_t> program{
            0xF0, 0x41, 0x34, 11, 0x21, 0x20, 0x01, 0x00, static_cast<uint8_t>(t), 0x02, 0xF7};
        EXPECT_EQ(got[2 * t + 1].bytes, program);
        EXPECT_EQ(got[2 * t].timeMs - t0, 1050 * t);
        EXPECT_EQ(got[2 * t + 1].timeMs - t0, 1050 * t + 300);
    }
    EXPECT_EQ(got[64].timeMs - t0, 1050u * 32);
    // Only the closing parameter message: a transmit never opens a receive.
    EXPECT_EQ(Settings(peer.Parameters()), (Pairs{{0x07, 0x00}}));

    const std::vector<virtual_platform::Pause> pauses = virtual_platform::Pauses();
    ASSERT_EQ(pauses.size(), 64u);
    for (size_t i = 0; i < pauses.size(); ++i) {
        EXPECT_EQ(pauses[i].startedAt, got[i].timeMs + cost) << "pause " << i;
        EXPECT_EQ(pauses[i].ms, (i % 2 == 0 ? 300u : 750u) - cost) << "pause " << i;
    }
    EXPECT_EQ(Statuses(), Join({{"Transmitting ..."},
                                Numbered("Transmitting JX-8P tone %d of 32 ...", 1, 32),
                                {"Closing ...", "Ready"}}));
    std::vector<std::string> log;
    for (const auto& m : got) log.push_back(TrafficLine(true, m.bytes));
    EXPECT_EQ(TrafficLog(), log);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(SendCost, Jx8pTransmitTest, ::testing::Values(0u, 25u));

struct TransmitEnd {
    const char* name;
    int failedSend;
    const char* status;
    UserAction action;
    size_t arrived;
    bool succeeds;
};

class Jx8pTransmitEndTest : public Jx8pTest, public ::testing::WithParamInterface<TransmitEnd> {};

TEST_P(Jx8pTransmitEndTest, EndsBeforeTheNextTone) {
    const TransmitEnd c = GetParam();
    LoadBank(Image(), kM16CKind);
    Jx8pPeer& peer = AttachPeer<Jx8pPeer>(Script());
    if (c.failedSend >= 0)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1, c.failedSend);
    if (c.status != nullptr) When(Trigger::Status, c.status, c.action);
    ASSERT_TRUE(Run(kCommandTransmit));
    const bool closing = c.status != nullptr && c.action == UserAction::CloseProgram;
    std::vector<uintptr_t> codes;
    if (!closing) codes.push_back(c.succeeds ? kTransmitSucceeded : kTransmitFailed);
    EXPECT_EQ(CompletionCodes(), codes);
    EXPECT_EQ(peer.Received().size(), c.arrived);
    EXPECT_EQ(peer.Parameters().size(), c.succeeds ? 1u : 0u);
    if (!c.succeeds) ExpectCancelled();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx8pTransmitEndTest,
    ::testing::Values(
        TransmitEnd{"FirstToneNotSent", 0, nullptr, UserAction::PressStop, 0, false},
        TransmitEnd{"FirstProgramNotSent", 1, nullptr, UserAction::PressStop, 1, false},
        TransmitEnd{"MidToneNotSent", 32, nullptr, UserAction::PressStop, 32, false},
        TransmitEnd{"ClosingParameterNotSent", 64, nullptr, UserAction::PressStop, 64, false},
        TransmitEnd{"StopBeforeFirstTone", -1, "Transmitting ...", UserAction::PressStop, 0, false},
        TransmitEnd{"StopBeforeSixthTone", -1, "Transmitting JX-8P tone 5 of 32 ...",
                    UserAction::PressStop, 10, false},
        TransmitEnd{"StopAfterLastTone", -1, "Transmitting JX-8P tone 32 of 32 ...",
                    UserAction::PressStop, 65, true},
        TransmitEnd{"CloseBeforeSecondTone", -1, "Transmitting JX-8P tone 1 of 32 ...",
                    UserAction::CloseProgram, 2, false}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
