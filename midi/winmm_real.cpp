// The winmm table filled from the real winmm (ANSI variants). The only file
// in the program that includes mmsystem.h; it checks here that the portable
// mirrors of winmm_table.h match the real structures field for field, so
// the device layer can hand its headers and capability records straight to
// winmm. Knows nothing of what the device layer does with them.
#include <windows.h>
#include <mmsystem.h>

#include <cstddef>

#include "midi/winmm_table.h"

static_assert(sizeof(MidiHeader) == sizeof(MIDIHDR));
static_assert(offsetof(MidiHeader, lpData) == offsetof(MIDIHDR, lpData));
static_assert(offsetof(MidiHeader, dwBufferLength) == offsetof(MIDIHDR, dwBufferLength));
static_assert(offsetof(MidiHeader, dwBytesRecorded) == offsetof(MIDIHDR, dwBytesRecorded));
static_assert(offsetof(MidiHeader, dwUser) == offsetof(MIDIHDR, dwUser));
static_assert(offsetof(MidiHeader, dwFlags) == offsetof(MIDIHDR, dwFlags));
static_assert(offsetof(MidiHeader, lpNext) == offsetof(MIDIHDR, lpNext));
static_assert(offsetof(MidiHeader, reserved) == offsetof(MIDIHDR, reserved));
static_assert(offsetof(MidiHeader, dwOffset) == offsetof(MIDIHDR, dwOffset));
static_assert(offsetof(MidiHeader, dwReserved) == offsetof(MIDIHDR, dwReserved));

static_assert(sizeof(MidiInCaps) == sizeof(MIDIINCAPSA));
static_assert(offsetof(MidiInCaps, wMid) == offsetof(MIDIINCAPSA, wMid));
static_assert(offsetof(MidiInCaps, wPid) == offsetof(MIDIINCAPSA, wPid));
static_assert(offsetof(MidiInCaps, vDriverVersion) == offsetof(MIDIINCAPSA, vDriverVersion));
static_assert(offsetof(MidiInCaps, szPname) == offsetof(MIDIINCAPSA, szPname));
static_assert(offsetof(MidiInCaps, dwSupport) == offsetof(MIDIINCAPSA, dwSupport));
static_assert(kCapsNameSize == MAXPNAMELEN);

static_assert(sizeof(MidiOutCaps) == sizeof(MIDIOUTCAPSA));
static_assert(offsetof(MidiOutCaps, wMid) == offsetof(MIDIOUTCAPSA, wMid));
static_assert(offsetof(MidiOutCaps, wPid) == offsetof(MIDIOUTCAPSA, wPid));
static_assert(offsetof(MidiOutCaps, vDriverVersion) == offsetof(MIDIOUTCAPSA, vDriverVersion));
static_assert(offsetof(MidiOutCaps, szPname) == offsetof(MIDIOUTCAPSA, szPname));
static_assert(offsetof(MidiOutCaps, wTechnology) == offsetof(MIDIOUTCAPSA, wTechnology));
static_assert(offsetof(MidiOutCaps, wVoices) == offsetof(MIDIOUTCAPSA, wVoices));
static_assert(offsetof(MidiOutCaps, wNotes) == offsetof(MIDIOUTCAPSA, wNotes));
static_assert(offsetof(MidiOutCaps, wChannelMask) == offsetof(MIDIOUTCAPSA, wChannelMask));
static_assert(offsetof(MidiOutCaps, dwSupport) == offsetof(MIDIOUTCAPSA, dwSupport));

static_assert(kMmNoError == MMSYSERR_NOERROR);
static_assert(kMmError == MMSYSERR_ERROR);
static_assert(kMmBadDeviceId == MMSYSERR_BADDEVICEID);
static_assert(kMmAllocated == MMSYSERR_ALLOCATED);
static_assert(kMmInvalidHandle == MMSYSERR_INVALHANDLE);
static_assert(kMmNoDriver == MMSYSERR_NODRIVER);
static_assert(kMmNoMemory == MMSYSERR_NOMEM);
static_assert(kMmInvalidParam == MMSYSERR_INVALPARAM);
static_assert(kMidiErrUnprepared == MIDIERR_UNPREPARED);
static_assert(kMidiErrStillPlaying == MIDIERR_STILLPLAYING);
static_assert(kMidiErrNotReady == MIDIERR_NOTREADY);
static_assert(kMimOpen == MIM_OPEN && kMimClose == MIM_CLOSE && kMimData == MIM_DATA);
static_assert(kMimLongData == MIM_LONGDATA && kMimError == MIM_ERROR);
static_assert(kMimLongError == MIM_LONGERROR && kMimMoreData == MIM_MOREDATA);
static_assert(kMomOpen == MOM_OPEN && kMomClose == MOM_CLOSE && kMomDone == MOM_DONE);
static_assert(kCallbackFunction == CALLBACK_FUNCTION);
static_assert(kMhdrDone == MHDR_DONE && kMhdrPrepared == MHDR_PREPARED);
static_assert(kMhdrInQueue == MHDR_INQUEUE);

