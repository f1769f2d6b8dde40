// The stored form of the settings, without the store: the layout and checks
// of the "Options" block (marker, synthesizer, channel, bytes kept as found)
// and the reading of a stored device name into a terminated text. The
// registry code hands bytes in and writes bytes out; every decision about
// what those bytes mean is made here. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ground/settings.h"

// Byte 0 marker, byte 1 synthType, byte 2 midiChannel, byte 3 and beyond
// kept as found. Blocks shorter than this are read and written as if padded
// with zero bytes up to it.
inline constexpr size_t kOptionsMinSize = 4;
inline constexpr size_t kOptionsMarkerByte = 0;
inline constexpr size_t kOptionsSynthByte = 1;
inline constexpr size_t kOptionsChannelByte = 2;
inline constexpr int32_t kLastSynthType = kSynthJx8p;

// What a stored block says once checked. A value the program cannot use
// (a synthesizer above 2, a channel above 16) is replaced by 0 and flagged;
// storedSynth and storedChannel keep what was found, for the log.
struct OptionsReading {
    int32_t synthType = kSynthJx10;
    int32_t midiChannel = 0;
    uint8_t storedSynth = 0;
    uint8_t storedChannel = 0;
    bool shortBlock = false;  // fewer than 3 bytes: missing bytes read as 0
    bool synthReplaced = false;
    bool channelReplaced = false;
};

OptionsReading ReadOptionsBlock(std::span<const uint8_t> stored);

// Logs one line for each problem ReadOptionsBlock found (nothing when none).
void LogOptionsProblems(const OptionsReading& reading);

// Size of the block to write back over a stored value of storedSize bytes
// (0 when there is none): never less than kOptionsMinSize.
size_t OptionsBlockSize(size_t storedSize);

// Fills in a block that holds the stored value (zero-padded to its size):
// sets the marker to 1 only when it is 0 and puts the low 8 bits of the two
// settings into bytes 1 and 2; every other byte stays. False, and nothing
// written, when the block is shorter than kOptionsMinSize.
bool StampOptionsBlock(std::span<uint8_t> block, int32_t synthType, int32_t midiChannel);

// Turns the bytes a device-name read produced into a terminated name. The
// text ends at the first zero byte or at the end of the bytes; it fits when
// it has at most kDeviceNameSize - 1 characters. A name that does not fit
// leaves name empty and gives false.
bool TakeDeviceName(std::span<const uint8_t> stored, std::span<char, kDeviceNameSize> name);
