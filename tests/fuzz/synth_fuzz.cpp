// libFuzzer target for the synthesizer's side of every transfer: whatever a
// synthesizer (or anything else on the cable) sends, at whatever times, is
// fed through the simulated MIDI system to one of the six receive and
// transmit procedures, run by the operation runner on a virtual clock.
//
// Input: byte 0 picks the procedure (and, for a JX-10 transmit, the bank
// kind), byte 1 the channel setting (0..16, 16 = Auto); then records of a
// delay in 10 ms steps (1 byte), a length (2 bytes, little-endian, cut to
// 1024) and that many bytes, each record one piece of MIDI input arriving
// that long after the previous one.
//
// Beyond surviving under ASan and UBSan it checks: every run ends within its
// bound (60 s of virtual time, after which the program is told to close);
// the devices are closed and no buffer is left with them afterwards; the
// bank in memory changes only when a receive succeeded.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bank/bank_image.h"
#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "ground/settings.h"
#include "midi/midi_port.h"
#include "tests/peers/bank_content.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"
#include "transfer/transfer.h"

namespace {

constexpr uint32_t kBoundMs = 60000;
// After the close request: the JX-8P transmit may finish the tone it is
// sending (300 + 750 ms); everything else ends at once.
constexpr uint32_t kEndGraceMs = 1100;
constexpr size_t kMaxPiece = 1024;

void Check(bool condition) {
    if (!condition) std::abort();
}

struct Arrival {
    uint32_t at;
    std::vector<uint8_t> bytes;
};

struct Run {
    std::vector<Arrival> arrivals;
    size_t next = 0;
    uint32_t start = 0;
    bool closing = false;
};

uint32_t now = 1000;
Run run;

// Everything due by now goes to the simulated input, which (driven from
// this thread) delivers it, and every due MOM_DONE, before the program looks
// again: a run is the same every time. Once the bound has passed, the
// program is asked to close, as the user would.
void Feed() {
    while (run.next < run.arrivals.size() &&
           run.arrivals[run.next].at - run.start <= now - run.start) {
        midi_sim::QueueInput(run.arrivals[run.next].bytes);
        ++run.next;
    }
    midi_sim::RunPending();
    if (!run.closing && now - run.start > kBoundMs) {
        run.closing = true;
        RequestQuit();
    }
}

uint32_t FuzzClock() { return now; }

void FuzzSleep(uint32_t ms) {
    now += ms;
    Feed();
}

// A wait on the event passes its whole time-out. With nothing left to
// arrive and no send waiting for a free buffer, the rest of the bound passes
// at once.
bool FuzzWaitWake(uint32_t timeoutMs) {
    const bool sending = midi_sim::PendingOutputMessages() > 0;
    if (!sending && !run.closing && run.next == run.arrivals.size())
        now = run.start + kBoundMs + 1;
    else
        now += timeoutMs;
    Feed();
    return false;
}

bool FuzzCreateEvent() { return true; }
void FuzzSignal() {}
bool FuzzStartThread(void (*)()) { return false; }
void FuzzUiWait(uint32_t) {}

constexpr PlatformOps kFuzzPlatform{FuzzClock,    FuzzSleep,       FuzzCreateEvent, FuzzSignal,
                                    FuzzWaitWake, FuzzStartThread, FuzzUiWait};

void SetUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    SetPlatform(&kFuzzPlatform);
    midi_sim::InstallDriven();
    midi_sim::SetInputDevices({"Fuzz In"});
    midi_sim::SetOutputDevices({"Fuzz Out"});
    EnumerateMidiDevices();
}

struct Procedure {
    int32_t synth;
    int32_t command;
    BankKind bank;
};

constexpr std::array<Procedure, 8> kProcedures{{
    {kSynthJx8p, kCommandReceive, kM64CKind},
    {kSynthJx8p, kCommandTransmit, kM16CKind},
    {kSynthJx10, kCommandReceive, kM16CKind},
    {kSynthJx10, kCommandTransmit, kM64CKind},
    {kSynthMks70, kCommandReceive, kM16CKind},
    {kSynthMks70, kCommandTransmit, kM64CKind},
    {kSynthJx10, kCommandTransmit, kM16CKind},
    {kSynthJx8p, kCommandReceive, kM16CKind},
}};

void Parse(const uint8_t* data, size_t size) {
    run.arrivals.clear();
    run.next = 0;
    run.closing = false;
    run.start = now;
    uint32_t at = now;
    size_t i = 2;
    while (i + 3 <= size) {
        at += 10u * data[i];
        const size_t length = std::min<size_t>(data[i + 1] | (data[i + 2] << 8), kMaxPiece);
        i += 3;
        const size_t taken = std::min(length, size - i);
        if (taken == 0) continue;
        run.arrivals.push_back({at, std::vector<uint8_t>(data + i, data + i + taken)});
        i += taken;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    SetUpOnce();
    const Procedure procedure = kProcedures[data[0] % kProcedures.size()];
    static TransferJob job;
    job.settings = AppSettings{};
    job.settings.synthType = procedure.synth;
    job.settings.midiChannel = data[1] % 17;
    std::snprintf(job.settings.inputDeviceName, sizeof job.settings.inputDeviceName, "Fuzz In");
    std::snprintf(job.settings.outputDeviceName, sizeof job.settings.outputDeviceName, "Fuzz Out");

    const std::vector<uint8_t> bank = procedure.bank == kM16CKind
                                          ? vexa_peers::MakeM16CContent(data[0])
                                          : vexa_peers::MakeM64CContent(data[0]);
    job.image.fill(0);
    std::copy(bank.begin(), bank.end(), job.image.begin());
    job.kind = procedure.bank;
    job.received.store(0);
    const auto before = job.image;

    ResetMailboxForTest();
    shell_recorder::Reset();
    midi_sim::ClearSentMessages();
    midi_sim::ForgetClosedDevices();
    Parse(data, size);
    Feed();
    RunOperation(procedure.command, job);

    Check(now - run.start <= kBoundMs + kEndGraceMs);
    Check(midi_sim::OpenInputDevices() == 0);
    Check(midi_sim::OpenOutputDevices() == 0);
    Check(midi_sim::QueuedInputSlots() == 0);
    Check(midi_sim::PendingOutputMessages() == 0);

    const std::vector<std::string> statuses = shell_recorder::StatusTexts();
    const bool succeeded =
        std::find(statuses.begin(), statuses.end(), "Closing ...") != statuses.end();
    // Only a receive that succeeded brings a bank back; the bank sent is
    // never touched.
    Check(job.image == before && job.kind == procedure.bank);
    if (job.received.load() != 0) Check(procedure.command == kCommandReceive && succeeded);
    return 0;
}
