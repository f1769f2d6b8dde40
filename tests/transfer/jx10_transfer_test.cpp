// The JX-10 bulk dump, end to end: worker, runner, procedure, message and
// device layers, the simulated MIDI system and a scripted JX-10.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ground/commands.h"
#include "ground/mailbox.h"
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
    EXPECT_EQ(job.receivedLength.load(), size.blocks * 128);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
    EXPECT_EQ(job.receivedKind, size.bankKind);
    EXPECT_EQ(job.received.load(), 1);
    EXPECT_EQ(
        Statuses(),
        Join({{"Receiving ...", kDumpPrompt},
              Numbered("Receiving JX-10 data block %d of %d ...", 1, size.blocks, size.blocks),
              {"Receiving JX-10 end-of-file marker ....", "Closing ...", "Ready"}}));
    EXPECT_EQ(shell_recorder::Progress(), FullProgress(size.blocks));
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
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

// "Auto" listens on every channel until the WsdMessage names one; each
// acknowledgement then carries it.
TEST_F(Jx10Test, AutoReceiveTakesTheChannelOfTheWantToSend) {
    UseSynth(kSynthJx10, kChannelAuto);
    Jx10Script script = DumpScript(0x64);
    script.channel = 9;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kDumpPrompt);
    ASSERT_TRUE(Run(kCommandReceive));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kReceiveSucceeded});
    EXPECT_EQ(peer.AckCount(), 66);  // counted only with channel byte 09h
    EXPECT_EQ(peer.Received().size(), 66u);
    const std::vector<std::string> log = shell_recorder::LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Synthesizer found on MIDI channel 10."), 1);
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
    EXPECT_TRUE(std::equal(image.begin(), image.end(), job.receivedImage.begin()));
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
    [](const auto& test) { return std::string(test.param.name); });

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
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    EXPECT_EQ(job.receivedLength.load(), -1);
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
    [](const auto& test) { return std::string(test.param.name); });

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
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    ExpectOldBank();
    ExpectDevicesClosed();
    if (closing) {
        EXPECT_EQ(PostsOf(kWorkerEndedMessage).size(), 1u);
    }
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
    [](const auto& test) { return std::string(test.param.name); });

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
    EXPECT_EQ(job.receivedLength.load(), (c.acks - 2) * 128);
    ExpectOldBank();
    const std::vector<std::string> s = Statuses();
    EXPECT_EQ(std::count(s.begin(), s.end(), "Closing ..."), 0);
    EXPECT_EQ(s.back(), "Ready");
    EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Signatures, Jx10RefusedTest,
                         ::testing::Values(Refused{0x16, 159, 18}, Refused{0x64, 0, 66},
                                           Refused{0x64, 1, 66}));

// Transmit to a JX-10 that never acknowledges: it asks, the blocks go out
// 750 ms apart from the start of each send, then the end-of-file marker,
// exactly as a transmit that does not listen would send them.
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

    // After the end-of-file marker the transmit listens for the rest of its
    // pace before it closes the devices.
    EXPECT_EQ(virtual_platform::Now(), *peer.EofTime() + step);
    EXPECT_EQ(Statuses(),
              Join({{"Transmitting ...", kLoadPrompt},
                    Numbered("Transmitting JX-10 data block %d of %d ...", 1, c.blocks, c.blocks),
                    {"Transmitting JX-10 end-of-file marker ....", "Closing ...", "Ready"}}));
    EXPECT_EQ(job.received.load(), 0);  // a transmit brings nothing back
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Requests, Jx10TransmitTest,
                         ::testing::Values(TransmitCase{"Whole", 0x64, 64, 0},
                                           TransmitCase{"M16CRequest", 0x16, 16, 0},
                                           TransmitCase{"OtherKindMeansWhole", 0x20, 64, 0},
                                           TransmitCase{"SlowInterface", 0x64, 64, 40},
                                           TransmitCase{"SlowerThanThePace", 0x16, 16, 900}),
                         [](const auto& test) { return std::string(test.param.name); });

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
    [](const auto& test) { return std::string(test.param.name); });

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

// Stop, or closing the program, while the blocks go out: the block being
// sent is the last, one RjcMessage follows at once, and no EofMessage. A
// Stop during the end-of-file marker's wait rejects it too.
struct TransmitStop {
    const char* name;
    const char* status;
    UserAction action;
    bool acknowledging;
    size_t blocks;  // blocks sent before the stop took effect
    bool eof;       // the EofMessage was sent before it
};

