// Whole messages between the device layer and the transfer procedures: the
// wait for the next message (woken by the input callback, by posted commands
// and by quit), sending with a bounded retry while the output is busy, and
// the hexadecimal traffic log. Runs on the worker. Knows the devices only
// through midi_port.h and the kernel only through PlatformOps; nothing of
// synthesizers or banks.
#include "midi/message_layer.h"

#include <cstdio>

#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "midi/midi_port.h"

namespace {

// The longest the worker sleeps between looks at the ring when nothing wakes
// it. The input callback, PostCommand and RequestQuit all signal the event,
// so this only bounds a wake-up that never came; an idle wait costs one
// wake-up per period.
constexpr uint32_t kIdleWaitMs = 10;
// A send that finds every output buffer busy waits for a done notification
// (which signals the event) at most this long per look, and gives up after
// kSendTimeoutMs without a free buffer.
constexpr uint32_t kSendPollMs = 1;
constexpr uint32_t kSendTimeoutMs = 5000;
constexpr int32_t kLoggedBytes = 8;
// A wait with a time limit sleeps this long between looks at the ring. It
// sleeps rather than waiting on the event so that the time passes on any
// clock (tests run it on a virtual one); an answer is taken at most this
// late.
constexpr uint32_t kTimedPollMs = 5;

// Takes the oldest record (of `length` bytes) into `into`; one too long to
// keep is dropped and reported as 0.
int32_t TakeMessage(std::span<uint8_t> into, int32_t length) {
    if (static_cast<size_t>(length) > into.size()) {
        ReadInputMessage(nullptr);
        LogMidiTraffic(nullptr, 0, MidiDirection::Received);
        return 0;
    }
    ReadInputMessage(into.data());
    LogMidiTraffic(into.data(), length, MidiDirection::Received);
    return length;
}

}  // namespace

int32_t WaitForMessage(std::span<uint8_t> into) {
    for (;;) {
        if (CancelRequested()) {
            // This wait may have consumed the event that announced the command
            // or the quit; hand it back so the worker loop takes it at once.
            Platform().signalWakeEvent();
            return -1;
        }
        const int32_t length = PeekInputMessage();
        if (length < 0) return -1;
        if (length > 0) return TakeMessage(into, length);
        Platform().waitWakeEvent(kIdleWaitMs);
    }
}

// Never waits on the event, so it cannot consume a signal meant for the
// worker loop; a pending command stays pending for the loop to take.
int32_t WaitForMessageWithin(std::span<uint8_t> into, uint32_t startedAt, uint32_t spanMs) {
    for (;;) {
        if (CancelRequested()) return -1;
        const int32_t length = PeekInputMessage();
        if (length < 0) return -1;
        if (length > 0) return TakeMessage(into, length);
        const uint32_t elapsed = NowMilliseconds() - startedAt;
        if (elapsed >= spanMs) return kWaitTimedOut;
        const uint32_t left = spanMs - elapsed;
        SleepMilliseconds(left < kTimedPollMs ? left : kTimedPollMs);
    }
}

// Stop does not interrupt a send: the message goes out or fails, and the next
// wait or cancellation check sees the command.
int32_t TransmitBytes(const uint8_t* bytes, int32_t length) {
    if (length == 0) return 0;
    const uint32_t start = NowMilliseconds();
    bool eventOwed = false;
    int32_t result;
    for (;;) {
        result = SendMidiBytes(bytes, length);
        if (result != 0) break;
        if (NowMilliseconds() - start >= kSendTimeoutMs) {
            LogPrintf("MIDI output busy for %u ms; message of %d bytes not sent.\n", kSendTimeoutMs,
                      length);
            result = -1;
            break;
        }
        if (Platform().waitWakeEvent(kSendPollMs) && CancelRequested()) eventOwed = true;
    }
    if (eventOwed) Platform().signalWakeEvent();
    if (result < 0) return -1;
    LogMidiTraffic(bytes, length, MidiDirection::Sent);
    return result;
}

void LogMidiTraffic(const uint8_t* bytes, int32_t length, MidiDirection direction) {
    if (!IsLogWindowOpen()) return;
    if (length == 0) {
        LogPrintf("\n");
        LogPrintf("Sysex message too large to display.\n");
        LogPrintf("\n");
        return;
    }
    if (length < 0 || bytes == nullptr) return;
    // "(send) " + 8 x "XX " with the last space turned into the line feed.
    char line[7 + 3 * kLoggedBytes + 1];
    int used = std::snprintf(line, sizeof line, "%s",
                             direction == MidiDirection::Received ? "(recv) " : "(send) ");
    const int32_t shown = length < kLoggedBytes ? length : kLoggedBytes;
    for (int32_t i = 0; i < shown; ++i)
        used +=
            std::snprintf(line + used, sizeof line - static_cast<size_t>(used), "%02X ", bytes[i]);
    line[used - 1] = '\n';
    // Passed as an argument, never as the format.
    LogPrintf("%s", line);
}
