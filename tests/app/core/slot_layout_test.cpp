// Where slots stand in the listing and how the keys and Shift move the
// selection, checked against the listing the bank view really draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/slot_layout.h"
#include "app/view/listing.h"
#include "tests/app/core/test_banks.h"

namespace {

Slot Named(const char* name, BankKind kind) {
    Slot slot;
    EXPECT_EQ(ParseSlot(name, kind, slot), EditStatus::Ok) << name;
    return slot;
}

TEST(SlotLayout, EveryCellHoldsItsSlotsNameInTheDrawnListing) {
    for (BankKind kind : {kM16CKind, kM64CKind}) {
        const TestBank bank = MakeTestBank(kind, "T", 300);
        std::vector<std::string> lines;
        const ListingSink sink{
            &lines, [](void* l) { static_cast<std::vector<std::string>*>(l)->clear(); },
            [](void* l, const char* line, size_t length) {
                static_cast<std::vector<std::string>*>(l)->emplace_back(line, length);
            }};
        ListBank(kind, bank.bytes, sink);
        for (SlotTable table : {SlotTable::Tone, SlotTable::Patch}) {
            for (int i = 0; i < SlotCount(kind, table); ++i) {
                const Slot slot{table, i};
                const ListingCell cell = SlotCell(kind, slot);
                const size_t at = table == SlotTable::Tone ? ToneAt(i) : PatchAt(i);
                ASSERT_GE(cell.line, 0);
                ASSERT_LT(cell.line, static_cast<int>(lines.size()));
                EXPECT_EQ(lines[cell.line].substr(cell.column, cell.width),
                          Text(bank, at, cell.width))
                    << FormatSlot(slot).view();
                Slot clicked;
                ASSERT_TRUE(SlotAtCell(kind, cell.line, cell.column + cell.width - 1, clicked));
                EXPECT_EQ(clicked, slot);
                EXPECT_FALSE(SlotAtCell(kind, cell.line, cell.column - 1, clicked));
            }
        }
    }
}

struct MoveRow {
    BankKind kind;
    const char* from;
    SlotMove move;
    const char* to;
};

TEST(SlotLayout, KeysMoveToTheNearestNameOfTheTable) {
    const MoveRow rows[] = {
        {kM64CKind, "T1", SlotMove::Down, "T2"},
        {kM64CKind, "T10", SlotMove::Down, "T10"},
        {kM64CKind, "T1", SlotMove::Up, "T1"},
        {kM64CKind, "T1", SlotMove::Right, "T11"},
        {kM64CKind, "T45", SlotMove::Right, "T45"},
        {kM64CKind, "T17", SlotMove::Left, "T7"},
        {kM64CKind, "A1", SlotMove::Right, "B1"},
        {kM64CKind, "D3", SlotMove::Right, "D3"},
        {kM64CKind, "A8", SlotMove::Down, "E1"},
        {kM64CKind, "E1", SlotMove::Up, "A8"},
        {kM64CKind, "H8", SlotMove::Down, "H8"},
        {kM64CKind, "C5", SlotMove::OtherTable, "T1"},
        {kM64CKind, "T7", SlotMove::OtherTable, "A1"},
        {kM16CKind, "T8", SlotMove::Down, "T8"},
        {kM16CKind, "T1", SlotMove::Right, "T9"},
        {kM16CKind, "T30", SlotMove::Right, "T30"},
        {kM16CKind, "T3", SlotMove::OtherTable, "T3"},
    };
    for (const MoveRow& row : rows)
        EXPECT_EQ(MoveSlot(row.kind, Named(row.from, row.kind), row.move), Named(row.to, row.kind))
            << row.from << " " << static_cast<int>(row.move);
}

TEST(SlotLayout, ShiftExtendsARunInSlotOrder) {
    const Selection back = ExtendSelection(Named("T5", kM64CKind), Named("T2", kM64CKind));
    EXPECT_EQ(back.first, Named("T2", kM64CKind));
    EXPECT_EQ(back.count, 4);
    const Selection across = ExtendSelection(Named("A1", kM64CKind), Named("T3", kM64CKind));
    EXPECT_EQ(across.first, Named("T3", kM64CKind));
    EXPECT_EQ(across.count, 1);
}

}  // namespace
