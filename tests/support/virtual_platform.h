// A PlatformOps table for tests whose clock is virtual: sleeping advances
// the clock at once (and records the pause), so paced transfers run in
// milliseconds and every pause can be checked exactly. The wake-up event is
// real (a condition variable), and so is the time a wait on it may block.
#pragma once

#include <cstdint>
#include <vector>

namespace virtual_platform {

// Installs the virtual table with the clock at startMs and no pauses kept.
void Install(uint32_t startMs = 1000);
// Restores the build's default table.
void Uninstall();
uint32_t Now();
void Advance(uint32_t ms);
// Every sleep(ms) with ms > 0, in order, and the clock value when it began.
struct Pause {
    uint32_t startedAt;
    uint32_t ms;
};
std::vector<Pause> Pauses();
void ClearPauses();

}  // namespace virtual_platform
