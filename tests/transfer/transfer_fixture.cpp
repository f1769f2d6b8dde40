// The end-to-end rig for the transfer tests.
#include "tests/transfer/transfer_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/settings.h"
#include "bank/bank_image.h"
#include "tests/support/midi_sim.h"
#include "tests/support/virtual_platform.h"
#include "transfer/transfer.h"

void TransferTest::SetUp() {
    shell_recorder::Reset();
    virtual_platform::Install();
    midi_sim::Install();
    midi_sim::SetInputDevices({"Other In", kInputName});
    midi_sim::SetOutputDevices({kOutputName, "Other Out"});
    UseSynth(0);
    job.kind = kUnknownKind;
    job.image.fill(0);
    job.receivedKind = kUnknownKind;
    job.receivedImage.fill(0);
    job.received.store(0);
    job.receivedLength.store(-1);
    ResetMailboxForTest();
    SetOperationRunner(RunTransferJob, &job);
    shell_recorder::SetHook([this](const ShellCall& call) { OnShellCall(call); });
    ASSERT_TRUE(StartBackgroundThread());
}

void TransferTest::TearDown() {
    RequestQuit();
    virtual_platform::JoinThreads();
    link.Detach();
    peer_ = nullptr;
    ownedPeer_.reset();
    midi_sim::Uninstall();
    virtual_platform::Uninstall();
    shell_recorder::Reset();
}

void TransferTest::UseSynth(int32_t synthType, int32_t channel) {
    SetTransferSettings(job.settings, synthType, channel, kInputName, kOutputName);
}

void TransferTest::LoadBank(const std::vector<uint8_t>& image, int32_t kind, int32_t /*modified*/) {
    job.image.fill(0);
    std::memcpy(job.image.data(), image.data(), std::min(image.size(), job.image.size()));
    job.kind = kind;
}

void TransferTest::KeepOldBank(const std::vector<uint8_t>& image, int32_t kind) {
    oldBank_ = image;
    oldKind_ = kind;
    LoadBank(image, kind, 0);
}

// A failed receive brings nothing back to commit, and the bank the job
// carried is as it was.
void TransferTest::ExpectOldBank() const {
    EXPECT_TRUE(std::equal(oldBank_.begin(), oldBank_.end(), job.image.begin()));
    EXPECT_EQ(job.kind, oldKind_);
    EXPECT_EQ(job.received.load(), 0);
}

void TransferTest::ExpectCancelled() const {
    const std::vector<std::string> s = Statuses();
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[s.size() - 2], "Cancelling operation ...");
    EXPECT_EQ(s.back(), "Ready");
    EXPECT_EQ(std::count(s.begin(), s.end(), "Closing ..."), 0);
}

void TransferTest::Attach(vexa_peers::SynthPeer& peer) {
    peer_ = &peer;
    link.Attach(peer);
}

void TransferTest::When(Trigger trigger, std::string text, UserAction action) {
    std::lock_guard<std::mutex> guard(triggerLock_);
    triggers_.push_back({trigger, std::move(text), action});
}

// Runs on the worker, inside the shell call. Stop and close are done on a
// thread of their own, standing in for the UI thread, and waited for.
void TransferTest::OnShellCall(const ShellCall& call) {
    std::vector<UserAction> due;
    {
        std::lock_guard<std::mutex> guard(triggerLock_);
        for (Pending& p : triggers_) {
            if (p.fired) continue;
            const bool match = (p.trigger == Trigger::Status &&
                                call.kind == ShellCall::Kind::Status && call.text == p.text) ||
                               (p.trigger == Trigger::Log && call.kind == ShellCall::Kind::Log &&
                                call.text.rfind(p.text, 0) == 0);
            if (!match) continue;
            p.fired = true;
            due.push_back(p.action);
        }
    }
    for (UserAction action : due) {
        switch (action) {
        case UserAction::StartPeer:
            if (peer_ != nullptr) peer_->Start();
            break;
        case UserAction::PressStop: std::thread([] { PostCommand(kCommandStop); }).join(); break;
        case UserAction::CloseProgram: std::thread([] { RequestQuit(); }).join(); break;
        }
    }
}

bool TransferTest::Run(int32_t command) {
    PostCommand(command);
    // A safety net for a hang, not a timing check: the virtual clock makes
    // every run finish in real milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const bool over = IsQuitRequested() != 0 ? IsWorkerRunning() == 0 : IsBusy() == 0;
        if (over) return true;
        if (std::chrono::steady_clock::now() > deadline) {
            std::string trail;
            for (const ShellCall& c : shell_recorder::Calls())
                if (c.kind == ShellCall::Kind::Status || c.kind == ShellCall::Kind::Log)
                    trail += "\n  " + c.text;
            ADD_FAILURE() << "the operation did not end; input starts "
                          << midi_sim::InputStartCount() << ", input bytes lost "
                          << midi_sim::LostInputBytes() << ", peer sent "
                          << (peer_ != nullptr ? peer_->SentCount() : 0)
                          << "; the shell saw:" << trail;
            RequestQuit();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<ShellCall> TransferTest::PostsOf(uint32_t message) const {
    std::vector<ShellCall> result;
    for (const ShellCall& c : shell_recorder::Posts())
        if (c.message == message) result.push_back(c);
    return result;
}

std::vector<uintptr_t> TransferTest::CompletionCodes() const {
    std::vector<uintptr_t> codes;
    for (const ShellCall& c : PostsOf(TransferCompleteMessage)) {
        EXPECT_EQ(c.lParam, 0);
        codes.push_back(c.wParam);
    }
    return codes;
}

std::vector<std::string> TransferTest::TrafficLog() const {
    std::vector<std::string> lines;
    for (const std::string& line : shell_recorder::LogLines())
        if (line.rfind("(send) ", 0) == 0 || line.rfind("(recv) F0", 0) == 0) lines.push_back(line);
    return lines;
}

void TransferTest::ExpectDevicesClosed() const {
    EXPECT_EQ(midi_sim::OpenInputDevices(), 0);
    EXPECT_EQ(midi_sim::OpenOutputDevices(), 0);
    EXPECT_EQ(midi_sim::QueuedInputSlots(), 0);
    EXPECT_EQ(midi_sim::PendingOutputMessages(), 0);
}

std::string TrafficLine(bool sent, const std::vector<uint8_t>& bytes) {
    std::string line = sent ? "(send)" : "(recv)";
    char hex[4];
    for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    return line;
}

std::vector<std::string> Numbered(const char* format, int first, int last, int total) {
    std::vector<std::string> texts;
    char text[128];
    for (int n = first; n <= last; ++n) {
        std::snprintf(text, sizeof text, format, n, total);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

void SetTransferSettings(AppSettings& settings, int32_t synthType, int32_t channel,
                         const char* input, const char* output) {
    settings = AppSettings{};
    settings.synthType = synthType;
    settings.midiChannel = channel;
    std::snprintf(settings.inputDeviceName, sizeof settings.inputDeviceName, "%s", input);
    std::snprintf(settings.outputDeviceName, sizeof settings.outputDeviceName, "%s", output);
}
