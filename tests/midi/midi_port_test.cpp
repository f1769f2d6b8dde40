// The device layer against the simulated MIDI system: opening by name, a
// failure at every step of the open, teardown with slow and broken drivers,
// restarting the input, and sending short and long messages.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ground/platform.h"
#include "ground/shell.h"
#include "midi/input_ring.h"
#include "midi/midi_port.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"

namespace {

using midi_sim::Call;

const char kIn[] = "Sim MIDI In";
const char kOut[] = "Sim MIDI Out";

std::vector<uint8_t> Sysex(size_t length, uint8_t seed = 0) {
    std::vector<uint8_t> m(length);
    m[0] = 0xF0;
    for (size_t i = 1; i + 1 < length; ++i) m[i] = static_cast<uint8_t>((seed + i) & 0x7F);
    m[length - 1] = 0xF7;
    return m;
}

std::vector<std::vector<uint8_t>> DrainRing() {
    std::vector<std::vector<uint8_t>> records;
    std::vector<uint8_t> buffer(2048);
    while (PeekInputMessage() != 0) {
        const int32_t n = ReadInputMessage(buffer.data());
        records.emplace_back(buffer.begin(), buffer.begin() + n);
    }
    return records;
}

void ExpectAllClosed(const char* what) {
    const MidiPortState s = InspectMidiPort();
    EXPECT_FALSE(s.inputOpen) << what;
    EXPECT_FALSE(s.outputOpen) << what;
    EXPECT_EQ(s.inputRunning, 0u) << what;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.inputBusy[i], 0u) << what << " input slot " << i;
        EXPECT_EQ(s.outputBusy[i], 0u) << what << " output buffer " << i;
    }
}

class MidiPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        virtual_platform::Install();
        shell_recorder::Reset();
        midi_sim::Install();
        midi_sim::SetInputDevices({"Other In", kIn});
        midi_sim::SetOutputDevices({kOut, "Other Out"});
    }
    void TearDown() override {
        CloseMidiPorts();
        midi_sim::Uninstall();
        virtual_platform::Uninstall();
    }
    bool OpenBoth() { return OpenMidiPorts(kIn, kOut) == kMidiPortsOpen; }
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const ShellCall& c : shell_recorder::MessageBoxes()) texts.push_back(c.text);
        return texts;
    }
};

// The device layer says which side failed and shows nothing itself.
constexpr int32_t kInputBox = kMidiInputOpenFailed;
constexpr int32_t kOutputBox = kMidiOutputOpenFailed;

TEST_F(MidiPortTest, OpensTheNamedDevicesAndClosesThemAgain) {
    ASSERT_TRUE(OpenBoth());
    EXPECT_EQ(midi_sim::LastOpenedInputIndex(), 1);
    EXPECT_EQ(midi_sim::LastOpenedOutputIndex(), 0);
    EXPECT_TRUE(midi_sim::InputListening());
    EXPECT_EQ(midi_sim::QueuedInputSlots(), 3);
    const MidiPortState s = InspectMidiPort();
    EXPECT_TRUE(s.inputOpen && s.outputOpen);
    EXPECT_EQ(s.inputRunning, 1u);
    for (uint32_t busy : s.inputBusy) EXPECT_EQ(busy, 1u);
    EXPECT_TRUE(Boxes().empty());

    EXPECT_EQ(CloseMidiPorts(), 1);
    ExpectAllClosed("after close");
    EXPECT_EQ(midi_sim::OpenInputDevices(), 0);
    EXPECT_EQ(midi_sim::OpenOutputDevices(), 0);
    EXPECT_EQ(midi_sim::QueuedInputSlots(), 0);
    // Nothing was left to wait for: a working driver needs no polling.
    EXPECT_TRUE(virtual_platform::Pauses().empty());
}

