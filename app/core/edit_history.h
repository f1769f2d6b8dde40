// Undo and redo for one bank: every change is one step, the last 100 steps
// are kept, and a bank that is opened, received or made new starts a new
// history. Each step is a whole snapshot of the storage and its kind: 8 KiB
// a step is cheaper to keep than the inverse of every kind of edit is to get
// right. Portable: knows nothing of menus or windows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/core/edit_status.h"
#include "bank/bank_image.h"

inline constexpr int kHistorySteps = 100;

struct BankSnapshot {
    BankKind kind = kUnknownKind;
    BankStorage storage{};
};

// A ring of the states from the oldest kept one to the newest; `current` is
// the state the bank is in. Counters only grow; a state's place in the ring
// is its counter modulo the ring's size.
struct EditHistory {
    std::vector<BankSnapshot> ring;
    int64_t oldest = 0;
    int64_t current = 0;
    int64_t newest = 0;
};

// Forgets every step; the bank as it is now becomes the first state. The
// ring is allocated here once and reused by later histories.
void StartHistory(EditHistory& history, BankKind kind, std::span<const uint8_t, kBankStorageSize> storage);
// After a change: the bank as it is now becomes the newest state, and the
// states that Redo could have brought back are dropped.
void RecordStep(EditHistory& history, BankKind kind, std::span<const uint8_t, kBankStorageSize> storage);

bool CanUndo(const EditHistory& history);
bool CanRedo(const EditHistory& history);
// Puts the previous (or next) state into the bank; NothingToUndo (or
// NothingToRedo) leaves it untouched.
EditStatus Undo(EditHistory& history, BankKind& kind, std::span<uint8_t, kBankStorageSize> storage);
EditStatus Redo(EditHistory& history, BankKind& kind, std::span<uint8_t, kBankStorageSize> storage);
