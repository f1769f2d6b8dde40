// The recognizers' waits against the simulated MIDI system: the loops over
// split, interleaved, foreign and truncated input, the JX-10 handshake's
// input restarts, and Stop and quit ending every wait.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/settings.h"
#include "midi/midi_port.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"
#include "transfer/recognizers.h"
#include "transfer/transfer_session.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Sysex(std::initializer_list<uint8_t> head, size_t length) {
    Bytes m(head);
    m.resize(length, 0x11);
    m[length - 1] = 0xF7;
    return m;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class RecognizerWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        virtual_platform::Install();
        Platform().createWakeEvent();
        ResetMailboxForTest();
        shell_recorder::Reset();
        midi_sim::Install();
        midi_sim::SetInputDevices({"In"});
        midi_sim::SetOutputDevices({"Out"});
        ASSERT_EQ(OpenMidiPorts("In", "Out"), kMidiPortsOpen);
        shell_recorder::Reset();
    }
    void TearDown() override {
        CloseMidiPorts();
        midi_sim::Uninstall();
        ResetMailboxForTest();
        virtual_platform::Uninstall();
    }
    static void Feed(const Bytes& bytes) {
        midi_sim::QueueInput(bytes);
        ASSERT_TRUE(midi_sim::WaitInputDelivered());
    }
    Bytes Received(int32_t length) const {
        return Bytes(session.message.begin(), session.message.begin() + length);
    }
    AppSettings settings;
    TransferSession session{settings};
};

TEST_F(RecognizerWaitTest, StopAndQuitEndEveryWait) {
    PostCommand(kCommandStop);
    EXPECT_EQ(WaitForJx8pTone(session), -1);
    EXPECT_EQ(WaitForMks70Dump(session), -1);
    EXPECT_EQ(WaitForJx10Handshake(session), -1);
    EXPECT_EQ(WaitForJx10Answer(session, NowMilliseconds(), 1000), -1);
    EXPECT_EQ(TakeCommand(), kCommandStop);
    RequestQuit();
    EXPECT_EQ(WaitForJx8pTone(session), -1);
    EXPECT_EQ(WaitForJx10Answer(session, NowMilliseconds(), 1000), -1);
}

TEST_F(RecognizerWaitTest, Jx8pToneThroughInterleavedAndForeignTraffic) {
    session.channel = 2;
    const Bytes tone = Sysex({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 67);
    Feed(Concat({{0xF8, 0xFE, 0x92, 0x3C, 0x40, 0x3E, 0x40},       // clock, sensing, running status
                 Sysex({0xF0, 0x43, 0x00, 0x02, 0x21, 0x20}, 67),  // another manufacturer
                 Sysex({0xF0, 0x41, 0x35, 0x03, 0x21, 0x20}, 67),  // another channel
                 Sysex({0xF0, 0x41, 0x34, 0x02, 0x21, 0x20}, 11),  // a program message
                 {0xC2, 0x07},
                 tone}));
    EXPECT_EQ(WaitForJx8pTone(session), 0x35);
    EXPECT_EQ(Received(67), tone);
    // A tone cut short by a status byte, then closed too early: both fail.
    Feed(Concat({Bytes(tone.begin(), tone.begin() + 30), {0xC2, 0x01}}));
    EXPECT_EQ(WaitForJx8pTone(session), -1);
    Feed(Sysex({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 66));
    EXPECT_EQ(WaitForJx8pTone(session), -1);
}

TEST_F(RecognizerWaitTest, Mks70DumpsSplitAcrossDeliveries) {
    session.channel = 0;
    const Bytes patch = Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 106);
    const Bytes tone = Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x20}, 69);
    // The far side delivers in pieces, with real-time bytes inside.
    midi_sim::QueueInput(Bytes(patch.begin(), patch.begin() + 50));
    midi_sim::QueueInput({0xF8});
    midi_sim::QueueInput(Bytes(patch.begin() + 50, patch.end()));
    midi_sim::QueueInput(Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x25}, 69));
    midi_sim::QueueInput(tone);
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    EXPECT_EQ(WaitForMks70Dump(session), 0x30);
    EXPECT_EQ(Received(106), patch);
    EXPECT_EQ(WaitForMks70Dump(session), 0x20);
    EXPECT_EQ(Received(69), tone);
    Feed(Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 69));
    EXPECT_EQ(WaitForMks70Dump(session), -1);
}

