// The open and save flows as decisions over a document. Every box the user
// sees is worded here; the shell only shows it.
#include "app/core/file_flows.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/core/sound_records.h"
#include "app/view/found_banks.h"
#include "bank/bank_file.h"
#include "bank/bank_stream.h"
#include "bank/open_bank.h"
#include "bank/sysex.h"
#include "ground/messages.h"
#include "ground/shell.h"

namespace {

// The boxes' texts are the message table's (ground/messages.h).
const char* const kCannotOpenText = BoxMessageFor(MessageId::CannotOpenFile).text;
const char* const kTooLargeText = BoxMessageFor(MessageId::FileTooLarge).text;
const char* const kCannotReadText = BoxMessageFor(MessageId::CannotReadFile).text;
const char* const kSaveErrorText = BoxMessageFor(MessageId::SaveFailed).text;

// The longest stream Save As writes.
constexpr size_t kLargestSavedStream = kJx10BulkStreamSize;

void ShowError(const FileFlowUi& ui, const char* text, const char* caption) {
    ui.messageBox(ui.context, text, caption, kMbIconError);
}

// Reads the file named in names.open, offering the dialog again while a file
// cannot be opened. haveName: names.open already holds a file to try first.
bool ReadChosenFile(FileNames& names, const FileFlowUi& ui, bool haveName, OpenedBankFile& opened,
                    OpenBankResult& result) {
    for (;;) {
        if (!haveName && !ui.chooseOpenFile(ui.context, names.open)) return false;
        haveName = false;
        result = OpenBankFile(names.open.data(), opened);
        if (result != OpenBankResult::CannotOpen) return true;
        if (ui.messageBox(ui.context, kCannotOpenText, kOpenCaption,
                          kMbOkCancel | kMbIconQuestion) != kIdOk)
            return false;
    }
}

// Words a failed open; true when the file holds at least one bank.
bool AcceptOpened(OpenBankResult result, const OpenedBankFile& opened, const FileFlowUi& ui) {
    switch (result) {
    case OpenBankResult::Opened: return !opened.found.banks.empty();
    case OpenBankResult::TooLarge: ShowError(ui, kTooLargeText, kOpenCaption); return false;
    case OpenBankResult::CannotRead:
    case OpenBankResult::CannotOpen: ShowError(ui, kCannotReadText, kOpenCaption); return false;
    case OpenBankResult::NotABank:
        ShowError(ui, NoBankText(opened.found).c_str(), kOpenCaption);
        return false;
    }
    return false;
}

// Nothing the search left out goes without a word.
void ReportLeftOut(const BankSearch& found, const char* path, const FileFlowUi& ui) {
    for (const auto* lines : {&found.skipped, &found.warnings}) {
        for (const std::string& line : *lines)
            ui.keepLogLine(ui.context, (std::string(path) + ": " + line).c_str());
    }
    if (found.skippedMessages == 0) return;
    char note[64];
    std::snprintf(note, sizeof note, "%zu %s skipped (see the log window)", found.skippedMessages,
                  found.skippedMessages == 1 ? "message" : "messages");
    ui.showNote(ui.context, note);
}

}  // namespace

bool ConfirmDiscard(BankDocument& document, const AppSettings& settings, FileNames& names,
                    const FileFlowUi& ui, const char* caption) {
    if (!HasUnsavedChanges(document)) return true;
    switch (
        ui.messageBox(ui.context, kChangedBankText, caption, kMbYesNoCancel | kMbIconQuestion)) {
    case kIdYes:
        // The command that asked goes on only once the bank is safe: a save
        // dialog cancelled or a failed save leaves the bank changed.
        SaveBank(document, settings, names, ui);
        return !HasUnsavedChanges(document);
    case kIdNo: return true;
    default: return false;
    }
}

