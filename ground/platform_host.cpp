// The PlatformOps table of host builds, from the standard library: a steady
// clock, sleeping, the worker's auto-reset wake-up event as a flag under a
// mutex with a condition variable, and detached std::threads. The host build
// has no windows, so the UI thread's wait is a plain timed sleep. Knows
// nothing of the worker or the mailbox.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "ground/platform.h"

namespace {

// The event lives for the whole run, like the program's commandEvent. On the
// host the simulated MIDI input thread signals it too; taking this mutex
// there is acceptable in tests, unlike in the real input callback.
struct WakeEvent {
    std::mutex lock;
    std::condition_variable changed;
    bool signalled = false;
};

// Built in static storage and never destroyed: a detached thread may still
// wait on or signal the event while the process runs its exit handlers.
WakeEvent& TheWakeEvent() {
    alignas(WakeEvent) static unsigned char storage[sizeof(WakeEvent)];
    static WakeEvent* event = new (storage) WakeEvent;
    return *event;
}

uint32_t HostMilliseconds() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    // Wraps at 2^32 like timeGetTime; callers only take differences.
    return static_cast<uint32_t>(ms);
}

void HostSleep(uint32_t ms) {
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool HostCreateWakeEvent() {
    WakeEvent& e = TheWakeEvent();
    std::lock_guard<std::mutex> guard(e.lock);
    e.signalled = false;
    return true;
}

void HostSignalWakeEvent() {
    WakeEvent& e = TheWakeEvent();
    {
        std::lock_guard<std::mutex> guard(e.lock);
        e.signalled = true;
    }
    e.changed.notify_one();
}

bool HostWaitWakeEvent(uint32_t timeoutMs) {
    WakeEvent& e = TheWakeEvent();
    std::unique_lock<std::mutex> guard(e.lock);
    e.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&e] { return e.signalled; });
    bool wasSignalled = e.signalled;
    e.signalled = false;
    return wasSignalled;
}

bool HostStartThread(void (*proc)()) {
    // std::thread reports a failed start only by throwing; this is the one
    // place where that is turned into the table's false.
    try {
        std::thread(proc).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void HostUiWait(uint32_t timeoutMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

constexpr PlatformOps kHostTable{
    HostMilliseconds,  HostSleep,       HostCreateWakeEvent, HostSignalWakeEvent,
    HostWaitWakeEvent, HostStartThread, HostUiWait,
};

}  // namespace

const PlatformOps& HostPlatformOps() { return kHostTable; }
