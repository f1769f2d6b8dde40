// The transport's speed goals, measured on the host against the simulated
// MIDI system with the real platform table:
//  - an idle WaitForMessage of 2 s costs the worker at most 1% of a core
//    (thread CPU time, and the whole process's alongside);
//  - from PostCommand of Stop to WaitForMessage returning -1: at most 20 ms;
//  - ring records per second, one producer and one consumer thread.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/platform.h"
#include "midi/input_ring.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "tests/support/midi_sim.h"
#include "tests/support/shell_recorder.h"

namespace {

constexpr int32_t kStop = kCommandStop;

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An open input and output on the simulated system, the real platform, an
// empty mailbox and a closed log.
struct OpenPorts {
    OpenPorts() {
        SetPlatform(nullptr);
        Platform().createWakeEvent();
        ResetMailboxForTest();
        shell_recorder::Reset();
        shell_recorder::SetLogOpen(false);
        midi_sim::Install();
        midi_sim::SetInputDevices({"In"});
        midi_sim::SetOutputDevices({"Out"});
        ok = OpenMidiPorts("In", "Out") == kMidiPortsOpen;
    }
    ~OpenPorts() {
        CloseMidiPorts();
        midi_sim::Uninstall();
        ResetMailboxForTest();
    }
    bool ok = false;
};

void BM_IdleWaitCpu(benchmark::State& state) {
    OpenPorts ports;
    if (!ports.ok) {
        state.SkipWithError("could not open the simulated devices");
        return;
    }
    for (auto _ : state) {
        std::atomic<double> threadCpu{0};
        std::atomic<int32_t> result{0};
        const double processBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double wallBefore = WallSeconds();
        std::thread worker([&] {
            const double before = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            std::array<uint8_t, kReceiveBufferSize> message{};
            result = WaitForMessage(message);
            threadCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
        });
        std::this_thread::sleep_for(std::chrono::seconds(2));
        PostCommand(kStop);
        worker.join();
        const double wall = WallSeconds() - wallBefore;
        const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore;
        ResetMailboxForTest();
        if (result != -1) state.SkipWithError("the wait did not end by the Stop");
        state.counters["worker_cpu_percent"] = 100.0 * threadCpu / wall;
        state.counters["process_cpu_percent"] = 100.0 * processCpu / wall;
    }
}
BENCHMARK(BM_IdleWaitCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_StopLatency(benchmark::State& state) {
    OpenPorts ports;
    if (!ports.ok) {
        state.SkipWithError("could not open the simulated devices");
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        std::atomic<double> returnedAt{0};
        std::thread worker([&] {
            std::array<uint8_t, kReceiveBufferSize> message{};
            WaitForMessage(message);
            returnedAt = WallSeconds();
        });
        // Let the worker settle into its idle wait first.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const double postedAt = WallSeconds();
        PostCommand(kStop);
        worker.join();
        const double latency = returnedAt - postedAt;
        worst = std::max(worst, latency);
        state.SetIterationTime(latency);
        ResetMailboxForTest();
        Platform().waitWakeEvent(0);
    }
    state.counters["worst_ms"] = worst * 1000.0;
}
BENCHMARK(BM_StopLatency)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

void BM_RingRecords(benchmark::State& state) {
    const auto length = static_cast<uint32_t>(state.range(0));
    constexpr uint32_t kBatch = 100000;
    MidiHeader* h = MidiInputSlotHeader(0);
    std::memset(h->lpData, 0x42, kInputSlotSize);
    uint64_t stored = 0;
    for (auto _ : state) {
        RingReset();
        std::atomic<bool> producing{true};
        std::thread producer([&] {
            for (uint32_t i = 0; i < kBatch; ++i) {
                if (length <= 3) {
                    MidiInputCallback(nullptr, kMimData, 0, 0x00407F90u, i);
                } else {
                    h->dwBytesRecorded = length;
                    MidiInputCallback(nullptr, kMimLongData, 0, reinterpret_cast<uintptr_t>(h), i);
                }
            }
            producing = false;
        });
        uint8_t buffer[2048];
        for (;;) {
            const bool last = !producing.load();
            if (ReadInputMessage(buffer) == 0) {
                if (last) break;
                continue;
            }
            ++stored;
        }
        producer.join();
    }
    state.SetItemsProcessed(static_cast<int64_t>(stored));
    state.counters["stored_fraction"] =
        static_cast<double>(stored) / (static_cast<double>(state.iterations()) * kBatch);
}
BENCHMARK(BM_RingRecords)->Arg(3)->Arg(67)->Arg(262)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