// Hands the far side's messages over one System Exclusive message at a time,
// each only after the recognizer has restarted the input for the one before,
// as the handshake recognizer throws away whatever is queued behind a
// System Exclusive message.
class Feeder {
  public:
    explicit Feeder(std::vector<Bytes> chunks) : chunks_(std::move(chunks)) {
        thread_ = std::thread([this] {
            const uint32_t base = midi_sim::InputStartCount();
            for (size_t i = 0; i < chunks_.size(); ++i) {
                if (!midi_sim::WaitForInputStarts(base + static_cast<uint32_t>(i), 5000)) return;
                if (!midi_sim::WaitUntilListening(5000)) return;
                midi_sim::QueueInput(chunks_[i]);
            }
        });
    }
    ~Feeder() { thread_.join(); }

  private:
    std::vector<Bytes> chunks_;
    std::thread thread_;
};

TEST_F(RecognizerWaitTest, Jx10HandshakeRestartsAfterEveryExclusiveMessage) {
    session.channel = 1;
    const Bytes ack = {0xF0, 0x41, 0x43, 0x01, 0x24, 0xF7};
    const uint32_t startsBefore = midi_sim::InputStartCount();
    {
        Feeder feeder({Concat({{0xFE, 0x91, 0x40, 0x40},
                               Sysex({0xF0, 0x7E, 0x01, 0x06}, 12),
                               ack /* discarded with the restart */}),
                       Concat({{0xF8}, Sysex({0xF0, 0x41, 0x44, 0x01, 0x24}, 6)}),
                       Sysex({0xF0, 0x41, 0x43, 0x02, 0x24}, 6), ack});
        EXPECT_EQ(WaitForJx10Handshake(session), 0x43);
    }
    EXPECT_EQ(Received(6), ack);
    // One restart per exclusive message taken: foreign, 44, other channel, ack.
    EXPECT_EQ(midi_sim::InputStartCount(), startsBefore + 4);
    EXPECT_EQ(PeekInputMessage(), 0);
}

TEST_F(RecognizerWaitTest, Jx10DatMessageIsJudgedWithoutItsF7) {
    session.channel = 0;
    Bytes dat = Sysex({0xF0, 0x41, 0x42, 0x00, 0x24}, 263);
    for (size_t i = 5; i < 261; ++i) dat[i] = static_cast<uint8_t>(i & 0x0F);
    uint8_t sum = 0;
    for (size_t i = 5; i < 261; ++i) sum = static_cast<uint8_t>(sum + dat[i]);
    dat[261] = static_cast<uint8_t>((-sum) & 0x7F);
    Feed(dat);
    EXPECT_EQ(WaitForJx10Handshake(session), 0x42);
    EXPECT_EQ(Received(262), Bytes(dat.begin(), dat.begin() + 262));
    EXPECT_EQ(PeekInputMessage(), 0);  // the F7 record went with the restart
    // Malformed on the awaited channel: the transfer fails.
    {
        Feeder feeder({Sysex({0xF0, 0x41, 0x43, 0x00, 0x24}, 7)});
        EXPECT_EQ(WaitForJx10Handshake(session), -1);
    }
    {
        Feeder feeder({Concat({Bytes(dat.begin(), dat.begin() + 260), {0xC0, 0x00}})});
        EXPECT_EQ(WaitForJx10Handshake(session), -1);
    }
}

}  // namespace
