// MKS-70 transfer: collecting the 64 patch and 50 tone messages of the
// synthesizer's MIDI BULK DUMP in their fixed order, and sending a bank as
// the same sequence, one message every 300 ms. No handshake either way. With
// the "Auto" channel setting the first patch message names the channel.
// Runs on the worker while the MIDI devices are open; knows the message
// layer, the clock seam and the status line, nothing of files or windows.
#include <cstring>

#include "bank/sysex.h"
#include "ground/mailbox.h"
#include "ground/shell.h"
#include "transfer/recognizers.h"
#include "transfer/transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_steps.h"

namespace {

constexpr uint32_t kMessagePauseMs = 300;
// The messages of a bank, the items of its progress share.
constexpr int32_t kMks70Messages = kM64CPatchCount + kM64CToneCount;
constexpr size_t kRecordNumberByte = 8;

// One message of the dump: it must be of the expected sort and carry the
// next number; a repeat, a gap or a tone among the patches ends the receive.
bool TakeDumpMessage(TransferSession& session, int32_t selector, int32_t number, uint8_t* out,
                     size_t size) {
    if (WaitForMks70Dump(session) != selector) return false;
    if (session.message[kRecordNumberByte] != number) return false;
    std::memcpy(out, session.message.data(), size);
    return true;
}

}  // namespace

int32_t ReceiveMks70Bank(TransferSession& session) {
    std::span<uint8_t> buffer(session.data);
    static_assert(kTransferBufferSize >= kMks70BankStreamSize);
    // With "Auto" the first patch message names the channel.
    session.channel = ListeningChannel(session);
    ShowStatus("Receiving ... (Please start the MKS-70's MIDI BULK DUMP now)");
    ShowTransferProgress(0, kMks70Messages);
    for (int32_t patch = 0; patch < kM64CPatchCount; ++patch) {
        // The first patch is awaited under the prompt above.
        if (patch > 0)
            ShowProgressShare("Receiving MKS-70 patch %d of 64 ...", patch + 1, 0, patch,
                              kMks70Messages);
        uint8_t* out = buffer.data() + static_cast<size_t>(patch) * kMks70PatchMessageSize;
        if (!TakeDumpMessage(session, kMks70PatchSelector, patch, out, kMks70PatchMessageSize))
            return CancelTransfer();
        if (session.channel == kAnyChannel) TakeFoundChannel(session);
    }
    for (int32_t tone = 0; tone < kM64CToneCount; ++tone) {
        ShowProgressShare("Receiving MKS-70 tone %d of 50 ...", tone + 1, 0, kM64CPatchCount + tone,
                          kMks70Messages);
        uint8_t* out = buffer.data() + kMks70ToneStreamOffset +
                       static_cast<size_t>(tone) * kMks70ToneMessageSize;
        if (!TakeDumpMessage(session, kMks70ToneSelector, tone, out, kMks70ToneMessageSize))
            return CancelTransfer();
    }
    ShowTransferProgress(kMks70Messages, kMks70Messages);
    return static_cast<int32_t>(kMks70BankStreamSize);
}

int32_t TransmitMks70Bank(TransferSession& session) {
    const std::span<uint8_t> stream = session.Stream();
    if (stream.size() < kMks70BankStreamSize) return CancelTransfer();
    session.channel = TransferChannelByte(session);
    for (int32_t patch = 1; patch <= kM64CPatchCount; ++patch) {
        if (CancelRequested()) return CancelTransfer();
        ShowProgressShare("Transmitting MKS-70 patch %d of 64 ...", patch, 0, patch - 1,
                          kMks70Messages);
        const uint8_t* message =
            stream.data() + static_cast<size_t>(patch - 1) * kMks70PatchMessageSize;
        if (SendPaced(message, kMks70PatchMessageSize, kMessagePauseMs) < 0)
            return CancelTransfer();
    }
    for (int32_t tone = 1; tone <= kM64CToneCount; ++tone) {
        if (CancelRequested()) return CancelTransfer();
        ShowProgressShare("Transmitting MKS-70 tone %d of 50 ...", tone, 0,
                          kM64CPatchCount + tone - 1, kMks70Messages);
        const uint8_t* message = stream.data() + kMks70ToneStreamOffset +
                                 static_cast<size_t>(tone - 1) * kMks70ToneMessageSize;
        if (SendPaced(message, kMks70ToneMessageSize, kMessagePauseMs) < 0) return CancelTransfer();
    }
    ShowTransferProgress(kMks70Messages, kMks70Messages);
    return static_cast<int32_t>(kMks70BankStreamSize);
}
