// The scripted JX-10: MIDI BULK DUMP and bulk load with optional faults.
#include "tests/peers/jx10_peer.h"

#include <utility>

#include "tests/peers/roland_wire.h"

namespace vexa_peers {

Jx10Peer::Jx10Peer(PeerLink& link, Jx10Script script)
    : SynthPeer(link, script.gateOnRestart), script_(std::move(script)) {}

int Jx10Peer::DumpBlocks() const { return script_.kind == 0x16 ? 16 : 64; }

std::vector<uint8_t> Jx10Peer::StepMessage(int step, uint8_t channel, bool damaged) const {
    const bool dump = script_.role == Jx10Role::Dump;
    if (step == 0) {
        std::vector<uint8_t> m = KindMessage(dump ? wire::kWsd : wire::kRqd, channel, script_.kind);
        if (damaged) m[6] = static_cast<uint8_t>((m[6] + 1) & 0x7F);
        return m;
    }
    if (step > DumpBlocks()) return HandshakeMessage(wire::kEof, channel);
    const size_t offset = static_cast<size_t>(step - 1) * wire::kBlockSize;
    std::vector<uint8_t> block(wire::kBlockSize, 0);
    for (size_t i = 0; i < wire::kBlockSize && offset + i < script_.image.size(); ++i)
        block[i] = script_.image[offset + i];
    std::vector<uint8_t> m = DataBlockMessage(channel, block);
    if (damaged) m[261] = static_cast<uint8_t>((m[261] + 1) & 0x7F);
    return m;
}

void Jx10Peer::SendStep(int step) {
    const bool faulty = script_.fault != Jx10Fault::None && step == script_.faultStep;
    const uint8_t channel = script_.channel;
    if (faulty) {
        switch (script_.fault) {
        case Jx10Fault::Silent: silent_ = true; return;
        case Jx10Fault::ErrInstead: Emit(HandshakeMessage(wire::kErr, channel)); return;
        case Jx10Fault::RjcInstead: Emit(HandshakeMessage(wire::kRjc, channel)); return;
        case Jx10Fault::EofInstead: Emit(HandshakeMessage(wire::kEof, channel)); return;
        case Jx10Fault::ErrBefore: Emit(HandshakeMessage(wire::kErr, channel)); break;
        case Jx10Fault::ForeignBefore:
            Emit(ForeignSysex());
            Emit({0x90, 0x3C, 0x40});
            Emit({0xF8});
            Emit(StepMessage(step, static_cast<uint8_t>((channel + 1) & 0x0F), false));
            break;
        default: break;
        }
    }
    std::vector<uint8_t> m =
        StepMessage(step, channel, faulty && script_.fault == Jx10Fault::BadChecksum);
    if (faulty && script_.fault == Jx10Fault::ShortBlock && m.size() == 263) {
        m.erase(m.begin() + 259, m.begin() + 261);  // two nibbles lost, 261 bytes
    }
    if (step >= 1 && step <= DumpBlocks()) ++blocksSent_;
    Emit(std::move(m));
}

void Jx10Peer::HandleStart() {
    if (started_) return;
    started_ = true;
    nextStep_ = 1;
    SendStep(0);
}

void Jx10Peer::AnswerLoadStep(int step, uint32_t sentAt) {
    if (silent_ || loadEnded_) return;
    const bool faulty = script_.fault != Jx10Fault::None && step == script_.faultStep;
    uint8_t answer = wire::kAck;
    if (faulty && script_.fault == Jx10Fault::Silent) {
        silent_ = true;
        return;
    }
    if (faulty && script_.fault == Jx10Fault::ErrInstead) answer = wire::kErr;
    if (faulty && script_.fault == Jx10Fault::RjcInstead) answer = wire::kRjc;
    if (answer == wire::kAck && !script_.acknowledge) return;
    // A JX-10 that refused stops listening to the load.
    if (answer != wire::kAck) loadEnded_ = true;
    answers_.push_back(answer);
    answerTimes_.push_back(sentAt + script_.ackDelayMs);
    // The program takes a load's answers without restarting its input, so
    // they do not wait for a restart.
    std::vector<uint8_t> m = HandshakeMessage(answer, script_.channel);
    if (script_.ackDelayMs == 0)
        Emit(std::move(m), false);
    else
        EmitAt(std::move(m), sentAt + script_.ackDelayMs, false);
}

void Jx10Peer::HandleMessage(const TimedMessage& message) {
    const int command = HandshakeCommand(message.bytes, script_.channel);
    if (command == wire::kRjc) {
        ++rejects_;
        loadEnded_ = true;
    }
    if (script_.role == Jx10Role::Dump) {
        if (command != wire::kAck) return;
        ++acks_;
        // Each acknowledgement lets the next message go; after the
        // EofMessage the dump is over and further ones are only counted.
        if (!started_ || silent_ || nextStep_ > DumpBlocks() + 1) return;
        SendStep(nextStep_++);
        return;
    }
    if (command == wire::kDat) {
        Jx10Block block;
        block.length = message.bytes.size();
        block.timeMs = message.timeMs;
        block.checksumOk = HandshakeChecksumOk(message.bytes);
        if (auto data = DecodeDataBlock(message.bytes)) block.data = std::move(*data);
        blocks_.push_back(std::move(block));
        AnswerLoadStep(static_cast<int>(blocks_.size()), message.timeMs);
    } else if (command == wire::kEof && message.bytes.size() == 6) {
        eofTime_ = message.timeMs;
        AnswerLoadStep(static_cast<int>(blocks_.size()) + 1, message.timeMs);
    } else if (command == wire::kAck) {
        ++acks_;
    }
}

int Jx10Peer::AckCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return acks_;
}

int Jx10Peer::RejectCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return rejects_;
}

std::vector<Jx10Block> Jx10Peer::Blocks() const {
    std::lock_guard<std::mutex> guard(lock_);
    return blocks_;
}

std::vector<uint8_t> Jx10Peer::LoadedImage() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<uint8_t> image;
    for (const Jx10Block& b : blocks_) image.insert(image.end(), b.data.begin(), b.data.end());
    return image;
}

std::optional<uint32_t> Jx10Peer::EofTime() const {
    std::lock_guard<std::mutex> guard(lock_);
    return eofTime_;
}

std::vector<uint8_t> Jx10Peer::Answers() const {
    std::lock_guard<std::mutex> guard(lock_);
    return answers_;
}

std::vector<uint32_t> Jx10Peer::AnswerTimes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return answerTimes_;
}

int Jx10Peer::BlocksSent() const {
    std::lock_guard<std::mutex> guard(lock_);
    return blocksSent_;
}

}  // namespace vexa_peers
