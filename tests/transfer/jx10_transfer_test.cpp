// The JX-10 bulk dump, end to end: worker, runner, procedure, message and
// device layers, the simulated MIDI system and a scripted JX-10.
#include <gtest/gtest.h>

#include <algorithm>

#include "ground/commands.h"
#include "ground/settings.h"
#include "bank/bank_image.h"
#include "tests/peers/bank_content.h"
#include "tests/peers/jx10_peer.h"
#include "tests/peers/roland_wire.h"
#include "tests/support/virtual_platform.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

using vexa_peers::Jx10Fault;
using vexa_peers::Jx10Peer;
using vexa_peers::Jx10Role;
using vexa_peers::Jx10Script;

const char* const kDumpPrompt = "Receiving ... (Please start the JX-10's MIDI BULK DUMP now)";
const char* const kLoadPrompt = "Waiting for JX-10 bulk load request ....";

std::vector<uint8_t> Image64() { return vexa_peers::MakeM64CContent(0x10AD); }
std::vector<uint8_t> Image16() { return vexa_peers::MakeM16CContent(0x8F1); }
std::vector<uint8_t> OldBank() { return vexa_peers::MakeM16CContent(77); }

Jx10Script DumpScript(uint8_t kind, Jx10Fault fault = Jx10Fault::None, int step = 0) {
    Jx10Script s;
    s.role = Jx10Role::Dump;
    s.kind = kind;
    s.image = kind == 0x16 ? Image16() : Image64();
    s.fault = fault;
    s.faultStep = step;
    return s;
}

Jx10Script LoadScript(uint8_t kind, Jx10Fault fault = Jx10Fault::None) {
    Jx10Script s;
    s.role = Jx10Role::BulkLoad;
    s.kind = kind;
    s.fault = fault;
    return s;
}

class Jx10Test : public TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        UseSynth(kSynthJx10);
    }
};

struct ReceiveSize {
    uint8_t kind;
    int blocks;
    int32_t bankKind;
};

class Jx10ReceiveTest : public Jx10Test, public ::testing::WithParamInterface<ReceiveSize> {};

TEST_P(Jx10ReceiveTest, DumpBecomesTheBankInMemory) {
    const ReceiveSize size = GetParam();
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(DumpScript(size.kind));
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));

    const std::vector<uint8_t> image = size.kind == 0x16 ? Image16() : Image64();
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    EXPECT_EQ(peer.AckCount(), size.blocks + 2);
    EXPECT_EQ(peer.RejectCount(), 0);
    EXPECT_EQ(transferLength.load(), size.blocks * 128);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), TransferBuffer.begin()));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), BankImage.begin()));
    EXPECT_EQ(bankKind.load(), size.bankKind);
    EXPECT_EQ(bankLoaded.load(), 1);
    EXPECT_EQ(bankModified.load(), 1);
    EXPECT_EQ(
        Statuses(),
        Join({{"Receiving ...", kDumpPrompt},
              Numbered("Receiving JX-10 data block %d of %d ...", 1, size.blocks, size.blocks),
              {"Receiving JX-10 end-of-file marker ....", "Closing ...", "Ready"}}));
    EXPECT_EQ(shell_recorder::Progress(), FullProgress(size.blocks));
    EXPECT_EQ(shell_recorder::RefreshCount(), 1);
    EXPECT_TRUE(virtual_platform::Pauses().empty());

    // Every handshake message in the log, in order: the want-to-send, then
    // one acknowledgement per message taken, and the final one unasked.
    const std::string ack = TrafficLine(true, vexa_peers::HandshakeMessage(0x43, 0));
    std::vector<std::string> expected{
        TrafficLine(false, vexa_peers::KindMessage(0x40, 0, size.kind)), ack};
    for (int b = 0; b < size.blocks; ++b) {
        std::vector<uint8_t> block(image.begin() + 128 * b, image.begin() + 128 * (b + 1));
        expected.push_back(TrafficLine(false, vexa_peers::DataBlockMessage(0, block)));
        expected.push_back(ack);
    }
    expected.push_back(ack);
    EXPECT_EQ(TrafficLog(), expected);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Sizes, Jx10ReceiveTest,
                         ::testing::Values(ReceiveSize{0x16, 16, kM16CKind},
                                           ReceiveSize{0x64, 64, kM64CKind}));

