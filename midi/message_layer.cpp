// Whole messages between the device layer and the transfer procedures: the
// wait for the next message (woken by the input callback, by posted commands
// and by quit), sending with a bounded retry while the output is busy, the
// recognizers' loops, and the hexadecimal traffic log. Runs on the worker.
// Knows the devices only through midi_port.h and the kernel only through
// PlatformOps.
#include "midi/message_layer.h"

#include <cstdio>

#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "bank/sysex.h"
#include "midi/midi_port.h"
#include "midi/recognizers.h"

std::array<uint8_t, kReceiveBufferSize> ReceiveBuffer{};
uint8_t activeChannel = 0;
std::array<uint8_t, 6> storedAckMessage = {kSysexStart, kRolandId,  kAckOp,
                                           0,           kJx10Model, kSysexEnd};
std::array<uint8_t, 6> storedRjcMessage = {kSysexStart, kRolandId,  kRjcOp,
                                           0,           kJx10Model, kSysexEnd};

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

}  // namespace

int32_t WaitForMessage() {
    for (;;) {
        if (CancelRequested()) {
            // This wait may have consumed the event that announced the command
            // or the quit; hand it back so the worker loop takes it at once.
            Platform().signalWakeEvent();
            return -1;
        }
        const int32_t length = PeekInputMessage();
        if (length < 0) return -1;
        if (length == 0) {
            Platform().waitWakeEvent(kIdleWaitMs);
            continue;
        }
        if (length > kReceiveBufferSize) {
            ReadInputMessage(nullptr);
            LogMidiTraffic(nullptr, 0, MidiDirection::Received);
            return 0;
        }
        ReadInputMessage(ReceiveBuffer.data());
        LogMidiTraffic(ReceiveBuffer.data(), length, MidiDirection::Received);
        return length;
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

int32_t WaitForJx8pTone() {
    for (;;) {
        const int32_t length = WaitForMessage();
        if (length < 0) return -1;
        const int32_t verdict = JudgeJx8pTone(ReceiveBuffer.data(), length, activeChannel);
        if (verdict != kSkipMessage) return verdict;
    }
}

int32_t WaitForMks70Dump() {
    for (;;) {
        const int32_t length = WaitForMessage();
        if (length < 0) return -1;
        const int32_t verdict = JudgeMks70Dump(ReceiveBuffer.data(), length, activeChannel);
        if (verdict != kSkipMessage) return verdict;
    }
}

// Every System Exclusive message taken, whoever sent it, restarts the input:
// what was queued behind it is discarded, the message itself stays in
// ReceiveBuffer. A DatMessage's F7 record is discarded that way.
int32_t WaitForJx10Handshake() {
    for (;;) {
        const int32_t length = WaitForMessage();
        if (length < 0) return -1;
        if (length > 0 && ReceiveBuffer[0] == kSysexStart) RestartMidiInput();
        const int32_t verdict = JudgeJx10Handshake(ReceiveBuffer.data(), length, activeChannel);
        if (verdict != kSkipMessage) return verdict;
    }
}

int32_t SendJx10Ack() {
    return TransmitBytes(storedAckMessage.data(), static_cast<int32_t>(storedAckMessage.size()));
}

int32_t SendJx10Reject() {
    return TransmitBytes(storedRjcMessage.data(), static_cast<int32_t>(storedRjcMessage.size()));
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
