// The document's side of a MIDI command: what goes into the transfer job
// before the command is posted, and the commit of a received bank when the
// worker reports it. The order of the hand-over is written in
// transfer/transfer.h; these are its steps 1 and 3, on the UI thread.
#pragma once

#include "app/core/bank_document.h"
#include "ground/settings.h"
#include "transfer/transfer.h"

// Step 1: fills the job from the document and the settings. Call only while
// the worker is idle, right before posting the command that uses the job.
void PrepareTransferJob(TransferJob& job, const BankDocument& document,
                        const AppSettings& settings);

// Step 3, on the worker's report of a received bank: commits it into the
// document as a received (changed) bank and clears the job's flag. False
// when the job holds no received bank, or one that is not a bank; the
// document is then untouched.
bool CommitReceivedBank(TransferJob& job, BankDocument& document);
