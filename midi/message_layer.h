// Whole messages between the device layer and the transfer procedures:
// waiting for the next message with cancellation, sending with a bounded
// retry, one recognizer per synthesizer family, and the hexadecimal log
// lines. Runs on the worker. Portable.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int32_t kReceiveBufferSize = 2048;

// The last message taken from the input ring, first byte at offset 0.
extern std::array<uint8_t, kReceiveBufferSize> ReceiveBuffer;
// The channel byte of the running transfer; kAnyChannel (recognizers.h)
// while an "Auto" transfer has not yet heard which channel the synthesizer
// is on.
extern uint8_t activeChannel;
// The stored AckMessage and RjcMessage that the JX-10 procedures send; their
// byte 3 is set at the start of each JX-10 transfer.
extern std::array<uint8_t, 6> storedAckMessage;
extern std::array<uint8_t, 6> storedRjcMessage;

enum class MidiDirection { Received, Sent };

// Length of the message now in ReceiveBuffer (1..2048); 0 for one too long
// to keep; -1 on cancellation or quit.
int32_t WaitForMessage();
// The same with a time limit: kWaitTimedOut once spanMs have passed since
// startedAt (a NowMilliseconds() value) without a message. Sleeps in short
// slices meanwhile, so Stop and quit are heard within a slice.
inline constexpr int32_t kWaitTimedOut = -2;
int32_t WaitForMessageWithin(uint32_t startedAt, uint32_t spanMs);
// The length sent; 0 for length 0; -1 on failure (including 5 s without a
// free output buffer). Stop does not interrupt a send.
int32_t TransmitBytes(const uint8_t* bytes, int32_t length);
int32_t WaitForJx8pTone();       // 0x35 or -1
int32_t WaitForJx10Handshake();  // 0x40, 0x41, 0x42, 0x43, 0x45, 0x4E, 0x4F or -1
// The JX-10's answer to what the program began sending at startedAt: the
// command byte of the next well-formed handshake message on activeChannel;
// kNoReply when spanMs have passed without one; -1 on cancellation, quit or
// a malformed handshake message.
inline constexpr int32_t kNoReply = 0;
int32_t WaitForJx10Reply(uint32_t startedAt, uint32_t spanMs);
int32_t WaitForMks70Dump();  // 0x30 (patch), 0x20 (tone) or -1
int32_t SendJx10Ack();
int32_t SendJx10Reject();
void LogMidiTraffic(const uint8_t* bytes, int32_t length, MidiDirection direction);
