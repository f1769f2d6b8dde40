// The one way a bank enters a document, and what saving changes.
#include "app/core/bank_document.h"

#include <cstring>

bool CopyPath(BankPath& path, const char* text) {
    if (text == nullptr) return false;
    const size_t length = std::strlen(text);
    if (length >= path.size()) return false;
    std::memcpy(path.data(), text, length + 1);
    return true;
}

bool CommitBank(BankDocument& document, BankOrigin origin, BankKind kind,
                std::span<const uint8_t, kBankStorageSize> image, const char* file) {
    if (kind != kM16CKind && kind != kM64CKind) return false;
    // The path is checked before anything changes, so a refusal leaves the
    // document whole.
    BankPath path = document.file;
    if (origin == BankOrigin::Opened) {
        if (file == nullptr || file[0] == '\0' || !CopyPath(path, file)) return false;
    } else if (origin == BankOrigin::Received || origin == BankOrigin::Made) {
        path[0] = '\0';
    }
    std::memcpy(document.image.data(), image.data(), kBankStorageSize);
    document.kind = kind;
    document.loaded = true;
    document.changed = origin == BankOrigin::Received || origin == BankOrigin::Edited;
    document.file = path;
    if (origin != BankOrigin::Edited) {
        // Numbers only grow, so a clipboard taken from an earlier bank of
        // this document never counts as this bank's own.
        static BankId lastId = 0;
        document.id = ++lastId;
        document.selection = {FirstListedSlot(kind), 1};
        document.anchor = document.selection.first;
        StartHistory(document.history, kind, document.image);
    }
    return true;
}

Slot FirstListedSlot(BankKind kind) {
    return kind == kM64CKind ? Slot{SlotTable::Patch, 0} : Slot{SlotTable::Tone, 0};
}

void MarkSaved(BankDocument& document, const char* file) {
    document.changed = false;
    if (!CopyPath(document.file, file)) document.file[0] = '\0';
}