TEST_F(Jx10Test, AutoChannelIsWrittenAndComparedAs10h) {
    UseSynth(kSynthJx10, kChannelAuto);
    Jx10Script script = DumpScript(0x64);
    script.channel = 0x10;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    EXPECT_EQ(peer.AckCount(), 66);  // counted only with channel byte 10h
}

// Messages that are not the JX-10's handshake on this channel, and handshake
// messages other than the one awaited before the dump begins, are passed
// over; each System Exclusive one costs an input restart.
struct SkipCase {
    const char* name;
    Jx10Fault fault;
    int step;
};

class Jx10SkipTest : public Jx10Test, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(Jx10SkipTest, ReceiveStillSucceeds) {
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(DumpScript(0x64, GetParam().fault, GetParam().step));
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    const std::vector<uint8_t> image = Image64();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), BankImage.begin()));
    EXPECT_EQ(peer.AckCount(), 66);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Interleaved, Jx10SkipTest,
    ::testing::Values(SkipCase{"ErrBeforeWantToSend", Jx10Fault::ErrBefore, 0},
                      SkipCase{"ForeignBeforeWantToSend", Jx10Fault::ForeignBefore, 0},
                      SkipCase{"ForeignBeforeFirstBlock", Jx10Fault::ForeignBefore, 1},
                      SkipCase{"ForeignMidDump", Jx10Fault::ForeignBefore, 33},
                      SkipCase{"ForeignBeforeLastBlock", Jx10Fault::ForeignBefore, 64}),
    [](const auto& info) { return std::string(info.param.name); });

// Every way the receive fails: "Cancelling operation ...", a rejection sent,
// code 2, the old bank untouched.
struct ReceiveFailure {
    const char* name;
    Jx10Fault fault;
    int step;
    uint8_t kind;
    int failedSend;  // -1: none; else the long message send (0-based) that fails
    int blocksSent;  // data blocks the JX-10 sent before the failure
};

class Jx10ReceiveFailureTest : public Jx10Test,
                               public ::testing::WithParamInterface<ReceiveFailure> {};

TEST_P(Jx10ReceiveFailureTest, EndsWithRejection) {
    const ReceiveFailure f = GetParam();
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(DumpScript(f.kind, f.fault, f.step));
    StartPeerAt(kDumpPrompt);
    if (f.failedSend >= 0)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1, f.failedSend);
    ASSERT_TRUE(Run(kCommandReceive));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(peer.RejectCount(), 1);
    EXPECT_EQ(peer.BlocksSent(), f.blocksSent);
    ExpectCancelled();
    EXPECT_EQ(shell_recorder::RefreshCount(), 1);
    EXPECT_EQ(transferLength.load(), -1);
    ExpectOldBank();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx10ReceiveFailureTest,
    ::testing::Values(
        ReceiveFailure{"WantToSendBadChecksum", Jx10Fault::BadChecksum, 0, 0x64, -1, 0},
        ReceiveFailure{"UnknownKind", Jx10Fault::None, 0, 0x20, -1, 0},
        ReceiveFailure{"FirstBlockBadChecksum", Jx10Fault::BadChecksum, 1, 0x64, -1, 1},
        ReceiveFailure{"MidBlockBadChecksum", Jx10Fault::BadChecksum, 40, 0x64, -1, 40},
        ReceiveFailure{"LastBlockTooShort", Jx10Fault::ShortBlock, 64, 0x64, -1, 64},
        ReceiveFailure{"ErrInsteadOfBlock", Jx10Fault::ErrInstead, 5, 0x64, -1, 4},
        ReceiveFailure{"RjcInsteadOfBlock", Jx10Fault::RjcInstead, 10, 0x16, -1, 9},
        ReceiveFailure{"EofInsteadOfLastBlock", Jx10Fault::EofInstead, 16, 0x16, -1, 15},
        ReceiveFailure{"FirstAckNotSent", Jx10Fault::None, 0, 0x64, 0, 0},
        ReceiveFailure{"BlockAckNotSent", Jx10Fault::None, 0, 0x64, 10, 10},
        ReceiveFailure{"FinalAckNotSent", Jx10Fault::None, 0, 0x16, 17, 16}),
    [](const auto& info) { return std::string(info.param.name); });

