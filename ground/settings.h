// The user's choices: synthesizer type, MIDI channel and the two MIDI device
// names, as a value. The application loads it, hands a copy to the Options
// dialog and takes it back on OK, saves it, and copies it into the transfer
// job of each command it posts; nothing holds it program-wide.
#pragma once

#include <cstdint>

// The synthesizer setting's numbers, stored as they are in the settings and
// used by the stream decision (bank/bank_stream.h) and the transfers.
inline constexpr int32_t kSynthJx10 = 0;
inline constexpr int32_t kSynthMks70 = 1;
inline constexpr int32_t kSynthJx8p = 2;

inline constexpr int32_t kChannelAuto = 16;
inline constexpr int kDeviceNameSize = 128;

struct AppSettings {
    int32_t synthType = kSynthJx10;
    int32_t midiChannel = 0;  // 0..15 = channels 1..16, 16 = Auto
    char inputDeviceName[kDeviceNameSize] = {};
    char outputDeviceName[kDeviceNameSize] = {};
};

// The channel byte of every System Exclusive message the program builds or
// expects for these settings: the low byte of the channel setting written
// unchanged, so "Auto" (16) travels as 10h. Save As and every transfer
// write it from here.
constexpr uint8_t ChannelByte(const AppSettings& settings) {
    return static_cast<uint8_t>(settings.midiChannel & 0xFF);
}

