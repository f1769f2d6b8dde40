// The adapter between a scripted synthesizer and the simulated MIDI system.
#include "tests/peers/sim_link.h"

#include <chrono>

#include "ground/platform.h"
#include "tests/support/midi_sim.h"
#include "tests/support/virtual_platform.h"

namespace vexa_peers {

SimPeerLink::~SimPeerLink() { Detach(); }

void SimPeerLink::Attach(SynthPeer& peer) {
    Detach();
    peer_ = &peer;
    midi_sim::SetSendListener([this](const uint8_t* bytes, size_t length, uint32_t sentAt) {
        peer_->OnProgramMessage(std::span<const uint8_t>(bytes, length), sentAt);
        const uint32_t cost = sendCostMs_.load(std::memory_order_relaxed);
        if (cost > 0) virtual_platform::Advance(cost);
    });
    watching_.store(true, std::memory_order_release);
    // The count is taken here, not on the new thread: under load the thread
    // may first run after the program has opened and restarted its input,
    // and would then never see those starts.
    watcher_ = std::thread([this, seen = midi_sim::InputStartCount()]() mutable {
        while (watching_.load(std::memory_order_acquire)) {
            const uint32_t starts = midi_sim::InputStartCount();
            if (starts != seen) {
                seen = starts;
                peer_->OnProgramListening();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
}

void SimPeerLink::Detach() {
    if (peer_ == nullptr) return;
    midi_sim::SetSendListener(nullptr);
    watching_.store(false, std::memory_order_release);
    if (watcher_.joinable()) watcher_.join();
    peer_ = nullptr;
}

void SimPeerLink::SendToProgram(std::span<const uint8_t> bytes) {
    midi_sim::QueueInput(bytes.data(), bytes.size());
}

uint32_t SimPeerLink::NowMs() { return NowMilliseconds(); }

bool SimPeerLink::ProgramListening() { return midi_sim::InputListening(); }

uint32_t SimPeerLink::ProgramInputStarts() { return midi_sim::InputStartCount(); }

}  // namespace vexa_peers