class Jx10TransmitStopTest : public Jx10Test, public ::testing::WithParamInterface<TransmitStop> {};

TEST_P(Jx10TransmitStopTest, EndsAfterTheBlockBeingSent) {
    const TransmitStop c = GetParam();
    LoadBank(Image64(), kM64CKind);
    Jx10Script script = LoadScript(0x64);
    script.acknowledge = c.acknowledging;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    When(Trigger::Status, c.status, c.action);
    ASSERT_TRUE(Run(kCommandTransmit));

    const bool closing = c.action == UserAction::CloseProgram;
    EXPECT_EQ(CompletionCodes(),
              closing ? std::vector<uintptr_t>{} : std::vector<uintptr_t>{kTransmitFailed});
    const std::vector<vexa_peers::Jx10Block> blocks = peer.Blocks();
    ASSERT_EQ(blocks.size(), c.blocks);
    EXPECT_EQ(peer.EofTime().has_value(), c.eof);
    EXPECT_EQ(peer.RejectCount(), 1);
    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    ASSERT_EQ(got.size(), c.blocks + (c.eof ? 2 : 1));
    EXPECT_EQ(got.back().bytes, vexa_peers::HandshakeMessage(0x4F, 0));
    // Within the pace of the message being sent (the Stop came before it).
    EXPECT_LT(got.back().timeMs - got[got.size() - 2].timeMs, 750u);
    ExpectCancelled();
    ExpectDevicesClosed();
    if (closing) {
        EXPECT_EQ(PostsOf(kWorkerEndedMessage).size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Points, Jx10TransmitStopTest,
    ::testing::Values(TransmitStop{"StopSilent", "Transmitting JX-10 data block 3 of 64 ...",
                                   UserAction::PressStop, false, 3, false},
                      TransmitStop{"StopAcknowledging", "Transmitting JX-10 data block 3 of 64 ...",
                                   UserAction::PressStop, true, 3, false},
                      TransmitStop{"StopAtEndOfFile", "Transmitting JX-10 end-of-file marker ....",
                                   UserAction::PressStop, true, 64, true},
                      TransmitStop{"CloseSilent", "Transmitting JX-10 data block 50 of 64 ...",
                                   UserAction::CloseProgram, false, 50, false},
                      TransmitStop{"CloseAcknowledging",
                                   "Transmitting JX-10 data block 50 of 64 ...",
                                   UserAction::CloseProgram, true, 50, false}),
    [](const auto& test) { return std::string(test.param.name); });

// Stop pressed twice while the blocks go out: the second finds the first
// still pending and returns at once, and the transmit ends as for one.
TEST_F(Jx10Test, DoubleStopDuringTheBlocksEndsTheTransmitOnce) {
    LoadBank(Image64(), kM64CKind);
    Jx10Script script = LoadScript(0x64);
    script.acknowledge = true;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    When(Trigger::Status, "Transmitting JX-10 data block 7 of 64 ...", UserAction::PressStop);
    When(Trigger::Status, "Transmitting JX-10 data block 7 of 64 ...", UserAction::PressStop);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
    EXPECT_EQ(peer.Blocks().size(), 7u);
    EXPECT_EQ(peer.RejectCount(), 1);
    EXPECT_EQ(IsBusy(), 0);
    ExpectCancelled();
    ExpectDevicesClosed();
}

TEST_F(Jx10Test, StopWhileWaitingForTheRequestCancels) {
    LoadBank(Image64(), kM64CKind);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(LoadScript(0x64, Jx10Fault::Silent));
    When(Trigger::Status, kLoadPrompt, UserAction::PressStop);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
    EXPECT_TRUE(peer.Blocks().empty());
    EXPECT_EQ(peer.RejectCount(), 1);
    ExpectCancelled();
    ExpectDevicesClosed();
}

// A JX-10 that acknowledges gets each block as soon as it has answered the
// last, the same bytes, and the whole bank in a fraction of the paced time.
struct AckCase {
    const char* name;
    uint8_t requestKind;
    int blocks;
    uint32_t ackDelayMs;
    uint32_t sendCostMs;  // 84 ms: a 263-byte message at MIDI cable speed
};

class Jx10AcknowledgedTest : public Jx10Test, public ::testing::WithParamInterface<AckCase> {};

TEST_P(Jx10AcknowledgedTest, EachBlockFollowsTheAcknowledgement) {
    const AckCase c = GetParam();
    const std::vector<uint8_t> image = Image64();
    LoadBank(image, kM64CKind, 1);
    Jx10Script script = LoadScript(c.requestKind);
    script.acknowledge = true;
    script.ackDelayMs = c.ackDelayMs;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    link.SetSendCostMs(c.sendCostMs);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::Jx10Block> blocks = peer.Blocks();
    ASSERT_EQ(blocks.size(), static_cast<size_t>(c.blocks));
    const uint32_t answered = std::max(c.ackDelayMs, c.sendCostMs);
    for (size_t i = 1; i < blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(blocks[i].checksumOk);
        // The answer is looked for every 5 ms.
        const uint32_t gap = blocks[i].timeMs - blocks[i - 1].timeMs;
        EXPECT_GE(gap, answered);
        EXPECT_LE(gap, answered + 5);
    }
    const std::vector<uint8_t> loaded = peer.LoadedImage();
    EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), image.begin()));
    ASSERT_TRUE(peer.EofTime().has_value());
    EXPECT_EQ(peer.Answers(), std::vector<uint8_t>(static_cast<size_t>(c.blocks) + 1, 0x43));
    EXPECT_EQ(peer.RejectCount(), 0);
    EXPECT_EQ(peer.Received().size(), static_cast<size_t>(c.blocks) + 1);

    // From the first block to the devices' close, on the virtual clock.
    const uint32_t took = virtual_platform::Now() - blocks[0].timeMs;
    EXPECT_LT(took, c.sendCostMs > 0 ? 7000u : 5000u);
    RecordProperty("transmit_ms", static_cast<int>(took));
    std::printf("acknowledged JX-10 transmit (%s): %u ms from the first block to the close\n",
                c.name, took);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Answers, Jx10AcknowledgedTest,
                         ::testing::Values(AckCase{"AtOnce", 0x64, 64, 0, 0},
                                           AckCase{"After20ms", 0x64, 64, 20, 0},
                                           AckCase{"M16CRequestAfter5ms", 0x16, 16, 5, 0},
                                           AckCase{"AtCableSpeed", 0x64, 64, 0, 84}),
                         [](const auto& test) { return std::string(test.param.name); });

