// JX-10 bulk dump transfer: the synthesizer's MIDI BULK DUMP handshake
// (want-to-send, one acknowledged data block after another) on receive, and
// the answer to its bulk load request on transmit. Runs on the worker while
// the MIDI devices are open; knows the message layer, the clock seam and the
// status line, nothing of files or windows.
#include <array>

#include "ground/shell.h"
#include "bank/sysex.h"
#include "midi/message_layer.h"
#include "transfer/transfer.h"
#include "transfer/transfer_steps.h"

namespace {

constexpr uint32_t kBlockPauseMs = 750;
constexpr size_t kKindByte = 5;
constexpr size_t kFirstNibbleByte = 5;
constexpr int32_t kM16CBlocks = 16;
constexpr int32_t kM64CBlocks = 64;

// activeChannel and the stored AckMessage and RjcMessage get the channel
// byte of this transfer; every other message sent comes from the stream.
void SetChannel() {
    const uint8_t channel = TransferChannelByte();
    activeChannel = channel;
    storedAckMessage = MakeShortHandshake(kAckOp, channel);
    storedRjcMessage = MakeShortHandshake(kRjcOp, channel);
}

int32_t FailWithReject() {
    CancelTransfer();
    // The rejection is a courtesy to the synthesizer; the transfer has
    // failed either way, so its result is not looked at.
    SendJx10Reject();
    return -1;
}

// Waits until the handshake recognizer returns `command`; other valid
// handshake messages are passed over. False on cancellation, quit or a
// malformed handshake message.
bool WaitForCommand(int32_t command) {
    for (;;) {
        const int32_t got = WaitForJx10Handshake();
        if (got < 0) return false;
        if (got == command) return true;
    }
}

// The high nibble is shifted into place and kept to 8 bits, the low one
// masked, so stray bits above bit 3 of either nibble byte cannot spill into
// the other half.
void DecodeBlock(uint8_t* out) {
    for (size_t k = 0; k < kDatBlockBytes; ++k) {
        const uint8_t high = ReceiveBuffer[kFirstNibbleByte + 2 * k];
        const uint8_t low = ReceiveBuffer[kFirstNibbleByte + 2 * k + 1];
        out[k] = static_cast<uint8_t>(static_cast<uint8_t>(high << 4) | (low & 0x0F));
    }
}

}  // namespace

int32_t ReceiveJx10Bulk(std::span<uint8_t> buffer) {
    SetChannel();
    if (buffer.size() < kM64CImageSize) return FailWithReject();
    ShowStatus("Receiving ... (Please start the JX-10's MIDI BULK DUMP now)");
    if (!WaitForCommand(kWsdOp)) return FailWithReject();

    int32_t blocks = 0;
    switch (ReceiveBuffer[kKindByte]) {
    case kM16CKind: blocks = kM16CBlocks; break;
    case kM64CKind: blocks = kM64CBlocks; break;
    default: return FailWithReject();
    }
    if (SendJx10Ack() < 0) return FailWithReject();

    for (int32_t block = 1; block <= blocks; ++block) {
        ShowProgressShare("Receiving JX-10 data block %d of %d ...", block, blocks, block - 1,
                          blocks);
        // Exactly one message per block: an EofMessage, ErrMessage or
        // RjcMessage where a block belongs ends the receive.
        if (WaitForJx10Handshake() != kDatOp) return FailWithReject();
        DecodeBlock(buffer.data() + static_cast<size_t>(block - 1) * kDatBlockBytes);
        if (SendJx10Ack() < 0) return FailWithReject();
    }

    // The synthesizer answers the last block's acknowledgement with its
    // EofMessage; that message is acknowledged at once and never read.
    ShowTransferProgress(blocks, blocks);
    ShowStatus("Receiving JX-10 end-of-file marker ....");
    if (SendJx10Ack() < 0) return FailWithReject();
    return blocks * static_cast<int32_t>(kDatBlockBytes);
}

int32_t TransmitJx10Bulk(std::span<uint8_t> stream) {
    SetChannel();
    if (stream.size() < kJx10BulkStreamSize) return FailWithReject();
    ShowStatus("Waiting for JX-10 bulk load request ....");
    if (!WaitForCommand(kRqdOp)) return FailWithReject();

    // A request for an M-16C gets the first 16 blocks of the M-64C stream;
    // any other kind byte gets all 64. Nothing is refused here.
    const int32_t blocks = ReceiveBuffer[kKindByte] == kM16CKind ? kM16CBlocks : kM64CBlocks;

    // Once the request is taken the blocks go out paced and unanswered:
    // neither Stop nor a quit is looked at until the end-of-file marker.
    for (int32_t block = 1; block <= blocks; ++block) {
        ShowProgressShare("Transmitting JX-10 data block %d of %d ...", block, blocks, block - 1,
                          blocks);
        const uint8_t* message = stream.data() + kJx10FirstBlockOffset +
                                 static_cast<size_t>(block - 1) * kDatMessageSize;
        if (SendPaced(message, kDatMessageSize, kBlockPauseMs) < 0) return FailWithReject();
    }

    ShowTransferProgress(blocks, blocks);
    ShowStatus("Transmitting JX-10 end-of-file marker ....");
    if (SendPaced(stream.data() + kJx10EofOffset, kShortHandshakeSize, kBlockPauseMs) < 0)
        return FailWithReject();
    return blocks * static_cast<int32_t>(kDatMessageSize) + 14;
}
