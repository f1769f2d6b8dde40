// The Standard MIDI File reader of the bank search: it walks the chunks and
// the events of every track and hands on each System Exclusive message that
// the events carry, whole (one F0 event, an F0 packet with F7 continuations,
// or F7 escapes holding raw bytes). Portable: knows nothing of files,
// windows or MIDI ports, nor of what a message means.
#pragma once

#include <cstdint>
#include <span>

#include "bank/sysex_scan.h"

// True for data that announce themselves as a Standard MIDI File.
bool StartsLikeMidiFile(std::span<const uint8_t> data);

// Hands every whole message to the sink in file order. False for a damaged
// file: a header that is no header, a chunk or event running past its end, a
// number longer than 4 bytes, a data byte with no status before it, or a
// status byte that has no place in a track. Damage ends only its own track:
// the messages wholly before it have been handed on, and the next chunk is
// read. Bytes after the last chunk that cannot be a chunk are ignored.
bool ReadMidiFile(std::span<const uint8_t> data, MessageSink sink);