// Stop, or closing the program, at each point where the receive waits; the
// JX-10 has gone silent there, so only the user can end the wait.
struct ReceiveStop {
    const char* name;
    int silentStep;
    Trigger trigger;
    const char* text;
    UserAction action;
};

class Jx10ReceiveStopTest : public Jx10Test, public ::testing::WithParamInterface<ReceiveStop> {};

TEST_P(Jx10ReceiveStopTest, EndsTheWait) {
    const ReceiveStop c = GetParam();
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(DumpScript(0x64, Jx10Fault::Silent, c.silentStep));
    StartPeerAt(kDumpPrompt);
    When(c.trigger, c.text, c.action);
    ASSERT_TRUE(Run(kCommandReceive));

    const bool closing = c.action == UserAction::CloseProgram;
    EXPECT_EQ(CompletionCodes(),
              closing ? std::vector<uintptr_t>{} : std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(peer.RejectCount(), 1);
    ExpectCancelled();
    EXPECT_EQ(shell_recorder::RefreshCount(), 1);
    ExpectOldBank();
    ExpectDevicesClosed();
    if (closing) EXPECT_EQ(PostsOf(kWorkerEndedMessage).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Points, Jx10ReceiveStopTest,
    ::testing::Values(
        ReceiveStop{"StopBeforeWantToSend", 0, Trigger::Status, kDumpPrompt, UserAction::PressStop},
        ReceiveStop{"StopAtFirstBlock", 1, Trigger::Status,
                    "Receiving JX-10 data block 1 of 64 ...", UserAction::PressStop},
        ReceiveStop{"StopMidDump", 37, Trigger::Status, "Receiving JX-10 data block 37 of 64 ...",
                    UserAction::PressStop},
        ReceiveStop{"StopAtLastBlock", 64, Trigger::Status,
                    "Receiving JX-10 data block 64 of 64 ...", UserAction::PressStop},
        ReceiveStop{"CloseBeforeWantToSend", 0, Trigger::Status, kDumpPrompt,
                    UserAction::CloseProgram},
        ReceiveStop{"CloseMidDump", 20, Trigger::Status, "Receiving JX-10 data block 20 of 64 ...",
                    UserAction::CloseProgram}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Jx10Test, DumpOnAnotherChannelIsNeverTaken) {
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Script script = DumpScript(0x64);
    script.channel = 3;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kDumpPrompt);
    // Stop only once the program has taken (and passed over) the message.
    When(Trigger::Log, "(recv) F0 41 40 03 24", UserAction::PressStop);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(peer.AckCount(), 0);
    ExpectOldBank();
}

struct Refused {
    uint8_t kind;
    size_t offset;  // a signature byte the image gets wrong
    int acks;
};

class Jx10RefusedTest : public Jx10Test, public ::testing::WithParamInterface<Refused> {};

TEST_P(Jx10RefusedTest, ImageThatFailsItsSignatureLeavesTheOldBank) {
    const Refused c = GetParam();
    KeepOldBank(OldBank(), kM16CKind);
    Jx10Script script = DumpScript(c.kind);
    script.image[c.offset] ^= 0x01;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveFailed});
    EXPECT_EQ(peer.AckCount(), c.acks);  // the dump itself went well
    EXPECT_EQ(peer.RejectCount(), 0);
    EXPECT_EQ(transferLength.load(), (c.acks - 2) * 128);
    ExpectOldBank();
    const std::vector<std::string> s = Statuses();
    EXPECT_EQ(std::count(s.begin(), s.end(), "Closing ..."), 0);
    EXPECT_EQ(s.back(), "Ready");
    EXPECT_EQ(shell_recorder::RefreshCount(), 1);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Signatures, Jx10RefusedTest,
                         ::testing::Values(Refused{0x16, 159, 18}, Refused{0x64, 0, 66},
                                           Refused{0x64, 1, 66}));