TEST_F(MidiPortTest, EveryFailedStepOfTheOpenLeavesEverythingClosed) {
    struct Row {
        const char* what;
        Call call;
        int skip;
        int32_t failed;
    };
    const Row rows[] = {
        {"input open", Call::InOpen, 0, kInputBox},
        {"first input prepare", Call::InPrepare, 0, kInputBox},
        {"third input prepare", Call::InPrepare, 2, kInputBox},
        {"first add", Call::InAddBuffer, 0, kInputBox},
        {"second add", Call::InAddBuffer, 1, kInputBox},
        {"third add", Call::InAddBuffer, 2, kInputBox},
        {"input start", Call::InStart, 0, kInputBox},
        {"output open", Call::OutOpen, 0, kOutputBox},
        {"first output prepare", Call::OutPrepare, 0, kOutputBox},
        {"third output prepare", Call::OutPrepare, 2, kOutputBox},
    };
    for (const Row& row : rows) {
        shell_recorder::Reset();
        midi_sim::ClearInjections();
        midi_sim::InjectResult(row.call, kMmError, 1, row.skip);
        EXPECT_EQ(OpenMidiPorts(kIn, kOut), row.failed) << row.what;
        EXPECT_TRUE(Boxes().empty()) << row.what;
        ExpectAllClosed(row.what);
        EXPECT_EQ(midi_sim::OpenInputDevices(), 0) << row.what;
        EXPECT_EQ(midi_sim::OpenOutputDevices(), 0) << row.what;
        EXPECT_EQ(midi_sim::QueuedInputSlots(), 0) << row.what;
    }
    // And a clean open afterwards still works.
    midi_sim::ClearInjections();
    EXPECT_TRUE(OpenBoth());
}

TEST_F(MidiPortTest, NamesMustMatchExactly) {
    struct Row {
        const char* what;
        const char* in;
        const char* out;
        int32_t failed;
    };
    const Row rows[] = {
        {"unknown input", "Nothing", kOut, kInputBox},
        {"other case", "sim midi in", kOut, kInputBox},
        {"prefix", "Sim MIDI", kOut, kInputBox},
        {"empty input name", "", kOut, kInputBox},
        {"unknown output", kIn, "Nothing", kOutputBox},
        {"empty output name", kIn, "", kOutputBox},
    };
    for (const Row& row : rows) {
        shell_recorder::Reset();
        EXPECT_EQ(OpenMidiPorts(row.in, row.out), row.failed) << row.what;
        EXPECT_TRUE(Boxes().empty()) << row.what;
        ExpectAllClosed(row.what);
    }
    // A null name skips that direction.
    shell_recorder::Reset();
    EXPECT_EQ(OpenMidiPorts(nullptr, kOut), kMidiPortsOpen);
    EXPECT_FALSE(InspectMidiPort().inputOpen);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MidiPortTest, EmptyNameNeverMatchesAnUnreadableDevice) {
    // Device 0's capabilities cannot be read, so its record stays zero-filled
    // with an empty name; the first run's empty setting must not pick it.
    midi_sim::InjectResult(Call::InGetCaps, kMmError, 1);
    EXPECT_EQ(OpenMidiPorts("", nullptr), kInputBox);
    EXPECT_EQ(midi_sim::CallCount(Call::InOpen), 0u);
}

TEST_F(MidiPortTest, NoDevicesAtAll) {
    midi_sim::SetInputDevices({});
    midi_sim::SetOutputDevices({});
    EXPECT_EQ(EnumerateMidiDevices(), 0);
    EXPECT_EQ(MidiInputDeviceCount(), 0);
    EXPECT_STREQ(MidiInputDeviceName(0), "");
    EXPECT_EQ(OpenMidiPorts(kIn, kOut), kInputBox);
}

TEST_F(MidiPortTest, DuplicateNamesOpenTheLowerIndex) {
    midi_sim::SetInputDevices({"A", "Twin", "Twin"});
    midi_sim::SetOutputDevices({"Twin", "Twin"});
    ASSERT_EQ(OpenMidiPorts("Twin", "Twin"), kMidiPortsOpen);
    EXPECT_EQ(midi_sim::LastOpenedInputIndex(), 1);
    EXPECT_EQ(midi_sim::LastOpenedOutputIndex(), 0);
}