namespace {

// Where a named file is opened at: its bank (from 1) taken without asking,
// the slot selected. Null for File > Open.
struct OpenAt {
    int bank = 0;
    Slot slot;
};

void OpenFile(BankDocument& document, const AppSettings& settings, FileNames& names,
              const FileFlowUi& ui, const char* path, const OpenAt* at) {
    const bool named = path != nullptr;
    if (named && path[0] == '\0') return;
    // A name that cannot be kept cannot be opened either; said before any
    // question, as it has nothing to do with the bank in memory.
    if (named && std::strlen(path) >= names.open.size()) {
        ShowError(ui, kCannotReadText, kOpenCaption);
        return;
    }
    // Open is grayed while an operation runs; a file handed over or dropped
    // must not replace the bank under it either.
    if (ui.isBusy(ui.context)) {
        LogPrintf("A bank cannot be opened while an operation runs.\n");
        return;
    }
    if (!ConfirmDiscard(document, settings, names, ui, kOpenCaption)) return;
    // The named file goes where the dialog leaves its choice: the dialog,
    // if it comes up, starts from it.
    if (named) CopyPath(names.open, path);

    OpenedBankFile opened;
    OpenBankResult result = OpenBankResult::CannotOpen;
    if (!ReadChosenFile(names, ui, named, opened, result)) return;
    if (!AcceptOpened(result, opened, ui)) return;
    const size_t banks = opened.found.banks.size();
    // A place in a file that has changed since it was looked at (its bank
    // gone) opens the file as File > Open would, and says so.
    const bool placed = at != nullptr && at->bank >= 1 && static_cast<size_t>(at->bank) <= banks;
    size_t chosen = placed ? static_cast<size_t>(at->bank - 1) : 0;
    if (!placed && banks > 1) {
        const int index = ui.chooseBank(ui.context, opened.found);
        // Cancel keeps the bank in memory as it was.
        if (index < 0 || static_cast<size_t>(index) >= opened.found.banks.size()) return;
        chosen = static_cast<size_t>(index);
    }
    // An M-16C bank replaces the first 2048 bytes only, as the layouts'
    // converting call does: it is put over a copy of the storage.
    BankStorage staged = document.image;
    const BankKind kind = PutFoundBank(opened.found.banks[chosen], staged);
    if (!CommitBank(document, BankOrigin::Opened, kind, staged, names.open.data())) {
        ShowError(ui, NoBankText(opened.found).c_str(), kOpenCaption);
        return;
    }
    // The slot is selected before the document is shown, so the listing
    // shows it; a slot the bank lacks keeps the first one.
    if (placed && SlotInBank(kind, at->slot)) {
        document.selection = Selection{at->slot, 1};
        document.anchor = at->slot;
    }
    ui.showDocument(ui.context, document);
    ReportLeftOut(opened.found, names.open.data(), ui);
    if (at != nullptr && !placed)
        ui.showNote(ui.context,
                    "The sound is no longer where the library saw it: update the library");
    ui.rememberRecent(ui.context, names.open.data());
}

}  // namespace

void OpenBank(BankDocument& document, const AppSettings& settings, FileNames& names,
              const FileFlowUi& ui, const char* path) {
    OpenFile(document, settings, names, ui, path, nullptr);
}

void OpenBankAt(BankDocument& document, const AppSettings& settings, FileNames& names,
                const FileFlowUi& ui, const char* path, int bank, Slot slot) {
    if (path == nullptr) return;
    const OpenAt at{bank, slot};
    OpenFile(document, settings, names, ui, path, &at);
}

void NewBank(BankDocument& document, const AppSettings& settings, FileNames& names,
             const FileFlowUi& ui, BankKind kind) {
    if (ui.isBusy(ui.context)) {
        LogPrintf("A new bank cannot be made while an operation runs.\n");
        return;
    }
    if (!ConfirmDiscard(document, settings, names, ui, kNewCaption)) return;
    BankStorage made{};
    if (MakeNewBank(kind, made) != EditStatus::Ok) return;
    if (!CommitBank(document, BankOrigin::Made, kind, made)) return;
    ui.showDocument(ui.context, document);
}

void SaveBank(BankDocument& document, const AppSettings& settings, FileNames& names,
              const FileFlowUi& ui) {
    if (!document.loaded) return;
    // Refused while an operation runs (the close question's Yes can bring
    // us here mid-receive): the bank may be replaced when it ends.
    if (ui.isBusy(ui.context)) {
        ShowError(ui, kSaveErrorText, kSaveCaption);
        return;
    }
    if (!ui.chooseSaveFile(ui.context, names.save)) return;
    std::array<uint8_t, kLargestSavedStream> stream{};
    const size_t length = EncodeBankStream(SaveAsStream(document.kind, settings.synthType),
                                           document.image, stream, ChannelByte(settings));
    const auto count = static_cast<int32_t>(length);
    if (ui.isBusy(ui.context) || length == 0 ||
        WriteBankFile(names.save.data(), stream.data(), count) != count) {
        ShowError(ui, kSaveErrorText, kSaveCaption);
        return;
    }
    MarkSaved(document, names.save.data());
    ui.showDocument(ui.context, document);
    ui.rememberRecent(ui.context, names.save.data());
}
