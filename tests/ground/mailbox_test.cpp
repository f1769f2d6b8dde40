// The worker loop and the command mailbox, driven from the test thread as
// the UI thread. The virtual platform keeps the clock virtual and its wake
// waits strict (no time-outs: a missing signal hangs instead of passing
// late), and the worker's status and log calls are synchronous to the test
// thread, as they are in the program. A deadlock or a lost wake-up shows up
// as a hang, caught by the ctest time-out; no assertion depends on timing.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"
#include "tests/ground/sent_messages.h"

namespace {

using sent_messages::PumpUntil;

class Gate {
  public:
    void Open() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return open_; });
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

// What the worker runs for a command, set by each test before the worker
// starts, and the commands it was handed.
struct Operations {
    std::mutex lock;
    std::function<void(int32_t)> script;
    std::vector<int32_t> ran;
};

Operations& Ops() {
    static Operations ops;
    return ops;
}

void RunScripted(int32_t command, void* /*context*/) {
    std::function<void(int32_t)> script;
    {
        std::lock_guard<std::mutex> guard(Ops().lock);
        Ops().ran.push_back(command);
        script = Ops().script;
    }
    if (script) script(command);
}

std::vector<int32_t> CommandsRun() {
    std::lock_guard<std::mutex> guard(Ops().lock);
    return Ops().ran;
}

bool WorkerEndedPosted() {
    for (const ShellCall& post : shell_recorder::Posts())
        if (post.message == kWorkerEndedMessage) return true;
    return false;
}

// An operation that waits for input the way the message wait does: it asks
// for a quit and a new command on every pass, and on the way out shows its
// cancellation texts (synchronous calls to the UI thread).
struct PollingOperation {
    std::atomic<bool> started{false};
    std::atomic<int32_t> cancelSeen{0};
    std::atomic<int32_t> quitSeen{0};

    void Run() {
        started = true;
        for (;;) {
            if (IsQuitRequested() != 0) {
                quitSeen = 1;
                break;
            }
            int32_t pending = PollCancel();
            if (pending != 0) {
                cancelSeen = pending;
                break;
            }
            SleepMilliseconds(1);
        }
        ShowStatus("Cancelling operation ...");
        ShowStatus("Closing ...");
        ShowStatus("Ready");
    }
};

class WorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        virtual_platform::Install();
        virtual_platform::SetStrictWakeWaits(true);
        shell_recorder::Reset();
        ResetMailboxForTest();
        {
            std::lock_guard<std::mutex> guard(Ops().lock);
            Ops().script = nullptr;
            Ops().ran.clear();
        }
        SetOperationRunner(RunScripted);
        sent_messages::Enable();
    }

    void TearDown() override {
        for (Gate* gate : gates_) gate->Open();
        if (IsWorkerRunning() != 0) {
            RequestQuit();
            PumpUntil(WorkerEndedPosted);
        }
        virtual_platform::JoinThreads();
        shell_recorder::Reset();
        virtual_platform::Uninstall();
    }

    void Script(std::function<void(int32_t)> script) {
        std::lock_guard<std::mutex> guard(Ops().lock);
        Ops().script = std::move(script);
    }

    void Start() { ASSERT_TRUE(StartBackgroundThread()); }

    // Gates opened by TearDown too, so a failed test does not leave the
    // worker stuck.
    Gate& NewGate() {
        gates_.push_back(&gateStore_.emplace_back());
        return *gates_.back();
    }

  private:
    std::vector<Gate*> gates_;
    std::deque<Gate> gateStore_;
};

