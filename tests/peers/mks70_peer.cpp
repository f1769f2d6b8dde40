// The scripted MKS-70: its bulk dump with optional faults, and a memory that
// a transmitted bank is loaded into.
#include "tests/peers/mks70_peer.h"

#include <span>
#include <utility>

#include "tests/peers/bank_content.h"
#include "tests/peers/roland_wire.h"

namespace vexa_peers {

namespace {
constexpr int kPatches = 64;
constexpr int kTones = 50;
constexpr int kMessages = kPatches + kTones;
}  // namespace

Mks70Peer::Mks70Peer(PeerLink& link, Mks70Script script)
    : SynthPeer(link), script_(std::move(script)), loaded_(kM64CSize, 0) {}

std::vector<uint8_t> Mks70Peer::DumpMessage(int index, uint8_t channel) const {
    std::span<const uint8_t> image(script_.image);
    if (index < kPatches)
        return Mks70PatchMessage(
            channel, static_cast<uint8_t>(index),
            image.subspan(kPatchBase + wire::kPatchSize * index, wire::kPatchSize));
    const int tone = index - kPatches;
    return Mks70ToneMessage(channel, static_cast<uint8_t>(tone),
                            image.subspan(kToneBase + wire::kToneSize * tone, wire::kToneSize));
}

void Mks70Peer::HandleStart() {
    if (started_) return;
    started_ = true;
    std::vector<int> order;
    for (int i = 0; i < kMessages; ++i) order.push_back(i);
    const int at = script_.faultIndex;
    switch (script_.fault) {
    case Mks70Fault::TonesFirst:
        order.clear();
        for (int i = kPatches; i < kMessages; ++i) order.push_back(i);
        for (int i = 0; i < kPatches; ++i) order.push_back(i);
        break;
    case Mks70Fault::Swapped: std::swap(order[at], order[at + 1]); break;
    case Mks70Fault::Repeated: order.insert(order.begin() + at, at); break;
    case Mks70Fault::Silent: order.resize(static_cast<size_t>(at)); break;
    default: break;
    }
    for (size_t position = 0; position < order.size(); ++position) {
        const int index = order[position];
        const bool here = static_cast<int>(position) == at;
        if (here && script_.fault == Mks70Fault::ForeignBefore) {
            Emit(ForeignSysex());
            Emit({0x80, 0x30, 0x00});
            Emit(DumpMessage(index, static_cast<uint8_t>((script_.channel + 1) & 0x0F)));
            std::vector<uint8_t> other = DumpMessage(index, script_.channel);
            other[5] = 0x10;
            Emit(std::move(other));
        }
        std::vector<uint8_t> m = DumpMessage(index, script_.channel);
        if (here && script_.fault == Mks70Fault::ShortMessage) m.erase(m.end() - 2);
        if (here && script_.fault == Mks70Fault::MissingEnd) m.back() = 0x7F;
        Emit(std::move(m));
    }
}

void Mks70Peer::HandleMessage(const TimedMessage& message) {
    const std::vector<uint8_t>& m = message.bytes;
    const bool upperTone = m.size() == 7 + wire::kToneSize + 1 && m[0] == 0xF0 && m[1] == 0x41 &&
                           m[2] == 0x35 && m[3] == script_.channel && m[4] == wire::kJx10Model &&
                           m[5] == 0x20 && m[6] == 0x01 && m.back() == 0xF7;
    if (upperTone) upperTone_.assign(m.begin() + 7, m.end() - 1);
    Mks70Arrival arrival;
    arrival.length = m.size();
    arrival.timeMs = message.timeMs;
    const bool ours = m.size() >= 9 && m[0] == 0xF0 && m[1] == 0x41 && m[2] == 0x37 &&
                      m[3] == script_.channel && m[4] == wire::kJx10Model && m.back() == 0xF7;
    if (ours && m[5] == 0x30 && m.size() == 106 && m[8] < kPatches) {
        arrival.isPatch = true;
        arrival.number = m[8];
        uint8_t* patch = &loaded_[kPatchBase + wire::kPatchSize * m[8]];
        for (size_t j = 0; j < wire::kPatchSize; ++j)
            patch[j] = static_cast<uint8_t>((m[9 + 2 * j] << 4) | (m[10 + 2 * j] & 0x0F));
    } else if (ours && m[5] == 0x20 && m.size() == 69 && m[8] < kTones) {
        arrival.number = m[8];
        for (size_t j = 0; j < wire::kToneSize; ++j)
            loaded_[kToneBase + wire::kToneSize * m[8] + j] = m[9 + j];
    }
    arrivals_.push_back(arrival);
}

std::vector<Mks70Arrival> Mks70Peer::Arrivals() const {
    std::lock_guard<std::mutex> guard(lock_);
    return arrivals_;
}

std::vector<uint8_t> Mks70Peer::UpperTone() const {
    std::lock_guard<std::mutex> guard(lock_);
    return upperTone_;
}

std::vector<uint8_t> Mks70Peer::LoadedImage() const {
    std::lock_guard<std::mutex> guard(lock_);
    return loaded_;
}

}  // namespace vexa_peers