// The JX-10 refuses: an ErrMessage gets one RjcMessage back, an RjcMessage
// none; nothing more is sent, no EofMessage after a refused block, and the
// transmit fails.
struct Refusal {
    const char* name;
    Jx10Fault fault;
    int step;  // the block answered with the refusal; 65 is the EofMessage
    int rejects;
};

class Jx10RefusalTest : public Jx10Test, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Jx10RefusalTest, EndsTheTransmitAfterThatBlock) {
    const Refusal c = GetParam();
    LoadBank(Image64(), kM64CKind);
    Jx10Script script = LoadScript(0x64, c.fault);
    script.faultStep = c.step;
    script.acknowledge = true;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
    const size_t blocks = static_cast<size_t>(std::min(c.step, 64));
    EXPECT_EQ(peer.Blocks().size(), blocks);
    EXPECT_EQ(peer.EofTime().has_value(), c.step == 65);
    EXPECT_EQ(peer.RejectCount(), c.rejects);
    EXPECT_EQ(peer.Received().size(),
              blocks + (c.step == 65 ? 1u : 0u) + static_cast<size_t>(c.rejects));
    ExpectCancelled();
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx10RefusalTest,
    ::testing::Values(Refusal{"ErrAfterBlock5", Jx10Fault::ErrInstead, 5, 1},
                      Refusal{"RjcAfterBlock5", Jx10Fault::RjcInstead, 5, 0},
                      Refusal{"ErrAfterFirstBlock", Jx10Fault::ErrInstead, 1, 1},
                      Refusal{"ErrAfterEndOfFile", Jx10Fault::ErrInstead, 65, 1},
                      Refusal{"RjcAfterEndOfFile", Jx10Fault::RjcInstead, 65, 0}),
    [](const auto& test) { return std::string(test.param.name); });

