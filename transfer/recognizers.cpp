// The recognizers' judgements of single messages, and the waits that loop
// over the message layer until a judgement speaks. Know the devices only
// through the message layer's wait and RestartMidiInput.
#include "transfer/recognizers.h"

#include <span>

#include "bank/sysex.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "transfer/transfer_session.h"

namespace {

constexpr int32_t kHeaderBytes = 6;

bool OnChannel(uint8_t byte, uint8_t channel) {
    return channel == kAnyChannel ? byte <= 0x0F : byte == channel;
}

// F0 41 <op> <channel> <model>: the Roland header every recognizer needs.
bool HasRolandHeader(const uint8_t* bytes, int32_t length, uint8_t op, uint8_t channel,
                     uint8_t model) {
    return bytes != nullptr && length >= kHeaderBytes && bytes[0] == kSysexStart &&
           bytes[1] == kRolandId && bytes[2] == op && OnChannel(bytes[3], channel) &&
           bytes[4] == model;
}

bool IsWhole(const uint8_t* bytes, int32_t length, size_t size) {
    return length == static_cast<int32_t>(size) && bytes[size - 1] == kSysexEnd;
}

// The bytes from offset 5 add up, in 8 bits, to a multiple of 128.
bool ChecksumHolds(const uint8_t* bytes, int32_t count) {
    uint8_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[5 + i]);
    return (sum & 0x7F) == 0;
}

}  // namespace

int32_t JudgeJx8pTone(const uint8_t* bytes, int32_t length, uint8_t channel) {
    // The channel is the transfer's own; the rest of the head is the one
    // JX-8P tone test the bank search uses too.
    if (!HasRolandHeader(bytes, length, kJx8pToneOp, channel, kJx8pModel) ||
        !HasJx8pToneHead(std::span<const uint8_t>(bytes, static_cast<size_t>(length))))
        return kSkipMessage;
    return IsWhole(bytes, length, kJx8pToneMessageSize) ? kJx8pToneOp : kRejectMessage;
}

int32_t JudgeMks70Dump(const uint8_t* bytes, int32_t length, uint8_t channel) {
    if (!HasRolandHeader(bytes, length, kMks70Op, channel, kJx10Model)) return kSkipMessage;
    const uint8_t selector = bytes[5];
    if (selector == kMks70ToneSelector)
        return IsWhole(bytes, length, kMks70ToneMessageSize) ? selector : kRejectMessage;
    if (selector == kMks70PatchSelector)
        return IsWhole(bytes, length, kMks70PatchMessageSize) ? selector : kRejectMessage;
    return kSkipMessage;
}

int32_t JudgeJx10Handshake(const uint8_t* bytes, int32_t length, uint8_t channel) {
    if (bytes == nullptr || length < kHeaderBytes) return kSkipMessage;
    const uint8_t op = bytes[2];
    if (!HasRolandHeader(bytes, length, op, channel, kJx10Model)) return kSkipMessage;
    switch (op) {
    case kWsdOp:
    case kRqdOp:
        if (length != static_cast<int32_t>(kKindHandshakeSize)) return kRejectMessage;
        return ChecksumHolds(bytes, 2) ? op : kRejectMessage;
    case kDatOp:
        // 256 nibbles and the checksum; the record ends there, the F7 follows
        // in a record of its own.
        if (length < static_cast<int32_t>(kDatMessageSize) - 1) return kRejectMessage;
        return ChecksumHolds(bytes, 257) ? op : kRejectMessage;
    case kAckOp:
    case kEofOp:
    case kErrOp:
    case kRjcOp: return length == static_cast<int32_t>(kShortHandshakeSize) ? op : kRejectMessage;
    default: return kSkipMessage;
    }
}

namespace {

using Judge = int32_t (*)(const uint8_t*, int32_t, uint8_t);

// Takes messages until the judgement does not pass over one.
int32_t WaitFor(TransferSession& session, Judge judge) {
    for (;;) {
        const int32_t length = WaitForMessage(session.message);
        if (length < 0) return -1;
        session.messageLength = length;
        const int32_t verdict = judge(session.message.data(), length, session.channel);
        if (verdict != kSkipMessage) return verdict;
    }
}

int32_t SendHandshake(const std::array<uint8_t, kShortHandshakeSize>& message) {
    return TransmitBytes(message.data(), static_cast<int32_t>(message.size()));
}

}  // namespace

int32_t WaitForJx8pTone(TransferSession& session) { return WaitFor(session, JudgeJx8pTone); }

int32_t WaitForMks70Dump(TransferSession& session) { return WaitFor(session, JudgeMks70Dump); }

// Every System Exclusive message taken, whoever sent it, restarts the input:
// what was queued behind it is discarded, the message itself stays in
// session.message. A DatMessage's F7 record is discarded that way.
int32_t WaitForJx10Handshake(TransferSession& session) {
    for (;;) {
        const int32_t length = WaitForMessage(session.message);
        if (length < 0) return -1;
        session.messageLength = length;
        if (length > 0 && session.message[0] == kSysexStart) RestartMidiInput();
        const int32_t verdict = JudgeJx10Handshake(session.message.data(), length, session.channel);
        if (verdict != kSkipMessage) return verdict;
    }
}

int32_t WaitForJx10Answer(TransferSession& session, uint32_t startedAt, uint32_t spanMs) {
    for (;;) {
        const int32_t length = WaitForMessageWithin(session.message, startedAt, spanMs);
        if (length == kWaitTimedOut) return kNoAnswer;
        if (length < 0) return -1;
        session.messageLength = length;
        const int32_t verdict = JudgeJx10Handshake(session.message.data(), length, session.channel);
        if (verdict != kSkipMessage) return verdict;
    }
}

void UseJx10Channel(TransferSession& session, uint8_t channel) {
    session.channel = channel;
    session.ackMessage = MakeShortHandshake(kAckOp, channel);
    session.rjcMessage = MakeShortHandshake(kRjcOp, channel);
}

int32_t SendJx10Ack(TransferSession& session) { return SendHandshake(session.ackMessage); }

int32_t SendJx10Reject(TransferSession& session) { return SendHandshake(session.rjcMessage); }
