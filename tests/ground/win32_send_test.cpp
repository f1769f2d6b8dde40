// The Win32 table's UI wait against real window messages (run under Wine):
// messages another thread sends to a window of the waiting thread are
// delivered during the wait, posted ones stay queued, and the worker's
// double-Stop scenario completes when its status texts are real
// SendMessage calls. A wait that does not deliver hangs (ctest time-out).
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "tests/support/shell_recorder.h"

namespace {

constexpr UINT kSentMessage = WM_APP + 1;
constexpr UINT kPostedMessage = WM_APP + 2;

std::atomic<int> sentHandled{0};

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSentMessage) {
        sentHandled.fetch_add(1);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window owned by the test thread, standing in for the
// status bar and the log window of the UI thread.
class Win32UiWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetPlatform(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = TargetProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VexaWorkerTestTarget";
        RegisterClassA(&wc);  // fails harmlessly when already registered
        window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        sentHandled = 0;
    }
    void TearDown() override {
        if (window_ != nullptr) DestroyWindow(window_);
    }

    void PumpUntil(bool (*done)()) {
        while (!done()) Platform().uiWait(10);
    }

    HWND window_ = nullptr;
};

TEST_F(Win32UiWaitTest, DeliversSentMessagesAndLeavesPostedOnesQueued) {
    ASSERT_TRUE(PostMessageA(window_, kPostedMessage, 7, 0));
    HWND target = window_;
    std::thread sender([target] {
        for (int i = 0; i < 5; ++i) SendMessageA(target, kSentMessage, 0, 0);
    });
    while (sentHandled.load() < 5) Platform().uiWait(1000);
    sender.join();

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window_, kPostedMessage, kPostedMessage, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

HWND statusTarget = nullptr;
std::mutex gateLock;
std::condition_variable gateChanged;
bool gateOpen = false;
std::atomic<bool> transmitStarted{false};

void BlockTransmit(int32_t command, void* /*context*/) {
    if (command != kCommandTransmit) return;
    transmitStarted = true;
    ShowStatus("Transmitting block ...");
    std::unique_lock<std::mutex> guard(gateLock);
    gateChanged.wait(guard, [] { return gateOpen; });
    guard.unlock();
    ShowStatus("Ready");
}

bool WorkerEnded() {
    for (const ShellCall& post : shell_recorder::Posts())
        if (post.message == kWorkerEndedMessage) return true;
    return false;
}

TEST_F(Win32UiWaitTest, DoubleStopWithRealSentStatusTextsCompletes) {
    shell_recorder::Reset();
    ResetMailboxForTest();
    statusTarget = window_;
    gateOpen = false;
    transmitStarted = false;
    // Every status text and log line of the worker becomes a real
    // SendMessage to the test thread's window.
    shell_recorder::SetHook([](const ShellCall& call) {
        if (call.kind == ShellCall::Kind::Status || call.kind == ShellCall::Kind::Log)
            SendMessageA(statusTarget, kSentMessage, 0, 0);
    });
    SetOperationRunner(BlockTransmit);
    ASSERT_TRUE(StartBackgroundThread());

    PostCommand(kCommandTransmit);
    PumpUntil([] { return transmitStarted.load(); });
    PostCommand(kCommandStop);
    PostCommand(kCommandStop);
    EXPECT_EQ(IsBusy(), 1);
    {
        std::lock_guard<std::mutex> guard(gateLock);
        gateOpen = true;
    }
    gateChanged.notify_all();
    PumpUntil([] { return IsBusy() == 0; });

    RequestQuit();
    PumpUntil(WorkerEnded);
    EXPECT_EQ(IsWorkerRunning(), 0);
    // Started and exiting lines with their empty lines, and two texts.
    EXPECT_EQ(sentHandled.load(), 6);
    shell_recorder::Reset();
}

}  // namespace
