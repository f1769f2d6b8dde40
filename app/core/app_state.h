// What the application holds while it runs: the settings, the bank
// documents and the names last chosen in the file dialogs. One value, owned
// by the main window and handed to whatever works on a part of it; nothing
// here is global. The window shows one document today; the flows and the
// transfer job take a document, so more can be held side by side.
#pragma once

#include "app/core/bank_document.h"
#include "app/core/bank_edit.h"
#include "app/core/file_flows.h"
#include "ground/settings.h"
#include "transfer/transfer.h"

struct AppState {
    AppSettings settings{};
    BankDocument document{};  // the bank the main window shows
    Clipboard clipboard{};    // what Copy and Cut took, for Paste
    FileNames fileNames{};
    // What the worker's MIDI commands work on. Written only while the
    // worker is idle (transfer.h has the hand-over's order).
    TransferJob transferJob{};
};
