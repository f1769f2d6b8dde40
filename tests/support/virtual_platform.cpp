// The virtual PlatformOps table for tests. The clock moves only when a
// thread sleeps (or a test advances it), so paced transfers run at once and
// every pause is recorded. The wake-up event, the threads and the UI
// thread's wait are real; waits on the event do not move the clock.
#include "tests/support/virtual_platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "app/platform.h"

namespace {

struct VirtualState {
    std::atomic<uint32_t> now{0};

    std::mutex pauseLock;
    std::vector<virtual_platform::Pause> pauses;

    std::mutex eventLock;
    std::condition_variable eventChanged;
    bool signalled = false;
    bool strictWaits = false;

    std::mutex hookLock;
    std::function<void()> uiWaitHook;

    std::mutex threadLock;
    std::condition_variable threadEnded;
    int runningThreads = 0;
};

// Never destroyed: detached test threads may outlive the test program's
// main function by a few instructions.
VirtualState& State() {
    alignas(VirtualState) static unsigned char storage[sizeof(VirtualState)];
    static VirtualState* state = new (storage) VirtualState;
    return *state;
}

uint32_t VirtualMilliseconds() { return State().now.load(std::memory_order_acquire); }

void VirtualSleep(uint32_t ms) {
    VirtualState& s = State();
    if (ms > 0) {
        // One sleeping thread at a time in practice (the worker); the lock
        // keeps the start time and the pause together if there are more.
        std::lock_guard<std::mutex> guard(s.pauseLock);
        uint32_t startedAt = s.now.fetch_add(ms, std::memory_order_acq_rel);
        s.pauses.push_back({startedAt, ms});
    }
    // Give up the processor for real, briefly, so that other threads (the
    // simulated MIDI device's callback, the test's UI thread) keep pace with
    // loops that poll in virtual milliseconds. Under Wine a sleep below one
    // millisecond returns at once, hence the yield as well.
    std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(2));
}

bool VirtualCreateWakeEvent() {
    VirtualState& s = State();
    std::lock_guard<std::mutex> guard(s.eventLock);
    s.signalled = false;
    return true;
}

void VirtualSignalWakeEvent() {
    VirtualState& s = State();
    {
        std::lock_guard<std::mutex> guard(s.eventLock);
        s.signalled = true;
    }
    s.eventChanged.notify_all();
}

bool VirtualWaitWakeEvent(uint32_t timeoutMs) {
    VirtualState& s = State();
    std::unique_lock<std::mutex> guard(s.eventLock);
    if (s.strictWaits)
        s.eventChanged.wait(guard, [&s] { return s.signalled; });
    else
        s.eventChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&s] { return s.signalled; });
    bool wasSignalled = s.signalled;
    s.signalled = false;
    return wasSignalled;
}

struct ThreadEnd {
    ~ThreadEnd() {
        VirtualState& s = State();
        {
            std::lock_guard<std::mutex> guard(s.threadLock);
            --s.runningThreads;
        }
        s.threadEnded.notify_all();
    }
};

void RunCounted(void (*proc)()) {
    ThreadEnd end;
    proc();
}

bool VirtualStartThread(void (*proc)()) {
    VirtualState& s = State();
    {
        std::lock_guard<std::mutex> guard(s.threadLock);
        ++s.runningThreads;
    }
    try {
        std::thread(RunCounted, proc).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> guard(s.threadLock);
        --s.runningThreads;
        return false;
    }
    return true;
}

void CallUiWaitHook() {
    VirtualState& s = State();
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> guard(s.hookLock);
        hook = s.uiWaitHook;
    }
    if (hook) hook();
}

void VirtualUiWait(uint32_t timeoutMs) {
    // A short real wait through the system table (on Windows it delivers
    // real sent messages too); the caller looks at its condition again.
    CallUiWaitHook();
    DefaultPlatform().uiWait(std::min<uint32_t>(timeoutMs, 1));
    CallUiWaitHook();
}

constexpr PlatformOps kVirtualTable{
    VirtualMilliseconds,  VirtualSleep,       VirtualCreateWakeEvent, VirtualSignalWakeEvent,
    VirtualWaitWakeEvent, VirtualStartThread, VirtualUiWait,
};

}  // namespace

namespace virtual_platform {

void Install(uint32_t startMs) {
    VirtualState& s = State();
    s.now.store(startMs, std::memory_order_release);
    ClearPauses();
    {
        std::lock_guard<std::mutex> guard(s.eventLock);
        s.signalled = false;
        s.strictWaits = false;
    }
    SetUiWaitHook(nullptr);
    SetPlatform(&kVirtualTable);
}

void Uninstall() { SetPlatform(nullptr); }

uint32_t Now() { return VirtualMilliseconds(); }

void Advance(uint32_t ms) { State().now.fetch_add(ms, std::memory_order_acq_rel); }

std::vector<Pause> Pauses() {
    VirtualState& s = State();
    std::lock_guard<std::mutex> guard(s.pauseLock);
    return s.pauses;
}

void ClearPauses() {
    VirtualState& s = State();
    std::lock_guard<std::mutex> guard(s.pauseLock);
    s.pauses.clear();
}

void SetUiWaitHook(std::function<void()> hook) {
    VirtualState& s = State();
    std::lock_guard<std::mutex> guard(s.hookLock);
    s.uiWaitHook = std::move(hook);
}

void SetStrictWakeWaits(bool strict) {
    VirtualState& s = State();
    {
        std::lock_guard<std::mutex> guard(s.eventLock);
        s.strictWaits = strict;
    }
    s.eventChanged.notify_all();
}

void JoinThreads() {
    VirtualState& s = State();
    std::unique_lock<std::mutex> guard(s.threadLock);
    s.threadEnded.wait(guard, [&s] { return s.runningThreads == 0; });
}

}  // namespace virtual_platform
