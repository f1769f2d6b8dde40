// The InputRing: the fixed ring of 32-bit words that the MIDI input callback
// fills with one record per incoming message and the worker empties, and the
// table that gives a short message's length from its status byte. Plain
// logic: knows nothing of winmm or of devices.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// How winmm holds our buffers, and why the sizes are what they are.
//
// An input slot is a buffer lent to the driver with midiInAddBuffer. The
// driver fills it with System Exclusive bytes and hands it back through the
// callback when the message ends or the slot is full; the callback copies it
// into the ring and lends it again at once. The program lends three slots,
// so the driver always has one while the callback copies another. Each slot
// is 2048 bytes but offers only its first 262 bytes (dwBufferLength): 262 is
// exactly a JX-10 DatMessage up to and including its checksum, the longest
// message any of the three synthesizers sends. A 263-byte DatMessage thus
// comes back as a 262-byte record that the JX-10 handshake recognizer can
// judge on its own, followed by a record holding only the F7, which the
// input restart after each handshake message throws away. Offering 263 or
// more would merge the F7 into the record and change what the recognizers
// and the JX-10 receive see; 262 is not an off-by-one.
//
// Output uses three 2048-byte buffers: 2048 is the longest message the
// device layer accepts (every message the program sends is 6 to 263 bytes),
// and three let two messages queue behind the one on the wire, so the paced
// senders never wait for a buffer with a working device.
//
// The ring is 8192 words (32 KB) indexed modulo 8192 with a mask, one word
// at a time, so a record may wrap from word 8191 to word 0. It is empty when
// the indices are equal and never fills completely: at least one word stays
// free, or a full ring would look empty. A short message takes 3 words
// (length, time stamp, packed message), so it is stored only while at most
// 8188 words are used (leaving 8192 - 8188 - 3 = 1 free). A System Exclusive
// record of d data words takes d + 2 words, so it is stored only while more
// than d + 2 words are free. A record that does not fit is dropped whole;
// records already stored are never touched.
inline constexpr uint32_t kRingWords = 8192;
inline constexpr uint32_t kRingMask = kRingWords - 1;
inline constexpr uint32_t kShortRecordWords = 3;
inline constexpr uint32_t kShortMessageMaxUsed = kRingWords - kShortRecordWords - 1;  // 8188
inline constexpr uint32_t kRecordHeaderWords = 2;  // length, time stamp
inline constexpr uint32_t kInputSlotCount = 3;
inline constexpr uint32_t kInputSlotSize = 2048;
inline constexpr uint32_t kInputSlotOffer = 262;
inline constexpr uint32_t kOutputBufferCount = 3;
inline constexpr uint32_t kOutputBufferSize = 2048;

static_assert((kRingWords & kRingMask) == 0, "the ring size is a power of two");
static_assert(kShortMessageMaxUsed == 8188);
static_assert(kInputSlotOffer <= kInputSlotSize);

// The length of a short message from its status byte (first byte of the
// packed message); 0 means the message is dropped.
int32_t MessageLengthTable(uint8_t status);

// Producer side (the input callback only). Both return true when the record
// was stored. The time stamp is kept in every record; nothing reads it.
// RingStoreLong copies whole words: data must hold `length` rounded up to a
// multiple of 4 bytes (an input slot always does).
bool RingStoreShort(uint32_t packed, uint32_t timeStamp);
bool RingStoreLong(const uint8_t* data, uint32_t length, uint32_t timeStamp);
// Empties the ring. Called from the callback on MIM_OPEN and MIM_CLOSE, and
// from tests; see the note in input_ring.cpp on why that is safe.
void RingReset();

// Consumer side (the worker only): PeekInputMessage and ReadInputMessage of
// midi_port.h.

// Words in use now (either side; a snapshot).
uint32_t RingUsedWords();
