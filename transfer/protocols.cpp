// The protocol table: one row per synthesizer setting. Knows the streams
// and the procedures, not the devices or the shell.
#include "transfer/protocols.h"

#include <array>

#include "bank/bank_stream.h"
#include "ground/settings.h"
#include "transfer/transfer.h"

namespace {

// Each synthesizer is sent the stream Save As writes for it; a JX-10 is
// also sent an M-16C bank, as the 16 blocks of an M-16C memory.
constexpr std::array<TransferProtocol, 3> kProtocols{{
    {kSynthJx8p,
     {SaveAsStream(kM16CKind, kSynthJx8p), BankStream::None},
     false,
     TransmitJx8pTones,
     ReceiveJx8pTones},
    {kSynthJx10,
     {SaveAsStream(kM64CKind, kSynthJx10), BankStream::Jx10M16CBulk},
     true,
     TransmitJx10Bulk,
     ReceiveJx10Bulk},
    {kSynthMks70,
     {SaveAsStream(kM64CKind, kSynthMks70), BankStream::None},
     false,
     TransmitMks70Bank,
     ReceiveMks70Bank},
}};

}  // namespace

const TransferProtocol* ProtocolFor(int32_t synthType) {
    for (const TransferProtocol& p : kProtocols)
        if (p.synthType == synthType) return &p;
    return nullptr;
}

BankStream TransmitStream(const TransferProtocol& protocol, BankKind kind) {
    for (BankStream stream : protocol.streams)
        if (stream != BankStream::None && BankStreamKind(stream) == kind) return stream;
    return BankStream::None;
}
