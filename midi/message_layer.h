// Whole messages between the device layer and the transfer procedures:
// waiting for the next message with cancellation, sending with a bounded
// retry, and the hexadecimal log lines. Runs on the worker. Portable; knows
// nothing of synthesizers: the caller brings the buffer a message is taken
// into and judges what it finds there.
#pragma once

#include <cstdint>
#include <span>

// The longest message kept whole; a caller's buffer holds at least this.
inline constexpr int32_t kReceiveBufferSize = 2048;

enum class MidiDirection { Received, Sent };

// Takes the next message into `into`, first byte at offset 0. Returns its
// length (1..into.size()); 0 for one too long to keep (dropped, `into`
// unchanged); -1 on cancellation or quit.
int32_t WaitForMessage(std::span<uint8_t> into);
// The same with a time limit: kWaitTimedOut once spanMs have passed since
// startedAt (a NowMilliseconds() value) without a message. Sleeps in short
// slices meanwhile, so Stop and quit are heard within a slice.
inline constexpr int32_t kWaitTimedOut = -2;
int32_t WaitForMessageWithin(std::span<uint8_t> into, uint32_t startedAt, uint32_t spanMs);
// The length sent; 0 for length 0; -1 on failure (including 5 s without a
// free output buffer). Stop does not interrupt a send.
int32_t TransmitBytes(const uint8_t* bytes, int32_t length);
void LogMidiTraffic(const uint8_t* bytes, int32_t length, MidiDirection direction);
