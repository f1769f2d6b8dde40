// The input device "Vexa Virtual MIDI In". Bytes from the link are framed
// like a MIDI interface does: short messages and real-time bytes become
// MIM_DATA, System Exclusive bytes fill the buffers the program queued and
// each buffer comes back with MIM_LONGDATA when it is full or the message
// has ended (so a long message is split at dwBufferLength). Everything that
// arrives while the device is closed or stopped is lost, as on a cable.
// All notifications except open and close come from the device's thread.
#include "tests/e2e/driver/vmidi.h"

#include "tests/e2e/common/midi_framer.h"

namespace {

constexpr int kQueueSize = 64;
constexpr size_t kFifoSize = 1 << 16;

struct InputDevice {
    CRITICAL_SECTION lock;
    HANDLE wake;
    bool threadStarted;
    bool open;
    bool started;
    MIDIOPENDESC desc;
    WORD callbackType;
    int64_t startMicros;
    // Buffers queued by MIDIM_ADDBUFFER, oldest first.
    MIDIHDR* queue[kQueueSize];
    int head;
    int count;
    // Buffers handed back by MIDM_RESET, still to be reported.
    MIDIHDR* returning[kQueueSize];
    int returningCount;
    MidiFramer framer;
    DWORD sysexStartMillis;
    // Bytes from the link not yet delivered; written by the link's reader.
    uint8_t fifo[kFifoSize];
    size_t fifoRead;
    size_t fifoWrite;
    int64_t nextWireMicros;  // when the next byte reaches the port in wire-rate mode
};

InputDevice in;
INIT_ONCE initOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitDevice(PINIT_ONCE, PVOID, PVOID*) {
    InitializeCriticalSection(&in.lock);
    in.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return in.wake != nullptr;
}

void Notify(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
    DriverCallback(in.desc.dwCallback, in.callbackType, reinterpret_cast<HDRVR>(in.desc.hMidi),
                   message, in.desc.dwInstance, param1, param2);
}

DWORD Millis() { return static_cast<DWORD>((NowMicros() - in.startMicros) / 1000); }

// Hands the oldest queued buffer back; the lock is held.
void ReturnHead(UINT message, DWORD stamp) {
    MIDIHDR* header = in.queue[in.head];
    in.head = (in.head + 1) % kQueueSize;
    --in.count;
    header->dwFlags &= ~MHDR_INQUEUE;
    header->dwFlags |= MHDR_DONE;
    Notify(message, reinterpret_cast<DWORD_PTR>(header), stamp);
}

void SysexByte(uint8_t byte, bool last) {
    if (in.count == 0) return;  // no buffer queued: the byte is lost
    MIDIHDR* header = in.queue[in.head];
    if (header->dwBytesRecorded == 0) in.sysexStartMillis = Millis();
    header->lpData[header->dwBytesRecorded++] = static_cast<char>(byte);
    if (last || header->dwBytesRecorded == header->dwBufferLength)
        ReturnHead(MIM_LONGDATA, in.sysexStartMillis);
}

// One byte reaches the port; the lock is held.
void DeliverByte(uint8_t byte) {
    if (!in.open || !in.started) return;
    switch (FeedByte(in.framer, byte)) {
    case FramerEvent::Short:
        Notify(MIM_DATA, PackShortMessage(in.framer.shortBytes, in.framer.shortLength), Millis());
        break;
    case FramerEvent::SysexByte: SysexByte(byte, false); break;
    case FramerEvent::SysexEnd: SysexByte(byte, true); break;
    case FramerEvent::SysexAborted:
        if (in.count > 0 && in.queue[in.head]->dwBytesRecorded > 0)
            ReturnHead(MIM_LONGERROR, in.sysexStartMillis);
        if (byte == 0xF0) SysexByte(byte, false);
        if (in.framer.pendingShort)
            Notify(MIM_DATA, PackShortMessage(in.framer.shortBytes, in.framer.shortLength),
                   Millis());
        break;
    case FramerEvent::None: break;
    }
}

DWORD WINAPI InputThread(LPVOID) {
    for (;;) {
        EnterCriticalSection(&in.lock);
        while (in.returningCount > 0) {
            MIDIHDR* header = in.returning[0];
            --in.returningCount;
            for (int i = 0; i < in.returningCount; ++i) in.returning[i] = in.returning[i + 1];
            header->dwFlags &= ~MHDR_INQUEUE;
            header->dwFlags |= MHDR_DONE;
            Notify(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header), Millis());
        }
        const int64_t now = NowMicros();
        bool waitingForWire = false;
        while (in.fifoRead != in.fifoWrite) {
            if (LinkWireRate()) {
                if (in.nextWireMicros > now) {
                    waitingForWire = true;
                    break;
                }
                in.nextWireMicros += kWireMicrosPerByte;
            }
            DeliverByte(in.fifo[in.fifoRead % kFifoSize]);
            ++in.fifoRead;
        }
        LeaveCriticalSection(&in.lock);
        WaitForSingleObject(in.wake, waitingForWire ? 1 : INFINITE);
    }
}

