// Portable mirrors of the winmm MIDI types the device layer uses, and the one
// table of winmm operations it calls them through. The program installs the
// real winmm (winmm_real.cpp, Windows only); tests install the simulated MIDI
// system. Until something is installed every entry fails cleanly: no devices,
// every open refused. Nothing here includes a platform header.
#pragma once

#include <cstddef>
#include <cstdint>

// winmm calls the MIDI callbacks with the stdcall convention; on 64-bit
// Windows and on the host there is only one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define VEXA_MIDI_CALLBACK __stdcall
#else
#define VEXA_MIDI_CALLBACK
#endif

// Opaque device handles (HMIDIIN, HMIDIOUT).
struct MidiInDevice;
struct MidiOutDevice;
using MidiInHandle = MidiInDevice*;
using MidiOutHandle = MidiOutDevice*;

// MMRESULT.
using MidiResult = uint32_t;

// mmsystem.h declares its structures with 1-byte packing; on 64-bit Windows
// that moves MIDIHDR's lpNext and everything after it. The mirrors pack the
// same way (no difference on 32-bit Windows). Copy a field to a local before
// binding a reference to it.
#pragma pack(push, 1)

// MIDIHDR, field for field: DWORD is 32 bits, DWORD_PTR pointer-sized.
struct MidiHeader {
    char* lpData;
    uint32_t dwBufferLength;
    uint32_t dwBytesRecorded;
    uintptr_t dwUser;
    uint32_t dwFlags;
    MidiHeader* lpNext;
    uintptr_t reserved;
    uint32_t dwOffset;
    uintptr_t dwReserved[8];
};

inline constexpr size_t kCapsNameSize = 32;  // MAXPNAMELEN

// MIDIINCAPSA, 44 bytes.
struct MidiInCaps {
    uint16_t wMid;
    uint16_t wPid;
    uint32_t vDriverVersion;
    char szPname[kCapsNameSize];
    uint32_t dwSupport;
};

// MIDIOUTCAPSA, 52 bytes.
struct MidiOutCaps {
    uint16_t wMid;
    uint16_t wPid;
    uint32_t vDriverVersion;
    char szPname[kCapsNameSize];
    uint16_t wTechnology;
    uint16_t wVoices;
    uint16_t wNotes;
    uint16_t wChannelMask;
    uint32_t dwSupport;
};

#pragma pack(pop)

static_assert(sizeof(MidiInCaps) == 44, "MIDIINCAPSA is 44 bytes");
static_assert(sizeof(MidiOutCaps) == 52, "MIDIOUTCAPSA is 52 bytes");

// The callbacks given to midiInOpen and midiOutOpen (CALLBACK_FUNCTION).
using MidiInProc = void(VEXA_MIDI_CALLBACK*)(MidiInHandle device, uint32_t message,
                                             uintptr_t instance, uintptr_t param1,
                                             uintptr_t param2);
using MidiOutProc = void(VEXA_MIDI_CALLBACK*)(MidiOutHandle device, uint32_t message,
                                              uintptr_t instance, uintptr_t param1,
                                              uintptr_t param2);

// Result codes (mmsystem.h values).
inline constexpr MidiResult kMmNoError = 0;
inline constexpr MidiResult kMmError = 1;
inline constexpr MidiResult kMmBadDeviceId = 2;
inline constexpr MidiResult kMmAllocated = 4;
inline constexpr MidiResult kMmInvalidHandle = 5;
inline constexpr MidiResult kMmNoDriver = 6;
inline constexpr MidiResult kMmNoMemory = 7;
inline constexpr MidiResult kMmInvalidParam = 11;
inline constexpr MidiResult kMidiErrUnprepared = 64;
inline constexpr MidiResult kMidiErrStillPlaying = 65;
inline constexpr MidiResult kMidiErrNotReady = 67;

// Callback messages.
inline constexpr uint32_t kMimOpen = 0x3C1;       // 961
inline constexpr uint32_t kMimClose = 0x3C2;      // 962
inline constexpr uint32_t kMimData = 0x3C3;       // 963
inline constexpr uint32_t kMimLongData = 0x3C4;   // 964
inline constexpr uint32_t kMimError = 0x3C5;      // 965
inline constexpr uint32_t kMimLongError = 0x3C6;  // 966
inline constexpr uint32_t kMimMoreData = 0x3CC;   // 972
inline constexpr uint32_t kMomOpen = 0x3C7;       // 967
inline constexpr uint32_t kMomClose = 0x3C8;      // 968
inline constexpr uint32_t kMomDone = 0x3C9;       // 969

inline constexpr uint32_t kCallbackFunction = 0x30000;

// MIDIHDR dwFlags bits.
inline constexpr uint32_t kMhdrDone = 0x1;
inline constexpr uint32_t kMhdrPrepared = 0x2;
inline constexpr uint32_t kMhdrInQueue = 0x4;

// Every winmm operation the device layer uses. The size arguments are the
// cbMidiInCaps / cbMidiHdr arguments of the real calls.
struct WinmmOps {
    uint32_t (*inGetNumDevs)();
    uint32_t (*outGetNumDevs)();
    MidiResult (*inGetDevCaps)(uintptr_t deviceId, MidiInCaps* caps, uint32_t size);
    MidiResult (*outGetDevCaps)(uintptr_t deviceId, MidiOutCaps* caps, uint32_t size);

    MidiResult (*inOpen)(MidiInHandle* device, uint32_t deviceId, MidiInProc callback,
                         uintptr_t instance, uint32_t flags);
    MidiResult (*inPrepareHeader)(MidiInHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*inUnprepareHeader)(MidiInHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*inAddBuffer)(MidiInHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*inStart)(MidiInHandle device);
    MidiResult (*inReset)(MidiInHandle device);
    MidiResult (*inClose)(MidiInHandle device);

    MidiResult (*outOpen)(MidiOutHandle* device, uint32_t deviceId, MidiOutProc callback,
                          uintptr_t instance, uint32_t flags);
    MidiResult (*outPrepareHeader)(MidiOutHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*outUnprepareHeader)(MidiOutHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*outShortMsg)(MidiOutHandle device, uint32_t message);
    MidiResult (*outLongMsg)(MidiOutHandle device, MidiHeader* header, uint32_t size);
    MidiResult (*outClose)(MidiOutHandle device);
};

// The table in use; the "none" table (every entry fails cleanly) until one is
// installed. Safe to read from the callbacks' threads (the input callback
// re-adds buffers through it). Install before any device is opened; nullptr
// restores the none table.
const WinmmOps& Winmm();
void SetWinmm(const WinmmOps* ops);

#if defined(_WIN32)
// The real winmm (winmm_real.cpp, in vexa_winmm). The program installs it at
// start-up: SetWinmm(&RealWinmm()).
const WinmmOps& RealWinmm();
#endif
