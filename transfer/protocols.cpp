// The protocol table: one row per synthesizer setting. Knows the encoders
// and the procedures, not the devices or the shell.
#include "transfer/protocols.h"

#include <array>

#include "app/settings.h"
#include "bank/bank_image.h"
#include "bank/sysex.h"
#include "transfer/transfer.h"

namespace {

bool EncodeJx8p(int32_t kind, uint8_t channel) {
    if (kind != kM16CKind) return false;
    EncodeJx8pBank(
        std::span<const uint8_t, kM16CImageSize>(BankImage.data(), kM16CImageSize),
        std::span<uint8_t, kJx8pBankStreamSize>(TransferBuffer.data(), kJx8pBankStreamSize),
        channel);
    return true;
}

// A JX-10 takes either cartridge: an M-16C bank goes as the 16 blocks of an
// M-16C memory.
bool EncodeJx10(int32_t kind, uint8_t channel) {
    if (kind == kM16CKind) {
        EncodeJx10M16CBulk(
            std::span<const uint8_t, kM16CImageSize>(BankImage.data(), kM16CImageSize),
            std::span<uint8_t, kJx10M16CStreamSize>(TransferBuffer.data(), kJx10M16CStreamSize),
            channel);
        return true;
    }
    if (kind != kM64CKind) return false;
    EncodeJx10Bulk(
        std::span<const uint8_t, kM64CImageSize>(BankImage.data(), kM64CImageSize),
        std::span<uint8_t, kJx10BulkStreamSize>(TransferBuffer.data(), kJx10BulkStreamSize),
        channel);
    return true;
}

bool EncodeMks70(int32_t kind, uint8_t channel) {
    if (kind != kM64CKind) return false;
    EncodeMks70Bank(
        std::span<const uint8_t, kM64CImageSize>(BankImage.data(), kM64CImageSize),
        std::span<uint8_t, kMks70BankStreamSize>(TransferBuffer.data(), kMks70BankStreamSize),
        channel);
    return true;
}

constexpr std::array<TransferProtocol, 3> kProtocols{{
    {kSynthJx8p, EncodeJx8p, false, TransmitJx8pTones, ReceiveJx8pTones},
    {kSynthJx10, EncodeJx10, true, TransmitJx10Bulk, ReceiveJx10Bulk},
    {kSynthMks70, EncodeMks70, false, TransmitMks70Bank, ReceiveMks70Bank},
}};

}  // namespace

const TransferProtocol* ProtocolForSettings() {
    for (const TransferProtocol& p : kProtocols)
        if (p.synthType == appSettings.synthType) return &p;
    return nullptr;
}
