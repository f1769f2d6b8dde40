// Filling a transfer job from a document, and taking a received bank back.
#include "app/core/document_transfer.h"

void PrepareTransferJob(TransferJob& job, const BankDocument& document,
                        const AppSettings& settings) {
    job.kind = document.loaded ? document.kind : kUnknownKind;
    job.image = document.image;
    // The worker runs with exactly the settings the command was posted
    // with; the mailbox's release store of the command publishes them with
    // the rest of the job.
    job.settings = settings;
}

bool CommitReceivedBank(TransferJob& job, BankDocument& document) {
    // Acquire: pairs with the worker's release store, so the image and kind
    // written before it are complete here.
    if (job.received.load(std::memory_order_acquire) == 0) return false;
    job.received.store(0, std::memory_order_relaxed);
    return CommitBank(document, BankOrigin::Received, job.receivedKind, job.receivedImage);
}
