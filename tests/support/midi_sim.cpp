// The simulated MIDI system: a winmm table over in-memory devices, a thread
// that delivers every callback (like winmm's own), fault injection per call,
// and the far side that tests and scripted synthesizers talk to. One mutex
// guards the whole state; it is never held while a program callback or the
// send listener runs, because the program's input callback calls back into
// midiInAddBuffer.
#include "tests/support/midi_sim.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "ground/platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using midi_sim::Call;

constexpr size_t kCallKinds = static_cast<size_t>(Call::OutClose) + 1;
constexpr uint32_t kHeaderSize = sizeof(MidiHeader);

struct InDev {
    uint32_t index = 0;
    MidiInProc callback = nullptr;
    uintptr_t instance = 0;
    bool open = true;
    bool started = false;
    uint32_t startedAt = 0;
    std::deque<MidiHeader*> queue;  // slots lent; the front one is filled first
    // Stream parser.
    bool inSysex = false;
    uint8_t message[3] = {};
    int have = 0;
    int need = 0;
};

struct OutDev {
    uint32_t index = 0;
    MidiOutProc callback = nullptr;
    uintptr_t instance = 0;
    bool open = true;
};

struct PendingDone {
    OutDev* device;
    MidiHeader* header;
    Clock::time_point due;
};

struct Injection {
    MidiResult result;
    int times;
    int skip;
};

// One callback to make, gathered under the lock and made after it.
struct Delivery {
    InDev* in = nullptr;
    OutDev* out = nullptr;
    uint32_t message = 0;
    uintptr_t param1 = 0;
    uintptr_t param2 = 0;
};

struct Sim {
    std::mutex lock;
    std::condition_variable wake;     // the sim thread's work arrived
    std::condition_variable changed;  // a job finished, input started, ...
    std::thread thread;
    std::thread::id threadId;
    bool stopping = false;

    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    std::array<std::deque<Injection>, kCallKinds> injections;
    std::array<uint32_t, kCallKinds> counts{};
    uint32_t doneDelayMs = 0;
    bool holdDone = false;
    bool neverReturns = false;
    uint32_t overReport = 0;

    midi_sim::SendListener listener;
    std::vector<midi_sim::SentMessage> sent;

    std::vector<std::unique_ptr<InDev>> inputs;
    std::vector<std::unique_ptr<OutDev>> outputs;
    std::deque<PendingDone> dones;

    std::deque<std::function<void()>> jobs;
    uint64_t jobsPosted = 0;
    uint64_t jobsDone = 0;

    size_t lost = 0;
    uint32_t startCount = 0;
    int lastInput = -1;
    int lastOutput = -1;
};

Sim& S() {
    static Sim sim;
    return sim;
}

// Counts the call and reports whether an injected result replaces it.
bool Injected(Sim& s, Call call, MidiResult& result) {
    const size_t k = static_cast<size_t>(call);
    ++s.counts[k];
    auto& queue = s.injections[k];
    if (queue.empty()) return false;
    Injection& front = queue.front();
    if (front.skip > 0) {
        --front.skip;
        return false;
    }
    result = front.result;
    if (front.times > 0 && --front.times == 0) queue.pop_front();
    return true;
}

void Deliver(const Delivery& d) {
    if (d.in)
        d.in->callback(reinterpret_cast<MidiInHandle>(d.in), d.message, d.in->instance, d.param1,
                       d.param2);
    else if (d.out)
        d.out->callback(reinterpret_cast<MidiOutHandle>(d.out), d.message, d.out->instance,
                        d.param1, d.param2);
}

// Runs `job` on the sim thread and returns once it has run. Called without
// the lock. On the sim thread itself the job runs at once.
void RunOnSimThread(std::function<void()> job) {
    Sim& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    if (std::this_thread::get_id() == s.threadId) {
        guard.unlock();
        job();
        return;
    }
    if (s.stopping || s.threadId == std::thread::id()) return;
    s.jobs.push_back(std::move(job));
    const uint64_t mine = ++s.jobsPosted;
    s.wake.notify_all();
    s.changed.wait(guard, [&] { return s.jobsDone >= mine || s.stopping; });
}

void PostToSimThread(std::function<void()> job) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.jobs.push_back(std::move(job));
    ++s.jobsPosted;
    s.wake.notify_all();
}

uint32_t StampFor(const InDev& d) { return NowMilliseconds() - d.startedAt; }

