// Synchronous shell calls for worker tests; see sent_messages.h.
#include "tests/ground/sent_messages.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>

#include "ground/platform.h"
#include "tests/support/shell_recorder.h"
#include "tests/support/virtual_platform.h"

namespace {

// Never destroyed: a worker that is just leaving a hook call may still
// touch it after a test, or the test program, has ended.
struct Channel {
    std::mutex lock;
    std::condition_variable changed;
    uint64_t sent = 0;
    uint64_t delivered = 0;
    std::thread::id uiThread;
};

Channel& TheChannel() {
    alignas(Channel) static unsigned char storage[sizeof(Channel)];
    static Channel* channel = new (storage) Channel;
    return *channel;
}

bool IsSentMessage(ShellCall::Kind kind) {
    return kind == ShellCall::Kind::Status || kind == ShellCall::Kind::Field ||
           kind == ShellCall::Kind::Log;
}

void WaitUntilDelivered(const ShellCall& call) {
    Channel& c = TheChannel();
    std::unique_lock<std::mutex> guard(c.lock);
    if (!IsSentMessage(call.kind) || std::this_thread::get_id() == c.uiThread) return;
    uint64_t ticket = ++c.sent;
    c.changed.wait(guard, [&c, ticket] { return c.delivered >= ticket; });
}

}  // namespace

namespace sent_messages {

void Enable() {
    Channel& c = TheChannel();
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.uiThread = std::this_thread::get_id();
        c.delivered = c.sent;
    }
    shell_recorder::SetHook(WaitUntilDelivered);
    virtual_platform::SetUiWaitHook(Deliver);
}

void Deliver() {
    Channel& c = TheChannel();
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.delivered = c.sent;
    }
    c.changed.notify_all();
}

void PumpUntil(const std::function<bool()>& done) {
    while (!done()) Platform().uiWait(1);
}

}  // namespace sent_messages
