// The virtual PlatformOps table for tests. The clock moves only when a
// thread sleeps (or a test advances it), so paced transfers run at once and
// every pause is recorded. The wake-up event, the threads and the UI
// thread's wait are real; waits on the event do not move the clock.
#include "tests/support/virtual_platform.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "ground/platform.h"

namespace {

// The wake-up event is the system table's own (a condition variable on the
// host, a Win32 event under Wine), so it is real and stays the same event
// whichever table is installed. A strict wait is made of short system waits.
constexpr uint32_t kStrictWaitSliceMs = 10;

struct VirtualState {
    std::atomic<uint32_t> now{0};

    std::mutex pauseLock;
    std::vector<virtual_platform::Pause> pauses;

    std::atomic<bool> strictWaits{false};

    std::mutex hookLock;
    std::function<void()> uiWaitHook;

    std::atomic<int> runningThreads{0};
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

bool VirtualCreateWakeEvent() { return DefaultPlatform().createWakeEvent(); }

void VirtualSignalWakeEvent() { DefaultPlatform().signalWakeEvent(); }

bool VirtualWaitWakeEvent(uint32_t timeoutMs) {
    const PlatformOps& system = DefaultPlatform();
    if (!State().strictWaits.load(std::memory_order_acquire))
        return system.waitWakeEvent(timeoutMs);
    // Strict: only a signal ends the wait (or the test turning strictness
    // off); the slices are not time-outs of the caller's.
    while (!system.waitWakeEvent(kStrictWaitSliceMs))
        if (!State().strictWaits.load(std::memory_order_acquire)) return false;
    return true;
}

// Threads start through the system table (a detached std::thread on the
// host, _beginthreadex under Wine, where detached std::threads were seen
// never to run). Its start takes no argument, so each start borrows one of
// a few slots, each with its own trampoline that takes the procedure out of
// the slot, runs it and counts the thread as ended.
constexpr size_t kThreadSlots = 16;
std::array<std::atomic<void (*)()>, kThreadSlots> slotProcs{};

template <size_t Slot>
void RunFromSlot() {
    void (*proc)() = slotProcs[Slot].exchange(nullptr, std::memory_order_acq_rel);
    if (proc != nullptr) proc();
    State().runningThreads.fetch_sub(1, std::memory_order_acq_rel);
}

template <size_t... Slots>
constexpr std::array<void (*)(), kThreadSlots> MakeTrampolines(std::index_sequence<Slots...>) {
    return {RunFromSlot<Slots>...};
}

constexpr std::array<void (*)(), kThreadSlots> kTrampolines =
    MakeTrampolines(std::make_index_sequence<kThreadSlots>{});

bool VirtualStartThread(void (*proc)()) {
    VirtualState& s = State();
    for (size_t slot = 0; slot < kThreadSlots; ++slot) {
        void (*expected)() = nullptr;
        if (!slotProcs[slot].compare_exchange_strong(expected, proc, std::memory_order_acq_rel))
            continue;
        s.runningThreads.fetch_add(1, std::memory_order_acq_rel);
        if (DefaultPlatform().startThread(kTrampolines[slot])) return true;
        slotProcs[slot].store(nullptr, std::memory_order_release);
        s.runningThreads.fetch_sub(1, std::memory_order_acq_rel);
        return false;
    }
    return false;  // more threads starting at once than any test needs
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
    s.strictWaits.store(false, std::memory_order_release);
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
    State().strictWaits.store(strict, std::memory_order_release);
}

void JoinThreads() {
    while (State().runningThreads.load(std::memory_order_acquire) != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace virtual_platform
