// The operation runner's own paths: devices that do not open, a bank that
// does not fit the synthesizer, Watch, and the commands that do nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "bank/bank_image.h"
#include "tests/peers/bank_content.h"
#include "tests/transfer/transfer_fixture.h"

namespace {

const char* const kInputError =
    "Unable to open MIDI input device.\n\nPlease check the settings in your MIDI options.";
const char* const kOutputError =
    "Unable to open MIDI output device.\n\nPlease check the settings in your MIDI options.";

enum class Broken { InputName, InputOpen, OutputName, OutputOpen };

struct OpenFailure {
    const char* name;
    int32_t command;
    Broken broken;
};

class OpenFailureTest : public TransferTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ShowsTheErrorAndPostsFailure) {
    const OpenFailure c = GetParam();
    LoadBank(vexa_peers::MakeM64CContent(3), kM64CKind);
    switch (c.broken) {
    case Broken::InputName: midi_sim::SetInputDevices({"Sim MIDI In 2"}); break;
    case Broken::InputOpen:
        midi_sim::InjectResult(midi_sim::Call::InOpen, kMmAllocated, midi_sim::kAlways);
        break;
    case Broken::OutputName: midi_sim::SetOutputDevices({}); break;
    case Broken::OutputOpen:
        midi_sim::InjectResult(midi_sim::Call::OutOpen, kMmAllocated, midi_sim::kAlways);
        break;
    }
    ASSERT_TRUE(Run(c.command));

    const bool input = c.broken == Broken::InputName || c.broken == Broken::InputOpen;
    const std::vector<ShellCall> boxes = shell_recorder::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, input ? kInputError : kOutputError);
    EXPECT_EQ(boxes[0].caption, "Vexa Error");
    EXPECT_EQ(boxes[0].style & 0xF0u, kMbIconError);

    const bool receive = c.command == kCommandReceive;
    if (c.command == kCommandWatch) {
        EXPECT_TRUE(Statuses().empty());
        EXPECT_TRUE(shell_recorder::Posts().empty());
    } else {
        EXPECT_EQ(Statuses(), (std::vector<std::string>{
                                  receive ? "Receiving ..." : "Transmitting ...", "Ready"}));
        EXPECT_EQ(CompletionCodes(),
                  std::vector<uintptr_t>{receive ? kReceiveFailed : kTransmitFailed});
        EXPECT_EQ(shell_recorder::RefreshCount(), 0);  // the UI thread refreshes on commit
    }
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::OutLongMsg), 0u);
    EXPECT_EQ(job.kind, kM64CKind);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(
    Devices, OpenFailureTest,
    ::testing::Values(OpenFailure{"ReceiveInputMissing", kCommandReceive, Broken::InputName},
                      OpenFailure{"ReceiveOutputRefused", kCommandReceive, Broken::OutputOpen},
                      OpenFailure{"TransmitInputRefused", kCommandTransmit, Broken::InputOpen},
                      OpenFailure{"TransmitOutputMissing", kCommandTransmit, Broken::OutputName},
                      OpenFailure{"WatchInputMissing", kCommandWatch, Broken::InputName},
                      OpenFailure{"WatchOutputRefused", kCommandWatch, Broken::OutputOpen}),
    [](const auto& test) { return std::string(test.param.name); });

struct Mismatch {
    const char* name;
    int32_t synth;
    int32_t kind;
};

class MismatchTest : public TransferTest, public ::testing::WithParamInterface<Mismatch> {};

TEST_P(MismatchTest, NothingIsEncodedOrSent) {
    const Mismatch c = GetParam();
    UseSynth(c.synth);
    LoadBank(c.kind == kM16CKind ? vexa_peers::MakeM16CContent(1) : vexa_peers::MakeM64CContent(1),
             c.kind);
    ASSERT_TRUE(Run(kCommandTransmit));
    EXPECT_EQ(CompletionCodes(), std::vector<uintptr_t>{kTransmitFailed});
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Transmitting ...", "Ready"}));
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::InOpen), 1u);
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::OutOpen), 1u);
    EXPECT_EQ(midi_sim::SentMessages().size(), 0u);
    ExpectDevicesClosed();
}

INSTANTIATE_TEST_SUITE_P(Settings, MismatchTest,
                         ::testing::Values(Mismatch{"Jx8pWithM64C", kSynthJx8p, kM64CKind},
                                           Mismatch{"Mks70WithM16C", kSynthMks70, kM16CKind}),
                         [](const auto& test) { return std::string(test.param.name); });