// Transmit: the JX-10 asks, the blocks go out 750 ms apart from the start
// of each send, then the end-of-file marker.
struct TransmitCase {
    const char* name;
    uint8_t requestKind;
    int blocks;
    uint32_t sendCostMs;  // how long the interface takes to hand a message over
};

class Jx10TransmitTest : public Jx10Test, public ::testing::WithParamInterface<TransmitCase> {};

TEST_P(Jx10TransmitTest, BlocksArePacedFromTheStartOfEachSend) {
    const TransmitCase c = GetParam();
    const std::vector<uint8_t> image = Image64();
    LoadBank(image, kM64CKind, 1);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(LoadScript(c.requestKind));
    link.SetSendCostMs(c.sendCostMs);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::Jx10Block> blocks = peer.Blocks();
    ASSERT_EQ(blocks.size(), static_cast<size_t>(c.blocks));
    const uint32_t step = std::max<uint32_t>(750, c.sendCostMs);
    for (size_t i = 0; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(blocks[i].checksumOk);
        EXPECT_EQ(blocks[i].length, 263u);
        EXPECT_EQ(blocks[i].timeMs - blocks[0].timeMs, step * i);
    }
    ASSERT_TRUE(peer.EofTime().has_value());
    EXPECT_EQ(*peer.EofTime() - blocks[0].timeMs, step * c.blocks);
    const std::vector<uint8_t> loaded = peer.LoadedImage();
    EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), image.begin()));
    EXPECT_EQ(peer.Received().size(), static_cast<size_t>(c.blocks) + 1);  // nothing else sent

    std::vector<virtual_platform::Pause> expected;
    if (c.sendCostMs < 750)
        for (int i = 0; i <= c.blocks; ++i)
            expected.push_back({blocks[0].timeMs + 750 * i + c.sendCostMs, 750 - c.sendCostMs});
    const std::vector<virtual_platform::Pause> pauses = virtual_platform::Pauses();
    ASSERT_EQ(pauses.size(), expected.size());
    for (size_t i = 0; i < pauses.size(); ++i) {
        EXPECT_EQ(pauses[i].startedAt, expected[i].startedAt) << "pause " << i;
        EXPECT_EQ(pauses[i].ms, expected[i].ms) << "pause " << i;
    }
    EXPECT_EQ(Statuses(),
              Join({{"Transmitting ...", kLoadPrompt},
                    Numbered("Transmitting JX-10 data block %d of %d ...", 1, c.blocks, c.blocks),
                    {"Transmitting JX-10 end-of-file marker ....", "Closing ...", "Ready"}}));
    EXPECT_EQ(bankModified.load(), 1);  // a transmit leaves the bank state alone
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Requests, Jx10TransmitTest,
                         ::testing::Values(TransmitCase{"Whole", 0x64, 64, 0},
                                           TransmitCase{"M16CRequest", 0x16, 16, 0},
                                           TransmitCase{"OtherKindMeansWhole", 0x20, 64, 0},
                                           TransmitCase{"SlowInterface", 0x64, 64, 40},
                                           TransmitCase{"SlowerThanThePace", 0x16, 16, 900}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TransmitFailure {
    const char* name;
    Jx10Fault fault;
    int failedSend;
    size_t blocksArrived;
};

class Jx10TransmitFailureTest : public Jx10Test,
                                public ::testing::WithParamInterface<TransmitFailure> {};

TEST_P(Jx10TransmitFailureTest, EndsWithRejection) {
    const TransmitFailure f = GetParam();
    LoadBank(Image64(), kM64CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(LoadScript(0x64, f.fault));
    StartPeerAt(kLoadPrompt);
    if (f.failedSend >= 0)
        midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1, f.failedSend);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
    EXPECT_EQ(peer.Blocks().size(), f.blocksArrived);
    EXPECT_FALSE(peer.EofTime().has_value());
    EXPECT_EQ(peer.RejectCount(), 1);
    ExpectCancelled();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx10TransmitFailureTest,
    ::testing::Values(TransmitFailure{"RequestBadChecksum", Jx10Fault::BadChecksum, -1, 0},
                      TransmitFailure{"FirstBlockNotSent", Jx10Fault::None, 0, 0},
                      TransmitFailure{"MidBlockNotSent", Jx10Fault::None, 32, 32},
                      TransmitFailure{"EndOfFileNotSent", Jx10Fault::None, 64, 64}),
    [](const auto& info) { return std::string(info.param.name); });

class Jx10RequestSkipTest : public Jx10Test, public ::testing::WithParamInterface<Jx10Fault> {};

TEST_P(Jx10RequestSkipTest, TransmitPassesOverOtherMessagesBeforeTheRequest) {
    LoadBank(Image64(), kM64CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(LoadScript(0x16, GetParam()));
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    EXPECT_EQ(peer.Blocks().size(), 16u);
    EXPECT_TRUE(peer.EofTime().has_value());
}

INSTANTIATE_TEST_SUITE_P(Interleaved, Jx10RequestSkipTest,
                         ::testing::Values(Jx10Fault::ErrBefore, Jx10Fault::ForeignBefore));

struct TransmitStop {
    const char* name;
    const char* status;
    UserAction action;
    bool cancels;
};

class Jx10TransmitStopTest : public Jx10Test, public ::testing::WithParamInterface<TransmitStop> {};

// Stop is heard only while the transmit waits for the request; once the
// blocks go out the transfer runs to its end.
TEST_P(Jx10TransmitStopTest, IsHeardOnlyBeforeTheRequest) {
    const TransmitStop c = GetParam();
    LoadBank(Image64(), kM64CKind);
    Jx10Peer& peer =
        AttachPeer<Jx10Peer>(LoadScript(0x64, c.cancels ? Jx10Fault::Silent : Jx10Fault::None));
    if (!c.cancels) StartPeerAt(kLoadPrompt);
    When(Trigger::Status, c.status, c.action);
    ASSERT_TRUE(Run(kCommandTransmit));

    const bool closing = c.action == UserAction::CloseProgram;
    std::vector<uintptr_t> codes;
    if (!closing) codes.push_back(c.cancels ? kTransmitFailed : kTransmitSucceeded);
    EXPECT_EQ(CompletionCodes(), codes);
    EXPECT_EQ(peer.Blocks().size(), c.cancels ? 0u : 64u);
    EXPECT_EQ(peer.EofTime().has_value(), !c.cancels);
    EXPECT_EQ(peer.RejectCount(), c.cancels ? 1 : 0);
    EXPECT_EQ(Statuses().back(), "Ready");
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Points, Jx10TransmitStopTest,
    ::testing::Values(
        TransmitStop{"StopWhileWaiting", kLoadPrompt, UserAction::PressStop, true},
        TransmitStop{"CloseWhileWaiting", kLoadPrompt, UserAction::CloseProgram, true},
        TransmitStop{"StopDuringBlocks", "Transmitting JX-10 data block 3 of 64 ...",
                     UserAction::PressStop, false},
        TransmitStop{"CloseDuringBlocks", "Transmitting JX-10 data block 50 of 64 ...",
                     UserAction::CloseProgram, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
