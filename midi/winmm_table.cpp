// The installed winmm table and the "none" table that stands in until the
// program or a test installs one: it reports no devices and refuses every
// call, so no caller has to test for a missing table.
#include "midi/winmm_table.h"

#include <atomic>

namespace {

uint32_t NoDevices() { return 0; }

MidiResult NoInCaps(uintptr_t, MidiInCaps*, uint32_t) { return kMmBadDeviceId; }
MidiResult NoOutCaps(uintptr_t, MidiOutCaps*, uint32_t) { return kMmBadDeviceId; }

MidiResult NoInOpen(MidiInHandle* device, uint32_t, MidiInProc, uintptr_t, uint32_t) {
    if (device) *device = nullptr;
    return kMmNoDriver;
}
MidiResult NoOutOpen(MidiOutHandle* device, uint32_t, MidiOutProc, uintptr_t, uint32_t) {
    if (device) *device = nullptr;
    return kMmNoDriver;
}

MidiResult NoInHeader(MidiInHandle, MidiHeader*, uint32_t) { return kMmInvalidHandle; }
MidiResult NoInCall(MidiInHandle) { return kMmInvalidHandle; }
MidiResult NoOutHeader(MidiOutHandle, MidiHeader*, uint32_t) { return kMmInvalidHandle; }
MidiResult NoOutShort(MidiOutHandle, uint32_t) { return kMmInvalidHandle; }
MidiResult NoOutCall(MidiOutHandle) { return kMmInvalidHandle; }

constexpr WinmmOps kNoneTable = {
    NoDevices,   NoDevices,   NoInCaps,   NoOutCaps,   NoInOpen,  NoInHeader,
    NoInHeader,  NoInHeader,  NoInCall,   NoInCall,    NoInCall,  NoOutOpen,
    NoOutHeader, NoOutHeader, NoOutShort, NoOutHeader, NoOutCall,
};

// Written at start-up or by a test before any device is open; read by the
// worker and by the input callback (which re-adds buffers through it).
std::atomic<const WinmmOps*> installed{&kNoneTable};

}  // namespace

const WinmmOps& Winmm() { return *installed.load(std::memory_order_acquire); }

void SetWinmm(const WinmmOps* ops) {
    installed.store(ops ? ops : &kNoneTable, std::memory_order_release);
}
