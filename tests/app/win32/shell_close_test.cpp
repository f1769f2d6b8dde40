// The closing sequence of the running shell: a changed bank is asked about
// first; then Alt+X during an operation stops the operation, the worker ends
// and reports it, the log window closes and the main window goes, and the
// start-up returns 0. No result box appears.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "app/win32/log_window.h"
#include "bank/bank_image.h"
#include "tests/app/win32/gui_harness.h"

namespace {

std::atomic<bool> operationRunning{false};
std::atomic<bool> sawQuit{false};

void StandInOperation(int32_t command, void* /*job*/) {
    if (command == kCommandStop) return;
    operationRunning.store(true);
    while (PollCancel() == 0 && IsQuitRequested() == 0) Sleep(5);
    sawQuit.store(IsQuitRequested() != 0);
    operationRunning.store(false);
}

// Sees the messages the main window is sent, in order, on the UI thread.
std::atomic<int> workerEndedSeenAt{0};
std::atomic<int> logOpenWhenWorkerEnded{-1};
std::atomic<int> sequence{0};
std::atomic<int> destroyedAt{0};
HHOOK hook = nullptr;

LRESULT CALLBACK WatchMainWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->hwnd == gui::MainWindow() && sent->message == WM_DESTROY)
            destroyedAt.store(++sequence);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CALLBACK WatchPosted(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const auto* posted = reinterpret_cast<const MSG*>(lParam);
        if (posted->hwnd == gui::MainWindow() && posted->message == kWorkerEndedMessage) {
            workerEndedSeenAt.store(++sequence);
            logOpenWhenWorkerEnded.store(IsLogWindowOpen());
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(ShellClose, AltXDuringAnOperationEndsTheProgramInOrder) {
    gui::StartOptions options;
    options.operationRunner = StandInOperation;
    HWND window = gui::StartShell(options);
    ASSERT_NE(window, nullptr);
    gui::RunOnUiThread([] {
        hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchMainWindow, nullptr, GetCurrentThreadId());
        SetWindowsHookExA(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());
    });
    ASSERT_TRUE(IsLogWindowOpen());
    HWND log = LogWindowHandle();

    gui::PostMenuCommand(IDM_WATCH);
    ASSERT_TRUE(gui::WaitFor([] { return operationRunning.load(); }));
    ASSERT_TRUE(IsWorkerRunning());

    // A received bank not saved yet: Cancel keeps everything running.
    gui::ChangeDocument([](BankDocument& document) {
        document.kind = kM64CKind;
        document.loaded = true;
        document.changed = true;
    });
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(gui::AnswerMessageBox("Exit Vexa", IDCANCEL),
              "The current bank has changed.\n\nSave it now ?");
    Sleep(300);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(operationRunning.load());
    EXPECT_EQ(IsQuitRequested(), 0);

    // Alt+X, and No: close without saving.
    gui::PressKey('X', {VK_MENU});
    EXPECT_EQ(gui::AnswerMessageBox("Exit Vexa", IDNO),
              "The current bank has changed.\n\nSave it now ?");
    int exitCode = -5;
    ASSERT_TRUE(gui::WaitShellEnded(gui::kDefaultTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(sawQuit.load()) << "the operation ended for another reason than the quit";
    EXPECT_FALSE(IsWorkerRunning());
    EXPECT_GT(workerEndedSeenAt.load(), 0);
    EXPECT_EQ(logOpenWhenWorkerEnded.load(), 1) << "the log closed before the worker had ended";
    EXPECT_GT(destroyedAt.load(), workerEndedSeenAt.load());
    EXPECT_FALSE(IsLogWindowOpen());
    EXPECT_FALSE(IsWindow(log));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(gui::FindDialog("Vexa", nullptr, 300), nullptr);
}

}  // namespace