// Hands the front slot back (under the lock); the callback is made later.
Delivery ReturnFrontSlot(Sim& s, InDev& d, uint32_t message) {
    MidiHeader* h = d.queue.front();
    d.queue.pop_front();
    h->dwBytesRecorded += s.overReport;
    h->dwFlags = (h->dwFlags & ~kMhdrInQueue) | kMhdrDone;
    return Delivery{&d, nullptr, message, reinterpret_cast<uintptr_t>(h), StampFor(d)};
}

// Appends one System Exclusive byte to the front slot; a full slot goes back.
void AppendSysex(Sim& s, InDev& d, uint8_t b, std::vector<Delivery>& out) {
    if (d.queue.empty()) {
        ++s.lost;
        return;
    }
    MidiHeader* h = d.queue.front();
    h->lpData[h->dwBytesRecorded] = static_cast<char>(b);
    ++h->dwBytesRecorded;
    if (h->dwBytesRecorded >= h->dwBufferLength || b == 0xF7)
        out.push_back(ReturnFrontSlot(s, d, kMimLongData));
}

void CutSysex(Sim& s, InDev& d, std::vector<Delivery>& out) {
    if (d.inSysex && !d.queue.empty() && d.queue.front()->dwBytesRecorded > 0)
        out.push_back(ReturnFrontSlot(s, d, kMimLongError));
    d.inSysex = false;
}

int ShortLength(uint8_t status) {
    if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;  // Cn, Dn: 2
    if (status == 0xF1 || status == 0xF3) return 2;
    if (status == 0xF2) return 3;
    return 1;
}

Delivery ShortDelivery(InDev& d, const uint8_t* bytes, int length) {
    uint32_t packed = 0;
    for (int i = 0; i < length; ++i) packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return Delivery{&d, nullptr, kMimData, packed, StampFor(d)};
}

// One byte of the far side's stream into one started input (under the lock).
void FeedByte(Sim& s, InDev& d, uint8_t b, std::vector<Delivery>& out) {
    if (b >= 0xF8) {  // real-time: passes through anything, even System Exclusive
        out.push_back(ShortDelivery(d, &b, 1));
        return;
    }
    if (b == 0xF0) {
        CutSysex(s, d, out);
        d.inSysex = true;
        d.have = 0;
        AppendSysex(s, d, b, out);
        return;
    }
    if (b == 0xF7) {
        if (d.inSysex) {
            AppendSysex(s, d, b, out);
            d.inSysex = false;
        } else {
            out.push_back(ShortDelivery(d, &b, 1));
        }
        return;
    }
    if (b >= 0x80) {
        CutSysex(s, d, out);
        d.message[0] = b;
        d.have = 1;
        d.need = ShortLength(b);
        if (d.need == 1) {
            out.push_back(ShortDelivery(d, d.message, 1));
            d.have = 0;
        }
        return;
    }
    if (d.inSysex) {
        AppendSysex(s, d, b, out);
        return;
    }
    if (d.have == 0) {
        ++s.lost;  // a data byte without a status byte
        return;
    }
    d.message[d.have++] = b;
    if (d.have == d.need) {
        out.push_back(ShortDelivery(d, d.message, d.need));
        // Running status continues for channel messages only.
        d.have = d.message[0] < 0xF0 ? 1 : 0;
    }
}

void FeedBytes(std::vector<uint8_t> bytes) {
    Sim& s = S();
    for (uint8_t b : bytes) {
        std::vector<Delivery> out;
        {
            std::lock_guard<std::mutex> guard(s.lock);
            bool any = false;
            for (auto& d : s.inputs) {
                if (!d->open || !d->started) continue;
                any = true;
                FeedByte(s, *d, b, out);
            }
            if (!any) ++s.lost;
        }
        for (const Delivery& d : out) Deliver(d);
    }
}

// Delivers every MOM_DONE that is due, in order. On the sim thread.
void DeliverDueDones() {
    Sim& s = S();
    for (;;) {
        Delivery d;
        {
            std::lock_guard<std::mutex> guard(s.lock);
            if (s.holdDone || s.dones.empty() || s.dones.front().due > Clock::now()) return;
            PendingDone done = s.dones.front();
            s.dones.pop_front();
            done.header->dwFlags = (done.header->dwFlags & ~kMhdrInQueue) | kMhdrDone;
            d = Delivery{nullptr, done.device, kMomDone, reinterpret_cast<uintptr_t>(done.header),
                         0};
        }
        Deliver(d);
    }
}