// A JX-10 that answers late: each answer belongs to its own message however
// long it takes. Until the first answer the old pace holds; from then on no
// message goes before the answer to the one before it; an ErrMessage or
// RjcMessage fails the load whichever message it answers; after the
// EofMessage every answer owed is awaited; and a JX-10 that answered once
// and then stays silent for 5 s fails it.
struct LateAnswer {
    const char* name;
    uint32_t delayMs;
    Jx10Fault fault;
    int step;  // the step the fault hits: 1..64 a block, 65 the EofMessage
    bool succeeds;
    size_t blocks;  // blocks the JX-10 got
    bool eof;       // the EofMessage went out
    int rejects;    // RjcMessages the program sent
};

class Jx10LateAnswerTest : public Jx10Test, public ::testing::WithParamInterface<LateAnswer> {};

TEST_P(Jx10LateAnswerTest, EachAnswerBelongsToItsOwnMessage) {
    const LateAnswer c = GetParam();
    const std::vector<uint8_t> image = Image64();
    LoadBank(image, kM64CKind);
    Jx10Script script = LoadScript(0x64, c.fault);
    script.faultStep = c.step;
    script.acknowledge = true;
    script.ackDelayMs = c.delayMs;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));

    EXPECT_EQ(CompletionCodes(),
              std::vector<uintptr_t>{c.succeeds ? kTransmitSucceeded : kTransmitFailed});
    const std::vector<vexa_peers::Jx10Block> blocks = peer.Blocks();
    ASSERT_EQ(blocks.size(), c.blocks);
    ASSERT_EQ(peer.EofTime().has_value(), c.eof);
    EXPECT_EQ(peer.RejectCount(), c.rejects);

    // When each message of the load went out: the blocks, then the EofMessage.
    std::vector<uint32_t> sent;
    for (const vexa_peers::Jx10Block& b : blocks) sent.push_back(b.timeMs);
    if (c.eof) sent.push_back(*peer.EofTime());
    const std::vector<uint32_t> answered = peer.AnswerTimes();
    ASSERT_FALSE(answered.empty());
    for (size_t k = 1; k < sent.size(); ++k) {
        SCOPED_TRACE(k);
        if (answered[0] < sent[k]) {
            ASSERT_LT(k - 1, answered.size());
            EXPECT_GE(sent[k], answered[k - 1]);
            EXPECT_LE(sent[k], answered[k - 1] + 5);  // the answer is looked for every 5 ms
        } else {
            EXPECT_EQ(sent[k] - sent[k - 1], 750u);
        }
    }

    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    if (c.succeeds) {
        // Every answer heard, all of them acknowledgements, before the close.
        EXPECT_EQ(peer.Answers(), std::vector<uint8_t>(65, 0x43));
        EXPECT_GE(virtual_platform::Now(), answered.back());
        const std::vector<uint8_t> loaded = peer.LoadedImage();
        EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), image.begin()));
    } else {
        ExpectCancelled();
        if (c.rejects > 0) {
            EXPECT_EQ(got.back().bytes, vexa_peers::HandshakeMessage(0x4F, 0));
            const uint32_t after = c.fault == Jx10Fault::Silent ? sent.back() + 5000
                                                                : answered.back();
            EXPECT_GE(got.back().timeMs, after);
            EXPECT_LE(got.back().timeMs, after + 5);
        }
    }
    EXPECT_EQ(got.size(), sent.size() + static_cast<size_t>(c.rejects));
    // The input was opened and restarted once, after the request: no answer
    // queued behind another was thrown away by a restart.
    EXPECT_EQ(midi_sim::InputStartCount(), 2u);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jx10LateAnswerTest,
    ::testing::Values(
        LateAnswer{"AllAcksAt800ms", 800, Jx10Fault::None, 0, true, 64, true, 0},
        LateAnswer{"AllAcksAt1600ms", 1600, Jx10Fault::None, 0, true, 64, true, 0},
        LateAnswer{"ErrOnBlock5At800ms", 800, Jx10Fault::ErrInstead, 5, false, 5, false, 1},
        LateAnswer{"ErrOnBlock64At1600ms", 1600, Jx10Fault::ErrInstead, 64, false, 64, false, 1},
        LateAnswer{"ErrOnEofAt800ms", 800, Jx10Fault::ErrInstead, 65, false, 64, true, 1},
        LateAnswer{"ErrOnEofAt1600ms", 1600, Jx10Fault::ErrInstead, 65, false, 64, true, 1},
        LateAnswer{"RjcOnBlock10At800ms", 800, Jx10Fault::RjcInstead, 10, false, 10, false, 0},
        LateAnswer{"RjcOnEofAt1600ms", 1600, Jx10Fault::RjcInstead, 65, false, 64, true, 0},
        LateAnswer{"SilentAfterBlock10At800ms", 800, Jx10Fault::Silent, 11, false, 11, false, 1},
        LateAnswer{"SilentAfterBlock10At1600ms", 1600, Jx10Fault::Silent, 11, false, 11,
                   false, 1}),
    [](const auto& test) { return std::string(test.param.name); });

