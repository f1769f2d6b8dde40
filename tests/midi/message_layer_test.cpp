// The message layer against the simulated MIDI system: waiting with
// cancellation, sending with the bounded retry, the recognizers' loops over
// split, interleaved, foreign and truncated input, and the traffic log.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ground/mailbox.h"
#include "ground/platform.h"
#include "bank/sysex.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kStop = 40011;

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

void SleepRealMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class MessageLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        virtual_platform::Install();
        Platform().createWakeEvent();
        ResetMailboxForTest();
        shell_recorder::Reset();
        midi_sim::Install();
        midi_sim::SetInputDevices({"In"});
        midi_sim::SetOutputDevices({"Out"});
        ASSERT_EQ(OpenMidiPorts(0, "In", "Out"), 1);
        shell_recorder::Reset();
        activeChannel = 0;
    }
    void TearDown() override {
        midi_sim::HoldOutputDone(false);
        CloseMidiPorts();
        midi_sim::Uninstall();
        ResetMailboxForTest();
        virtual_platform::Uninstall();
    }
    static void Feed(const Bytes& bytes) {
        midi_sim::QueueInput(bytes);
        ASSERT_TRUE(midi_sim::WaitInputDelivered());
    }
    static Bytes Received(int32_t length) {
        return Bytes(ReceiveBuffer.begin(), ReceiveBuffer.begin() + length);
    }
};

TEST_F(MessageLayerTest, TakesOneMessageAtATimeAndLogsIt) {
    Feed({0x90, 0x3C, 0x40, 0xC0, 0x05});
    EXPECT_EQ(WaitForMessage(), 3);
    EXPECT_EQ(Received(3), (Bytes{0x90, 0x3C, 0x40}));
    EXPECT_EQ(WaitForMessage(), 2);
    EXPECT_EQ(Received(2), (Bytes{0xC0, 0x05}));
    EXPECT_EQ(shell_recorder::LogLines(),
              (std::vector<std::string>{"(recv) 90 3C 40", "(recv) C0 05"}));
}

TEST_F(MessageLayerTest, CancellationAndQuitEndTheWaitAndPassTheWakeUpOn) {
    PostCommand(kStop);
    EXPECT_EQ(WaitForMessage(), -1);
    // The event is handed back so the worker loop takes the Stop at once.
    EXPECT_TRUE(Platform().waitWakeEvent(0));
    // The command stays pending, and a message waiting in the ring does not
    // win over it.
    Feed({0xC0, 0x01});
    EXPECT_EQ(WaitForMessage(), -1);
    EXPECT_EQ(TakeCommand(), kStop);
    EXPECT_EQ(WaitForMessage(), 2);
    RequestQuit();
    EXPECT_EQ(WaitForMessage(), -1);
    EXPECT_EQ(WaitForJx8pTone(), -1);
    EXPECT_EQ(WaitForMks70Dump(), -1);
    EXPECT_EQ(WaitForJx10Handshake(), -1);
}

// With strict waits a wait on the wake event never times out, so these pass
// only if the idle wait sleeps on the event and every source signals it.
TEST_F(MessageLayerTest, IdleWaitSleepsUntilAMessageOrAStopWakesIt) {
    virtual_platform::SetStrictWakeWaits(true);
    std::thread sender([] {
        SleepRealMs(20);
        midi_sim::QueueInput({0xB0, 0x07, 0x64});
    });
    EXPECT_EQ(WaitForMessage(), 3);
    sender.join();
    std::thread stopper([] {
        SleepRealMs(20);
        PostCommand(kStop);
    });
    EXPECT_EQ(WaitForMessage(), -1);
    stopper.join();
    EXPECT_TRUE(virtual_platform::Pauses().empty());
}

TEST_F(MessageLayerTest, TransmitSendsLogsAndSkipsEmptyMessages) {
    const Bytes ack = {0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7};
    EXPECT_EQ(TransmitBytes(ack.data(), 0), 0);
    EXPECT_TRUE(midi_sim::SentMessages().empty());
    EXPECT_TRUE(shell_recorder::LogLines().empty());
    EXPECT_EQ(TransmitBytes(ack.data(), 6), 6);
    ASSERT_EQ(midi_sim::SentMessages().size(), 1u);
    EXPECT_EQ(midi_sim::SentMessages()[0].bytes, ack);
    EXPECT_EQ(shell_recorder::LogLines(), std::vector<std::string>{"(send) F0 41 43 00 24 F7"});
    // A device error is -1 and not logged.
    midi_sim::InjectResult(midi_sim::Call::OutLongMsg, kMmError, 1);
    EXPECT_EQ(TransmitBytes(ack.data(), 6), -1);
    EXPECT_EQ(shell_recorder::LogLines().size(), 1u);
}