void SimThread() {
    Sim& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    while (!s.stopping) {
        if (!s.jobs.empty()) {
            std::function<void()> job = std::move(s.jobs.front());
            s.jobs.pop_front();
            guard.unlock();
            job();
            guard.lock();
            ++s.jobsDone;
            s.changed.notify_all();
            continue;
        }
        if (!s.holdDone && !s.dones.empty()) {
            if (s.dones.front().due <= Clock::now()) {
                guard.unlock();
                DeliverDueDones();
                guard.lock();
                continue;
            }
            s.wake.wait_until(guard, s.dones.front().due);
            continue;
        }
        s.wake.wait(guard);
    }
}

bool ValidHeader(const MidiHeader* h, uint32_t size) {
    return h != nullptr && size == kHeaderSize && h->lpData != nullptr && h->dwBufferLength > 0;
}

InDev* InOf(MidiInHandle handle) {
    for (auto& d : S().inputs)
        if (reinterpret_cast<MidiInHandle>(d.get()) == handle && d->open) return d.get();
    return nullptr;
}

OutDev* OutOf(MidiOutHandle handle) {
    for (auto& d : S().outputs)
        if (reinterpret_cast<MidiOutHandle>(d.get()) == handle && d->open) return d.get();
    return nullptr;
}

bool HasPendingDone(const Sim& s, const OutDev* device, const MidiHeader* header) {
    for (const PendingDone& p : s.dones)
        if (p.device == device && (header == nullptr || p.header == header)) return true;
    return false;
}

// The table's entries.

uint32_t SimInGetNumDevs() {
    std::lock_guard<std::mutex> guard(S().lock);
    return static_cast<uint32_t>(S().inputNames.size());
}

uint32_t SimOutGetNumDevs() {
    std::lock_guard<std::mutex> guard(S().lock);
    return static_cast<uint32_t>(S().outputNames.size());
}

template <typename Caps>
MidiResult FillCaps(const std::vector<std::string>& names, uintptr_t id, Caps* caps,
                    uint32_t size) {
    if (id >= names.size()) return kMmBadDeviceId;
    if (caps == nullptr || size != sizeof(Caps)) return kMmInvalidParam;
    std::memset(caps, 0, sizeof(Caps));
    caps->wMid = 0x41;
    caps->wPid = static_cast<uint16_t>(id + 1);
    std::memcpy(caps->szPname, names[id].data(), std::min(names[id].size(), kCapsNameSize - 1));
    return kMmNoError;
}

MidiResult SimInGetDevCaps(uintptr_t id, MidiInCaps* caps, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::InGetCaps, r)) return r;
    return FillCaps(s.inputNames, id, caps, size);
}

MidiResult SimOutGetDevCaps(uintptr_t id, MidiOutCaps* caps, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::OutGetCaps, r)) return r;
    return FillCaps(s.outputNames, id, caps, size);
}

MidiResult SimInOpen(MidiInHandle* handle, uint32_t id, MidiInProc callback, uintptr_t instance,
                     uint32_t flags) {
    Sim& s = S();
    InDev* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (handle == nullptr) return kMmInvalidParam;
        *handle = nullptr;
        MidiResult r;
        if (Injected(s, Call::InOpen, r)) return r;
        if (id >= s.inputNames.size()) return kMmBadDeviceId;
        if (flags != kCallbackFunction || callback == nullptr) return kMmInvalidParam;
        auto d = std::make_unique<InDev>();
        d->index = id;
        d->callback = callback;
        d->instance = instance;
        device = d.get();
        s.inputs.push_back(std::move(d));
        s.lastInput = static_cast<int>(id);
        *handle = reinterpret_cast<MidiInHandle>(device);
    }
    RunOnSimThread([device] { Deliver(Delivery{device, nullptr, kMimOpen, 0, 0}); });
    return kMmNoError;
}

MidiResult SimInPrepare(MidiInHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::InPrepare, r)) return r;
    if (!InOf(handle)) return kMmInvalidHandle;
    if (!ValidHeader(h, size)) return kMmInvalidParam;
    h->dwFlags |= kMhdrPrepared;
    return kMmNoError;
}

