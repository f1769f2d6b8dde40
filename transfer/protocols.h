// Which encoder, sender and receiver belong to each synthesizer setting,
// which bank kinds each one can be sent, and whether it speaks first on a
// transmit. Portable.
#pragma once

#include <cstdint>
#include <span>

struct TransferProtocol {
    int32_t synthType;
    // Writes the synthesizer's stream of the bank in memory, of the given
    // kind, into TransferBuffer with the given channel byte. False, with
    // nothing written, for a kind this synthesizer is never sent.
    bool (*encode)(int32_t kind, uint8_t channel);
    // The synthesizer asks for a transmit (the JX-10's RqdMessage), so the
    // "Auto" channel setting can learn the channel from it; the others are
    // never heard during a transmit and need a channel chosen.
    bool asksForTransmit;
    int32_t (*transmit)(std::span<uint8_t> stream);
    int32_t (*receive)(std::span<uint8_t> buffer);
};

// The protocol of the current synthesizer setting, or null for a setting
// that names none.
const TransferProtocol* ProtocolForSettings();
