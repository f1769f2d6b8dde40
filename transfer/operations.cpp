// The worker-side runner of the MIDI menu commands: makes the command's
// session from the job's settings, opens the devices, picks the procedure
// that fits the synthesizer setting and the job's bank, runs it, closes the
// devices, hands a received bank back through the job, keeps the status
// line current and posts the outcome to the main window. Runs only on the
// worker; reaches the shell only through ground/shell.h.
#include "ground/commands.h"
#include "ground/mailbox.h"
#include "ground/messages.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "bank/bank_image.h"
#include "bank/bank_import.h"
#include "midi/message_layer.h"
#include "midi/midi_port.h"
#include "transfer/audition.h"
#include "transfer/protocols.h"
#include "transfer/transfer.h"
#include "transfer/transfer_session.h"
#include "transfer/transfer_steps.h"

namespace {

// A closing program shows no message box, so it gets no outcome either.
void PostOutcome(uintptr_t code) {
    if (IsQuitRequested() == 0) PostToMainWindow(TransferCompleteMessage, code, 0);
}

bool TransmitWithOpenPorts(const TransferJob& job, TransferSession& session) {
    const TransferProtocol* protocol = ProtocolFor(session.settings.synthType);
    // A JX-8P is never sent an M-64C bank nor an MKS-70 an M-16C one:
    // nothing is encoded or sent then. "Auto" is encoded as 10h; the JX-10's
    // request then puts its own channel into the stream.
    if (protocol == nullptr) return false;
    const BankStream stream = TransmitStream(*protocol, job.kind);
    if (stream == BankStream::None) return false;
    if (EncodeBankStream(stream, job.image, session.data, TransferChannelByte(session)) == 0)
        return false;
    session.streamKind = stream;
    if (protocol->transmit(session) < 0) return false;
    ShowStatus("Closing ...");
    return true;
}

// A synthesizer that never speaks during a transmit cannot tell "Auto" its
// channel: nothing is opened or sent, and the box says why.
bool TransmitNeedsChannel(const TransferSession& session) {
    const TransferProtocol* protocol = ProtocolFor(session.settings.synthType);
    return protocol != nullptr && !protocol->asksForTransmit && TransferChannelIsAuto(session);
}

void RunTransmit(const TransferJob& job, TransferSession& session) {
    if (TransmitNeedsChannel(session)) {
        ShowMessageBox(kMainWindowBox, BoxMessageFor(MessageId::ChooseChannelFirst).text,
                       MessageCaption(MessageId::ChooseChannelFirst), kMbOk | kMbIconExclamation);
        return;
    }
    ShowStatus("Transmitting ...");
    bool succeeded = false;
    if (OpenTransferPorts(session.settings)) {
        succeeded = TransmitWithOpenPorts(job, session);
        CloseMidiPorts();
    }
    // The progress bar goes with the return to "Ready".
    ShowTransferProgress(0, 0);
    ShowStatus("Ready");
    PostOutcome(succeeded ? kTransmitSucceeded : kTransmitFailed);
}

bool ReceiveWithOpenPorts(TransferJob& job, TransferSession& session) {
    const TransferProtocol* protocol = ProtocolFor(session.settings.synthType);
    if (protocol == nullptr) return false;
    const int32_t length = protocol->receive(session);
    job.receivedLength.store(length, std::memory_order_relaxed);
    if (length < 0) return false;
    // The received bank goes into the job's own image; the document in the
    // main window is only changed when the UI thread commits it.
    job.receivedImage.fill(0);
    const BankKind kind = ImportBank(job.receivedImage.data(), session.data.data(), length);
    if (kind < 0) return false;
    job.receivedKind = kind;
    // Step 2 of the hand-over (transfer.h): image and kind, then the flag.
    job.received.store(1, std::memory_order_release);
    ShowStatus("Closing ...");
    return true;
}

void RunReceive(TransferJob& job, TransferSession& session) {
    job.received.store(0, std::memory_order_relaxed);
    job.receivedLength.store(-1, std::memory_order_relaxed);
    ShowStatus("Receiving ...");
    bool succeeded = false;
    if (OpenTransferPorts(session.settings)) {
        succeeded = ReceiveWithOpenPorts(job, session);
        CloseMidiPorts();
    }
    // The progress bar goes with the return to "Ready".
    ShowTransferProgress(0, 0);
    ShowStatus("Ready");
    PostOutcome(succeeded ? kReceiveSucceeded : kReceiveFailed);
}

void RunWatch(TransferSession& session) {
    if (!OpenTransferPorts(session.settings)) return;
    ShowStatus("Displaying the MIDI input data stream ...");
    // The log window belongs to the UI thread: ask it to open the window.
    if (IsLogWindowOpen() == 0) PostToMainWindow(kWmCommand, kCommandLogWindow, 0);
    // WaitForMessage logs every message it takes; it returns -1 on Stop,
    // any other new command, or quit.
    while (WaitForMessage(session.message) >= 0) {}
    ShowStatus("Cancelling operation ...");
    CloseMidiPorts();
    ShowStatus("Ready");
}

}  // namespace

void RunOperation(int32_t command, TransferJob& job) {
    // The settings were written by the UI thread before it posted the
    // command (step 1 of the hand-over in transfer.h). The session lives
    // for this command only, on the worker's stack: the procedures keep
    // nothing between commands.
    TransferSession session(job.settings);
    switch (command) {
    case kCommandTransmit: RunTransmit(job, session); break;
    case kCommandReceive: RunReceive(job, session); break;
    case kCommandWatch: RunWatch(session); break;
    case kCommandAudition: RunAudition(job); break;
    // Test does nothing; Stop's arrival already ended the operation it
    // was meant for.
    case kCommandTest:
    case kCommandStop:
    default: break;
    }
}

void RunTransferJob(int32_t command, void* job) {
    if (job != nullptr) RunOperation(command, *static_cast<TransferJob*>(job));
}