namespace {

HMIDIIN In(MidiInHandle device) { return reinterpret_cast<HMIDIIN>(device); }
HMIDIOUT Out(MidiOutHandle device) { return reinterpret_cast<HMIDIOUT>(device); }
LPMIDIHDR Hdr(MidiHeader* header) { return reinterpret_cast<LPMIDIHDR>(header); }

uint32_t InGetNumDevs() { return midiInGetNumDevs(); }
uint32_t OutGetNumDevs() { return midiOutGetNumDevs(); }

MidiResult InGetDevCaps(uintptr_t id, MidiInCaps* caps, uint32_t size) {
    return midiInGetDevCapsA(id, reinterpret_cast<LPMIDIINCAPSA>(caps), size);
}
MidiResult OutGetDevCaps(uintptr_t id, MidiOutCaps* caps, uint32_t size) {
    return midiOutGetDevCapsA(id, reinterpret_cast<LPMIDIOUTCAPSA>(caps), size);
}

// The handle is written only on success, so a failed open leaves it null.
MidiResult InOpen(MidiInHandle* device, uint32_t id, MidiInProc callback, uintptr_t instance,
                  uint32_t flags) {
    HMIDIIN handle = nullptr;
    const MMRESULT result =
        midiInOpen(&handle, id, reinterpret_cast<DWORD_PTR>(callback), instance, flags);
    *device = result == MMSYSERR_NOERROR ? reinterpret_cast<MidiInHandle>(handle) : nullptr;
    return result;
}
MidiResult InPrepare(MidiInHandle device, MidiHeader* header, uint32_t size) {
    return midiInPrepareHeader(In(device), Hdr(header), size);
}
MidiResult InUnprepare(MidiInHandle device, MidiHeader* header, uint32_t size) {
    return midiInUnprepareHeader(In(device), Hdr(header), size);
}
MidiResult InAddBuffer(MidiInHandle device, MidiHeader* header, uint32_t size) {
    return midiInAddBuffer(In(device), Hdr(header), size);
}
MidiResult InStart(MidiInHandle device) { return midiInStart(In(device)); }
MidiResult InReset(MidiInHandle device) { return midiInReset(In(device)); }
MidiResult InClose(MidiInHandle device) { return midiInClose(In(device)); }

MidiResult OutOpen(MidiOutHandle* device, uint32_t id, MidiOutProc callback, uintptr_t instance,
                   uint32_t flags) {
    HMIDIOUT handle = nullptr;
    const MMRESULT result =
        midiOutOpen(&handle, id, reinterpret_cast<DWORD_PTR>(callback), instance, flags);
    *device = result == MMSYSERR_NOERROR ? reinterpret_cast<MidiOutHandle>(handle) : nullptr;
    return result;
}
MidiResult OutPrepare(MidiOutHandle device, MidiHeader* header, uint32_t size) {
    return midiOutPrepareHeader(Out(device), Hdr(header), size);
}
MidiResult OutUnprepare(MidiOutHandle device, MidiHeader* header, uint32_t size) {
    return midiOutUnprepareHeader(Out(device), Hdr(header), size);
}
MidiResult OutShortMsg(MidiOutHandle device, uint32_t message) {
    return midiOutShortMsg(Out(device), message);
}
MidiResult OutLongMsg(MidiOutHandle device, MidiHeader* header, uint32_t size) {
    return midiOutLongMsg(Out(device), Hdr(header), size);
}
MidiResult OutClose(MidiOutHandle device) { return midiOutClose(Out(device)); }

constexpr WinmmOps kRealTable = {
    InGetNumDevs, OutGetNumDevs, InGetDevCaps, OutGetDevCaps, InOpen,   InPrepare,
    InUnprepare,  InAddBuffer,   InStart,      InReset,       InClose,  OutOpen,
    OutPrepare,   OutUnprepare,  OutShortMsg,  OutLongMsg,    OutClose,
};

}  // namespace

const WinmmOps& RealWinmm() { return kRealTable; }
