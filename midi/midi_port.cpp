// MidiPort: the device lists, opening and closing one input and one output
// device by name, the two winmm callbacks, and sending short and long
// messages. Reaches winmm only through the table of winmm_table.h and the
// kernel only through PlatformOps; knows nothing of synthesizers.
#include "midi/midi_port.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "ground/messages.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "midi/input_ring.h"

namespace {

// How long teardown waits for a driver: for input slots to come back after
// a reset, and for an unprepare or close to stop answering "still playing".
// A working driver needs milliseconds (three messages on the wire take about
// a quarter of a second); one that never answers (an interface unplugged
// mid-transfer) must not keep Stop and Exit from working.
constexpr uint32_t kTeardownWaitMs = 1000;

constexpr uint32_t kHeaderSize = sizeof(MidiHeader);

void ShowDeviceFailure(uintptr_t ownerWindow, MessageId message) {
    ShowMessageBox(ownerWindow, BoxMessageFor(message).text, MessageCaption(message),
                   kMbOk | kMbIconError);
}

// Threads: the worker owns every field except these three families of flags,
// which the callbacks also write: inputBusy (set by the worker when a slot
// is lent, cleared by the input callback when it comes back for good),
// inputRunning (written by the worker, read by the input callback) and
// outputBusy (set by the worker before midiOutLongMsg, cleared by the output
// callback). The prepared flags are the worker's own record of which headers
// winmm holds as prepared, so teardown undoes exactly what was done.
struct MidiPort {
    // The input headers name their slots from the start, so a header handed
    // to the callback is always one of ours whole (tests drive the callback
    // without a device).
    MidiPort() {
        for (uint32_t i = 0; i < kInputSlotCount; ++i) {
            inputHeaders[i].lpData = reinterpret_cast<char*>(inputBuffers[i]);
            inputHeaders[i].dwBufferLength = kInputSlotOffer;
            inputHeaders[i].dwUser = i;
        }
    }

    MidiInCaps* inputDeviceCaps = nullptr;
    uint32_t inputDeviceCount = 0;
    MidiOutCaps* outputDeviceCaps = nullptr;
    uint32_t outputDeviceCount = 0;

    MidiInHandle inputDevice = nullptr;
    uint32_t inputDeviceIndex = 0;
    MidiOutHandle outputDevice = nullptr;

    alignas(4) uint8_t inputBuffers[kInputSlotCount][kInputSlotSize] = {};
    MidiHeader inputHeaders[kInputSlotCount] = {};
    bool inputPrepared[kInputSlotCount] = {};
    std::atomic<uint32_t> inputBusy[kInputSlotCount] = {};
    std::atomic<uint32_t> inputRunning{0};

