// Hearing one tone on the synthesizer without writing its memory: the
// message that puts a tone record into the edit buffer, and the worker's
// operation that sends it. The JX-8P takes its tone message alone (without
// the program message that would store it); the MKS-70 takes the same
// record as its upper tone's parameters. The JX-10's firmware takes no
// single sound over MIDI, so it has no such message. Portable; the
// operation runs on the worker only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"

struct TransferJob;

// F0 41 35 ch, model, 20 01, the 59 bytes of the record, F7.
inline constexpr size_t kAuditionMessageSize = 7 + kToneRecordSize + 1;
using AuditionMessage = std::array<uint8_t, kAuditionMessageSize>;

// True for the synthesizer settings that take a single tone (JX-8P,
// MKS-70).
bool TakesAuditionTone(int32_t synthType);

// Writes the message for the setting into `out`, the record in canonical
// form (byte 10 a blank, every byte 7-bit: a byte with its top bit set
// would end the System Exclusive message on the wire). False, with `out`
// untouched, for a setting that takes no single tone.
bool MakeAuditionMessage(int32_t synthType, uint8_t channel,
                         std::span<const uint8_t, kToneRecordSize> tone, AuditionMessage& out);

// The worker's side of kCommandAudition: opens both devices, sends the
// job's tone as the one message, closes them. "Auditioning ..." while it
// runs, "Ready" after; a log line names the tone. A device that does not
// open has its box; a failed send posts kTransmitFailed. With "Auto", or a
// setting that takes no single tone, nothing is opened or sent.
void RunAudition(const TransferJob& job);
