// The command mailbox between the UI thread and BackgroundThread, the
// worker's flags, and the worker loop itself. Portable: it reaches the clock,
// the wake-up event, thread start and the UI thread's wait only through the
// PlatformOps table, and the shell only through ground/shell.h. It knows a
// command only as a number; what a command does is the operation runner's
// business.
//
// Nothing is locked. Each word below has one writer at a time, and each
// hand-off publishes its data first and the word that announces it last:
//
//   postedCount, pendingCommand, quitRequested: written by the UI thread.
//   takenCount, operationBusy: written by the worker.
//   workerRunning: written by the UI thread before the worker starts (and
//     when the start fails), by the worker at its start and its end.
//
//   Post:  the UI thread stores pendingCommand, then postedCount (release).
//          The worker's acquire load of postedCount in TakeCommand and
//          PollCancel pairs with that store, so a worker that sees the new
//          count reads the new code.
//   Take:  the worker stores operationBusy = 1, then takenCount (release).
//          The UI thread's acquire loads of takenCount in IsBusy and
//          PostCommand pair with that store: once the UI thread sees the
//          command taken, it also sees the operation marked busy.
//   Quit:  the UI thread stores quitRequested (release) and then signals the
//          event; the worker's acquire loads pair with it.
//
// IsBusy therefore reads takenCount before operationBusy. Read the other way
// round, a take landing between the two loads would show "not busy, nothing
// pending" while the operation starts, and the menus would offer a second
// command that cancels the first.
//
// x86 will not reveal an ordering mistake here: its stores are not reordered
// with each other. Correctness comes from the design above; ThreadSanitizer
// finds data races.
#include "ground/mailbox.h"

#include <atomic>

#include "ground/commands.h"
#include "ground/platform.h"
#include "ground/shell.h"

namespace {

struct CommandMailbox {
    std::atomic<int32_t> postedCount{0};
    std::atomic<int32_t> takenCount{0};
    std::atomic<int32_t> pendingCommand{0};
};

CommandMailbox commandMailbox;
std::atomic<int32_t> quitRequested{0};
std::atomic<int32_t> workerRunning{0};
std::atomic<int32_t> operationBusy{0};

// Set by the program (RunOperation with its job) or a test before the
// worker starts; the thread start publishes both to the worker.
std::atomic<OperationRunner> operationRunner{nullptr};
std::atomic<void*> operationContext{nullptr};

// The worker looks at the mailbox at least this often when no event comes,
// so a quit is noticed even if its wake-up is lost.
constexpr uint32_t kIdleWaitMs = 250;
// How long the UI thread waits, delivering sent messages, between looks at
// a command that the idle worker has not taken yet.
constexpr uint32_t kPostWaitMs = 100;

// Worker side: takenCount is the worker's own word.
bool CommandPendingForWorker() {
    return commandMailbox.postedCount.load(std::memory_order_acquire) !=
           commandMailbox.takenCount.load(std::memory_order_relaxed);
}

// Counters are compared only for equality; the increment wraps in unsigned
// arithmetic so that it never overflows a signed word.
int32_t NextCount(int32_t count) { return static_cast<int32_t>(static_cast<uint32_t>(count) + 1u); }

}  // namespace

int32_t PostCommand(int32_t code) {
    for (;;) {
        int32_t taken = commandMailbox.takenCount.load(std::memory_order_acquire);
        if (commandMailbox.postedCount.load(std::memory_order_relaxed) == taken) break;

        // A command is still pending. If nobody is left to take it (the
        // worker never started, or it is quitting), waiting would hang the
        // UI thread for good.
        if (quitRequested.load(std::memory_order_relaxed) != 0 ||
            workerRunning.load(std::memory_order_acquire) == 0)
            return 0;
        // While an operation runs, the pending command already cancels it,
        // and the operation may not poll for a while (it may be inside a
        // send, or a message box may hold it): a repeat of that same command
        // adds nothing, so it returns at once. Only a repeat is dropped: a different
        // pending command may be the one the worker is taking this moment
        // (operationBusy is already 1, takenCount not yet), and the new one
        // must then still reach the operation it starts.
        if (operationBusy.load(std::memory_order_acquire) != 0 &&
            commandMailbox.pendingCommand.load(std::memory_order_relaxed) == code)
            return 0;
        // The idle worker takes the command at its next look; meanwhile its
        // status and log updates are messages sent to this thread's
        // windows, which this wait keeps delivering.
        Platform().uiWait(kPostWaitMs);
    }
    int32_t posted = commandMailbox.postedCount.load(std::memory_order_relaxed);
    commandMailbox.pendingCommand.store(code, std::memory_order_release);
    commandMailbox.postedCount.store(NextCount(posted), std::memory_order_release);
    Platform().signalWakeEvent();
    return 0;
}

