// The scripted JX-8P: tones selected one by one, and a memory for tones
// that the program sends.
#include "tests/peers/jx8p_peer.h"

#include <algorithm>
#include <span>
#include <utility>

#include "tests/peers/bank_content.h"
#include "tests/peers/roland_wire.h"

namespace vexa_peers {

namespace {
constexpr int kTones = 32;
}

Jx8pPeer::Jx8pPeer(PeerLink& link, Jx8pScript script)
    : SynthPeer(link), script_(std::move(script)), memory_(script_.image) {}

void Jx8pPeer::Select(int tone, uint8_t channel, Jx8pFault damage) {
    Emit(ProgramChange(channel, static_cast<uint8_t>(tone)));
    std::vector<uint8_t> m =
        Jx8pToneMessage(channel, std::span<const uint8_t>(script_.image)
                                     .subspan(kToneBase + wire::kToneSize * tone, wire::kToneSize));
    if (damage == Jx8pFault::ShortTone) m.erase(m.end() - 2);
    if (damage == Jx8pFault::MissingEnd) m.back() = 0x7F;
    Emit(std::move(m));
}

void Jx8pPeer::HandleStart() {
    if (started_) return;
    started_ = true;
    const uint8_t ch = script_.channel;
    const uint8_t other = static_cast<uint8_t>((ch + 1) & 0x0F);
    for (int tone = 0; tone < kTones; ++tone) {
        const bool here = script_.fault != Jx8pFault::None && tone == script_.faultTone;
        if (here) {
            switch (script_.fault) {
            case Jx8pFault::Silent: return;
            case Jx8pFault::SelectAhead:
                if (tone + 1 < kTones) Select(tone + 1, ch);
                break;
            case Jx8pFault::OtherChannel: Select(tone, other); break;
            case Jx8pFault::ForeignBefore: {
                Emit(ForeignSysex());
                Emit({0x90, 0x40, 0x7F});
                std::vector<uint8_t> stray = Jx8pToneMessage(
                    ch,
                    std::span<const uint8_t>(script_.image).subspan(kToneBase, wire::kToneSize));
                Emit(stray);
                stray[5] = 0x10;  // same header up to byte 4, another kind
                Emit(std::move(stray));
                break;
            }
            default: break;
            }
        }
        Select(tone, ch, here ? script_.fault : Jx8pFault::None);
    }
}

void Jx8pPeer::HandleMessage(const TimedMessage& message) {
    const std::vector<uint8_t>& m = message.bytes;
    if (m.size() < 6 || m[0] != 0xF0 || m[1] != 0x41 || m[3] != script_.channel ||
        m[4] != wire::kJx8pModel)
        return;
    if (m[2] == 0x36 && m.size() == 10 && m[9] == 0xF7) {
        parameters_.push_back({m[7], m[8], message.timeMs});
        if (script_.startOnRequest && m[7] == 0x07 && m[8] == 0x1F) HandleStart();
    } else if (m[2] == 0x35 && m.size() == 67 && m[66] == 0xF7) {
        tones_.emplace_back(m.begin() + 7, m.begin() + 66);
        editBuffer_ = tones_.back();
    } else if (m[2] == 0x34 && m.size() == 11 && m[10] == 0xF7 && m[8] < kTones &&
               !editBuffer_.empty()) {
        const size_t at = kToneBase + wire::kToneSize * m[8];
        if (memory_.size() >= at + wire::kToneSize)
            std::copy(editBuffer_.begin(), editBuffer_.end(), memory_.begin() + at);
        ++memoryWrites_;
    }
}

std::vector<uint8_t> Jx8pPeer::EditBuffer() const {
    std::lock_guard<std::mutex> guard(lock_);
    return editBuffer_;
}

std::vector<uint8_t> Jx8pPeer::Memory() const {
    std::lock_guard<std::mutex> guard(lock_);
    return memory_;
}

int Jx8pPeer::MemoryWrites() const {
    std::lock_guard<std::mutex> guard(lock_);
    return memoryWrites_;
}

std::vector<Jx8pParameter> Jx8pPeer::Parameters() const {
    std::lock_guard<std::mutex> guard(lock_);
    return parameters_;
}

std::vector<std::vector<uint8_t>> Jx8pPeer::Tones() const {
    std::lock_guard<std::mutex> guard(lock_);
    return tones_;
}

}  // namespace vexa_peers