DWORD Open(const MIDIOPENDESC* desc, DWORD flags) {
    if (!desc) return MMSYSERR_INVALPARAM;
    if (!LinkEnsureConnected()) return MMSYSERR_ERROR;
    EnterCriticalSection(&in.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (in.open) {
        result = MMSYSERR_ALLOCATED;
    } else {
        if (!in.threadStarted) {
            HANDLE thread = CreateThread(nullptr, 0, InputThread, nullptr, 0, nullptr);
            if (thread) {
                CloseHandle(thread);
                in.threadStarted = true;
            }
        }
        if (!in.threadStarted) {
            result = MMSYSERR_NOMEM;
        } else {
            in.desc = *desc;
            in.callbackType = HIWORD(flags & CALLBACK_TYPEMASK);
            in.open = true;
            in.started = false;
            in.head = 0;
            in.count = 0;
            in.framer = MidiFramer{};
            in.startMicros = NowMicros();
            Notify(MIM_OPEN, 0, 0);
        }
    }
    LeaveCriticalSection(&in.lock);
    return result;
}

DWORD Close() {
    EnterCriticalSection(&in.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (!in.open)
        result = MMSYSERR_INVALHANDLE;
    else if (in.count > 0 || in.returningCount > 0)
        result = MIDIERR_STILLPLAYING;
    else {
        if (in.started) LinkSendEvent('Q');
        in.open = false;
        in.started = false;
        Notify(MIM_CLOSE, 0, 0);
    }
    LeaveCriticalSection(&in.lock);
    return result;
}

DWORD AddBuffer(MIDIHDR* header, DWORD size) {
    if (!header || size < offsetof(MIDIHDR, dwOffset) || !header->lpData ||
        header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
    if (header->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    EnterCriticalSection(&in.lock);
    DWORD result = MMSYSERR_NOERROR;
    if (!in.open)
        result = MMSYSERR_INVALHANDLE;
    else if (in.count == kQueueSize)
        result = MMSYSERR_NOMEM;
    else {
        header->dwBytesRecorded = 0;
        header->dwFlags &= ~MHDR_DONE;
        header->dwFlags |= MHDR_INQUEUE;
        in.queue[(in.head + in.count) % kQueueSize] = header;
        ++in.count;
    }
    LeaveCriticalSection(&in.lock);
    return result;
}

DWORD Start() {
    EnterCriticalSection(&in.lock);
    DWORD result = in.open ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    if (in.open && !in.started) {
        in.started = true;
        in.startMicros = NowMicros();
        LinkSendEvent('L');
    }
    LeaveCriticalSection(&in.lock);
    return result;
}

// Stop returns a partly filled buffer; Reset returns every queued buffer.
DWORD Halt(bool returnAll) {
    EnterCriticalSection(&in.lock);
    DWORD result = in.open ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    if (in.open) {
        if (in.started) LinkSendEvent('Q');
        in.started = false;
        in.framer = MidiFramer{};
        while (in.count > 0 && (returnAll || in.queue[in.head]->dwBytesRecorded > 0)) {
            in.returning[in.returningCount++] = in.queue[in.head];
            in.head = (in.head + 1) % kQueueSize;
            --in.count;
        }
        SetEvent(in.wake);
    }
    LeaveCriticalSection(&in.lock);
    return result;
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

DWORD Caps(MIDIINCAPSW* caps, DWORD size) {
    if (!caps) return MMSYSERR_INVALPARAM;
    MIDIINCAPSW full = {};
    full.wMid = 0xFFFF;  // MM_UNMAPPED
    full.wPid = 0xFFFF;
    full.vDriverVersion = 0x0100;
    lstrcpynW(full.szPname, VMIDI_IN_NAME, MAXPNAMELEN);
    memcpy(caps, &full, size < sizeof full ? size : sizeof full);
    return MMSYSERR_NOERROR;
}

}  // namespace

void InputBytesArrived(const uint8_t* bytes, size_t length) {
    if (!InitOnceExecuteOnce(&initOnce, InitDevice, nullptr, nullptr)) return;
    EnterCriticalSection(&in.lock);
    if (in.fifoRead == in.fifoWrite) {
        // The cable was idle: the first byte starts on it now.
        const int64_t now = NowMicros();
        if (in.nextWireMicros < now) in.nextWireMicros = now;
    }
    for (size_t i = 0; i < length; ++i) {
        if (in.fifoWrite - in.fifoRead == kFifoSize) break;  // overrun: the rest is lost
        in.fifo[in.fifoWrite % kFifoSize] = bytes[i];
        ++in.fifoWrite;
    }
    SetEvent(in.wake);
    LeaveCriticalSection(&in.lock);
}

DWORD InputMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
    if (!InitOnceExecuteOnce(&initOnce, InitDevice, nullptr, nullptr)) return MMSYSERR_NOMEM;
    switch (message) {
    case DRVM_INIT:
    case DRVM_EXIT:
    case DRVM_ENABLE:
    case DRVM_DISABLE: return MMSYSERR_NOERROR;
    case MIDM_GETNUMDEVS: return 1;
    case MIDM_GETDEVCAPS:
        return Caps(reinterpret_cast<MIDIINCAPSW*>(param1), static_cast<DWORD>(param2));
    case MIDM_OPEN:
        return Open(reinterpret_cast<const MIDIOPENDESC*>(param1), static_cast<DWORD>(param2));
    case MIDM_CLOSE: return Close();
    case MIDM_ADDBUFFER:
        return AddBuffer(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MIDM_PREPARE:
        return Prepare(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MIDM_UNPREPARE:
        return Unprepare(reinterpret_cast<MIDIHDR*>(param1), static_cast<DWORD>(param2));
    case MIDM_START: return Start();
    case MIDM_STOP: return Halt(false);
    case MIDM_RESET: return Halt(true);
    default: return MMSYSERR_NOTSUPPORTED;
    }
}
