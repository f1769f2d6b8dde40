// The user's choices: synthesizer type, MIDI channel and the two MIDI device
// names. Changed only by the Options dialog's OK on the UI thread while the
// worker is idle; the worker reads them inside an operation, after taking
// its command (the mailbox's release/acquire orders the two).
#pragma once

#include <cstdint>

#include "bank/bank_stream.h"  // kSynthJx10, kSynthMks70, kSynthJx8p

inline constexpr int32_t kChannelAuto = 16;
inline constexpr int kDeviceNameSize = 128;

struct AppSettings {
    int32_t synthType = kSynthJx10;
    int32_t midiChannel = 0;  // 0..15 = channels 1..16, 16 = Auto
    char inputDeviceName[kDeviceNameSize] = {};
    char outputDeviceName[kDeviceNameSize] = {};
};

extern AppSettings appSettings;
