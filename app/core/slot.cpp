// Parsing and formatting of slot names, and the slot bounds of each bank kind.
// The patch letter is the bank (A..H, eight patches each) and the digit the
// patch within it, as the listing draws them.
#include "app/core/slot.h"

namespace {

constexpr int kPatchesPerBankLetter = 8;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// One or two decimal digits without a sign; -1 otherwise. Longer numbers are
// no slot of any bank, so they need not be read.
int SmallNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 2) return -1;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

int SlotCount(BankKind kind, SlotTable table) {
    if (kind == kM16CKind) return table == SlotTable::Tone ? kM16CToneCount : 0;
    if (kind == kM64CKind) return table == SlotTable::Tone ? kM64CToneCount : kM64CPatchCount;
    return 0;
}

bool SlotInBank(BankKind kind, Slot slot) {
    return slot.index >= 0 && slot.index < SlotCount(kind, slot.table);
}

EditStatus ParseSlot(std::string_view text, BankKind kind, Slot& slot) {
    text = Trim(text);
    if (text.empty()) return EditStatus::BadSlotName;
    Slot parsed;
    const char first = Upper(text.front());
    if (first >= '0' && first <= '9') {
        const int number = SmallNumber(text);
        if (number < 0) return EditStatus::BadSlotName;
        parsed = {SlotTable::Tone, number - 1};
    } else if (first == 'T') {
        const int number = SmallNumber(text.substr(1));
        if (number < 0) return EditStatus::BadSlotName;
        parsed = {SlotTable::Tone, number - 1};
    } else if (first >= 'A' && first <= 'H') {
        if (text.size() != 2 || text[1] < '1' || text[1] > '8') return EditStatus::BadSlotName;
        parsed = {SlotTable::Patch, (first - 'A') * kPatchesPerBankLetter + (text[1] - '1')};
    } else {
        return EditStatus::BadSlotName;
    }
    if (!SlotInBank(kind, parsed)) return EditStatus::SlotOutOfRange;
    slot = parsed;
    return EditStatus::Ok;
}

SlotName FormatSlot(Slot slot) {
    SlotName name;
    if (!SlotInBank(kM64CKind, slot)) {
        name.text[0] = '?';
        return name;
    }
    if (slot.table == SlotTable::Patch) {
        name.text[0] = static_cast<char>('A' + slot.index / kPatchesPerBankLetter);
        name.text[1] = static_cast<char>('1' + slot.index % kPatchesPerBankLetter);
        return name;
    }
    const int number = slot.index + 1;
    name.text[0] = 'T';
    if (number >= 10) {
        name.text[1] = static_cast<char>('0' + number / 10 % 10);
        name.text[2] = static_cast<char>('0' + number % 10);
    } else {
        name.text[1] = static_cast<char>('0' + number);
    }
    return name;
}
