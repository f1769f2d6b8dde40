// A PlatformOps table for tests whose clock is virtual: sleeping advances
// the clock at once (and records the pause), so paced transfers run in
// milliseconds and every pause can be checked exactly. The wake-up event is
// real (the system table's own), and so is the time a wait on it may block.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace virtual_platform {

// Installs the virtual table with the clock at startMs and no pauses kept.
void Install(uint32_t startMs = 1000);
// Restores the build's default table.
void Uninstall();
uint32_t Now();
void Advance(uint32_t ms);
// Every sleep(ms) with ms > 0, in order, and the clock value when it began.
struct Pause {
    uint32_t startedAt;
    uint32_t ms;
};
std::vector<Pause> Pauses();
void ClearPauses();

// Called on the UI thread each time it waits (uiWait), before and after the
// wait's short real pause. Tests use it to stand in for the window system
// delivering the messages the worker sends to the UI thread's windows.
// Install() clears it.
void SetUiWaitHook(std::function<void()> hook);
// Called on the sleeping thread after each sleep has moved the clock, before
// the sleep returns: the far side of a test acts on the new time there (a
// scripted synthesizer's delayed answer) and its bytes arrive before the
// sleeper looks again, so what arrives when stays the same from run to run.
// Install() clears it.
void SetSleepHook(std::function<void()> hook);
// When strict, a wait on the wake-up event ignores its time-out and returns
// only once the event is signalled: a signal that is missing then hangs the
// test (caught by its ctest time-out) instead of being hidden by the next
// time-out. Install() turns it off.
void SetStrictWakeWaits(bool strict);
// Waits until every thread started through the virtual table has returned.
void JoinThreads();

}  // namespace virtual_platform
