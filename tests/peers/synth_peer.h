// Scripted synthesizers for exercising the program's transfers end to end.
//
// A peer plays one synthesizer (and, where it matters, the person at its
// panel). It is transport-agnostic: it never touches a MIDI system, a
// clock or a thread of its own.
//
//   * The transport gives the peer a PeerLink: SendToProgram() puts one
//     whole message on the program's MIDI input (a short message of 1 to 3
//     bytes, or a System Exclusive message F0 ... F7 as a synthesizer sends
//     it on the wire); NowMs() reads the clock that also stamps the
//     program's messages; ProgramListening() says whether the program's
//     input is open (transports that cannot tell return true);
//     ProgramInputStarts() counts how often the program has started its
//     MIDI input (each open and each restart). The two queries may be
//     called with the peer's lock held and must not call back into it.
//   * The transport calls OnProgramMessage() with every whole message that
//     the program sent, stamped with the time its send began, and
//     OnProgramListening() whenever the program may have (re)started its
//     input (a spurious call is harmless). The JX-10 peer relies on this:
//     the program restarts its input after every System Exclusive message
//     it takes, discarding whatever was queued behind it, so after each
//     System Exclusive message the JX-10 peer holds everything back until
//     ProgramInputStarts() has moved on. A transport that cannot count
//     starts turns that off (gateOnRestart).
//   * The test (or whoever plays the user) calls Start() when the user
//     would press the synthesizer's button: MIDI BULK DUMP, a bulk load, or
//     beginning to select tones.
//   * A peer may answer after a delay (EmitAt): the transport calls
//     OnClock() whenever its clock may have moved (a virtual clock on each
//     of the program's sleeps, a real one every millisecond or so), and the
//     answers that are due then go out.
//
// Every entry point may be called from any thread; a peer serialises them
// itself and never calls the link while holding its lock, so a transport
// may deliver the peer's output synchronously and call back into the peer
// from inside SendToProgram. Output keeps its order.
//
// What the program sent is kept (Received()) together with each peer's own
// reading of it (decoded banks, checksum verdicts, arrival times).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace vexa_peers {

class PeerLink {
  public:
    virtual ~PeerLink() = default;
    virtual void SendToProgram(std::span<const uint8_t> bytes) = 0;
    virtual uint32_t NowMs() = 0;
    virtual bool ProgramListening() { return true; }
    virtual uint32_t ProgramInputStarts() { return 0; }
};

struct TimedMessage {
    std::vector<uint8_t> bytes;
    uint32_t timeMs = 0;
};

class SynthPeer {
  public:
    explicit SynthPeer(PeerLink& link, bool gateOnRestart = false);
    virtual ~SynthPeer() = default;
    SynthPeer(const SynthPeer&) = delete;
    SynthPeer& operator=(const SynthPeer&) = delete;

    void Start();
    void OnProgramMessage(std::span<const uint8_t> bytes, uint32_t timeMs);
    void OnProgramListening();
    void OnClock();

    std::vector<TimedMessage> Received() const;
    // How many messages the peer has put on the program's input.
    size_t SentCount() const;

  protected:
    // Called with the peer's lock held; they queue output with Emit().
    virtual void HandleStart() = 0;
    virtual void HandleMessage(const TimedMessage& message) = 0;
    // A System Exclusive message closes the gate behind it (with
    // gateOnRestart) unless `gates` is false: for a message the program
    // takes without restarting its input.
    void Emit(std::vector<uint8_t> bytes, bool gates = true);
    // Queues a message to go out once the link's clock has reached dueMs.
    void EmitAt(std::vector<uint8_t> bytes, uint32_t dueMs, bool gates = true);

    mutable std::mutex lock_;

  private:
    void Flush();

    PeerLink& link_;
    const bool gateOnRestart_;
    bool gateClosed_ = false;
    uint32_t gateStarts_ = 0;  // input starts counted when the gate closed
    bool flushing_ = false;
    size_t sentCount_ = 0;
    struct Outgoing {
        std::vector<uint8_t> bytes;
        bool gates = true;
        uint32_t dueMs = 0;  // EmitAt's only
    };
    std::deque<Outgoing> outbox_;
    std::deque<Outgoing> later_;  // EmitAt's messages, in the order given
    std::vector<TimedMessage> received_;
};

}  // namespace vexa_peers