MidiResult SimInUnprepare(MidiInHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::InUnprepare, r)) return r;
    if (!InOf(handle)) return kMmInvalidHandle;
    if (h == nullptr || size != kHeaderSize) return kMmInvalidParam;
    if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
    h->dwFlags &= ~kMhdrPrepared;
    return kMmNoError;
}

MidiResult SimInAddBuffer(MidiInHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::InAddBuffer, r)) return r;
    InDev* d = InOf(handle);
    if (!d) return kMmInvalidHandle;
    if (!ValidHeader(h, size)) return kMmInvalidParam;
    if (!(h->dwFlags & kMhdrPrepared)) return kMidiErrUnprepared;
    if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
    h->dwFlags = (h->dwFlags & ~kMhdrDone) | kMhdrInQueue;
    h->dwBytesRecorded = 0;
    d->queue.push_back(h);
    s.changed.notify_all();
    return kMmNoError;
}

MidiResult SimInStart(MidiInHandle handle) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::InStart, r)) return r;
    InDev* d = InOf(handle);
    if (!d) return kMmInvalidHandle;
    if (!d->started) {
        d->started = true;
        d->startedAt = NowMilliseconds();
        ++s.startCount;
    }
    s.changed.notify_all();
    return kMmNoError;
}

MidiResult SimInReset(MidiInHandle handle) {
    Sim& s = S();
    InDev* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::InReset, r)) return r;
        device = InOf(handle);
        if (!device) return kMmInvalidHandle;
    }
    RunOnSimThread([device] {
        Sim& sim = S();
        std::vector<Delivery> out;
        {
            std::lock_guard<std::mutex> guard(sim.lock);
            device->started = false;
            device->inSysex = false;
            device->have = 0;
            // The slot being filled keeps what it holds; the rest come back
            // empty. An unplugged interface keeps them all.
            if (!sim.neverReturns)
                while (!device->queue.empty())
                    out.push_back(ReturnFrontSlot(sim, *device, kMimLongData));
        }
        for (const Delivery& d : out) Deliver(d);
    });
    return kMmNoError;
}

MidiResult SimInClose(MidiInHandle handle) {
    Sim& s = S();
    InDev* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::InClose, r)) return r;
        device = InOf(handle);
        if (!device) return kMmInvalidHandle;
        if (!device->queue.empty()) return kMidiErrStillPlaying;
        device->open = false;
        device->started = false;
    }
    RunOnSimThread([device] { Deliver(Delivery{device, nullptr, kMimClose, 0, 0}); });
    return kMmNoError;
}

MidiResult SimOutOpen(MidiOutHandle* handle, uint32_t id, MidiOutProc callback, uintptr_t instance,
                      uint32_t flags) {
    Sim& s = S();
    OutDev* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (handle == nullptr) return kMmInvalidParam;
        *handle = nullptr;
        MidiResult r;
        if (Injected(s, Call::OutOpen, r)) return r;
        if (id >= s.outputNames.size()) return kMmBadDeviceId;
        if (flags != kCallbackFunction || callback == nullptr) return kMmInvalidParam;
        auto d = std::make_unique<OutDev>();
        d->index = id;
        d->callback = callback;
        d->instance = instance;
        device = d.get();
        s.outputs.push_back(std::move(d));
        s.lastOutput = static_cast<int>(id);
        *handle = reinterpret_cast<MidiOutHandle>(device);
    }
    RunOnSimThread([device] { Deliver(Delivery{nullptr, device, kMomOpen, 0, 0}); });
    return kMmNoError;
}

MidiResult SimOutPrepare(MidiOutHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    MidiResult r;
    if (Injected(s, Call::OutPrepare, r)) return r;
    if (!OutOf(handle)) return kMmInvalidHandle;
    if (!ValidHeader(h, size)) return kMmInvalidParam;
    h->dwFlags |= kMhdrPrepared;
    return kMmNoError;
}

MidiResult SimOutUnprepare(MidiOutHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::OutUnprepare, r)) return r;
        if (!OutOf(handle)) return kMmInvalidHandle;
        if (h == nullptr || size != kHeaderSize) return kMmInvalidParam;
    }
    // Whatever is due arrives first, so a finished message never answers
    // "still playing" only because the sim thread has not run yet.
    RunOnSimThread(DeliverDueDones);
    std::lock_guard<std::mutex> guard(s.lock);
    if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
    h->dwFlags &= ~kMhdrPrepared;
    return kMmNoError;
}

