// The three synthesizers' bank transfer procedures and the operation runner
// that the worker calls for each MIDI menu command. Runs on the worker only.
// Portable.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"
#include "ground/settings.h"

struct TransferSession;

// Each procedure works on the session RunOperation made for its command: a
// transmit sends session.Stream(), a receive collects into session.data.
// Each returns a byte count, or -1 after showing "Cancelling operation ...".
int32_t ReceiveJx8pTones(TransferSession& session);   // 2144
int32_t TransmitJx8pTones(TransferSession& session);  // 2496
int32_t ReceiveJx10Bulk(TransferSession& session);    // 2048 or 8192
int32_t TransmitJx10Bulk(TransferSession& session);   // blocks x 263 + 14
int32_t ReceiveMks70Bank(TransferSession& session);   // 10234
int32_t TransmitMks70Bank(TransferSession& session);  // 10234

// What one MIDI command works on, and what a receive brings back. The
// application owns one and hands it to the worker with each command; the
// worker never touches the application's documents.
//
// Hand-over, in this order:
//  1. UI thread: writes settings, kind and image (the bank to transmit), or
//     settings and auditionTone (the tone to hear), then posts the command.
//     The mailbox's release store of the posted command and the worker's
//     acquire load when it takes it order the two. The UI
//     thread writes nothing here again until the worker is idle (while an
//     operation runs the menus offer only Stop, which needs no job).
//  2. Worker, during a receive: writes receivedImage and receivedKind, then
//     stores received = 1 with release, then posts TransferCompleteMessage.
//     receivedLength (the bytes the synthesizer sent, -1 when it failed) is
//     a figure for the log and tests, not part of the hand-over.
//  3. UI thread, on that message: loads received with acquire; only when
//     it is 1 does it read the image and commit it into its document. A
//     receive that failed leaves received at 0, so nothing is committed.
struct TransferJob {
    AppSettings settings{};
    BankKind kind = kUnknownKind;
    BankStorage image{};
    // The tone record an audition sends, in canonical form.
    std::array<uint8_t, kToneRecordSize> auditionTone{};
    BankKind receivedKind = kUnknownKind;
    BankStorage receivedImage{};
    std::atomic<int32_t> received{0};
    std::atomic<int32_t> receivedLength{-1};
};

// Transmit, Receive, Audition, Test, Watch and Stop, on the given job.
void RunOperation(int32_t command, TransferJob& job);
// The worker's runner (SetOperationRunner): job is the TransferJob the
// runner was set with.
void RunTransferJob(int32_t command, void* job);
