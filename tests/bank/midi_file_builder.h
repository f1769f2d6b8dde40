// Builders for Standard MIDI Files and captured MIDI streams, written from
// the file format's description (chunks, variable-length numbers, events), so
// that the bank search's tests, the fuzz seeds and the benchmark carry banks
// the way shared .mid files and MIDI monitor captures do. Test support:
// portable.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "tests/bank/bank_layouts.h"

// The System Exclusive messages of a stream, F0 to F7 each.
std::vector<Bytes> SplitMessages(const Bytes& stream);
// The messages joined again, with `between` after each message but the last.
Bytes JoinMessages(const std::vector<Bytes>& messages, std::initializer_list<uint8_t> between);

// Events of one track. Each starts with the delta time given.
void PutNumber(Bytes& track, uint32_t value);               // a variable-length number
void PutNote(Bytes& track, uint8_t channel, uint8_t note);  // on, then off by running status
void PutMeta(Bytes& track, uint8_t type, std::string_view text);
// The message as one F0 event, or its first `packet` bytes in an F0 event and
// the rest in F7 continuation events of `packet` bytes.
void PutSysex(Bytes& track, std::span<const uint8_t> message, size_t packet = 0);
// Raw bytes as F7 escape events of at most `packet` bytes each.
void PutEscapes(Bytes& track, std::span<const uint8_t> bytes, size_t packet);
void PutEndOfTrack(Bytes& track);

// A whole file: the header chunk (format, track count, 96 ticks per quarter
// note) and one MTrk chunk per track.
Bytes MidiFile(uint16_t format, const std::vector<Bytes>& tracks);