TEST_F(MessageLayerTest, BusyOutputIsRetriedAndStopDoesNotInterruptIt) {
    midi_sim::HoldOutputDone(true);
    const Bytes m = Sysex({0xF0, 0x41, 0x42, 0x00, 0x24}, 263);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(TransmitBytes(m.data(), 263), 263);
    std::atomic<int32_t> result{0};
    std::thread sender([&] { result = TransmitBytes(m.data(), 263); });
    SleepRealMs(20);
    PostCommand(kStop);
    SleepRealMs(20);
    EXPECT_EQ(result.load(), 0);  // still waiting for a buffer
    midi_sim::HoldOutputDone(false);
    sender.join();
    EXPECT_EQ(result.load(), 263);
    EXPECT_EQ(midi_sim::SentMessages().size(), 4u);
    // The next wait sees the Stop.
    EXPECT_EQ(WaitForMessage(), -1);
}

TEST_F(MessageLayerTest, OutputThatNeverFreesABufferFailsAfterFiveSeconds) {
    midi_sim::HoldOutputDone(true);
    const Bytes m = Sysex({0xF0, 0x41, 0x42, 0x00, 0x24}, 20);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(TransmitBytes(m.data(), 20), 20);
    shell_recorder::Reset();
    std::atomic<bool> done{false};
    std::thread clock([&] {
        while (!done) {
            virtual_platform::Advance(50);
            SleepRealMs(1);
        }
    });
    const uint32_t start = NowMilliseconds();
    const int32_t result = TransmitBytes(m.data(), 20);
    const uint32_t waited = NowMilliseconds() - start;
    done = true;
    clock.join();
    EXPECT_EQ(result, -1);
    EXPECT_GE(waited, 5000u);
    EXPECT_EQ(midi_sim::SentMessages().size(), 3u);
    const auto lines = shell_recorder::LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("(send)", 0), std::string::npos);
}

TEST_F(MessageLayerTest, Jx8pToneThroughInterleavedAndForeignTraffic) {
    activeChannel = 2;
    const Bytes tone = Sysex({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 67);
    Feed(Concat({{0xF8, 0xFE, 0x92, 0x3C, 0x40, 0x3E, 0x40},       // clock, sensing, running status
                 Sysex({0xF0, 0x43, 0x00, 0x02, 0x21, 0x20}, 67),  // another manufacturer
                 Sysex({0xF0, 0x41, 0x35, 0x03, 0x21, 0x20}, 67),  // another channel
                 Sysex({0xF0, 0x41, 0x34, 0x02, 0x21, 0x20}, 11),  // a program message
                 {0xC2, 0x07},
                 tone}));
    EXPECT_EQ(WaitForJx8pTone(), 0x35);
    EXPECT_EQ(Received(67), tone);
    // A tone cut short by a status byte, then closed too early: both fail.
    Feed(Concat({Bytes(tone.begin(), tone.begin() + 30), {0xC2, 0x01}}));
    EXPECT_EQ(WaitForJx8pTone(), -1);
    Feed(Sysex({0xF0, 0x41, 0x35, 0x02, 0x21, 0x20}, 66));
    EXPECT_EQ(WaitForJx8pTone(), -1);
}

TEST_F(MessageLayerTest, Mks70DumpsSplitAcrossDeliveries) {
    activeChannel = 0;
    const Bytes patch = Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 106);
    const Bytes tone = Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x20}, 69);
    // The far side delivers in pieces, with real-time bytes inside.
    midi_sim::QueueInput(Bytes(patch.begin(), patch.begin() + 50));
    midi_sim::QueueInput({0xF8});
    midi_sim::QueueInput(Bytes(patch.begin() + 50, patch.end()));
    midi_sim::QueueInput(Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x25}, 69));
    midi_sim::QueueInput(tone);
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    EXPECT_EQ(WaitForMks70Dump(), 0x30);
    EXPECT_EQ(Received(106), patch);
    EXPECT_EQ(WaitForMks70Dump(), 0x20);
    EXPECT_EQ(Received(69), tone);
    Feed(Sysex({0xF0, 0x41, 0x37, 0x00, 0x24, 0x30}, 69));
    EXPECT_EQ(WaitForMks70Dump(), -1);
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