// "Auto": the RqdMessage names the channel, and the whole stream is sent on
// it, with every answer heard on it.
TEST_F(Jx10Test, AutoTransmitFollowsTheRequestsChannel) {
    UseSynth(kSynthJx10, kChannelAuto);
    const std::vector<uint8_t> image = Image64();
    LoadBank(image, kM64CKind);
    Jx10Script script = LoadScript(0x64);
    script.channel = 6;
    script.acknowledge = true;
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    ASSERT_EQ(got.size(), 65u);
    for (int b = 0; b < 64; ++b) {
        const std::vector<uint8_t> block(image.begin() + 128 * b, image.begin() + 128 * (b + 1));
        EXPECT_EQ(got[static_cast<size_t>(b)].bytes, vexa_peers::DataBlockMessage(6, block)) << b;
    }
    EXPECT_EQ(got[64].bytes, vexa_peers::HandshakeMessage(0x45, 6));
    EXPECT_EQ(peer.Answers().size(), 65u);
    const std::vector<std::string> log = shell_recorder::LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Synthesizer found on MIDI channel 7."), 1);
}

// An M-16C bank goes to a JX-10 that asks for an M-16C memory as its own 16
// blocks; a request for any other kind is refused.
struct M16CCase {
    const char* name;
    uint8_t requestKind;
    bool acknowledging;
};

class Jx10M16CTest : public Jx10Test, public ::testing::WithParamInterface<M16CCase> {};

TEST_P(Jx10M16CTest, BankGoesOnlyToAnM16CRequest) {
    const M16CCase c = GetParam();
    const std::vector<uint8_t> image = Image16();
    LoadBank(image, kM16CKind);
    Jx10Script script = LoadScript(c.requestKind);
    script.channel = 2;
    script.acknowledge = c.acknowledging;
    UseSynth(kSynthJx10, 2);
    Jx10Peer& peer = AttachPeer<Jx10Peer>(script);
    StartPeerAt(kLoadPrompt);
    ASSERT_TRUE(Run(kCommandTransmit));

    if (c.requestKind != 0x16) {
        EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
        EXPECT_TRUE(peer.Blocks().empty());
        EXPECT_EQ(peer.RejectCount(), 1);
        EXPECT_EQ(peer.Received().size(), 1u);
        ExpectCancelled();
        ExpectDevicesClosed();
        return;
    }
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitSucceeded});
    const std::vector<vexa_peers::TimedMessage> got = peer.Received();
    ASSERT_EQ(got.size(), 17u);
    for (int b = 0; b < 16; ++b) {
        const std::vector<uint8_t> block(image.begin() + 128 * b, image.begin() + 128 * (b + 1));
        EXPECT_EQ(got[static_cast<size_t>(b)].bytes, vexa_peers::DataBlockMessage(2, block)) << b;
        if (!c.acknowledging && b > 0) {
            EXPECT_EQ(got[static_cast<size_t>(b)].timeMs - got[static_cast<size_t>(b - 1)].timeMs,
                      750u);
        }
    }
    EXPECT_EQ(got[16].bytes, vexa_peers::HandshakeMessage(0x45, 2));
    EXPECT_EQ(Statuses(),
              Join({{"Transmitting ...", kLoadPrompt},
                    Numbered("Transmitting JX-10 data block %d of %d ...", 1, 16, 16),
                    {"Transmitting JX-10 end-of-file marker ....", "Closing ...", "Ready"}}));
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Requests, Jx10M16CTest,
                         ::testing::Values(M16CCase{"Acknowledged", 0x16, true},
                                           M16CCase{"Paced", 0x16, false},
                                           M16CCase{"M64CRequestRefused", 0x64, true},
                                           M16CCase{"OtherKindRefused", 0x20, false}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