TEST_F(WorkerTest, BusyFromThePostUntilTheCommandHasRun) {
    for (int32_t command : {kCommandTransmit, kCommandReceive, kCommandWatch, kCommandStop}) {
        SCOPED_TRACE(command);
        Gate& release = NewGate();
        std::atomic<bool> entered{false};
        std::atomic<bool> returning{false};
        Script([&](int32_t) {
            entered = true;
            release.Wait();
            returning = true;
        });
        if (IsWorkerRunning() == 0) Start();

        PostCommand(command);
        EXPECT_EQ(IsBusy(), 1);
        PumpUntil([&] { return entered.load(); });
        EXPECT_EQ(IsBusy(), 1);
        EXPECT_EQ(PollCancel(), 0);
        release.Open();
        PumpUntil([] { return IsBusy() == 0; });
        EXPECT_TRUE(returning);
    }
    EXPECT_EQ(CommandsRun(), (std::vector<int32_t>{kCommandTransmit, kCommandReceive, kCommandWatch,
                                                   kCommandStop}));
}

// Commands posted back to back and the busy flag read all the while: busy
// may read 1 late, but never 0 before the operation has returned. A take
// landing between IsBusy's two loads is what this hunts for.
TEST_F(WorkerTest, IdleIsNeverReportedWhileAnOperationRuns) {
    shell_recorder::SetHook(nullptr);  // no UI thread to deliver: it spins
    std::atomic<int> finished{0};
    Script([&](int32_t) { finished.fetch_add(1); });
    Start();
    constexpr int kRounds = 5000;
    for (int round = 1; round <= kRounds; ++round) {
        PostCommand(kCommandWatch);
        while (IsBusy() != 0) {}
        ASSERT_EQ(finished.load(), round);
    }
}

TEST_F(WorkerTest, StopEndsAPollingOperationAndLeavesTheWorkerIdle) {
    PollingOperation receive;
    Script([&](int32_t command) {
        if (command == kCommandReceive) receive.Run();
    });
    Start();

    PostCommand(kCommandReceive);
    PumpUntil([&] { return receive.started.load(); });
    PostCommand(kCommandStop);
    PumpUntil([] { return IsBusy() == 0; });

    EXPECT_EQ(receive.cancelSeen.load(), kCommandStop);
    EXPECT_EQ(receive.quitSeen.load(), 0);
    EXPECT_EQ(CommandsRun(), (std::vector<int32_t>{kCommandReceive, kCommandStop}));
    EXPECT_EQ(IsWorkerRunning(), 1);
}

TEST_F(WorkerTest, SecondPostWhileIdleWaitsUntilTheFirstIsTaken) {
    // The worker is held in its first log line until the test thread
    // delivers it, so the first command cannot be taken before the second
    // post starts: only a post that waits (delivering) lets it through.
    Start();
    PostCommand(kCommandReceive);
    PostCommand(kCommandStop);
    PumpUntil([] { return IsBusy() == 0; });
    EXPECT_EQ(CommandsRun(), (std::vector<int32_t>{kCommandReceive, kCommandStop}));
}

struct QuitCase {
    const char* name;
    bool quitBeforeStart;
    bool duringOperation;
};

class WorkerQuitTest : public WorkerTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(WorkerQuitTest, WorkerLogsItsEndAndPostsWorkerEnded) {
    const QuitCase& c = GetParam();
    PollingOperation receive;
    Script([&](int32_t) { receive.Run(); });
    if (c.quitBeforeStart) RequestQuit();
    Start();
    if (c.duringOperation) {
        PostCommand(kCommandReceive);
        PumpUntil([&] { return receive.started.load(); });
    }
    if (!c.quitBeforeStart) RequestQuit();
    PumpUntil(WorkerEndedPosted);

