// Splits a raw MIDI byte stream into what a MIDI interface reports: short
// messages (with running status), real-time bytes (which may fall anywhere,
// even inside System Exclusive) and the bytes of System Exclusive messages.
// Used by the virtual driver's input side and by the far side that frames
// the program's output. Portable: no Windows, no sockets.
#pragma once

#include <cstdint>

enum class FramerEvent : uint8_t {
    None,          // byte absorbed (data of an unfinished short message, or dropped)
    Short,         // a short message is complete: shortBytes[0..shortLength)
    SysexByte,     // the byte belongs to the running System Exclusive message
    SysexEnd,      // the byte is the F7 that ends it (it belongs to the message)
    SysexAborted,  // a status byte cut the message short; the byte itself is
                   // then processed as well: check pendingShort afterwards
};

struct MidiFramer {
    uint8_t runningStatus = 0;  // 0 = none
    uint8_t needed = 0;         // data bytes the current status takes
    uint8_t have = 0;           // data bytes collected so far
    bool inSysex = false;
    uint8_t collecting[3] = {};  // the short message being collected
    uint8_t shortBytes[3] = {};  // the last completed short message
    uint8_t shortLength = 0;
    // Set with SysexAborted when the cutting status byte also completed a
    // short message (a one-byte system common message such as F6).
    bool pendingShort = false;
};

// Number of data bytes that follow a status byte (0..2); -1 for F0/F7.
int DataBytesFor(uint8_t status);

// Feeds one byte. For Short the message is in framer.shortBytes.
FramerEvent FeedByte(MidiFramer& framer, uint8_t byte);

// Packs up to three bytes as winmm does: byte i in bits 8i..8i+7.
uint32_t PackShortMessage(const uint8_t* bytes, int length);
