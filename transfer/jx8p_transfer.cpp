// JX-8P tone transfer: guiding the user through selecting tones 1 to 32 on
// the synthesizer and collecting each tone message, and sending a bank
// tone by tone with fixed pauses. Two parameter messages frame a receive;
// with the "Auto" channel setting they go to every channel and the first
// tone message names the one the JX-8P is on.
// Runs on the worker while the MIDI devices are open; knows the message
// layer, the clock seam and the status line, nothing of files or windows.
#include <array>
#include <cstring>

#include "bank/sysex.h"
#include "ground/mailbox.h"
#include "ground/shell.h"
#include "midi/message_layer.h"
#include "transfer/recognizers.h"
#include "transfer/transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_steps.h"

namespace {

constexpr uint8_t kParameterA = 0x08;  // set to 1 before a receive
constexpr uint8_t kParameterB = 0x07;  // 1Fh while receiving, 0 afterwards
constexpr uint8_t kParameterBReceiving = 0x1F;
constexpr uint8_t kParameterBDone = 0x00;

constexpr uint32_t kToneMessagePauseMs = 300;
constexpr uint32_t kProgramMessagePauseMs = 750;

// One parameter message on the given channel.
bool SendParameter(uint8_t channel, uint8_t parameter, uint8_t value) {
    const std::array<uint8_t, kJx8pParameterMessageSize> message =
        MakeJx8pParameterMessage(channel, parameter, value);
    return TransmitBytes(message.data(), static_cast<int32_t>(message.size())) >= 0;
}

// The two set-up messages. With "Auto" they go out on each of the 16
// channels in turn: only a JX-8P on that channel takes them.
bool SendSetUp(uint8_t listening) {
    const bool everyChannel = listening == kAnyChannel;
    const int first = everyChannel ? 0 : listening;
    const int last = everyChannel ? 15 : listening;
    for (int channel = first; channel <= last; ++channel) {
        const uint8_t byte = static_cast<uint8_t>(channel);
        if (!SendParameter(byte, kParameterA, 1)) return false;
        if (!SendParameter(byte, kParameterB, kParameterBReceiving)) return false;
    }
    return true;
}

// The program change the JX-8P sends when tone `tone` is selected, on any
// channel while an "Auto" receive still listens on all of them. A record
// shorter than two bytes cannot be a program change: its byte 1 would be
// left over from an earlier message.
bool IsProgramChangeFor(const TransferSession& session, int32_t length, int32_t tone) {
    const auto& m = session.message;
    if (length < 2 || m[1] != tone) return false;
    if (session.channel == kAnyChannel) return (m[0] & 0xF0) == 0xC0;
    return m[0] == 0xC0 + session.channel;
}

}  // namespace

int32_t ReceiveJx8pTones(TransferSession& session) {
    std::span<uint8_t> buffer(session.data);
    static_assert(kTransferBufferSize >= kJx8pReceiveSize);
    // From the second set-up message on a failure leaves parameter 07 at
    // 1Fh on the synthesizer: nothing more is sent once the receive has
    // failed.
    session.channel = ListeningChannel(session);
    if (!SendSetUp(session.channel)) return CancelTransfer();

    for (int32_t tone = 0; tone < kM16CToneCount; ++tone) {
        ShowProgressShare("Receiving ... (Please select internal tone %d on your JX-8P)", tone + 1,
                          0, tone, kM16CToneCount);
        // A tone message that comes before its program change is skipped
        // here; the user has to select the tones in order.
        for (;;) {
            const int32_t length = WaitForMessage(session.message);
            if (length < 0) return CancelTransfer();
            session.messageLength = length;
            if (IsProgramChangeFor(session, length, tone)) break;
        }
        // The recognizer only accepts messages whose byte 5 is 20h. The
        // first tone message of an "Auto" receive names the channel, and the
        // closing message goes to that channel only.
        if (WaitForJx8pTone(session) != kJx8pToneOp) return CancelTransfer();
        if (session.channel == kAnyChannel) TakeFoundChannel(session);
        std::memcpy(buffer.data() + static_cast<size_t>(tone) * kJx8pToneMessageSize,
                    session.message.data(), kJx8pToneMessageSize);
    }

    if (!SendParameter(session.channel, kParameterB, kParameterBDone)) return CancelTransfer();
    ShowTransferProgress(kM16CToneCount, kM16CToneCount);
    return static_cast<int32_t>(kJx8pReceiveSize);
}

int32_t TransmitJx8pTones(TransferSession& session) {
    const std::span<uint8_t> stream = session.Stream();
    if (stream.size() < kJx8pBankStreamSize) return CancelTransfer();
    session.channel = TransferChannelByte(session);
    for (int32_t tone = 1; tone <= kM16CToneCount; ++tone) {
        if (CancelRequested()) return CancelTransfer();
        ShowProgressShare("Transmitting JX-8P tone %d of 32 ...", tone, 0, tone - 1,
                          kM16CToneCount);
        const uint8_t* toneMessage =
            stream.data() + static_cast<size_t>(tone - 1) * kJx8pStreamStep;
        if (SendPaced(toneMessage, kJx8pToneMessageSize, kToneMessagePauseMs) < 0)
            return CancelTransfer();
        if (SendPaced(toneMessage + kJx8pToneMessageSize, kJx8pProgramMessageSize,
                      kProgramMessagePauseMs) < 0)
            return CancelTransfer();
    }
    // Only the closing parameter message: a transmit never sets 08 or 1Fh.
    if (!SendParameter(session.channel, kParameterB, kParameterBDone)) return CancelTransfer();
    ShowTransferProgress(kM16CToneCount, kM16CToneCount);
    return static_cast<int32_t>(kJx8pBankStreamSize);
}