void Record(const uint8_t* bytes, size_t length, uint32_t at) {
    Sim& s = S();
    midi_sim::SendListener listener;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.sent.push_back({std::vector<uint8_t>(bytes, bytes + length), at});
        listener = s.listener;
    }
    if (listener) listener(bytes, length, at);
}

MidiResult SimOutShortMsg(MidiOutHandle handle, uint32_t message) {
    Sim& s = S();
    const uint32_t at = NowMilliseconds();
    uint8_t bytes[3];
    int length;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::OutShortMsg, r)) return r;
        if (!OutOf(handle)) return kMmInvalidHandle;
        for (int i = 0; i < 3; ++i) bytes[i] = static_cast<uint8_t>(message >> (8 * i));
        length = ShortLength(bytes[0]);
    }
    Record(bytes, static_cast<size_t>(length), at);
    return kMmNoError;
}

MidiResult SimOutLongMsg(MidiOutHandle handle, MidiHeader* h, uint32_t size) {
    Sim& s = S();
    const uint32_t at = NowMilliseconds();
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::OutLongMsg, r)) return r;
        OutDev* d = OutOf(handle);
        if (!d) return kMmInvalidHandle;
        if (!ValidHeader(h, size)) return kMmInvalidParam;
        if (!(h->dwFlags & kMhdrPrepared)) return kMidiErrUnprepared;
        if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
        // Like a driver: the message is dwBufferLength bytes, whatever
        // dwBytesRecorded says.
        bytes.assign(h->lpData, h->lpData + h->dwBufferLength);
        h->dwFlags = (h->dwFlags & ~kMhdrDone) | kMhdrInQueue;
        s.dones.push_back({d, h, Clock::now() + std::chrono::milliseconds(s.doneDelayMs)});
        s.wake.notify_all();
    }
    Record(bytes.data(), bytes.size(), at);
    return kMmNoError;
}

MidiResult SimOutClose(MidiOutHandle handle) {
    Sim& s = S();
    OutDev* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        MidiResult r;
        if (Injected(s, Call::OutClose, r)) return r;
        device = OutOf(handle);
        if (!device) return kMmInvalidHandle;
    }
    RunOnSimThread(DeliverDueDones);
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (HasPendingDone(s, device, nullptr)) return kMidiErrStillPlaying;
        device->open = false;
    }
    RunOnSimThread([device] { Deliver(Delivery{nullptr, device, kMomClose, 0, 0}); });
    return kMmNoError;
}

constexpr WinmmOps kSimTable = {
    SimInGetNumDevs, SimOutGetNumDevs, SimInGetDevCaps, SimOutGetDevCaps, SimInOpen,   SimInPrepare,
    SimInUnprepare,  SimInAddBuffer,   SimInStart,      SimInReset,       SimInClose,  SimOutOpen,
    SimOutPrepare,   SimOutUnprepare,  SimOutShortMsg,  SimOutLongMsg,    SimOutClose,
};

template <typename Pred>
bool WaitFor(uint32_t timeoutMs, Pred pred) {
    Sim& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    return s.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return pred(s); });
}

std::string CutName(const std::string& name) { return name.substr(0, kCapsNameSize - 1); }

}  // namespace

namespace midi_sim {

void Install() {
    Uninstall();
    Sim& s = S();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.stopping = false;
        s.inputNames.clear();
        s.outputNames.clear();
        for (auto& q : s.injections) q.clear();
        s.counts.fill(0);
        s.doneDelayMs = 0;
        s.holdDone = false;
        s.neverReturns = false;
        s.overReport = 0;
        s.listener = nullptr;
        s.sent.clear();
        s.inputs.clear();
        s.outputs.clear();
        s.dones.clear();
        s.jobs.clear();
        s.jobsPosted = s.jobsDone = 0;
        s.lost = 0;
        s.startCount = 0;
        s.lastInput = s.lastOutput = -1;
    }
    s.thread = std::thread(SimThread);
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.threadId = s.thread.get_id();
    }
    SetWinmm(&kSimTable);
}

void Uninstall() {
    Sim& s = S();
    if (s.thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(s.lock);
            s.stopping = true;
        }
        s.wake.notify_all();
        s.changed.notify_all();
        s.thread.join();
    }
    SetWinmm(nullptr);
    std::lock_guard<std::mutex> guard(s.lock);
    s.threadId = std::thread::id();
    s.listener = nullptr;
    s.jobs.clear();
    s.dones.clear();
}

