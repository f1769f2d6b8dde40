// The protocol table: one row per synthesizer setting. Knows the encoders
// and the procedures, not the devices or the shell.
#include "transfer/protocols.h"

#include <array>

#include "ground/settings.h"
#include "bank/bank_image.h"
#include "bank/sysex.h"
#include "transfer/transfer.h"

namespace {

void EncodeJx8p(uint8_t channel) {
    EncodeJx8pBank(
        std::span<const uint8_t, kM16CImageSize>(BankImage.data(), kM16CImageSize),
        std::span<uint8_t, kJx8pBankStreamSize>(TransferBuffer.data(), kJx8pBankStreamSize),
        channel);
}

void EncodeJx10(uint8_t channel) {
    EncodeJx10Bulk(
        std::span<const uint8_t, kM64CImageSize>(BankImage.data(), kM64CImageSize),
        std::span<uint8_t, kJx10BulkStreamSize>(TransferBuffer.data(), kJx10BulkStreamSize),
        channel);
}

void EncodeMks70(uint8_t channel) {
    EncodeMks70Bank(
        std::span<const uint8_t, kM64CImageSize>(BankImage.data(), kM64CImageSize),
        std::span<uint8_t, kMks70BankStreamSize>(TransferBuffer.data(), kMks70BankStreamSize),
        channel);
}

constexpr std::array<TransferProtocol, 3> kProtocols{{
    {kSynthJx8p, kM16CKind, EncodeJx8p, TransmitJx8pTones, ReceiveJx8pTones},
    {kSynthJx10, kM64CKind, EncodeJx10, TransmitJx10Bulk, ReceiveJx10Bulk},
    {kSynthMks70, kM64CKind, EncodeMks70, TransmitMks70Bank, ReceiveMks70Bank},
}};

}  // namespace

const TransferProtocol* ProtocolForSettings() {
    for (const TransferProtocol& p : kProtocols)
        if (p.synthType == appSettings.synthType) return &p;
    return nullptr;
}
