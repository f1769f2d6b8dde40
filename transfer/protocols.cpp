// The protocol table: one row per synthesizer setting. Knows the streams
// and the procedures, not the devices or the shell.
#include "transfer/protocols.h"

#include <array>

#include "ground/settings.h"
#include "bank/bank_stream.h"
#include "transfer/transfer.h"

namespace {

// Each synthesizer is sent the stream Save As writes for it.
constexpr std::array<TransferProtocol, 3> kProtocols{{
    {kSynthJx8p, SaveAsStream(kM16CKind, kSynthJx8p), TransmitJx8pTones, ReceiveJx8pTones},
    {kSynthJx10, SaveAsStream(kM64CKind, kSynthJx10), TransmitJx10Bulk, ReceiveJx10Bulk},
    {kSynthMks70, SaveAsStream(kM64CKind, kSynthMks70), TransmitMks70Bank, ReceiveMks70Bank},
}};

}  // namespace

const TransferProtocol* ProtocolForSettings() {
    for (const TransferProtocol& p : kProtocols)
        if (p.synthType == appSettings.synthType) return &p;
    return nullptr;
}