void SetInputDevices(const std::vector<std::string>& names) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().inputNames.clear();
    for (const auto& n : names) S().inputNames.push_back(CutName(n));
}

void SetOutputDevices(const std::vector<std::string>& names) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().outputNames.clear();
    for (const auto& n : names) S().outputNames.push_back(CutName(n));
}

void InjectResult(Call call, MidiResult result, int times, int skip) {
    if (times == 0) return;
    std::lock_guard<std::mutex> guard(S().lock);
    S().injections[static_cast<size_t>(call)].push_back({result, times, skip});
}

void ClearInjections() {
    std::lock_guard<std::mutex> guard(S().lock);
    for (auto& q : S().injections) q.clear();
}

uint32_t CallCount(Call call) {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().counts[static_cast<size_t>(call)];
}

void SetOutputDoneDelay(uint32_t ms) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().doneDelayMs = ms;
}

void HoldOutputDone(bool hold) {
    Sim& s = S();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.holdDone = hold;
        if (!hold)
            for (PendingDone& p : s.dones) p.due = std::min(p.due, Clock::now());
    }
    s.wake.notify_all();
}

void SetInputNeverReturns(bool never) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().neverReturns = never;
}

void SetInputOverReport(uint32_t extra) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().overReport = extra;
}

void SetSendListener(SendListener listener) {
    std::lock_guard<std::mutex> guard(S().lock);
    S().listener = std::move(listener);
}

std::vector<SentMessage> SentMessages() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().sent;
}

void ClearSentMessages() {
    std::lock_guard<std::mutex> guard(S().lock);
    S().sent.clear();
}

void QueueInput(const uint8_t* bytes, size_t length) {
    std::vector<uint8_t> copy(bytes, bytes + length);
    PostToSimThread([copy = std::move(copy)] { FeedBytes(copy); });
}

void QueueInput(const std::vector<uint8_t>& bytes) { QueueInput(bytes.data(), bytes.size()); }

void QueueShortMessage(uint32_t packed) {
    PostToSimThread([packed] {
        Sim& s = S();
        std::vector<Delivery> out;
        {
            std::lock_guard<std::mutex> guard(s.lock);
            for (auto& d : s.inputs)
                if (d->open && d->started)
                    out.push_back(Delivery{d.get(), nullptr, kMimData, packed, StampFor(*d)});
            if (out.empty()) ++s.lost;
        }
        for (const Delivery& d : out) Deliver(d);
    });
}

bool WaitInputDelivered(uint32_t timeoutMs) {
    uint64_t target;
    {
        std::lock_guard<std::mutex> guard(S().lock);
        target = S().jobsPosted;
    }
    return WaitFor(timeoutMs, [target](Sim& s) { return s.jobsDone >= target; });
}

size_t LostInputBytes() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().lost;
}

bool InputListening() {
    Sim& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto& d : s.inputs)
        if (d->open && d->started && !d->queue.empty()) return true;
    return false;
}

bool WaitUntilListening(uint32_t timeoutMs) {
    return WaitFor(timeoutMs, [](Sim& s) {
        for (auto& d : s.inputs)
            if (d->open && d->started && !d->queue.empty()) return true;
        return false;
    });
}

uint32_t InputStartCount() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().startCount;
}

bool WaitForInputStarts(uint32_t count, uint32_t timeoutMs) {
    return WaitFor(timeoutMs, [count](Sim& s) { return s.startCount >= count; });
}

int OpenInputDevices() {
    std::lock_guard<std::mutex> guard(S().lock);
    return static_cast<int>(
        std::count_if(S().inputs.begin(), S().inputs.end(), [](const auto& d) { return d->open; }));
}

int OpenOutputDevices() {
    std::lock_guard<std::mutex> guard(S().lock);
    return static_cast<int>(std::count_if(S().outputs.begin(), S().outputs.end(),
                                          [](const auto& d) { return d->open; }));
}

int LastOpenedInputIndex() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().lastInput;
}

int LastOpenedOutputIndex() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().lastOutput;
}

int QueuedInputSlots() {
    std::lock_guard<std::mutex> guard(S().lock);
    size_t n = 0;
    for (auto& d : S().inputs)
        if (d->open) n += d->queue.size();
    return static_cast<int>(n);
}

int PendingOutputMessages() {
    std::lock_guard<std::mutex> guard(S().lock);
    return static_cast<int>(S().dones.size());
}

}  // namespace midi_sim
