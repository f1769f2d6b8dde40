// The settings half of the transfer test rig, kept apart from the simulated
// MIDI system's headers.
#include <cstdio>

#include "ground/settings.h"
#include "tests/transfer/transfer_fixture.h"

void SetTransferSettings(int32_t synthType, int32_t channel, const char* input,
                         const char* output) {
    appSettings = AppSettings{};
    appSettings.synthType = synthType;
    appSettings.midiChannel = channel;
    std::snprintf(appSettings.inputDeviceName, sizeof appSettings.inputDeviceName, "%s", input);
    std::snprintf(appSettings.outputDeviceName, sizeof appSettings.outputDeviceName, "%s", output);
}