TEST_F(MidiPortTest, EnumerationListsAndLogsTheDevices) {
    midi_sim::SetInputDevices({"In A", "A name far longer than thirty-one characters"});
    midi_sim::SetOutputDevices({"Out A"});
    EXPECT_EQ(EnumerateMidiDevices(), 3);
    EXPECT_STREQ(MidiInputDeviceName(1), "A name far longer than thirty-o");
    EXPECT_STREQ(MidiOutputDeviceName(0), "Out A");
    EXPECT_STREQ(MidiOutputDeviceName(1), "");
    EXPECT_STREQ(MidiInputDeviceName(-1), "");
    const std::vector<std::string> expected = {"Input Devices ...",
                                               " In A",
                                               " A name far longer than thirty-o",
                                               "",
                                               "Output Devices ...",
                                               " Out A",
                                               ""};
    EXPECT_EQ(shell_recorder::LogLines(), expected);

    // The count changes between refreshes; a closed log gets nothing.
    shell_recorder::Reset();
    shell_recorder::SetLogOpen(false);
    midi_sim::SetInputDevices({"Only"});
    EXPECT_EQ(EnumerateMidiDevices(), 2);
    EXPECT_STREQ(MidiInputDeviceName(0), "Only");
    EXPECT_TRUE(shell_recorder::LogLines().empty());
}

TEST_F(MidiPortTest, StillPlayingIsWaitedOut) {
    ASSERT_TRUE(OpenBoth());
    midi_sim::InjectResult(Call::InUnprepare, kMidiErrStillPlaying, 3);
    midi_sim::InjectResult(Call::OutUnprepare, kMidiErrStillPlaying, 4);
    midi_sim::InjectResult(Call::OutClose, kMidiErrStillPlaying, 2);
    EXPECT_EQ(CloseMidiPorts(), 1);
    ExpectAllClosed("after retries");
    EXPECT_EQ(midi_sim::OpenInputDevices(), 0);
    EXPECT_EQ(midi_sim::OpenOutputDevices(), 0);
    EXPECT_EQ(midi_sim::CallCount(Call::InUnprepare), 3u + 3u);
    EXPECT_EQ(midi_sim::CallCount(Call::OutUnprepare), 3u + 4u);
    EXPECT_EQ(midi_sim::CallCount(Call::OutClose), 1u + 2u);
}

TEST_F(MidiPortTest, StillPlayingForeverGivesUpWithinTheBound) {
    ASSERT_TRUE(OpenBoth());
    shell_recorder::Reset();
    midi_sim::InjectResult(Call::OutUnprepare, kMidiErrStillPlaying, midi_sim::kAlways);
    midi_sim::InjectResult(Call::OutClose, kMidiErrStillPlaying, midi_sim::kAlways);
    const uint32_t start = NowMilliseconds();
    EXPECT_EQ(CloseMidiPorts(), 1);
    ExpectAllClosed("after giving up");
    EXPECT_LT(NowMilliseconds() - start, 10000u);
    EXPECT_EQ(shell_recorder::LogLines(),
              (std::vector<std::string>{"MIDI output buffer 0 could not be released (error 65).",
                                        "MIDI output buffer 1 could not be released (error 65).",
                                        "MIDI output buffer 2 could not be released (error 65).",
                                        "MIDI output close failed (error 65)."}));
}

TEST_F(MidiPortTest, UnpluggedInterfaceCannotHangTeardown) {
    ASSERT_TRUE(OpenBoth());
    shell_recorder::Reset();
    midi_sim::SetInputNeverReturns(true);
    const uint32_t start = NowMilliseconds();
    EXPECT_EQ(CloseMidiPorts(), 1);
    ExpectAllClosed("close");
    // Two bounded waits of about a second each, then it gave up and said so.
    EXPECT_LT(NowMilliseconds() - start, 10000u);
    EXPECT_EQ(midi_sim::CallCount(Call::InReset), 2u);
    const std::vector<std::string> keptBuffers{
        "MIDI input: the driver kept its buffers; closing without them.",
        "MIDI input buffer 0 could not be released (error 65).",
        "MIDI input buffer 1 could not be released (error 65).",
        "MIDI input buffer 2 could not be released (error 65).",
        "MIDI input close failed (error 65)."};
    EXPECT_EQ(shell_recorder::LogLines(), keptBuffers);

    // The same for a restart. The input then stays closed: the buffers the
    // driver kept are not lent to a new open.
    midi_sim::SetInputNeverReturns(false);
    midi_sim::SetInputDevices({kIn, "Spare"});
    ASSERT_TRUE(OpenBoth());
    shell_recorder::Reset();
    const uint32_t opens = midi_sim::CallCount(Call::InOpen);
    midi_sim::SetInputNeverReturns(true);
    RestartMidiInput();
    const MidiPortState s = InspectMidiPort();
    EXPECT_TRUE(s.outputOpen);
    EXPECT_FALSE(s.inputOpen);
    EXPECT_EQ(s.inputRunning, 0u);
    EXPECT_EQ(midi_sim::CallCount(Call::InOpen), opens);
    std::vector<std::string> expected = keptBuffers;
    expected.push_back("MIDI input could not be reopened.");
    EXPECT_EQ(shell_recorder::LogLines(), expected);
}

