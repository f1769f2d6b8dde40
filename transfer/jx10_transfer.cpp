// JX-10 bulk dump transfer: the synthesizer's MIDI BULK DUMP handshake
// (want-to-send, one acknowledged data block after another) on receive, and
// the answer to its bulk load request on transmit, each block sent when the
// synthesizer has acknowledged the last or its pace is over. With the
// "Auto" channel setting the synthesizer's first message names the channel.
// Runs on the worker while the MIDI devices are open; knows the message
// layer, the clock seam and the status line, nothing of files or windows.
#include <array>

#include "bank/sysex.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "midi/message_layer.h"
#include "midi/recognizers.h"
#include "transfer/transfer.h"
#include "transfer/transfer_steps.h"

namespace {

constexpr uint32_t kBlockPauseMs = 750;
constexpr size_t kKindByte = 5;
constexpr size_t kFirstNibbleByte = 5;
constexpr int32_t kM16CBlocks = 16;
constexpr int32_t kM64CBlocks = 64;

// activeChannel and the stored AckMessage and RjcMessage get the channel
// of this transfer; every other message sent comes from the stream.
void UseChannel(uint8_t channel) {
    activeChannel = channel;
    storedAckMessage = MakeShortHandshake(kAckOp, channel);
    storedRjcMessage = MakeShortHandshake(kRjcOp, channel);
}

// With "Auto" the transfer listens on every channel until the WsdMessage or
// RqdMessage names one.
void StartChannel() {
    const uint8_t channel = ListeningChannel();
    if (channel == kAnyChannel)
        activeChannel = kAnyChannel;
    else
        UseChannel(channel);
}

// The rejection is a courtesy to the synthesizer; the transfer has failed
// either way, so its result is not looked at. An "Auto" transfer that never
// heard the synthesizer has no channel to send it on, and sends nothing.
int32_t Fail(bool reject) {
    CancelTransfer();
    if (reject && activeChannel != kAnyChannel) SendJx10Reject();
    return -1;
}

int32_t FailWithReject() { return Fail(true); }

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

// Sends one message of a bulk load and listens to the synthesizer until the
// pace from the start of the send is over. Its AckMessage lets the next
// message go at once; no answer at all keeps the old pace, so a JX-10 that
// never acknowledges gets the same bytes at the same times. An ErrMessage,
// Stop, quit or a malformed answer ends the load with a rejection; an
// RjcMessage ends it without one. Other handshake messages are passed over.
// 0 to go on, or -1 once the failure has been shown.
int32_t SendAndHear(const uint8_t* message, size_t size) {
    const uint32_t started = NowMilliseconds();
    if (TransmitBytes(message, static_cast<int32_t>(size)) < 0) return FailWithReject();
    for (;;) {
        switch (WaitForJx10Reply(started, kBlockPauseMs)) {
        case kAckOp:
        case kNoReply: return 0;
        case kRjcOp: return Fail(false);
        case kErrOp:
        case -1: return FailWithReject();
        default: break;
        }
    }
}

}  // namespace

int32_t ReceiveJx10Bulk(std::span<uint8_t> buffer) {
    StartChannel();
    if (buffer.size() < kM64CImageSize) return FailWithReject();
    ShowStatus("Receiving ... (Please start the JX-10's MIDI BULK DUMP now)");
    if (!WaitForCommand(kWsdOp)) return FailWithReject();
    if (activeChannel == kAnyChannel) UseChannel(TakeFoundChannel());

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
    StartChannel();
    // The encoder's WsdMessage (never sent) names the image in the stream.
    if (stream.size() < kJx10M16CStreamSize) return FailWithReject();
    const bool m16cBank = stream[kKindByte] == kM16CKind;
    const size_t streamSize = m16cBank ? kJx10M16CStreamSize : kJx10BulkStreamSize;
    if (stream.size() < streamSize) return FailWithReject();
    ShowStatus("Waiting for JX-10 bulk load request ....");
    if (!WaitForCommand(kRqdOp)) return FailWithReject();
    if (activeChannel == kAnyChannel) {
        UseChannel(TakeFoundChannel());
        SetJx10BulkChannel(stream.first(streamSize), activeChannel);
    }

    // A request for an M-16C memory gets the first 16 blocks of an M-64C
    // bank and any other kind all 64. An M-16C bank fits only a request for
    // an M-16C memory.
    const bool m16cRequest = ReceiveBuffer[kKindByte] == kM16CKind;
    if (m16cBank && !m16cRequest) return FailWithReject();
    const int32_t blocks = m16cRequest ? kM16CBlocks : kM64CBlocks;

    for (int32_t block = 1; block <= blocks; ++block) {
        ShowProgressShare("Transmitting JX-10 data block %d of %d ...", block, blocks, block - 1,
                          blocks);
        const uint8_t* message = stream.data() + kJx10FirstBlockOffset +
                                 static_cast<size_t>(block - 1) * kDatMessageSize;
        if (SendAndHear(message, kDatMessageSize) < 0) return -1;
    }

    ShowTransferProgress(blocks, blocks);
    // The end-of-file marker is answered like a block; the devices close
    // only after its acknowledgement or the pace.
    ShowStatus("Transmitting JX-10 end-of-file marker ....");
    const size_t eofOffset = m16cBank ? kJx10M16CEofOffset : kJx10EofOffset;
    if (SendAndHear(stream.data() + eofOffset, kShortHandshakeSize) < 0) return -1;
    return blocks * static_cast<int32_t>(kDatMessageSize) + 14;
}