int32_t TakeCommand() {
    int32_t posted = commandMailbox.postedCount.load(std::memory_order_acquire);
    if (posted == commandMailbox.takenCount.load(std::memory_order_relaxed)) return 0;
    int32_t code = commandMailbox.pendingCommand.load(std::memory_order_acquire);
    if (code != 0) operationBusy.store(1, std::memory_order_release);
    commandMailbox.takenCount.store(posted, std::memory_order_release);
    return code;
}

int32_t PollCancel() {
    if (!CommandPendingForWorker()) return 0;
    return commandMailbox.pendingCommand.load(std::memory_order_acquire);
}

bool CancelRequested() { return IsQuitRequested() != 0 || PollCancel() != 0; }

int32_t IsBusy() {
    int32_t taken = commandMailbox.takenCount.load(std::memory_order_acquire);
    int32_t busy = operationBusy.load(std::memory_order_acquire);
    int32_t posted = commandMailbox.postedCount.load(std::memory_order_relaxed);
    return (busy != 0 || posted != taken) ? 1 : 0;
}

int32_t IsQuitRequested() { return quitRequested.load(std::memory_order_acquire); }

void RequestQuit() {
    quitRequested.store(1, std::memory_order_release);
    Platform().signalWakeEvent();
}

bool StartBackgroundThread() {
    // Without its event the worker could not be woken; treat that like a
    // failed thread start, which closes the program.
    if (!Platform().createWakeEvent()) {
        workerRunning.store(0, std::memory_order_release);
        return false;
    }
    workerRunning.store(1, std::memory_order_release);
    if (!Platform().startThread(BackgroundThread)) {
        workerRunning.store(0, std::memory_order_release);
        return false;
    }
    return true;
}

int32_t IsWorkerRunning() { return workerRunning.load(std::memory_order_acquire); }

void BackgroundThread() {
    LogPrintf("BackgroundThread() started ...\n");
    LogPrintf("\n");
    workerRunning.store(1, std::memory_order_release);
    operationBusy.store(0, std::memory_order_release);

    if (quitRequested.load(std::memory_order_acquire) == 0) {
        for (;;) {
            // The event is shared with the MIDI message wait, which may have
            // used up the signal of a command posted during the operation
            // just ended; a command already pending is taken without waiting.
            if (!CommandPendingForWorker() && quitRequested.load(std::memory_order_acquire) == 0)
                Platform().waitWakeEvent(kIdleWaitMs);
            int32_t code = TakeCommand();
            if (code != 0) {
                const OperationRunner runner = operationRunner.load(std::memory_order_acquire);
                if (runner != nullptr)
                    runner(code, operationContext.load(std::memory_order_acquire));
            }
            operationBusy.store(0, std::memory_order_release);
            if (quitRequested.load(std::memory_order_acquire) != 0) break;
        }
    }

    LogPrintf("BackgroundThread() exiting ...\n");
    LogPrintf("\n");
    workerRunning.store(0, std::memory_order_release);
    // The main window finishes closing on this message; nothing else in
    // the program waits for the thread. PostMessage fails only when the
    // window is already gone or its queue is full, and this thread has no
    // better way to reach it, so a failure is left as it is.
    (void)PostToMainWindow(kWorkerEndedMessage, 0, 0);
}

void SetOperationRunner(OperationRunner runner, void* context) {
    operationContext.store(context, std::memory_order_release);
    operationRunner.store(runner, std::memory_order_release);
}

void ResetMailboxForTest() {
    // Only valid with no worker running: these are the start values, not a
    // hand-off, so their order does not matter. The runner is configuration
    // and stays as set.
    commandMailbox.postedCount.store(0, std::memory_order_release);
    commandMailbox.takenCount.store(0, std::memory_order_release);
    commandMailbox.pendingCommand.store(0, std::memory_order_release);
    quitRequested.store(0, std::memory_order_release);
    workerRunning.store(0, std::memory_order_release);
    operationBusy.store(0, std::memory_order_release);
}
