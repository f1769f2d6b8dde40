// Slots of a bank as the user names them: tones T1..T32 (M-16C) or T1..T50
// (M-64C), patches A1..H8 (M-64C only). Inside, a slot counts from 0 as the
// image does; only parsing and formatting see the 1-based names. Portable:
// knows nothing of the listing's drawing or of windows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/core/edit_status.h"
#include "bank/bank_image.h"

enum class SlotTable : uint8_t { Tone, Patch };

struct Slot {
    SlotTable table = SlotTable::Tone;
    int index = 0;  // 0-based: tone 0 is T1, patch 0 is A1
    friend constexpr bool operator==(const Slot&, const Slot&) = default;
};

// Who holds a bank: the owner hands out a new number for every bank that is
// opened, received or made new, and keeps it while that bank is edited. A
// patch pasted into the bank it was copied from keeps its tone numbers.
using BankId = uint64_t;

// The slots the user selected: a run of one table, in slot order.
struct Selection {
    Slot first;
    int count = 1;
};

// How many slots of a table a bank of that kind has (0 for patches of an
// M-16C bank, and for an unknown kind).
int SlotCount(BankKind kind, SlotTable table);
bool SlotInBank(BankKind kind, Slot slot);

// "T7", "t7" or "7" name tone 7; "C4" (or "c4") names patch C4. Surrounding
// blanks are ignored. BadSlotName for anything else, SlotOutOfRange for a
// name the bank of that kind lacks (T33 in an M-16C bank, any patch there).
EditStatus ParseSlot(std::string_view text, BankKind kind, Slot& slot);

// The name a user sees, zero-terminated: "T7", "T50", "C4"; "?" for an
// index no bank has.
struct SlotName {
    std::array<char, 4> text{};
    std::string_view view() const { return std::string_view(text.data()); }
};
SlotName FormatSlot(Slot slot);
