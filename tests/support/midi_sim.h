// A simulated MIDI system for tests: it fills the winmm table with named
// devices and a far side that a test or a scripted synthesizer reads and
// writes. It behaves like a winmm driver where the program can tell:
// callbacks come from the simulator's own thread; an input slot comes back
// holding at most the dwBufferLength the program offered, so a 263-byte
// System Exclusive message arrives as 262 + 1; a long message sends exactly
// dwBufferLength bytes; MIM_OPEN and MIM_CLOSE arrive during the open and
// close; unprepare and close refuse while a buffer is still queued. Faults
// can be injected per call. Builds for the host and for Windows.
//
// midiInOpen, midiInReset and midiInClose return only after the callbacks
// they cause have been delivered (as most drivers do), and an unprepare or
// close first lets every MOM_DONE that is due arrive: so a program with a
// working driver never has to poll in its teardown. Delays are real time
// (std::chrono::steady_clock), independent of the installed PlatformOps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/winmm_table.h"

namespace midi_sim {

// Installs the simulator as the winmm table: no devices, no faults, nothing
// recorded, no listener, and starts its thread. Uninstall stops the thread,
// forgets every device and restores the none table. Install while nothing
// of the program's MIDI is open.
void Install();
void Uninstall();
// The same without a thread of its own, for a single-threaded caller (the
// fuzz target): the callbacks that the program's winmm calls cause are made
// at once on the calling thread, and queued input and due MOM_DONEs when
// the caller runs RunPending. Only the installing thread may use it.
void InstallDriven();
void RunPending();
// Drops the records of closed devices, which are otherwise kept for the
// whole installation (a stale handle keeps failing). For a caller that
// opens and closes the devices very many times; no handle of a closed
// device may be used afterwards.
void ForgetClosedDevices();

// The devices the system reports, in device-index order. Names longer than
// 31 characters are cut as a driver would.
void SetInputDevices(const std::vector<std::string>& names);
void SetOutputDevices(const std::vector<std::string>& names);

// The winmm calls, for fault injection and call counts.
enum class Call {
    InGetCaps,
    OutGetCaps,
    InOpen,
    InPrepare,
    InAddBuffer,
    InStart,
    InReset,
    InUnprepare,
    InClose,
    OutOpen,
    OutPrepare,
    OutShortMsg,
    OutLongMsg,
    OutUnprepare,
    OutClose,
};
inline constexpr int kAlways = -1;
// After letting `skip` calls of `call` through, the next `times` calls
// (kAlways: every one) return `result` and do nothing else. Injections for
// the same call queue up in the order given.
void InjectResult(Call call, MidiResult result, int times = 1, int skip = 0);
void ClearInjections();
// How often the program has made the call since Install.
uint32_t CallCount(Call call);

// Output side. MOM_DONE for a long message follows `ms` after the hand-over
// (default 0). While held, no MOM_DONE is delivered; releasing lets every
// held one follow at once (in order).
void SetOutputDoneDelay(uint32_t ms);
void HoldOutputDone(bool hold);

// Input driver faults. Never returning: reset and close keep every queued
// slot (an interface unplugged mid-transfer); unprepare and close then keep
// answering MIDIERR_STILLPLAYING. Over-reporting: every returned slot claims
// `extra` more recorded bytes than it holds (beyond dwBufferLength).
void SetInputNeverReturns(bool never);
void SetInputOverReport(uint32_t extra);

// The far side: what the program sent.
struct SentMessage {
    std::vector<uint8_t> bytes;
    uint32_t sentAt;  // NowMilliseconds() when the program handed it over
};
// Called with every whole message the program sends (short or long), on the
// program's own thread inside midiOutShortMsg / midiOutLongMsg, before the
// call returns. It may queue input (QueueInput) but must not call into the
// program. Pass nullptr to remove it.
using SendListener = std::function<void(const uint8_t* bytes, size_t length, uint32_t sentAt)>;
void SetSendListener(SendListener listener);
std::vector<SentMessage> SentMessages();
void ClearSentMessages();

// The far side: what the program receives. From any thread. The bytes are
// a MIDI stream (running status allowed): System Exclusive data is split
// into the program's queued slots as a driver does (a slot comes back when
// it is full or holds the F7; a status byte or a new F0 cuts an unfinished
// message and returns it as MIM_LONGERROR), real-time bytes and short
// messages come as MIM_DATA. Bytes that find no queued slot, or arrive
// while the input is not started, are lost (and counted). Delivery happens
// on the simulator's thread, in order.
void QueueInput(const uint8_t* bytes, size_t length);
void QueueInput(const std::vector<uint8_t>& bytes);
// Delivers one MIM_DATA with exactly this param1 (any status byte at all).
void QueueShortMessage(uint32_t packed);
// True once everything queued so far has been delivered (or lost).
bool WaitInputDelivered(uint32_t timeoutMs = 5000);
size_t LostInputBytes();

// True while the program's input is open, started and has a slot queued:
// a scripted synthesizer waits for this before it dumps.
bool InputListening();
bool WaitUntilListening(uint32_t timeoutMs = 5000);
// midiInStart calls that succeeded since Install (one per open or restart).
uint32_t InputStartCount();
bool WaitForInputStarts(uint32_t count, uint32_t timeoutMs = 5000);

// What the program holds: devices it opened and has not closed, the device
// index of its last successful open (-1 if none), slots queued with the
// input, and long messages not yet done.
int OpenInputDevices();
int OpenOutputDevices();
int LastOpenedInputIndex();
int LastOpenedOutputIndex();
int QueuedInputSlots();
int PendingOutputMessages();

}  // namespace midi_sim
