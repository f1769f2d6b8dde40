// A device list for the Options dialog tests, in place of the MIDI layer's
// enumeration: the tests say which input and output devices are present.
#pragma once

#include <string>
#include <vector>

namespace fake_midi {

void SetDevices(std::vector<std::string> inputs, std::vector<std::string> outputs);
int EnumerationCount();

}  // namespace fake_midi
