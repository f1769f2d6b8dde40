// The bank collector: makes banks of the System Exclusive messages that a
// reader hands on, each message by its own number (a tone by its program
// number, an MKS-70 message by the number it carries, a JX-10 data block by
// its place in its dump), and names every bank message that goes into no
// bank. When nothing makes a bank it words the refusal. Portable: knows
// nothing of files, windows or MIDI ports, nor of how the messages were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "bank/bank_search.h"
#include "bank/sysex_scan.h"

// A reader: hands every whole message of the data to the sink in order and
// returns false when the data broke their own rules (a damaged MIDI file);
// the messages read before the damage have been handed on all the same.
using MessageReader = bool (*)(std::span<const uint8_t> data, MessageSink sink);

// The banks that the reader's messages make, listed as `layout`. When none,
// the refusal names what was found, and the damage only when nothing was.
BankSearch CollectBanks(std::span<const uint8_t> data, MessageReader read, const char* layout);

// Converts an image of 2048 or 8192 bytes through its row of the layout
// table; false when the row refuses it.
bool ConvertFoundImage(const uint8_t* image, size_t size, size_t position, FoundBank& bank);

// The "Warning:" line for the DatMessages among `count` messages, `stride`
// bytes apart from `dats` on, whose checksum fails; empty when all pass.
// `position` is where the dump starts in the data.
std::string BadChecksumWarning(const uint8_t* dats, size_t stride, size_t count, size_t position);

// Empties the result and gives it the refusal.
void Refuse(BankSearch& result, NoBankReason refusal, std::string reason);