TEST_F(MessageLayerTest, Jx10HandshakeRestartsAfterEveryExclusiveMessage) {
    activeChannel = 1;
    const Bytes ack = {0xF0, 0x41, 0x43, 0x01, 0x24, 0xF7};
    const uint32_t startsBefore = midi_sim::InputStartCount();
    {
        Feeder feeder({Concat({{0xFE, 0x91, 0x40, 0x40},
                               Sysex({0xF0, 0x7E, 0x01, 0x06}, 12),
                               ack /* discarded with the restart */}),
                       Concat({{0xF8}, Sysex({0xF0, 0x41, 0x44, 0x01, 0x24}, 6)}),
                       Sysex({0xF0, 0x41, 0x43, 0x02, 0x24}, 6), ack});
        EXPECT_EQ(WaitForJx10Handshake(), 0x43);
    }
    EXPECT_EQ(Received(6), ack);
    // One restart per exclusive message taken: foreign, 44, other channel, ack.
    EXPECT_EQ(midi_sim::InputStartCount(), startsBefore + 4);
    EXPECT_EQ(PeekInputMessage(), 0);
}

TEST_F(MessageLayerTest, Jx10DatMessageIsJudgedWithoutItsF7) {
    activeChannel = 0;
    Bytes dat = Sysex({0xF0, 0x41, 0x42, 0x00, 0x24}, 263);
    for (size_t i = 5; i < 261; ++i) dat[i] = static_cast<uint8_t>(i & 0x0F);
    uint8_t sum = 0;
    for (size_t i = 5; i < 261; ++i) sum = static_cast<uint8_t>(sum + dat[i]);
    dat[261] = static_cast<uint8_t>((-sum) & 0x7F);
    Feed(dat);
    EXPECT_EQ(WaitForJx10Handshake(), 0x42);
    EXPECT_EQ(Received(262), Bytes(dat.begin(), dat.begin() + 262));
    EXPECT_EQ(PeekInputMessage(), 0);  // the F7 record went with the restart
    // Malformed on the awaited channel: the transfer fails.
    {
        Feeder feeder({Sysex({0xF0, 0x41, 0x43, 0x00, 0x24}, 7)});
        EXPECT_EQ(WaitForJx10Handshake(), -1);
    }
    {
        Feeder feeder({Concat({Bytes(dat.begin(), dat.begin() + 260), {0xC0, 0x00}})});
        EXPECT_EQ(WaitForJx10Handshake(), -1);
    }
}

TEST_F(MessageLayerTest, TrafficLines) {
    Bytes big = Sysex({0xF0, 0x41, 0x42, 0x00, 0x24, 0x01, 0x0A, 0x0F, 0x33}, 263);
    struct Row {
        Bytes bytes;
        MidiDirection direction;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {{0xC0, 0x05}, MidiDirection::Received, {"(recv) C0 05"}},
        {{0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7}, MidiDirection::Sent, {"(send) F0 41 43 00 24 F7"}},
        {big, MidiDirection::Sent, {"(send) F0 41 42 00 24 01 0A 0F"}},
        {{0xFA}, MidiDirection::Received, {"(recv) FA"}},
        {{}, MidiDirection::Received, {"", "Sysex message too large to display.", ""}},
    };
    for (const Row& row : rows) {
        shell_recorder::Reset();
        LogMidiTraffic(row.bytes.data(), static_cast<int32_t>(row.bytes.size()), row.direction);
        EXPECT_EQ(shell_recorder::LogLines(), row.lines);
    }
    shell_recorder::Reset();
    shell_recorder::SetLogOpen(false);
    LogMidiTraffic(big.data(), 263, MidiDirection::Sent);
    EXPECT_TRUE(shell_recorder::Calls().empty());
}

}  // namespace
