// Connects a scripted synthesizer to the simulated MIDI system: what the
// program sends reaches the peer through the simulator's send listener
// (with the simulator's time stamp), what the peer sends is queued as MIDI
// input, and the simulator's count of input starts (opens and restarts)
// is what the peer reads to know that the program listens again. A
// watcher thread wakes the peer whenever that count moves, for the
// restarts that no send of the program follows.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "tests/peers/synth_peer.h"

namespace vexa_peers {

class SimPeerLink : public PeerLink {
  public:
    SimPeerLink() = default;
    ~SimPeerLink() override;
    SimPeerLink(const SimPeerLink&) = delete;
    SimPeerLink& operator=(const SimPeerLink&) = delete;

    // Install the simulator first; Detach (or the destructor) before the
    // peer goes away or the simulator is uninstalled.
    void Attach(SynthPeer& peer);
    void Detach();

    // Each send of the program advances the virtual clock by this much, as
    // a slow interface would take time to hand a message over.
    void SetSendCostMs(uint32_t ms) { sendCostMs_.store(ms, std::memory_order_relaxed); }

    void SendToProgram(std::span<const uint8_t> bytes) override;
    uint32_t NowMs() override;
    bool ProgramListening() override;
    uint32_t ProgramInputStarts() override;

  private:
    SynthPeer* peer_ = nullptr;
    std::atomic<bool> watching_{false};
    std::atomic<uint32_t> sendCostMs_{0};
    std::thread watcher_;
};

}  // namespace vexa_peers
