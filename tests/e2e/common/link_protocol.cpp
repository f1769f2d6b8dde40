// Packet framing of the virtual MIDI link.
#include "tests/e2e/common/link_protocol.h"

#include <cstring>

size_t EncodePacket(uint8_t kind, int64_t stampMicros, const uint8_t* bytes, size_t length,
                    uint8_t* out, size_t outSize) {
    const size_t payload = kind == kPacketMidi ? kStampSize + length : 0;
    if (payload > kMaxPayload || kPacketHeader + payload > outSize) return 0;
    out[0] = kind;
    out[1] = static_cast<uint8_t>(payload & 0xFF);
    out[2] = static_cast<uint8_t>(payload >> 8);
    if (kind == kPacketMidi) {
        const uint64_t stamp = static_cast<uint64_t>(stampMicros);
        for (size_t i = 0; i < kStampSize; ++i)
            out[kPacketHeader + i] = static_cast<uint8_t>(stamp >> (8 * i));
        if (length) memcpy(out + kPacketHeader + kStampSize, bytes, length);
    }
    return kPacketHeader + payload;
}

void FeedLink(LinkDecoder& d, const uint8_t* bytes, size_t length,
              std::vector<LinkPacket>& packets) {
    if (d.broken) return;
    d.pending.insert(d.pending.end(), bytes, bytes + length);
    size_t at = 0;
    while (d.pending.size() - at >= kPacketHeader) {
        const uint8_t kind = d.pending[at];
        const size_t payload = d.pending[at + 1] | static_cast<size_t>(d.pending[at + 2]) << 8;
        const bool known = kind == kPacketMidi || kind == kPacketListening || kind == kPacketQuiet;
        if (!known || (kind == kPacketMidi && payload < kStampSize) ||
            (kind != kPacketMidi && payload != 0)) {
            d.broken = true;
            break;
        }
        if (d.pending.size() - at - kPacketHeader < payload) break;
        LinkPacket packet;
        packet.kind = kind;
        if (kind == kPacketMidi) {
            uint64_t stamp = 0;
            for (size_t i = 0; i < kStampSize; ++i)
                stamp |= static_cast<uint64_t>(d.pending[at + kPacketHeader + i]) << (8 * i);
            packet.stampMicros = static_cast<int64_t>(stamp);
            const auto first =
                d.pending.begin() + static_cast<std::ptrdiff_t>(at + kPacketHeader + kStampSize);
            packet.bytes.assign(first, first + static_cast<std::ptrdiff_t>(payload - kStampSize));
        }
        packets.push_back(std::move(packet));
        at += kPacketHeader + payload;
    }
    d.pending.erase(d.pending.begin(), d.pending.begin() + static_cast<std::ptrdiff_t>(at));
}
