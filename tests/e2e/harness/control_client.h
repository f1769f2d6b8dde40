// The Windows side's control connection to the far side: one text command
// per line, one reply line (NAMES replies with lines up to "END").
#pragma once

#include <string>
#include <vector>

namespace e2e {

// Port from VEXA_VMIDI_PORT, 0 when it is not set.
int ConfiguredPort();
bool ControlConnect(int port);
// Sends one command and returns the reply line ("" when the link failed).
std::string ControlCommand(const std::string& line);
// Sends a command whose reply is several lines ended by "END".
std::vector<std::string> ControlLines(const std::string& line);

}  // namespace e2e