// An MKS-70 or a JX-8P never speaks during a transmit, so "Auto" has no way
// to learn its channel: nothing is opened or sent, no outcome is posted, and
// one box says why.
class AutoTransmitTest : public TransferTest, public ::testing::WithParamInterface<Mismatch> {};

TEST_P(AutoTransmitTest, IsRefusedWithABox) {
    const Mismatch c = GetParam();
    UseSynth(c.synth, kChannelAuto);
    LoadBank(c.kind == kM16CKind ? vexa_peers::MakeM16CContent(1) : vexa_peers::MakeM64CContent(1),
             c.kind);
    ASSERT_TRUE(Run(kCommandTransmit));
    const std::vector<ShellCall> boxes = shell_recorder::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Please select the synthesizer's MIDI channel in the Options dialog first !\n");
    EXPECT_EQ(boxes[0].caption, "Vexa");
    EXPECT_TRUE(CompletionCodes().empty());
    EXPECT_TRUE(Statuses().empty());
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::InOpen), 0u);
    EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::OutOpen), 0u);
    EXPECT_EQ(midi_sim::SentMessages().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Synths, AutoTransmitTest,
                         ::testing::Values(Mismatch{"Mks70", kSynthMks70, kM64CKind},
                                           Mismatch{"Jx8p", kSynthJx8p, kM16CKind}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(TransferTest, TestAndStopDoNothing) {
    for (int32_t command : {kCommandTest, kCommandStop}) {
        ASSERT_TRUE(Run(command));
        EXPECT_TRUE(Statuses().empty());
        EXPECT_TRUE(shell_recorder::Posts().empty());
        EXPECT_EQ(midi_sim::CallCount(midi_sim::Call::InOpen), 0u);
    }
}

// Watch: one log line per message until Stop, then the devices close; no
// outcome is posted.
class WatchTest : public TransferTest {
  protected:
    void WaitForLogLines(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            size_t n = 0;
            for (const std::string& line : shell_recorder::LogLines())
                if (line.rfind("(recv) ", 0) == 0) ++n;
            if (n >= count) return;
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "only " << n << " lines";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

TEST_F(WatchTest, LogsEachMessageUntilStop) {
    PostCommand(kCommandWatch);
    ASSERT_TRUE(midi_sim::WaitUntilListening());
    midi_sim::QueueInput({0x90, 0x3C, 0x64});
    midi_sim::QueueInput({0xC0, 0x05});
    midi_sim::QueueInput({0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7});
    std::vector<uint8_t> block(263, 0x01);
    block[0] = 0xF0;
    block[262] = 0xF7;
    midi_sim::QueueInput(block);
    WaitForLogLines(5);
    ASSERT_TRUE(Run(kCommandStop));

    std::vector<std::string> received;
    for (const std::string& line : shell_recorder::LogLines())
        if (line.rfind("(recv) ", 0) == 0) received.push_back(line);
    EXPECT_EQ(received, (std::vector<std::string>{"(recv) 90 3C 64", "(recv) C0 05",
                                                  "(recv) F0 41 43 00 24 F7",
                                                  "(recv) F0 01 01 01 01 01 01 01", "(recv) F7"}));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Displaying the MIDI input data stream ...",
                                                    "Cancelling operation ...", "Ready"}));
    EXPECT_TRUE(shell_recorder::Posts().empty());
    ExpectDevicesClosed();
}

TEST_F(WatchTest, AsksForTheLogWindowWhenItIsClosed) {
    shell_recorder::SetLogOpen(false);
    When(Trigger::Status, "Displaying the MIDI input data stream ...", UserAction::PressStop);
    ASSERT_TRUE(Run(kCommandWatch));
    const std::vector<ShellCall> posts = shell_recorder::Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, kWmCommand);
    EXPECT_EQ(posts[0].wParam, static_cast<uintptr_t>(kCommandLogWindow));
    EXPECT_EQ(posts[0].lParam, 0);
    EXPECT_EQ(Statuses().back(), "Ready");
    ExpectDevicesClosed();
}

TEST_F(WatchTest, EndsWhenTheProgramCloses) {
    When(Trigger::Status, "Displaying the MIDI input data stream ...", UserAction::CloseProgram);
    ASSERT_TRUE(Run(kCommandWatch));
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Displaying the MIDI input data stream ...",
                                                    "Cancelling operation ...", "Ready"}));
    EXPECT_EQ(PostsOf(kWorkerEndedMessage).size(), 1u);
    EXPECT_EQ(PostsOf(kWmCommand).size(), 0u);
    EXPECT_TRUE(CompletionCodes().empty());
    ExpectDevicesClosed();
}

}  // namespace
