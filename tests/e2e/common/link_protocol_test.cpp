// The link framing must survive TCP's arbitrary splitting and reject a
// stream that is out of step, or the far side would mistake bytes.
#include "tests/e2e/common/link_protocol.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Stream() {
    std::vector<uint8_t> stream(64);
    const uint8_t sysex[] = {0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7};
    size_t n = EncodePacket(kPacketMidi, 0x0102030405060708LL, sysex, sizeof sysex, stream.data(),
                            stream.size());
    n += EncodePacket(kPacketListening, 0, nullptr, 0, stream.data() + n, stream.size() - n);
    n += EncodePacket(kPacketMidi, 7, sysex, 2, stream.data() + n, stream.size() - n);
    stream.resize(n);
    return stream;
}

TEST(LinkProtocol, PacketsSurviveAnySplitOfTheStream) {
    const std::vector<uint8_t> stream = Stream();
    for (size_t piece = 1; piece <= stream.size(); ++piece) {
        LinkDecoder decoder;
        std::vector<LinkPacket> packets;
        for (size_t at = 0; at < stream.size(); at += piece)
            FeedLink(decoder, stream.data() + at, std::min(piece, stream.size() - at), packets);
        ASSERT_EQ(packets.size(), 3u) << "pieces of " << piece;
        EXPECT_EQ(packets[0].stampMicros, 0x0102030405060708LL);
        EXPECT_EQ(packets[0].bytes, (std::vector<uint8_t>{0xF0, 0x41, 0x43, 0x00, 0x24, 0xF7}));
        EXPECT_EQ(packets[1].kind, kPacketListening);
        EXPECT_EQ(packets[2].stampMicros, 7);
        EXPECT_EQ(packets[2].bytes.size(), 2u);
        EXPECT_FALSE(decoder.broken);
    }
}

TEST(LinkProtocol, OutOfStepStreamsAreRefused) {
    const std::vector<std::vector<uint8_t>> bad = {
        {'Z', 0, 0},                   // unknown kind
        {kPacketMidi, 3, 0, 1, 2, 3},  // MIDI payload shorter than its stamp
        {kPacketQuiet, 1, 0, 9},       // event with a payload
    };
    for (const auto& stream : bad) {
        LinkDecoder decoder;
        std::vector<LinkPacket> packets;
        FeedLink(decoder, stream.data(), stream.size(), packets);
        EXPECT_TRUE(decoder.broken);
        EXPECT_TRUE(packets.empty());
    }
}

TEST(LinkProtocol, OversizedMessagesAreNotEncoded) {
    std::vector<uint8_t> big(kMaxPayload);
    std::vector<uint8_t> out(kMaxPayload + 16);
    EXPECT_EQ(EncodePacket(kPacketMidi, 0, big.data(), big.size(), out.data(), out.size()), 0u);
    EXPECT_EQ(EncodePacket(kPacketMidi, 0, big.data(), 10, out.data(), 12), 0u);  // out too small
}

}  // namespace
