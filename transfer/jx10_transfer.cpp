// JX-10 bulk dump transfer: the synthesizer's MIDI BULK DUMP handshake
// (want-to-send, one acknowledged data block after another) on receive, and
// the answer to its bulk load request on transmit. On a load the JX-10
// answers each message in order, so the k-th answer belongs to the k-th
// message sent, however late it comes. With the "Auto" channel setting the
// synthesizer's first message names the channel.
// Runs on the worker while the MIDI devices are open; knows the message
// layer, the clock seam and the status line, nothing of files or windows.
#include "bank/sysex.h"
#include "ground/platform.h"
#include "ground/shell.h"
#include "transfer/recognizers.h"
#include "transfer/transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_steps.h"

namespace {

// While the JX-10 has never answered, a load keeps this pace from the start
// of each send, so one that never answers gets the same bytes at the same
// times as ever.
constexpr uint32_t kBlockPauseMs = 750;
// A JX-10 that has answered and then says nothing for this long is gone (a
// pulled cable, a switched-off synthesizer). A working one answers within a
// second or two; 5 s still tells the user while they watch.
constexpr uint32_t kSilenceLimitMs = 5000;
constexpr size_t kKindByte = 5;
constexpr size_t kFirstNibbleByte = 5;
constexpr int32_t kM16CBlocks = 16;
constexpr int32_t kM64CBlocks = 64;

// With "Auto" the transfer listens on every channel until the WsdMessage or
// RqdMessage names one.
void StartChannel(TransferSession& session) {
    const uint8_t channel = ListeningChannel(session);
    if (channel == kAnyChannel)
        session.channel = kAnyChannel;
    else
        UseJx10Channel(session, channel);
}

// The rejection is a courtesy to the synthesizer; the transfer has failed
// either way, so its result is not looked at. An "Auto" transfer that never
// heard the synthesizer has no channel to send it on, and sends nothing.
int32_t Fail(TransferSession& session, bool reject) {
    CancelTransfer();
    if (reject && session.channel != kAnyChannel) SendJx10Reject(session);
    return -1;
}

int32_t FailWithReject(TransferSession& session) { return Fail(session, true); }

// Waits until the handshake recognizer returns `command`; other valid
// handshake messages are passed over. False on cancellation, quit or a
// malformed handshake message.
bool WaitForCommand(TransferSession& session, int32_t command) {
    for (;;) {
        const int32_t got = WaitForJx10Handshake(session);
        if (got < 0) return false;
        if (got == command) return true;
    }
}

// The high nibble is shifted into place and kept to 8 bits, the low one
// masked, so stray bits above bit 3 of either nibble byte cannot spill into
// the other half.
void DecodeBlock(const TransferSession& session, uint8_t* out) {
    for (size_t k = 0; k < kDatBlockBytes; ++k) {
        const uint8_t high = session.message[kFirstNibbleByte + 2 * k];
        const uint8_t low = session.message[kFirstNibbleByte + 2 * k + 1];
        out[k] = static_cast<uint8_t>(static_cast<uint8_t>(high << 4) | (low & 0x0F));
    }
}

// What a bulk load has heard so far. Answers come in the order of the
// messages, so counting them is enough to know which message each belongs
// to: an answer arriving while `owed` messages wait for theirs belongs to
// the oldest of them.
struct LoadAnswers {
    int32_t owed = 0;         // messages sent whose answer has not come
    bool heard = false;       // the JX-10 has answered at least once
    uint32_t lastSentAt = 0;  // when the last message's send began
    uint32_t quietSince = 0;  // the later of the last send and the last answer
};

// Sends one message of the load and counts it as owed an answer. 0, or -1
// once the failure has been shown.
int32_t SendLoadMessage(TransferSession& session, LoadAnswers& answers, const uint8_t* message,
                        size_t size) {
    const uint32_t started = NowMilliseconds();
    if (TransmitBytes(message, static_cast<int32_t>(size)) < 0) return FailWithReject(session);
    ++answers.owed;
    answers.lastSentAt = started;
    answers.quietSince = started;
    return 0;
}

// Listens until the next message may go (or, after the EofMessage, until
// the load is over):
//  - a JX-10 that has never answered: the rest of the pace of the last send;
//  - one that has: until every answer owed has come, each within the
//    silence limit of the last send or answer.
// An AckMessage settles the oldest message owed. An ErrMessage or
// RjcMessage, whichever message it belongs to, fails the load: after an
// ErrMessage the program rejects, after an RjcMessage it says nothing more.
// Stop, quit and a malformed answer fail it with a rejection. The input is
// never restarted here, so no answer queued behind another is lost.
// 0 to go on, or -1 once the failure has been shown.
int32_t AwaitTurn(TransferSession& session, LoadAnswers& answers) {
    for (;;) {
        uint32_t from = answers.lastSentAt;
        uint32_t span = kBlockPauseMs;
        if (answers.heard) {
            if (answers.owed == 0) return 0;
            from = answers.quietSince;
            span = kSilenceLimitMs;
        }
        switch (WaitForJx10Answer(session, from, span)) {
        case kNoAnswer:
            if (!answers.heard) return 0;  // the pace is over
            LogPrintf("The JX-10 has not answered for %u seconds.\n", kSilenceLimitMs / 1000);
            return FailWithReject(session);
        case kAckOp:
            answers.heard = true;
            // An answer nothing was owed for cannot be matched to a message;
            // it is passed over.
            if (answers.owed > 0) --answers.owed;
            answers.quietSince = NowMilliseconds();
            break;
        case kErrOp: return FailWithReject(session);
        case kRjcOp: return Fail(session, false);
        case -1: return FailWithReject(session);
        default: break;  // another handshake message: not an answer
        }
    }
}

}  // namespace

