// The recognizers: does a message belong to the awaited synthesizer family
// on the awaited channel, and if so is it well formed. The judgements are
// pure functions over bytes, so split, interleaved and truncated input can
// be fed to them directly; the waits loop over the message layer for the
// next message that a judgement does not pass over. The JX-10's
// acknowledgement and rejection go out from here too. Runs on the worker.
#pragma once

#include <cstdint>

struct TransferSession;

// Results: a positive code accepts the message, kSkipMessage passes over it
// (not the awaited family or channel), kRejectMessage fails the transfer.
inline constexpr int32_t kSkipMessage = 0;
inline constexpr int32_t kRejectMessage = -1;

// The channel argument that matches a message on any of the 16 channels: a
// transfer with the "Auto" setting listens with it until the synthesizer's
// first message has named the channel.
inline constexpr uint8_t kAnyChannel = 0xFF;

// 0x35 for a whole Jx8pToneMessage on `channel`.
int32_t JudgeJx8pTone(const uint8_t* bytes, int32_t length, uint8_t channel);
// 0x30 for a whole Mks70PatchMessage, 0x20 for a whole Mks70ToneMessage.
int32_t JudgeMks70Dump(const uint8_t* bytes, int32_t length, uint8_t channel);
// The command byte of a well-formed JX-10 handshake message (0x40, 0x41,
// 0x42, 0x43, 0x45, 0x4E, 0x4F). A DatMessage record is judged without its
// F7, which arrives in a record of its own.
int32_t JudgeJx10Handshake(const uint8_t* bytes, int32_t length, uint8_t channel);

// The waits: each takes messages into session.message until its judgement
// accepts one (its code) or rejects one (-1); -1 also on Stop or quit. They
// judge on session.channel.
int32_t WaitForJx8pTone(TransferSession& session);
int32_t WaitForMks70Dump(TransferSession& session);
// Restarts the input after every System Exclusive message it takes,
// discarding what was queued behind it (the lone F7 record of a DatMessage
// among it): for a receive, where the next message comes only after the
// program's acknowledgement.
int32_t WaitForJx10Handshake(TransferSession& session);
// The next handshake message of a bulk load, heard within spanMs from
// startedAt: its command byte; kNoAnswer when the time passed without one;
// -1 on Stop, quit or a malformed one. Never restarts the input: an answer
// queued behind another message is still owed to the load.
inline constexpr int32_t kNoAnswer = 0;
int32_t WaitForJx10Answer(TransferSession& session, uint32_t startedAt, uint32_t spanMs);
// Sets session.channel and the JX-10 answers' channel byte.
void UseJx10Channel(TransferSession& session, uint8_t channel);
int32_t SendJx10Ack(TransferSession& session);
int32_t SendJx10Reject(TransferSession& session);
