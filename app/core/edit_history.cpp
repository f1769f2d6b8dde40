// The snapshot ring behind Undo and Redo. One more state than steps is kept:
// 100 steps lead back from the newest state to the oldest.
#include "app/core/edit_history.h"

#include <algorithm>

#include "app/core/sound_records.h"

namespace {

constexpr int64_t kRingSize = kHistorySteps + 1;

BankSnapshot& At(EditHistory& history, int64_t counter) {
    return history.ring[static_cast<size_t>(counter % kRingSize)];
}

void Store(EditHistory& history, int64_t counter, BankKind kind, ConstBankBytes storage) {
    BankSnapshot& state = At(history, counter);
    state.kind = kind;
    std::copy(storage.begin(), storage.end(), state.storage.begin());
}

void Load(EditHistory& history, int64_t counter, BankKind& kind, BankBytes storage) {
    const BankSnapshot& state = At(history, counter);
    kind = state.kind;
    std::copy(state.storage.begin(), state.storage.end(), storage.begin());
}

}  // namespace

void StartHistory(EditHistory& history, BankKind kind, ConstBankBytes storage) {
    if (history.ring.size() != static_cast<size_t>(kRingSize))
        history.ring.assign(static_cast<size_t>(kRingSize), BankSnapshot{});
    history.oldest = history.current = history.newest = 0;
    Store(history, 0, kind, storage);
}

void RecordStep(EditHistory& history, BankKind kind, ConstBankBytes storage) {
    if (history.ring.empty()) {
        StartHistory(history, kind, storage);
        return;
    }
    history.newest = ++history.current;
    Store(history, history.current, kind, storage);
    if (history.newest - history.oldest > kHistorySteps)
        history.oldest = history.newest - kHistorySteps;
}

bool CanUndo(const EditHistory& history) { return history.current > history.oldest; }
bool CanRedo(const EditHistory& history) { return history.current < history.newest; }

EditStatus Undo(EditHistory& history, BankKind& kind, BankBytes storage) {
    if (!CanUndo(history)) return EditStatus::NothingToUndo;
    Load(history, --history.current, kind, storage);
    return EditStatus::Ok;
}

EditStatus Redo(EditHistory& history, BankKind& kind, BankBytes storage) {
    if (!CanRedo(history)) return EditStatus::NothingToRedo;
    Load(history, ++history.current, kind, storage);
    return EditStatus::Ok;
}
