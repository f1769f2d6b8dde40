// Test stand-in for the window system's synchronous messages: in the
// program, the worker's status, status field and log calls are SendMessage
// calls to windows of the UI thread and return only once the UI thread has
// handled them. With this enabled, each such call made off the test's UI
// thread blocks until the UI thread delivers it, which the UI thread does
// only inside uiWait (the virtual platform's hook) and in PumpUntil, its
// message loop. A UI thread that waits without delivering then hangs the
// test, as it would hang the program.
#pragma once

#include <functional>

namespace sent_messages {

// Needs the virtual platform installed; the calling thread becomes the UI
// thread. Replaces the recorder's hook and the uiWait hook.
void Enable();
// UI thread: completes every call that is waiting.
void Deliver();
// UI thread: delivers and waits (through uiWait) until done() holds.
void PumpUntil(const std::function<bool()>& done);

}  // namespace sent_messages
