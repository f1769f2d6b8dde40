// The output device "Vexa Virtual MIDI Out". Messages are queued in order
// and written to the link by the device's own thread, which then reports
// MOM_DONE for long messages, as a real driver does from its own thread.
// A long message goes out as exactly dwBufferLength bytes: the length a
// real driver takes, whatever dwBytesRecorded says.
#include "tests/e2e/driver/vmidi.h"

namespace {

struct OutItem {
    MIDIHDR* header;      // null for a short message
    int64_t stampMicros;  // when the program handed it over
    uint8_t bytes[3];
    uint8_t length;
    bool cancelled;  // returned by MODM_RESET without being sent
};

constexpr int kQueueSize = 64;

struct OutputDevice {
    CRITICAL_SECTION lock;
    HANDLE wake;
    bool threadStarted;
    bool open;
    MIDIOPENDESC desc;
    WORD callbackType;
    OutItem queue[kQueueSize];
    int head;
    int count;
};

OutputDevice out;
INIT_ONCE initOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitDevice(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&out.lock);
    out.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return out.wake != nullptr;
}

void Notify(UINT message, DWORD_PTR param1) {
    DriverCallback(out.desc.dwCallback, out.callbackType, reinterpret_cast<HDRVR>(out.desc.hMidi),
                   message, out.desc.dwInstance, param1, 0);
}

DWORD WINAPI OutputThread(LPVOID) {
    for (;;) {
        EnterCriticalSection(&out.lock);
        if (out.count == 0) {
            LeaveCriticalSection(&out.lock);
            WaitForSingleObject(out.wake, INFINITE);
            continue;
        }
        OutItem item = out.queue[out.head];
        LeaveCriticalSection(&out.lock);

        if (!item.cancelled) {
            if (item.header)
                LinkSendMidi(item.stampMicros,
                             reinterpret_cast<const uint8_t*>(item.header->lpData),
                             item.header->dwBufferLength);
            else
                LinkSendMidi(item.stampMicros, item.bytes, item.length);
        }

        EnterCriticalSection(&out.lock);
        out.head = (out.head + 1) % kQueueSize;
        --out.count;
        if (item.header) {
            item.header->dwFlags &= ~MHDR_INQUEUE;
            item.header->dwFlags |= MHDR_DONE;
            Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(item.header));
        }
        LeaveCriticalSection(&out.lock);
    }
}