    EXPECT_EQ(IsWorkerRunning(), 0);
    std::vector<ShellCall> posts = shell_recorder::Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].wParam, 0u);
    EXPECT_EQ(posts[0].lParam, 0);

    std::vector<std::string> log = shell_recorder::LogLines();
    std::vector<std::string> expectedLog{"BackgroundThread() started ...", "",
                                         "BackgroundThread() exiting ...", ""};
    EXPECT_EQ(log, expectedLog);
    if (c.duringOperation) {
        EXPECT_EQ(receive.quitSeen.load(), 1);
        EXPECT_EQ(CommandsRun(), std::vector<int32_t>{kCommandReceive});
        // The operation had finished before the worker said it was exiting.
        std::vector<ShellCall> calls = shell_recorder::Calls();
        size_t ready = 0, exiting = 0;
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].text == "Ready") ready = i;
            if (calls[i].text == "BackgroundThread() exiting ...") exiting = i;
        }
        EXPECT_LT(ready, exiting);
    } else {
        EXPECT_TRUE(CommandsRun().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkerQuitTest,
                         ::testing::Values(QuitCase{"BeforeStart", true, false},
                                           QuitCase{"WhileIdle", false, false},
                                           QuitCase{"DuringOperation", false, true}),
                         [](const ::testing::TestParamInfo<QuitCase>& test) {
                             return test.param.name;
                         });

// Stop pressed twice while the worker is inside an operation and busy
// sending status texts to the UI thread. The second Stop finds the first
// still pending; if it waited for it to be taken, neither thread could go
// on: the operation finishes only once its texts are delivered, and the
// test thread delivers nothing while it is inside PostCommand.
TEST_F(WorkerTest, DoubleStopDuringABlockTransmitDoesNotDeadlock) {
    Gate& transmitEnds = NewGate();
    std::atomic<bool> started{false};
    Script([&](int32_t command) {
        if (command != kCommandTransmit) return;
        // Like the JX-10 block transmit: progress texts, no polling.
        started = true;
        for (int block = 0; block < 4; ++block) ShowStatus("Transmitting block ...");
        transmitEnds.Wait();
        for (int block = 4; block < 8; ++block) ShowStatus("Transmitting block ...");
        ShowStatus("Ready");
    });
    Start();
    PostCommand(kCommandTransmit);
    PumpUntil([&] { return started.load(); });

    PostCommand(kCommandStop);
    PostCommand(kCommandStop);

    // The transmit is still running: the second Stop did not wait for it.
    EXPECT_EQ(IsBusy(), 1);
    transmitEnds.Open();
    PumpUntil([] { return IsBusy() == 0; });
    EXPECT_EQ(CommandsRun(), (std::vector<int32_t>{kCommandTransmit, kCommandStop}));
}

TEST_F(WorkerTest, DoubleStopDuringAReceiveDoesNotDeadlock) {
    PollingOperation receive;
    Script([&](int32_t command) {
        if (command == kCommandReceive) receive.Run();
    });
    Start();
    PostCommand(kCommandReceive);
    PumpUntil([&] { return receive.started.load(); });

    // The first Stop makes the receive show its cancellation texts, which
    // wait for the test thread while the second Stop is being posted.
    PostCommand(kCommandStop);
    PostCommand(kCommandStop);
    PumpUntil([] { return IsBusy() == 0; });

    EXPECT_EQ(receive.cancelSeen.load(), kCommandStop);
    EXPECT_EQ(CommandsRun(), (std::vector<int32_t>{kCommandReceive, kCommandStop}));
}

// Once nobody will take a pending command (the worker has ended, or never
// started), a further post must not wait for it: the UI thread would hang
// and never see WM_USER.
TEST_F(WorkerTest, PostsDoNotWaitForAWorkerThatIsGone) {
    for (bool started : {true, false}) {
        SCOPED_TRACE(started ? "ended" : "never started");
        ResetMailboxForTest();
        if (started) {
            Start();
            RequestQuit();
            PumpUntil(WorkerEndedPosted);
        }
        PostCommand(kCommandReceive);
        PostCommand(kCommandStop);
        PostCommand(kCommandStop);
        EXPECT_EQ(IsBusy(), 1);
        EXPECT_TRUE(CommandsRun().empty());
        // The first post is still the one pending: the later ones did not
        // overwrite it.
        EXPECT_EQ(TakeCommand(), kCommandReceive);
    }
}

}  // namespace