    alignas(4) uint8_t outputBuffers[kOutputBufferCount][kOutputBufferSize] = {};
    MidiHeader outputHeaders[kOutputBufferCount] = {};
    bool outputPrepared[kOutputBufferCount] = {};
    std::atomic<uint32_t> outputBusy[kOutputBufferCount] = {};
};

MidiPort port;

int32_t InputSlotOf(uintptr_t header) {
    for (uint32_t i = 0; i < kInputSlotCount; ++i)
        if (header == reinterpret_cast<uintptr_t>(&port.inputHeaders[i]))
            return static_cast<int32_t>(i);
    return -1;
}

int32_t OutputBufferOf(uintptr_t header) {
    for (uint32_t i = 0; i < kOutputBufferCount; ++i)
        if (header == reinterpret_cast<uintptr_t>(&port.outputHeaders[i]))
            return static_cast<int32_t>(i);
    return -1;
}

// Capability arrays.

template <typename Caps>
bool ResizeCaps(Caps*& array, uint32_t& count, uint32_t wanted, const char* side) {
    if (wanted != count || (wanted > 0 && array == nullptr)) {
        std::free(array);
        array = nullptr;
        count = 0;
        if (wanted > 0) {
            array = static_cast<Caps*>(std::malloc(sizeof(Caps) * wanted));
            if (array == nullptr) {
                LogPrintf("Out of memory listing %u MIDI %s devices.\n", wanted, side);
                return false;
            }
        }
        count = wanted;
    }
    if (count > 0) std::memset(array, 0, sizeof(Caps) * count);
    return true;
}

template <typename Caps>
void FillCaps(Caps* array, uint32_t count, MidiResult (*getCaps)(uintptr_t, Caps*, uint32_t)) {
    for (uint32_t i = 0; i < count; ++i) {
        if (getCaps(i, &array[i], sizeof(Caps)) != kMmNoError)
            std::memset(&array[i], 0, sizeof(Caps));
        // A driver's name is trusted no further than the record's size.
        array[i].szPname[kCapsNameSize - 1] = '\0';
    }
}

// The first device, in index order, whose name equals `name` byte for byte.
// An empty name (nothing chosen yet) matches nothing, not even a device whose
// capability record could not be read.
template <typename Caps>
int32_t FindDevice(const Caps* array, uint32_t count, const char* name) {
    if (name == nullptr || name[0] == '\0') return -1;
    for (uint32_t i = 0; i < count; ++i)
        if (std::strcmp(array[i].szPname, name) == 0) return static_cast<int32_t>(i);
    return -1;
}

// Teardown helpers.

template <typename Call>
MidiResult RetryWhileStillPlaying(Call call) {
    const uint32_t start = NowMilliseconds();
    for (;;) {
        const MidiResult result = call();
        if (result != kMidiErrStillPlaying) return result;
        if (NowMilliseconds() - start >= kTeardownWaitMs) return result;
        SleepMilliseconds(1);
    }
}

// Unprepare, retrying while still playing: a buffer still being sent or
// still with the input device is waited for, within the teardown bound.
template <typename Handle>
MidiResult UnprepareWhileStillPlaying(MidiResult (*unprepare)(Handle, MidiHeader*, uint32_t),
                                      Handle device, MidiHeader* header) {
    return RetryWhileStillPlaying([&] { return unprepare(device, header, kHeaderSize); });
}

bool AllInputSlotsBack() {
    for (auto& busy : port.inputBusy)
        if (busy.load(std::memory_order_acquire) != 0) return false;
    return true;
}

bool WaitForInputSlots() {
    const uint32_t start = NowMilliseconds();
    while (!AllInputSlotsBack()) {
        if (NowMilliseconds() - start >= kTeardownWaitMs) return false;
        SleepMilliseconds(1);
    }
    return true;
}

// Stops and closes the input, whatever state the open or a driver left it
// in. Every step is guarded by its own state and none returns early, so the
// input always ends closed with every flag at 0. False when the driver kept
// input buffers it was lent: it may still write into them.
bool ShutInput() {
    if (port.inputDevice == nullptr) return true;
    const WinmmOps& mm = Winmm();
    MidiInHandle device = port.inputDevice;
    // Cleared before the reset, so every slot the reset returns is marked
    // returned instead of being lent again.
    port.inputRunning.store(0, std::memory_order_release);
    if (mm.inReset(device) != kMmNoError) LogPrintf("MIDI input reset failed.\n");
    bool slotsBack = WaitForInputSlots();
    if (!slotsBack) {
        (void)mm.inReset(device);  // one more try; the wait below tells
        slotsBack = WaitForInputSlots();
        if (!slotsBack)
            LogPrintf("MIDI input: the driver kept its buffers; closing without them.\n");
    }
    for (uint32_t i = 0; i < kInputSlotCount; ++i) {
        if (port.inputPrepared[i]) {
            const MidiResult result =
                UnprepareWhileStillPlaying(mm.inUnprepareHeader, device, &port.inputHeaders[i]);
            if (result != kMmNoError)
                LogPrintf("MIDI input buffer %u could not be released (error %u).\n", i, result);
            port.inputPrepared[i] = false;
        }
        port.inputBusy[i].store(0, std::memory_order_release);
    }
    const MidiResult closed = mm.inClose(device);
    if (closed != kMmNoError) LogPrintf("MIDI input close failed (error %u).\n", closed);
    port.inputDevice = nullptr;
    return slotsBack;
}

void ShutOutput() {
    if (port.outputDevice == nullptr) return;
    const WinmmOps& mm = Winmm();
    MidiOutHandle device = port.outputDevice;
    // No output reset: messages already queued go out to the end first.
    for (uint32_t i = 0; i < kOutputBufferCount; ++i) {
        if (port.outputPrepared[i]) {
            const MidiResult result =
                UnprepareWhileStillPlaying(mm.outUnprepareHeader, device, &port.outputHeaders[i]);
            if (result != kMmNoError)
                LogPrintf("MIDI output buffer %u could not be released (error %u).\n", i, result);
            port.outputPrepared[i] = false;
        }
        port.outputBusy[i].store(0, std::memory_order_release);
    }
    const MidiResult closed = RetryWhileStillPlaying([&] { return mm.outClose(device); });
    if (closed != kMmNoError) LogPrintf("MIDI output close failed (error %u).\n", closed);
    port.outputDevice = nullptr;
}

// Lends the three slots to a freshly opened input and starts it. False when
// any step failed; what did succeed is recorded for ShutInput.
bool StartInput(MidiInHandle device) {
    const WinmmOps& mm = Winmm();
    port.inputRunning.store(1, std::memory_order_release);
    for (uint32_t i = 0; i < kInputSlotCount; ++i) {
        MidiHeader& header = port.inputHeaders[i];
        header = MidiHeader{};
        header.lpData = reinterpret_cast<char*>(port.inputBuffers[i]);
        header.dwBufferLength = kInputSlotOffer;
        header.dwUser = i;
        if (mm.inPrepareHeader(device, &header, kHeaderSize) != kMmNoError) return false;
        port.inputPrepared[i] = true;
        // Set before the add and taken back if it fails: the slot is busy
        // exactly while the device holds it.
        port.inputBusy[i].store(1, std::memory_order_release);
        if (mm.inAddBuffer(device, &header, kHeaderSize) != kMmNoError) {
            port.inputBusy[i].store(0, std::memory_order_release);
            return false;
        }
    }
    return mm.inStart(device) == kMmNoError;
}

bool OpenInput(int32_t index) {
    MidiInHandle device = nullptr;
    const MidiResult result = Winmm().inOpen(&device, static_cast<uint32_t>(index),
                                             MidiInputCallback, 0, kCallbackFunction);
    if (result != kMmNoError || device == nullptr) return false;
    port.inputDevice = device;
    return StartInput(device);
}

bool OpenOutput(int32_t index) {
    const WinmmOps& mm = Winmm();
    MidiOutHandle device = nullptr;
    const MidiResult result =
        mm.outOpen(&device, static_cast<uint32_t>(index), MidiOutputCallback, 0, kCallbackFunction);
    if (result != kMmNoError || device == nullptr) return false;
    port.outputDevice = device;
    for (uint32_t i = 0; i < kOutputBufferCount; ++i) {
        MidiHeader& header = port.outputHeaders[i];
        header = MidiHeader{};
        header.lpData = reinterpret_cast<char*>(port.outputBuffers[i]);
        header.dwBufferLength = kOutputBufferSize;
        header.dwUser = i;
        port.outputBusy[i].store(0, std::memory_order_release);
        if (mm.outPrepareHeader(device, &header, kHeaderSize) != kMmNoError) return false;
        port.outputPrepared[i] = true;
    }
    return true;
}

int32_t SendShort(const uint8_t* bytes, int32_t length) {
    uint32_t packed = 0;
    for (int32_t i = 0; i < length; ++i) packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    const MidiResult result = Winmm().outShortMsg(port.outputDevice, packed);
    if (result == kMmNoError) return length;
    return result == kMidiErrNotReady ? 0 : -1;
}

// winmm drivers send dwBufferLength bytes, not dwBytesRecorded, so each
// long message is prepared with exactly its own length; the header is
// unprepared when the buffer is next taken (or at close), after its done.
int32_t SendLong(const uint8_t* bytes, int32_t length) {
    const WinmmOps& mm = Winmm();
    MidiOutHandle device = port.outputDevice;
    int32_t chosen = -1;
    for (uint32_t i = 0; i < kOutputBufferCount; ++i) {
        if (port.outputBusy[i].load(std::memory_order_acquire) == 0) {
            chosen = static_cast<int32_t>(i);
            break;
        }
    }
    if (chosen < 0) return 0;
    const uint32_t b = static_cast<uint32_t>(chosen);
    MidiHeader& header = port.outputHeaders[b];
    if (port.outputPrepared[b]) {
        const MidiResult result = mm.outUnprepareHeader(device, &header, kHeaderSize);
        if (result == kMidiErrStillPlaying) return 0;
        if (result != kMmNoError) return -1;
        port.outputPrepared[b] = false;
    }
    std::memcpy(port.outputBuffers[b], bytes, static_cast<size_t>(length));
    header = MidiHeader{};
    header.lpData = reinterpret_cast<char*>(port.outputBuffers[b]);
    header.dwBufferLength = static_cast<uint32_t>(length);
    header.dwBytesRecorded = static_cast<uint32_t>(length);
    header.dwUser = b;
    if (mm.outPrepareHeader(device, &header, kHeaderSize) != kMmNoError) return -1;
    port.outputPrepared[b] = true;
    // Set before the call: the done notification may arrive before it returns.
    port.outputBusy[b].store(1, std::memory_order_release);
    const MidiResult result = mm.outLongMsg(device, &header, kHeaderSize);
    if (result == kMmNoError) return length;
    port.outputBusy[b].store(0, std::memory_order_release);
    return result == kMidiErrNotReady ? 0 : -1;
}

}  // namespace

