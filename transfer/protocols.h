// Which streams, sender and receiver belong to each synthesizer setting,
// which bank kinds each one can be sent, and whether it speaks first on a
// transmit. Portable.
#pragma once

#include <array>
#include <cstdint>

#include "bank/bank_stream.h"

struct TransferSession;

struct TransferProtocol {
    int32_t synthType;
    // The synthesizer's streams of a whole bank, one per bank kind it is
    // sent (None where it takes only one); a bank of another kind is never
    // sent to it.
    std::array<BankStream, 2> streams;
    // The synthesizer asks for a transmit (the JX-10's RqdMessage), so the
    // "Auto" channel setting can learn the channel from it; the others are
    // never heard during a transmit and need a channel chosen.
    bool asksForTransmit;
    int32_t (*transmit)(TransferSession& session);
    int32_t (*receive)(TransferSession& session);
};

// The protocol of a synthesizer setting, or null for a setting that names
// none.
const TransferProtocol* ProtocolFor(int32_t synthType);
// The stream that carries a bank of this kind to the protocol's
// synthesizer, or None when it is never sent one.
BankStream TransmitStream(const TransferProtocol& protocol, BankKind kind);
