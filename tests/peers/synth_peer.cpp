// The part every scripted synthesizer shares: serialising the entry points,
// keeping what the program sent, and sending queued output in order without
// holding the lock (so a transport may call back in while it delivers).
#include "tests/peers/synth_peer.h"

#include <thread>
#include <utility>

namespace vexa_peers {

SynthPeer::SynthPeer(PeerLink& link, bool gateOnRestart)
    : link_(link), gateOnRestart_(gateOnRestart) {}

void SynthPeer::Start() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        HandleStart();
    }
    Flush();
}

void SynthPeer::OnProgramMessage(std::span<const uint8_t> bytes, uint32_t timeMs) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        TimedMessage message{std::vector<uint8_t>(bytes.begin(), bytes.end()), timeMs};
        received_.push_back(message);
        HandleMessage(message);
    }
    Flush();
}

void SynthPeer::OnProgramListening() { Flush(); }

void SynthPeer::OnClock() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        const uint32_t now = link_.NowMs();
        // Due when the clock has reached the time; the difference is taken
        // as signed so that it holds across the clock's wrap.
        while (!later_.empty() && static_cast<int32_t>(now - later_.front().dueMs) >= 0) {
            outbox_.push_back(std::move(later_.front()));
            later_.pop_front();
        }
    }
    // Whatever is ready goes out before the clock moves on, also when another
    // thread (the transport's watcher) is in the middle of sending it: the
    // transport delivers it before the program looks again.
    for (;;) {
        Flush();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!flushing_ && (outbox_.empty() || gateClosed_)) return;
        }
        std::this_thread::yield();
    }
}

std::vector<TimedMessage> SynthPeer::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

size_t SynthPeer::SentCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sentCount_;
}

void SynthPeer::Emit(std::vector<uint8_t> bytes, bool gates) {
    outbox_.push_back({std::move(bytes), gates, 0});
}

void SynthPeer::EmitAt(std::vector<uint8_t> bytes, uint32_t dueMs, bool gates) {
    later_.push_back({std::move(bytes), gates, dueMs});
}

// One thread at a time drains the outbox; a call that finds another one
// draining (or a re-entrant call from inside SendToProgram) leaves its
// messages to it, which keeps the order.
void SynthPeer::Flush() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (flushing_) return;
        flushing_ = true;
    }
    for (;;) {
        std::vector<uint8_t> next;
        {
            std::lock_guard<std::mutex> guard(lock_);
            // The gate opens once the program has started its input again
            // after the message that closed it. Only that message can cause
            // the next start: nothing else is sent meanwhile.
            if (gateClosed_ && link_.ProgramInputStarts() != gateStarts_) gateClosed_ = false;
            if (outbox_.empty() || gateClosed_) {
                flushing_ = false;
                return;
            }
            const bool gates = outbox_.front().gates;
            next = std::move(outbox_.front().bytes);
            outbox_.pop_front();
            ++sentCount_;
            // Counted before the send, so the restart that the message causes
            // cannot be missed.
            if (gateOnRestart_ && gates && !next.empty() && next[0] == 0xF0) {
                gateClosed_ = true;
                gateStarts_ = link_.ProgramInputStarts();
            }
        }
        link_.SendToProgram(next);
    }
}

}  // namespace vexa_peers