TEST_F(MidiPortTest, FailedReopenLeavesTheInputClosed) {
    struct Row {
        const char* what;
        Call call;
        int skip;
    };
    const Row rows[] = {{"open", Call::InOpen, 0},
                        {"prepare", Call::InPrepare, 1},
                        {"add", Call::InAddBuffer, 2},
                        {"start", Call::InStart, 0}};
    for (const Row& row : rows) {
        ASSERT_TRUE(OpenBoth()) << row.what;
        midi_sim::InjectResult(row.call, kMmError, 1, row.skip);
        RestartMidiInput();
        const MidiPortState s = InspectMidiPort();
        EXPECT_FALSE(s.inputOpen) << row.what;
        EXPECT_TRUE(s.outputOpen) << row.what;
        EXPECT_EQ(s.inputRunning, 0u) << row.what;
        for (uint32_t busy : s.inputBusy) EXPECT_EQ(busy, 0u) << row.what;
        EXPECT_EQ(midi_sim::OpenInputDevices(), 0) << row.what;
        // Restarting a closed input does nothing.
        const uint32_t opens = midi_sim::CallCount(Call::InOpen);
        RestartMidiInput();
        EXPECT_EQ(midi_sim::CallCount(Call::InOpen), opens) << row.what;
        midi_sim::ClearInjections();
        CloseMidiPorts();
    }
}

TEST_F(MidiPortTest, LongSystemExclusiveArrivesInSlotSizedRecords) {
    ASSERT_TRUE(OpenBoth());
    const auto message = Sysex(263, 3);
    const auto shortOne = Sysex(11, 5);
    midi_sim::QueueInput(message);
    midi_sim::QueueInput(shortOne);
    midi_sim::QueueInput(Sysex(600, 9));
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    const auto records = DrainRing();
    ASSERT_EQ(records.size(), 2u + 1u + 3u);
    EXPECT_EQ(records[0], std::vector<uint8_t>(message.begin(), message.begin() + 262));
    EXPECT_EQ(records[1], std::vector<uint8_t>{0xF7});
    EXPECT_EQ(records[2], shortOne);
    EXPECT_EQ(records[3].size(), 262u);
    EXPECT_EQ(records[4].size(), 262u);
    EXPECT_EQ(records[5].size(), 76u);
    // 600 = 262 + 262 + 76: the driver always had a slot to fill.
    EXPECT_EQ(midi_sim::LostInputBytes(), 0u);
    EXPECT_EQ(midi_sim::QueuedInputSlots(), 3);
}

TEST_F(MidiPortTest, OverReportingDriverIsCutToTheSlot) {
    ASSERT_TRUE(OpenBoth());
    midi_sim::SetInputOverReport(4000);
    midi_sim::QueueInput(Sysex(20, 1));
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    const auto records = DrainRing();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size(), 262u);
}

TEST_F(MidiPortTest, RestartDiscardsAHalfReceivedMessage) {
    ASSERT_TRUE(OpenBoth());
    const auto message = Sysex(200, 2);
    midi_sim::QueueInput({0x90, 0x40, 0x7F});
    midi_sim::QueueInput(message.data(), 120);
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    ASSERT_NE(PeekInputMessage(), 0);
    RestartMidiInput();
    EXPECT_EQ(PeekInputMessage(), 0);
    EXPECT_TRUE(midi_sim::InputListening());
    EXPECT_EQ(midi_sim::LastOpenedInputIndex(), 1);
    // The rest of the cut message leaves only its stray F7; the next one is
    // whole.
    midi_sim::QueueInput(message.data() + 120, message.size() - 120);
    const auto next = Sysex(30, 4);
    midi_sim::QueueInput(next);
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    const auto records = DrainRing();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], std::vector<uint8_t>{0xF7});
    EXPECT_EQ(records[1], next);
    // Closing empties the ring too.
    midi_sim::QueueInput(next);
    ASSERT_TRUE(midi_sim::WaitInputDelivered());
    CloseMidiPorts();
    EXPECT_EQ(PeekInputMessage(), 0);
}