int32_t ReceiveJx10Bulk(TransferSession& session) {
    StartChannel(session);
    std::span<uint8_t> buffer(session.data);
    static_assert(kTransferBufferSize >= kM64CImageSize);
    ShowStatus("Receiving ... (Please start the JX-10's MIDI BULK DUMP now)");
    if (!WaitForCommand(session, kWsdOp)) return FailWithReject(session);
    if (session.channel == kAnyChannel) UseJx10Channel(session, TakeFoundChannel(session));

    int32_t blocks = 0;
    switch (session.message[kKindByte]) {
    case kM16CKind: blocks = kM16CBlocks; break;
    case kM64CKind: blocks = kM64CBlocks; break;
    default: return FailWithReject(session);
    }
    if (SendJx10Ack(session) < 0) return FailWithReject(session);

    for (int32_t block = 1; block <= blocks; ++block) {
        ShowProgressShare("Receiving JX-10 data block %d of %d ...", block, blocks, block - 1,
                          blocks);
        // Exactly one message per block: an EofMessage, ErrMessage or
        // RjcMessage where a block belongs ends the receive.
        if (WaitForJx10Handshake(session) != kDatOp) return FailWithReject(session);
        DecodeBlock(session, buffer.data() + static_cast<size_t>(block - 1) * kDatBlockBytes);
        if (SendJx10Ack(session) < 0) return FailWithReject(session);
    }

    // The synthesizer answers the last block's acknowledgement with its
    // EofMessage; that message is acknowledged at once and never read.
    ShowTransferProgress(blocks, blocks);
    ShowStatus("Receiving JX-10 end-of-file marker ....");
    if (SendJx10Ack(session) < 0) return FailWithReject(session);
    return blocks * static_cast<int32_t>(kDatBlockBytes);
}

int32_t TransmitJx10Bulk(TransferSession& session) {
    StartChannel(session);
    // The runner chose the stream by the bank's kind and encoded it.
    const bool m16cBank = session.streamKind == BankStream::Jx10M16CBulk;
    if (!m16cBank && session.streamKind != BankStream::Jx10Bulk) return FailWithReject(session);
    const std::span<uint8_t> stream = session.Stream();
    ShowStatus("Waiting for JX-10 bulk load request ....");
    if (!WaitForCommand(session, kRqdOp)) return FailWithReject(session);
    if (session.channel == kAnyChannel) {
        UseJx10Channel(session, TakeFoundChannel(session));
        SetJx10BulkChannel(stream, session.channel);
    }

    // A request for an M-16C memory gets the first 16 blocks of an M-64C
    // bank and any other kind all 64. An M-16C bank fits only a request for
    // an M-16C memory.
    const bool m16cRequest = session.message[kKindByte] == kM16CKind;
    if (m16cBank && !m16cRequest) return FailWithReject(session);
    const int32_t blocks = m16cRequest ? kM16CBlocks : kM64CBlocks;

    LoadAnswers answers;
    for (int32_t block = 1; block <= blocks; ++block) {
        // Not before the answer to the block before, once the JX-10 answers.
        if (block > 1 && AwaitTurn(session, answers) < 0) return -1;
        ShowProgressShare("Transmitting JX-10 data block %d of %d ...", block, blocks, block - 1,
                          blocks);
        const uint8_t* message = stream.data() + kJx10FirstBlockOffset +
                                 static_cast<size_t>(block - 1) * kDatMessageSize;
        if (SendLoadMessage(session, answers, message, kDatMessageSize) < 0) return -1;
    }
    if (AwaitTurn(session, answers) < 0) return -1;

    ShowTransferProgress(blocks, blocks);
    // The end-of-file marker is answered like a block. The devices close
    // only once every answer owed has come, or, from a JX-10 that never
    // answered, after the pace.
    ShowStatus("Transmitting JX-10 end-of-file marker ....");
    const size_t eofOffset = m16cBank ? kJx10M16CEofOffset : kJx10EofOffset;
    if (SendLoadMessage(session, answers, stream.data() + eofOffset, kShortHandshakeSize) < 0)
        return -1;
    if (AwaitTurn(session, answers) < 0) return -1;
    return blocks * static_cast<int32_t>(kDatMessageSize) + 14;
}
