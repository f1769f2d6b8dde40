// The layout of the settings record's stored "Options" block: how the
// bytes read from the store become synthType and midiChannel, and how the
// block to write back is built. Portable: knows nothing of the registry.
//
// Stored values are not trusted. A block of 0 to 2 bytes, a synthesizer
// number above 2 or a channel above 16 can come from another program, an
// older copy or a hand edit; the name tables and the radio button groups
// cover only 0..2 and 0..16, so such values are replaced by 0 (and logged)
// rather than carried into the program.
#include "app/view/settings_block.h"

#include <algorithm>
#include <cstring>

#include "ground/shell.h"

namespace {

uint8_t StoredByte(std::span<const uint8_t> stored, size_t index) {
    return index < stored.size() ? stored[index] : 0;
}

}  // namespace

OptionsReading ReadOptionsBlock(std::span<const uint8_t> stored) {
    OptionsReading reading;
    reading.shortBlock = stored.size() <= kOptionsChannelByte;
    reading.storedSynth = StoredByte(stored, kOptionsSynthByte);
    reading.storedChannel = StoredByte(stored, kOptionsChannelByte);
    if (reading.storedSynth > kLastSynthType) {
        reading.synthReplaced = true;
    } else {
        reading.synthType = reading.storedSynth;
    }
    if (reading.storedChannel > kChannelAuto) {
        reading.channelReplaced = true;
    } else {
        reading.midiChannel = reading.storedChannel;
    }
    return reading;
}

void LogOptionsProblems(const OptionsReading& reading) {
    if (reading.shortBlock) {
        LogPrintf("The stored options are shorter than 3 bytes; missing values read as 0.\n");
    }
    if (reading.synthReplaced) {
        LogPrintf("The stored synthesizer type %u is unknown; using 0 (JX-10).\n",
                  static_cast<unsigned>(reading.storedSynth));
    }
    if (reading.channelReplaced) {
        LogPrintf("The stored MIDI channel setting %u is out of range; using 0 (channel 1).\n",
                  static_cast<unsigned>(reading.storedChannel));
    }
}

size_t OptionsBlockSize(size_t storedSize) { return std::max(storedSize, kOptionsMinSize); }

bool StampOptionsBlock(std::span<uint8_t> block, int32_t synthType, int32_t midiChannel) {
    if (block.size() < kOptionsMinSize) {
        return false;
    }
    // A marker another writer left (any non-zero byte) is kept.
    if (block[kOptionsMarkerByte] == 0) {
        block[kOptionsMarkerByte] = 1;
    }
    block[kOptionsSynthByte] = static_cast<uint8_t>(synthType & 0xFF);
    block[kOptionsChannelByte] = static_cast<uint8_t>(midiChannel & 0xFF);
    return true;
}

bool TakeDeviceName(std::span<const uint8_t> stored, std::span<char, kDeviceNameSize> name) {
    const auto end = std::find(stored.begin(), stored.end(), uint8_t{0});
    const auto length = static_cast<size_t>(end - stored.begin());
    if (length >= kDeviceNameSize) {
        name[0] = '\0';
        return false;
    }
    std::memcpy(name.data(), stored.data(), length);
    name[length] = '\0';
    return true;
}
