// The program's only contact with MIDI hardware: the device lists, opening
// one input and one output device by name for one operation, the input ring
// that the input callback fills, and sending short and long messages.
// Portable: winmm is reached only through the table in winmm_table.h.
#pragma once

#include <cstdint>

#include "midi/winmm_table.h"

// Refreshes both capability arrays and, while the log is open, logs them.
// Returns the number of input plus output devices listed.
int32_t EnumerateMidiDevices();
// Device lists as the last enumeration found them (for the Options dialog).
int32_t MidiInputDeviceCount();
int32_t MidiOutputDeviceCount();
const char* MidiInputDeviceName(int32_t index);   // "" when out of range
const char* MidiOutputDeviceName(int32_t index);  // "" when out of range

// Opens the named devices (a null name skips that direction). kMidiPortsOpen
// when every named device is open; otherwise which one failed, with both
// devices closed again. The caller tells the user.
inline constexpr int32_t kMidiPortsOpen = 1;
inline constexpr int32_t kMidiInputOpenFailed = -1;
inline constexpr int32_t kMidiOutputOpenFailed = -2;
int32_t OpenMidiPorts(const char* inputName, const char* outputName);
// Closes whatever is open; bounded even when a driver never returns a slot.
int32_t CloseMidiPorts();
// Stops, closes and reopens the input on the same device; the ring is empty
// afterwards.
void RestartMidiInput();

// The oldest record's byte length, or 0 when the ring is empty.
int32_t PeekInputMessage();
// Removes the oldest record, copying its bytes to destination (which must
// hold them) or dropping it when destination is null. Returns the length
// copied, 0 when dropped or empty.
int32_t ReadInputMessage(uint8_t* destination);

// Hands one message to the output: length on success, 0 when busy (call
// again), -1 on error (no output, over 2048 bytes, device error).
int32_t SendMidiBytes(const uint8_t* bytes, int32_t length);

// The callbacks given to midiInOpen and midiOutOpen (contract in
// midi_port.cpp). Tests call them directly to drive the ring.
void VEXA_MIDI_CALLBACK MidiInputCallback(MidiInHandle device, uint32_t message, uintptr_t instance,
                                          uintptr_t param1, uintptr_t param2);
void VEXA_MIDI_CALLBACK MidiOutputCallback(MidiOutHandle device, uint32_t message,
                                           uintptr_t instance, uintptr_t param1, uintptr_t param2);

// The header of input slot 0..2 (what the driver hands back as param1 of
// MIM_LONGDATA); nullptr out of range.
MidiHeader* MidiInputSlotHeader(int32_t slot);

// A snapshot of the device layer's state, for tests and diagnostics.
struct MidiPortState {
    bool inputOpen;
    bool outputOpen;
    uint32_t inputRunning;
    uint32_t inputBusy[3];
    uint32_t outputBusy[3];
};
MidiPortState InspectMidiPort();
