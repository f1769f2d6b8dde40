// Which encoder, sender and receiver belong to each synthesizer setting,
// and which bank kind each one can be sent. Portable.
#pragma once

#include <cstdint>
#include <span>

struct TransferProtocol {
    int32_t synthType;
    int32_t transmitKind;  // the only bank kind this synthesizer is sent
    // Writes the synthesizer's stream of the bank in memory into
    // TransferBuffer, with the given channel byte.
    void (*encode)(uint8_t channel);
    int32_t (*transmit)(std::span<uint8_t> stream);
    int32_t (*receive)(std::span<uint8_t> buffer);
};

// The protocol of the current synthesizer setting, or null for a setting
// that names none.
const TransferProtocol* ProtocolForSettings();
