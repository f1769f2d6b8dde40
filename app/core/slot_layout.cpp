// Slot positions computed from the listing's own row scripts, so the cells
// follow the table if its rows change; the character columns of a cell are
// the listing's fixed template widths (a tone cell is 16 characters with the
// name at 4, a patch column 19 with the name at 3).
#include "app/core/slot_layout.h"

#include <cstdlib>

#include "app/view/listing.h"

namespace {

constexpr int kHeadingLines = 3;
constexpr int kToneCellStride = 16;
constexpr int kToneNameColumn = 4;
constexpr int kPatchColumnStride = 19;
constexpr int kPatchNameColumn = 3;
constexpr int kPatchRowCodes = 16;  // codes 1..8 the upper block, 9..16 the lower
constexpr int kPatchesPerRowCode = 4;

// The line of the first step with this row code, counted from `first`.
int LineOfRow(const ListingRowStep* script, int first, int rowCode) {
    int line = first;
    for (const ListingRowStep* step = script; step->rowCode >= 0; ++step, ++line)
        if (step->rowCode == rowCode) return line;
    return -1;
}

int ScriptLength(const ListingRowStep* script) {
    int length = 0;
    while (script[length].rowCode >= 0) ++length;
    return length;
}

}  // namespace

ListingCell SlotCell(BankKind kind, Slot slot) {
    ListingCell cell;
    if (!SlotInBank(kind, slot)) return cell;
    if (slot.table == SlotTable::Patch) {
        // Patch p stands in row code 1 + p % 8 (+8 in the E..H block), column
        // (p / 8) % 4, as the listing fills them.
        const int block = slot.index / (kPatchesPerRowCode * 8);
        const int rowCode = 1 + slot.index % 8 + 8 * block;
        cell.line = LineOfRow(M64CPatchRows, kHeadingLines, rowCode);
        cell.column = kPatchNameColumn + kPatchColumnStride * (slot.index / 8 % kPatchesPerRowCode);
        cell.width = static_cast<int>(kPatchNameSize);
        return cell;
    }
    const bool m64c = kind == kM64CKind;
    const int perColumn = m64c ? 10 : 8;
    const int toneFirst =
        m64c ? kHeadingLines + ScriptLength(M64CPatchRows) + kHeadingLines : kHeadingLines;
    cell.line =
        LineOfRow(m64c ? M64CToneRows : M16CToneRows, toneFirst, 1 + slot.index % perColumn);
    cell.column = kToneNameColumn + kToneCellStride * (slot.index / perColumn);
    cell.width = static_cast<int>(kToneNameSize);
    return cell;
}

bool SlotAtCell(BankKind kind, int line, int column, Slot& slot) {
    for (SlotTable table : {SlotTable::Patch, SlotTable::Tone}) {
        for (int i = 0; i < SlotCount(kind, table); ++i) {
            const ListingCell cell = SlotCell(kind, {table, i});
            if (cell.line == line && column >= cell.column && column < cell.column + cell.width) {
                slot = {table, i};
                return true;
            }
        }
    }
    return false;
}

Slot MoveSlot(BankKind kind, Slot slot, SlotMove move) {
    if (!SlotInBank(kind, slot)) return slot;
    if (move == SlotMove::OtherTable) {
        const SlotTable other = slot.table == SlotTable::Tone ? SlotTable::Patch : SlotTable::Tone;
        return SlotCount(kind, other) > 0 ? Slot{other, 0} : slot;
    }
    // The nearest name in the direction of the key: the same column for Up
    // and Down, the same line for Left and Right.
    const ListingCell from = SlotCell(kind, slot);
    Slot best = slot;
    int bestDistance = 0;
    for (int i = 0; i < SlotCount(kind, slot.table); ++i) {
        const ListingCell cell = SlotCell(kind, {slot.table, i});
        const bool vertical = move == SlotMove::Up || move == SlotMove::Down;
        if (vertical ? cell.column != from.column : cell.line != from.line) continue;
        const int step = vertical ? cell.line - from.line : cell.column - from.column;
        const bool ahead = move == SlotMove::Down || move == SlotMove::Right ? step > 0 : step < 0;
        if (ahead && (bestDistance == 0 || std::abs(step) < bestDistance)) {
            best = {slot.table, i};
            bestDistance = std::abs(step);
        }
    }
    return best;
}

Selection ExtendSelection(Slot anchor, Slot to) {
    if (anchor.table != to.table) return {to, 1};
    const int first = anchor.index < to.index ? anchor.index : to.index;
    return {{to.table, first}, std::abs(to.index - anchor.index) + 1};
}
