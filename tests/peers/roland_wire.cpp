// Builds and reads the Roland messages on the synthesizers' side.
#include "tests/peers/roland_wire.h"

namespace vexa_peers {

namespace {

std::vector<uint8_t> Frame(uint8_t op, uint8_t channel, uint8_t model) {
    return {0xF0, 0x41, op, channel, model};
}

}  // namespace

uint8_t ChecksumFor(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>((128 - (sum % 128)) % 128);
}

std::vector<uint8_t> HandshakeMessage(uint8_t command, uint8_t channel) {
    std::vector<uint8_t> m = Frame(command, channel, wire::kJx10Model);
    m.push_back(0xF7);
    return m;
}

std::vector<uint8_t> KindMessage(uint8_t command, uint8_t channel, uint8_t kind) {
    std::vector<uint8_t> m = Frame(command, channel, wire::kJx10Model);
    m.push_back(kind);
    const uint8_t body[] = {kind};
    m.push_back(ChecksumFor(body));
    m.push_back(0xF7);
    return m;
}

std::vector<uint8_t> DataBlockMessage(uint8_t channel, std::span<const uint8_t> block128) {
    std::vector<uint8_t> m = Frame(wire::kDat, channel, wire::kJx10Model);
    for (uint8_t b : block128) {
        m.push_back(static_cast<uint8_t>(b >> 4));
        m.push_back(static_cast<uint8_t>(b & 0x0F));
    }
    m.push_back(ChecksumFor(std::span<const uint8_t>(m).subspan(5)));
    m.push_back(0xF7);
    return m;
}

bool HandshakeChecksumOk(std::span<const uint8_t> message) {
    if (message.size() < 7) return true;
    unsigned sum = 0;
    for (size_t i = 5; i + 1 < message.size(); ++i) sum += message[i];
    return sum % 128 == 0;
}

std::optional<std::vector<uint8_t>> DecodeDataBlock(std::span<const uint8_t> message) {
    if (message.size() != 263 || message[2] != wire::kDat || message[262] != 0xF7)
        return std::nullopt;
    std::vector<uint8_t> block(wire::kBlockSize);
    for (size_t k = 0; k < wire::kBlockSize; ++k)
        block[k] = static_cast<uint8_t>((message[5 + 2 * k] << 4) | (message[6 + 2 * k] & 0x0F));
    return block;
}

int HandshakeCommand(std::span<const uint8_t> message, uint8_t channel) {
    if (message.size() < 6 || message[0] != 0xF0 || message[1] != 0x41 || message[3] != channel ||
        message[4] != wire::kJx10Model)
        return -1;
    return message[2];
}

std::vector<uint8_t> Mks70PatchMessage(uint8_t channel, uint8_t patch,
                                       std::span<const uint8_t> record48) {
    std::vector<uint8_t> m = Frame(0x37, channel, wire::kJx10Model);
    m.insert(m.end(), {0x30, 0x01, 0x00, patch});
    for (uint8_t b : record48) {
        m.push_back(static_cast<uint8_t>(b >> 4));
        m.push_back(static_cast<uint8_t>(b & 0x0F));
    }
    m.push_back(0xF7);
    return m;
}

std::vector<uint8_t> Mks70ToneMessage(uint8_t channel, uint8_t tone,
                                      std::span<const uint8_t> record59) {
    std::vector<uint8_t> m = Frame(0x37, channel, wire::kJx10Model);
    m.insert(m.end(), {0x20, 0x01, 0x00, tone});
    m.insert(m.end(), record59.begin(), record59.end());
    m.push_back(0xF7);
    return m;
}

std::vector<uint8_t> Jx8pToneMessage(uint8_t channel, std::span<const uint8_t> record59) {
    std::vector<uint8_t> m = Frame(0x35, channel, wire::kJx8pModel);
    m.insert(m.end(), {0x20, 0x01});
    m.insert(m.end(), record59.begin(), record59.end());
    m.push_back(0xF7);
    return m;
}

std::vector<uint8_t> ProgramChange(uint8_t channel, uint8_t program) {
    return {static_cast<uint8_t>(0xC0 | (channel & 0x0F)), program};
}

std::vector<uint8_t> ForeignSysex() {
    // A Yamaha parameter change: same framing, another manufacturer.
    return {0xF0, 0x43, 0x10, 0x24, 0x40, 0x00, 0x7F, 0xF7};
}

}  // namespace vexa_peers