DWORD Enqueue(const OutItem& item) {
    EnterCriticalSection(&out.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (!out.open) {
        result = MMSYSERR_INVALHANDLE;
    } else if (out.count == kQueueSize) {
        result = MIDIERR_NOTREADY;
    } else {
        OutItem& slot = out.queue[(out.head + out.count) % kQueueSize];
        slot = item;
        slot.stampMicros = NowMicros();
        ++out.count;
        if (item.header) {
            item.header->dwFlags &= ~MHDR_DONE;
            item.header->dwFlags |= MHDR_INQUEUE;
        }
        SetEvent(out.wake);
    }
    LeaveCriticalSection(&out.lock);
    return result;
}

DWORD Open(const MIDIOPENDESC* desc, DWORD flags) {
    if (!desc) return MMSYSERR_INVALPARAM;
    if (!LinkEnsureConnected()) return MMSYSERR_ERROR;
    EnterCriticalSection(&out.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (out.open) {
        result = MMSYSERR_ALLOCATED;
    } else {
        if (!out.threadStarted) {
            HANDLE thread = CreateThread(nullptr, 0, OutputThread, nullptr, 0, nullptr);
            if (thread) {
                CloseHandle(thread);
                out.threadStarted = true;
            }
        }
        if (!out.threadStarted) {
            result = MMSYSERR_NOMEM;
        } else {
            out.desc = *desc;
            out.callbackType = HIWORD(flags & CALLBACK_TYPEMASK);
            out.open = true;
            out.head = 0;
            out.count = 0;
            // The open notice comes from inside midiOutOpen, as on Windows.
            Notify(MOM_OPEN, 0);
        }
    }
    LeaveCriticalSection(&out.lock);
    return result;
}

DWORD Close() {
    EnterCriticalSection(&out.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (!out.open)
        result = MMSYSERR_INVALHANDLE;
    else if (out.count > 0)
        result = MIDIERR_STILLPLAYING;
    else {
        out.open = false;
        Notify(MOM_CLOSE, 0);
    }
    LeaveCriticalSection(&out.lock);
    return result;
}

DWORD Reset() {
    EnterCriticalSection(&out.lock);
    for (int i = 0; i < out.count; ++i) out.queue[(out.head + i) % kQueueSize].cancelled = true;
    LeaveCriticalSection(&out.lock);
    return MMSYSERR_NOERROR;
}

DWORD ShortMessage(DWORD packed) {
    OutItem item = {};
    const uint8_t status = static_cast<uint8_t>(packed & 0xFF);
    if (status < 0x80) return MIDIERR_BADOPENMODE;  // no running status on this output
    item.bytes[0] = status;
    item.bytes[1] = static_cast<uint8_t>(packed >> 8);
    item.bytes[2] = static_cast<uint8_t>(packed >> 16);
    if (status >= 0xF8 || status == 0xF6 || status == 0xF7)
        item.length = 1;
    else if (status == 0xF1 || status == 0xF3 || (status & 0xE0) == 0xC0)
        item.length = 2;
    else if (status == 0xF0)
        return MMSYSERR_INVALPARAM;
    else
        item.length = 3;
    return Enqueue(item);
}

DWORD LongMessage(MIDIHDR* header, DWORD size) {
    if (!header || size < offsetof(MIDIHDR, dwOffset) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
    if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    OutItem item = {};
    item.header = header;
    return Enqueue(item);
}

DWORD Prepare(MIDIHDR* header, DWORD size) {
    if (!header || size < offsetof(MIDIHDR, dwOffset) || !header->lpData)
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= MHDR_PREPARED;
    header->dwFlags &= ~(MHDR_DONE | MHDR_INQUEUE);
    return MMSYSERR_NOERROR;
}

DWORD Unprepare(MIDIHDR* header, DWORD size) {
    if (!header || size < offsetof(MIDIHDR, dwOffset)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

DWORD Caps(MIDIOUTCAPSW* caps, DWORD size) {
    if (!caps) return MMSYSERR_INVALPARAM;
    MIDIOUTCAPSW full = {};
    full.wMid = 0xFFFF;  // MM_UNMAPPED
    full.wPid = 0xFFFF;
    full.vDriverVersion = 0x0100;
    lstrcpynW(full.szPname, VMIDI_OUT_NAME, MAXPNAMELEN);
    full.wTechnology = MOD_MIDIPORT;
    full.wChannelMask = 0xFFFF;
    memcpy(caps, &full, size < sizeof full ? size : sizeof full);
    return MMSYSERR_NOERROR;
}

}  // namespace

DWORD OutputMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
    if (!InitOnceExecuteOnce(&initOnce, InitDevice, nullptr, nullptr)) return MMSYSERR_NOMEM;
    switch (message) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE: return MMSYSERR_NOERROR;
    case MODM_GETNUMDEVS: return 1;
    case MODM_GETDEVCAPS:
        return Caps(reinterpret_cast<MIDIOUTCAPSW*>(param1), static_cast<DWORD>(param2));
    case MODM_OPEN:
        return Open(reinterpret_cast<const MIDIOPENDESC*>(param1), static_cast<DWORD>(param2));
    case MODM_CLOSE: return Close();
    case MODM_DATA: return ShortMessage(static_cast<DWORD>(param1));
    case MODM_LONGDATA:
        return LongMessage(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MODM_PREPARE:
        return Prepare(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MODM_UNPREPARE:
        return Unprepare(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MODM_RESET: return Reset();
    default: return MMSYSERR_NOTSUPPORTED;
    }
}