int32_t EnumerateMidiDevices() {
    const WinmmOps& mm = Winmm();
    if (ResizeCaps(port.inputDeviceCaps, port.inputDeviceCount, mm.inGetNumDevs(), "input"))
        FillCaps(port.inputDeviceCaps, port.inputDeviceCount, mm.inGetDevCaps);
    if (ResizeCaps(port.outputDeviceCaps, port.outputDeviceCount, mm.outGetNumDevs(), "output"))
        FillCaps(port.outputDeviceCaps, port.outputDeviceCount, mm.outGetDevCaps);
    if (IsLogWindowOpen()) {
        LogPrintf("Input Devices ...\n");
        for (uint32_t i = 0; i < port.inputDeviceCount; ++i)
            LogPrintf(" %s\n", port.inputDeviceCaps[i].szPname);
        LogPrintf("\n");
        LogPrintf("Output Devices ...\n");
        for (uint32_t i = 0; i < port.outputDeviceCount; ++i)
            LogPrintf(" %s\n", port.outputDeviceCaps[i].szPname);
        LogPrintf("\n");
    }
    return static_cast<int32_t>(port.inputDeviceCount + port.outputDeviceCount);
}

int32_t MidiInputDeviceCount() { return static_cast<int32_t>(port.inputDeviceCount); }
int32_t MidiOutputDeviceCount() { return static_cast<int32_t>(port.outputDeviceCount); }

