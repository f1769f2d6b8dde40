// The virtual MIDI driver's internal interface: one input and one output
// device whose far side is a loopback TCP connection. Loaded by Wine's winmm
// as the audio driver "vtest" (winevtest.drv); only the test prefixes of the
// end-to-end suite ever see it.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <cstdint>

// winmm's export for drivers; mingw-w64's headers do not declare it.
extern "C" BOOL WINAPI DriverCallback(DWORD_PTR callback, DWORD flags, HDRVR device, DWORD message,
                                      DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

#define VMIDI_IN_NAME  L"Vexa Virtual MIDI In"
#define VMIDI_OUT_NAME L"Vexa Virtual MIDI Out"

// MIDI cable speed: 31250 baud, 10 bits per byte.
constexpr int64_t kWireMicrosPerByte = 320;

// Connection to the far side, made at the first open and kept for the life
// of the process. Bytes that arrive are handed to the input device.
bool LinkEnsureConnected();
bool LinkWireRate();
// Sends one message that the program handed over at stampMicros (paced at
// cable speed in wire-rate mode); false when the link is down.
bool LinkSendMidi(int64_t stampMicros, const uint8_t* bytes, size_t length);
// Tells the far side that the program's input listens ('L') or not ('Q').
void LinkSendEvent(uint8_t kind);
// Microseconds on one monotonic clock shared by both directions.
int64_t NowMicros();

// Input and output devices, called from modMessage and midMessage.
DWORD InputMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2);
DWORD OutputMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2);
// Called by the link's reader thread with every byte received.
void InputBytesArrived(const uint8_t* bytes, size_t length);
