// The PlatformOps table of the Windows program: timeGetTime, Sleep, an
// unnamed auto-reset event for the worker's wake-up, threads started through
// the C runtime, and a wait for the UI thread that keeps delivering the
// messages other threads send to its windows. Knows nothing of the worker or
// the mailbox.
#include <windows.h>

#include <process.h>

#include <atomic>

#include "ground/platform.h"

// timeGetTime lives in winmm. Its header (mmsystem.h, also pulled in by
// timeapi.h) belongs to the MIDI device layer alone, so the one function the
// clock needs is declared here with the SDK's own prototype.
extern "C" __declspec(dllimport) DWORD WINAPI timeGetTime(void);

namespace {

// Created once by the UI thread before the worker starts (createWakeEvent),
// then read by the UI thread, the worker and the MIDI input callback thread.
// Never closed: it lives as long as the process.
std::atomic<HANDLE> wakeEvent{nullptr};

uint32_t Win32Milliseconds() { return static_cast<uint32_t>(timeGetTime()); }

void Win32Sleep(uint32_t ms) { Sleep(ms); }

bool Win32CreateWakeEvent() {
    HANDLE existing = wakeEvent.load(std::memory_order_acquire);
    if (existing != nullptr)
        // A second worker start (tests) reuses the event, cleared.
        return ResetEvent(existing) != FALSE;
    HANDLE created = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (created == nullptr) return false;
    wakeEvent.store(created, std::memory_order_release);
    return true;
}

void Win32SignalWakeEvent() {
    HANDLE event = wakeEvent.load(std::memory_order_acquire);
    // A failed SetEvent loses one wake-up only: every wait on the event has
    // a time-out, so the worker still looks within its idle period.
    if (event != nullptr) SetEvent(event);
}

bool Win32WaitWakeEvent(uint32_t timeoutMs) {
    HANDLE event = wakeEvent.load(std::memory_order_acquire);
    if (event != nullptr) {
        DWORD result = WaitForSingleObject(event, timeoutMs);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_TIMEOUT) return false;
    }
    // No event, or the wait failed: still take the time, so that a polling
    // caller does not spin at full speed.
    Sleep(timeoutMs);
    return false;
}

unsigned __stdcall ThreadStart(void* argument) {
    auto proc = reinterpret_cast<void (*)()>(argument);
    proc();
    return 0;
}

bool Win32StartThread(void (*proc)()) {
    // _beginthreadex, not CreateThread, so the C runtime is set up for the
    // new thread. The thread runs detached: its handle is not needed.
    unsigned threadId = 0;
    uintptr_t handle =
        _beginthreadex(nullptr, 0, ThreadStart, reinterpret_cast<void*>(proc), 0, &threadId);
    if (handle == 0) return false;
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

// Delivers the messages that other threads have sent (SendMessage) to
// windows of this thread, without touching posted or input messages.
void DeliverSentMessages() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void Win32UiWait(uint32_t timeoutMs) {
    // MsgWaitForMultipleObjects wakes only for messages that arrived after
    // the queue was last looked at, so those already waiting are delivered
    // first. It returns early once a sent message arrives; that message is
    // delivered and the caller looks at its condition again.
    DeliverSentMessages();
    DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_SENDMESSAGE);
    if (result == WAIT_FAILED) Sleep(timeoutMs);
    DeliverSentMessages();
}

constexpr PlatformOps kWin32Table{
    Win32Milliseconds,  Win32Sleep,       Win32CreateWakeEvent, Win32SignalWakeEvent,
    Win32WaitWakeEvent, Win32StartThread, Win32UiWait,
};

}  // namespace

const PlatformOps& Win32PlatformOps() { return kWin32Table; }