const char* MidiInputDeviceName(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= port.inputDeviceCount) return "";
    return port.inputDeviceCaps[index].szPname;
}

const char* MidiOutputDeviceName(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= port.outputDeviceCount) return "";
    return port.outputDeviceCaps[index].szPname;
}

int32_t OpenMidiPorts(uintptr_t ownerWindow, const char* inputName, const char* outputName) {
    CloseMidiPorts();
    EnumerateMidiDevices();
    if (inputName != nullptr) {
        const int32_t index = FindDevice(port.inputDeviceCaps, port.inputDeviceCount, inputName);
        bool opened = false;
        if (index >= 0) {
            port.inputDeviceIndex = static_cast<uint32_t>(index);
            opened = OpenInput(index);
        }
        if (!opened) {
            ShowDeviceFailure(ownerWindow, MessageId::MidiInputFailed);
            CloseMidiPorts();
            return 0;
        }
    }
    if (outputName != nullptr) {
        const int32_t index = FindDevice(port.outputDeviceCaps, port.outputDeviceCount, outputName);
        const bool opened = index >= 0 && OpenOutput(index);
        if (!opened) {
            ShowDeviceFailure(ownerWindow, MessageId::MidiOutputFailed);
            CloseMidiPorts();
            return 0;
        }
    }
    return 1;
}

int32_t CloseMidiPorts() {
    ShutInput();
    ShutOutput();
    return 1;
}

