// The few kernel services the worker, the MIDI layer and the paced transfers
// need: a millisecond clock, sleeping, the worker's wake-up event, starting
// the worker thread, and the UI thread's wait while a command is pending.
// One table of functions, filled from Win32 in the program, from the
// standard library on the host, and with a virtual clock in tests, so that
// a 48.75 s JX-10 transmit runs in milliseconds and every pause can be
// checked exactly. Portable: no platform headers here.
#pragma once

#include <cstdint>

struct PlatformOps {
    // timeGetTime: milliseconds, wrapping at 2^32.
    uint32_t (*milliseconds)();
    // Sleep: give up the processor for at least this long (0 = yield).
    void (*sleep)(uint32_t ms);
    // The worker's auto-reset wake-up event (commandEvent). Signalled by
    // PostCommand, RequestQuit and the MIDI input callback; waited on only by
    // the worker. createWakeEvent is called once before the worker starts.
    bool (*createWakeEvent)();
    void (*signalWakeEvent)();
    // Waits until the event is signalled or the time-out passes; true when
    // it was signalled. Resets the event (auto-reset).
    bool (*waitWakeEvent)(uint32_t timeoutMs);
    // Starts proc on a new thread with the default stack; false on failure.
    bool (*startThread)(void (*proc)());
    // The UI thread's wait in PostCommand: at most timeoutMs, and it keeps
    // delivering messages that the worker sends to the UI thread's windows,
    // so a synchronous status or log update from the worker can never
    // deadlock against it.
    void (*uiWait)(uint32_t timeoutMs);
};

// The table in use. Starts as the build's default (Win32 on Windows, the
// standard library on the host). Tests install their own.
const PlatformOps& Platform();
void SetPlatform(const PlatformOps* ops);  // nullptr restores the default
const PlatformOps& DefaultPlatform();

// The system tables behind DefaultPlatform(): a build has exactly one of
// them, HostPlatformOps (standard library, platform_host.cpp) on the host and
// Win32PlatformOps (win32/platform_win32.cpp) on Windows.
const PlatformOps& HostPlatformOps();
const PlatformOps& Win32PlatformOps();

// Short names for the two calls the transfer procedures pace with.
inline uint32_t NowMilliseconds() { return Platform().milliseconds(); }
inline void SleepMilliseconds(uint32_t ms) { Platform().sleep(ms); }