TEST_F(MidiPortTest, SendRejectsWhatItCannotSend) {
    const uint8_t bytes[2049] = {0xF0};
    EXPECT_EQ(SendMidiBytes(bytes, 6), -1);  // no output open
    ASSERT_TRUE(OpenBoth());
    EXPECT_EQ(SendMidiBytes(bytes, 2049), -1);
    EXPECT_EQ(SendMidiBytes(bytes, 0), 0);
    EXPECT_EQ(midi_sim::CallCount(Call::OutLongMsg), 0u);
    EXPECT_EQ(midi_sim::CallCount(Call::OutShortMsg), 0u);
    EXPECT_TRUE(midi_sim::SentMessages().empty());
}

TEST_F(MidiPortTest, ShortMessagesArePackedLowByteFirst) {
    ASSERT_TRUE(OpenBoth());
    const uint8_t note[] = {0x91, 0x3C, 0x64};
    const uint8_t program[] = {0xC0, 0x05};
    EXPECT_EQ(SendMidiBytes(note, 3), 3);
    EXPECT_EQ(SendMidiBytes(program, 2), 2);
    const auto sent = midi_sim::SentMessages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, std::vector<uint8_t>(note, note + 3));
    EXPECT_EQ(sent[1].bytes, std::vector<uint8_t>(program, program + 2));

    struct Row {
        MidiResult result;
        int32_t expected;
    };
    for (Row row : {Row{kMidiErrNotReady, 0}, Row{kMmError, -1}, Row{kMmInvalidHandle, -1}}) {
        midi_sim::InjectResult(Call::OutShortMsg, row.result, 1);
        EXPECT_EQ(SendMidiBytes(note, 3), row.expected) << row.result;
        midi_sim::InjectResult(Call::OutLongMsg, row.result, 1);
        EXPECT_EQ(SendMidiBytes(Sysex(10).data(), 10), row.expected) << row.result;
        for (uint32_t busy : InspectMidiPort().outputBusy) EXPECT_EQ(busy, 0u);
    }
}

TEST_F(MidiPortTest, ExactlyTheMessageGoesOutWithNoStaleBytes) {
    ASSERT_TRUE(OpenBoth());
    // A long message, then shorter ones through the same buffers.
    const std::vector<std::vector<uint8_t>> messages = {Sysex(263, 1),  Sysex(6, 2), Sysex(67, 3),
                                                        Sysex(2048, 4), Sysex(8, 5), Sysex(4, 6)};
    for (const auto& m : messages) {
        ASSERT_EQ(SendMidiBytes(m.data(), static_cast<int32_t>(m.size())),
                  static_cast<int32_t>(m.size()));
        // Wait for the done, so the next message reuses buffer 0.
        for (int spin = 0; spin < 100000 && InspectMidiPort().outputBusy[0] != 0; ++spin)
            std::this_thread::yield();
    }
    const auto sent = midi_sim::SentMessages();
    ASSERT_EQ(sent.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(sent[i].bytes, messages[i]) << "message " << i;
}

TEST_F(MidiPortTest, FourthLongMessageWaitsForADone) {
    ASSERT_TRUE(OpenBoth());
    midi_sim::HoldOutputDone(true);
    const auto m = Sysex(100);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMidiBytes(m.data(), 100), 100) << i;
    EXPECT_EQ(SendMidiBytes(m.data(), 100), 0);
    EXPECT_EQ(SendMidiBytes(m.data(), 100), 0);
    EXPECT_EQ(midi_sim::SentMessages().size(), 3u);
    midi_sim::HoldOutputDone(false);
    int32_t result = 0;
    for (int spin = 0; spin < 1000000 && result == 0; ++spin) {
        result = SendMidiBytes(m.data(), 100);
        if (result == 0) std::this_thread::yield();
    }
    EXPECT_EQ(result, 100);
    EXPECT_EQ(midi_sim::SentMessages().size(), 4u);
}

}  // namespace
