// Which stream, sender and receiver belong to each synthesizer setting,
// and which bank kind each one can be sent. Portable.
#pragma once

#include <cstdint>
#include <span>

#include "bank/bank_stream.h"

struct TransferProtocol {
    int32_t synthType;
    // The synthesizer's stream of a whole bank; the bank kind it carries is
    // the only one this synthesizer is sent.
    BankStream stream;
    int32_t (*transmit)(std::span<uint8_t> stream);
    int32_t (*receive)(std::span<uint8_t> buffer);
};

// The protocol of the current synthesizer setting, or null for a setting
// that names none.
const TransferProtocol* ProtocolForSettings();
