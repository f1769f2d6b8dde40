// The message layer against the simulated MIDI system: waiting with
// cancellation, sending with the bounded retry, and the traffic log.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kStop = kCommandStop;

Bytes Sysex(std::initializer_list<uint8_t> head, size_t length) {
    Bytes m(head);
    m.resize(length, 0x11);
    m[length - 1] = 0xF7;
    return m;
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
        ASSERT_EQ(OpenMidiPorts("In", "Out"), kMidiPortsOpen);
        shell_recorder::Reset();
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
    int32_t Wait() { return WaitForMessage(message); }
    Bytes Received(int32_t length) const {
        return Bytes(message.begin(), message.begin() + length);
    }
    std::array<uint8_t, kReceiveBufferSize> message{};
};

TEST_F(MessageLayerTest, TakesOneMessageAtATimeAndLogsIt) {
    Feed({0x90, 0x3C, 0x40, 0xC0, 0x05});
    EXPECT_EQ(Wait(), 3);
    EXPECT_EQ(Received(3), (Bytes{0x90, 0x3C, 0x40}));
    EXPECT_EQ(Wait(), 2);
    EXPECT_EQ(Received(2), (Bytes{0xC0, 0x05}));
    EXPECT_EQ(shell_recorder::LogLines(),
              (std::vector<std::string>{"(recv) 90 3C 40", "(recv) C0 05"}));
}

TEST_F(MessageLayerTest, CancellationAndQuitEndTheWaitAndPassTheWakeUpOn) {
    PostCommand(kStop);
    EXPECT_EQ(Wait(), -1);
    // The event is handed back so the worker loop takes the Stop at once.
    EXPECT_TRUE(Platform().waitWakeEvent(0));
    // The command stays pending, and a message waiting in the ring does not
    // win over it.
    Feed({0xC0, 0x01});
    EXPECT_EQ(Wait(), -1);
    EXPECT_EQ(TakeCommand(), kStop);
    EXPECT_EQ(Wait(), 2);
    RequestQuit();
    EXPECT_EQ(Wait(), -1);
}

// With strict waits a wait on the wake event never times out, so these pass
// only if the idle wait sleeps on the event and every source signals it.
TEST_F(MessageLayerTest, IdleWaitSleepsUntilAMessageOrAStopWakesIt) {
    virtual_platform::SetStrictWakeWaits(true);
    std::thread sender([] {
        SleepRealMs(20);
        midi_sim::QueueInput({0xB0, 0x07, 0x64});
    });
    EXPECT_EQ(Wait(), 3);
    sender.join();
    std::thread stopper([] {
        SleepRealMs(20);
        PostCommand(kStop);
    });
    EXPECT_EQ(Wait(), -1);
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
    EXPECT_EQ(Wait(), -1);
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
    // Said once, and the message is not logged as sent.
    EXPECT_EQ(
        shell_recorder::LogLines(),
        std::vector<std::string>{"MIDI output busy for 5000 ms; message of 20 bytes not sent."});
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
