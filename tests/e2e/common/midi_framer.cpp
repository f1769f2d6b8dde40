// Byte-by-byte MIDI framing with the rules of a real interface: real-time
// bytes pass through at once, system common messages cancel running status,
// any status byte other than real-time ends a System Exclusive message.
#include "tests/e2e/common/midi_framer.h"

int DataBytesFor(uint8_t status) {
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    switch (status) {
    case 0xF0:
    case 0xF7: return -1;
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    default: return 0;
    }
}

static FramerEvent Emit(MidiFramer& f, const uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) f.shortBytes[i] = bytes[i];
    f.shortLength = static_cast<uint8_t>(length);
    return FramerEvent::Short;
}

static FramerEvent CompleteCollected(MidiFramer& f) {
    const int length = f.have + 1;
    f.have = 0;
    if (f.collecting[0] >= 0xF0) {
        f.runningStatus = 0;  // system common: no running status after it
        f.needed = 0;
    }
    return Emit(f, f.collecting, length);
}

// A status byte outside System Exclusive (not real-time, not F0).
static FramerEvent StartStatus(MidiFramer& f, uint8_t byte) {
    f.collecting[0] = byte;
    f.have = 0;
    if (byte == 0xF7) {
        // A lone end-of-exclusive is passed on as a one-byte message.
        f.runningStatus = 0;
        f.needed = 0;
        return Emit(f, &byte, 1);
    }
    const int n = DataBytesFor(byte);
    f.needed = static_cast<uint8_t>(n);
    f.runningStatus = byte < 0xF0 ? byte : 0;
    if (n == 0) return CompleteCollected(f);
    return FramerEvent::None;
}

FramerEvent FeedByte(MidiFramer& f, uint8_t byte) {
    f.pendingShort = false;
    if (byte >= 0xF8) return Emit(f, &byte, 1);
    if (f.inSysex) {
        if (byte == 0xF7) {
            f.inSysex = false;
            return FramerEvent::SysexEnd;
        }
        if (byte < 0x80) return FramerEvent::SysexByte;
        // Any other status byte ends the message without its F7; a new F0
        // starts the next one at once.
        if (byte != 0xF0) {
            f.inSysex = false;
            f.pendingShort = StartStatus(f, byte) == FramerEvent::Short;
        }
        return FramerEvent::SysexAborted;
    }
    if (byte == 0xF0) {
        f.inSysex = true;
        f.runningStatus = 0;
        f.have = 0;
        f.needed = 0;
        return FramerEvent::SysexByte;
    }
    if (byte >= 0x80) return StartStatus(f, byte);
    if (f.needed == 0) return FramerEvent::None;  // a data byte with no status: dropped
    if (f.have == 0) f.collecting[0] = f.runningStatus != 0 ? f.runningStatus : f.collecting[0];
    f.collecting[1 + f.have] = byte;
    ++f.have;
    if (f.have == f.needed) return CompleteCollected(f);
    return FramerEvent::None;
}

uint32_t PackShortMessage(const uint8_t* bytes, int length) {
    uint32_t packed = 0;
    for (int i = 0; i < length && i < 3; ++i) packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return packed;
}
