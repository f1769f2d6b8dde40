// The device-list half of midi/midi_port.h over a list the test sets. Only
// the dialog tests link it; they do not link the MIDI layer.
#include "tests/app/win32/fake_midi_devices.h"

#include <cstdint>

#include "midi/midi_port.h"

namespace {

std::vector<std::string> inputDevices;
std::vector<std::string> outputDevices;
int enumerations = 0;

const char* NameAt(const std::vector<std::string>& list, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[index].c_str() : "";
}

}  // namespace

namespace fake_midi {

void SetDevices(std::vector<std::string> inputs, std::vector<std::string> outputs) {
    inputDevices = std::move(inputs);
    outputDevices = std::move(outputs);
    enumerations = 0;
}

int EnumerationCount() { return enumerations; }

}  // namespace fake_midi

int32_t EnumerateMidiDevices() {
    ++enumerations;
    return static_cast<int32_t>(inputDevices.size() + outputDevices.size());
}
int32_t MidiInputDeviceCount() { return static_cast<int32_t>(inputDevices.size()); }
int32_t MidiOutputDeviceCount() { return static_cast<int32_t>(outputDevices.size()); }
const char* MidiInputDeviceName(int32_t index) { return NameAt(inputDevices, index); }
const char* MidiOutputDeviceName(int32_t index) { return NameAt(outputDevices, index); }
