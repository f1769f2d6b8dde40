// The judgements of the three recognizers, one message at a time: does this
// message belong to the awaited family on the awaited channel, and if so is
// it well formed. Pure functions over bytes, so split, interleaved and
// truncated input can be fed to them directly. Knows nothing of the ring,
// the devices or the log.
#pragma once

#include <cstdint>

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