// Everything pending on the input, the ring included (MIM_CLOSE and MIM_OPEN
// empty it), is discarded. A failed reopen leaves the input closed; the
// waiting operation then ends only through cancellation or quit. So does a
// driver that kept the input buffers: lending them to a new open would let
// two devices write into the same memory.
void RestartMidiInput() {
    if (port.inputDevice == nullptr) return;
    if (!ShutInput() || !OpenInput(static_cast<int32_t>(port.inputDeviceIndex))) {
        LogPrintf("MIDI input could not be reopened.\n");
        ShutInput();
    }
}

int32_t SendMidiBytes(const uint8_t* bytes, int32_t length) {
    if (port.outputDevice == nullptr) return -1;
    if (length < 0 || length > static_cast<int32_t>(kOutputBufferSize)) return -1;
    if (length == 0) return 0;
    if (bytes == nullptr) return -1;
    if (length <= 3) return SendShort(bytes, length);
    return SendLong(bytes, length);
}

// The input callback's contract. It runs on a thread of the multimedia
// system, concurrently with the worker. It may write ring words, then the
// write index (release), then the busy flags, in that order; it may lend a
// returned slot to the device again, but only while inputRunning is 1; and
// it signals the worker's wake event after publishing a record. It never
// allocates, logs, waits, sends a window message or takes a lock. Lending
// the slot again from inside the callback is a deliberate choice, made by
// every major MIDI library, although Microsoft's documentation discourages
// multimedia calls there: it keeps a slot with the device during a dump.
// A header that is not one of ours is ignored, and the driver's byte count
// is trusted no further than the 262 bytes the slot offered.
void VEXA_MIDI_CALLBACK MidiInputCallback(MidiInHandle device, uint32_t message,
                                          uintptr_t /*instance*/, uintptr_t param1,
                                          uintptr_t param2) {
    switch (message) {
    case kMimOpen:
    case kMimClose: RingReset(); return;
    case kMimData:
    case kMimMoreData:
        if (RingStoreShort(static_cast<uint32_t>(param1), static_cast<uint32_t>(param2)))
            Platform().signalWakeEvent();
        return;
    case kMimLongData:
    case kMimLongError: {
        const int32_t slot = InputSlotOf(param1);
        if (slot < 0) return;
        MidiHeader& header = port.inputHeaders[slot];
        const uint32_t reported = header.dwBytesRecorded;
        const uint32_t recorded = std::min(reported, kInputSlotOffer);
        if (RingStoreLong(port.inputBuffers[slot], recorded, static_cast<uint32_t>(param2)))
            Platform().signalWakeEvent();
        bool lent = false;
        if (port.inputRunning.load(std::memory_order_acquire) == 1)
            lent = Winmm().inAddBuffer(device, &header, kHeaderSize) == kMmNoError;
        if (!lent) port.inputBusy[slot].store(0, std::memory_order_release);
        return;
    }
    default: return;
    }
}

// The output callback: MOM_DONE frees the buffer and wakes the worker, which
// may be waiting for a free buffer. Same rules as the input callback.
void VEXA_MIDI_CALLBACK MidiOutputCallback(MidiOutHandle /*device*/, uint32_t message,
                                           uintptr_t /*instance*/, uintptr_t param1,
                                           uintptr_t /*param2*/) {
    if (message != kMomDone) return;
    const int32_t buffer = OutputBufferOf(param1);
    if (buffer < 0) return;
    port.outputBusy[buffer].store(0, std::memory_order_release);
    Platform().signalWakeEvent();
}

MidiHeader* MidiInputSlotHeader(int32_t slot) {
    if (slot < 0 || static_cast<uint32_t>(slot) >= kInputSlotCount) return nullptr;
    return &port.inputHeaders[slot];
}

MidiPortState InspectMidiPort() {
    MidiPortState state{};
    state.inputOpen = port.inputDevice != nullptr;
    state.outputOpen = port.outputDevice != nullptr;
    state.inputRunning = port.inputRunning.load(std::memory_order_acquire);
    for (uint32_t i = 0; i < kInputSlotCount; ++i)
        state.inputBusy[i] = port.inputBusy[i].load(std::memory_order_acquire);
    for (uint32_t i = 0; i < kOutputBufferCount; ++i)
        state.outputBusy[i] = port.outputBusy[i].load(std::memory_order_acquire);
    return state;
}
