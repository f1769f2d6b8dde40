// Slot names, new banks and renaming: the parts of editing that need no box.
#include <gtest/gtest.h>

#include "app/core/sound_records.h"
#include "tests/app/core/test_banks.h"

namespace {

struct SlotRow {
    const char* text;
    BankKind kind;
    EditStatus status;
    Slot slot;
};

TEST(Slots, ParseNamesAsTheUserWritesThem) {
    const SlotRow rows[] = {
        {"T7", kM16CKind, EditStatus::Ok, {SlotTable::Tone, 6}},
        {" t32 ", kM16CKind, EditStatus::Ok, {SlotTable::Tone, 31}},
        {"12", kM64CKind, EditStatus::Ok, {SlotTable::Tone, 11}},
        {"T50", kM64CKind, EditStatus::Ok, {SlotTable::Tone, 49}},
        {"C4", kM64CKind, EditStatus::Ok, {SlotTable::Patch, 19}},
        {"h8", kM64CKind, EditStatus::Ok, {SlotTable::Patch, 63}},
        {"T33", kM16CKind, EditStatus::SlotOutOfRange, {}},
        {"T51", kM64CKind, EditStatus::SlotOutOfRange, {}},
        {"T0", kM64CKind, EditStatus::SlotOutOfRange, {}},
        {"A1", kM16CKind, EditStatus::SlotOutOfRange, {}},
        {"A9", kM64CKind, EditStatus::BadSlotName, {}},
        {"I1", kM64CKind, EditStatus::BadSlotName, {}},
        {"T123", kM64CKind, EditStatus::BadSlotName, {}},
        {"7x", kM64CKind, EditStatus::BadSlotName, {}},
        {"T", kM64CKind, EditStatus::BadSlotName, {}},
        {"", kM64CKind, EditStatus::BadSlotName, {}},
        {"T7", kUnknownKind, EditStatus::SlotOutOfRange, {}},
    };
    for (const SlotRow& row : rows) {
        Slot slot{SlotTable::Tone, -5};
        EXPECT_EQ(ParseSlot(row.text, row.kind, slot), row.status) << row.text;
        if (row.status == EditStatus::Ok) {
            EXPECT_EQ(slot, row.slot) << row.text;
        }
        if (row.status != EditStatus::Ok) {
            EXPECT_EQ(slot.index, -5) << row.text;
        }
    }
}

TEST(Slots, EverySlotOfAnM64CBankReadsBackFromItsName) {
    for (SlotTable table : {SlotTable::Tone, SlotTable::Patch}) {
        for (int i = 0; i < SlotCount(kM64CKind, table); ++i) {
            Slot parsed;
            const Slot slot{table, i};
            ASSERT_EQ(ParseSlot(FormatSlot(slot).view(), kM64CKind, parsed), EditStatus::Ok);
            EXPECT_EQ(parsed, slot) << FormatSlot(slot).view();
        }
    }
    EXPECT_EQ(FormatSlot({SlotTable::Tone, 9}).view(), "T10");
    EXPECT_EQ(FormatSlot({SlotTable::Patch, 19}).view(), "C4");
}

TEST(NewBank, HoldsInitSoundsInTheImportersCanonicalForm) {
    for (BankKind kind : {kM16CKind, kM64CKind}) {
        TestBank bank;
        bank.bytes.fill(0xEE);  // a bank that was there before
        ASSERT_EQ(MakeNewBank(kind, bank.bytes), EditStatus::Ok);
        const TestBank expected = [&] {
            TestBank e = MakeTestBank(kind, "", 0);  // signatures and header bytes
            for (int t = 0; t < (kind == kM64CKind ? 50 : 32); ++t) {
                for (size_t i = 0; i < 59; ++i) e.bytes[ToneAt(t) + i] = i < 4 ? "INIT"[i] : 0;
                e.bytes[ToneAt(t) + 10] = ' ';
                for (size_t i = 4; i < 10; ++i) e.bytes[ToneAt(t) + i] = ' ';
            }
            for (int p = 0; kind == kM64CKind && p < 64; ++p)
                for (size_t i = 0; i < 48; ++i)
                    e.bytes[PatchAt(p) + i] = i < 18 ? "INIT PATCH        "[i] : 0;
            return e;
        }();
        EXPECT_EQ(bank.bytes, expected.bytes) << kind;
        BankStorage normalized = bank.bytes;
        if (kind == kM64CKind) NormalizeM64CImage(normalized);
        if (kind == kM16CKind) NormalizeM16CImage(std::span(normalized).first<kM16CImageSize>());
        EXPECT_EQ(normalized, bank.bytes) << kind;
    }
    TestBank untouched;
    EXPECT_EQ(MakeNewBank(kUnknownKind, untouched.bytes), EditStatus::BadKind);
    EXPECT_EQ(untouched.bytes, BankStorage{});
}

struct RenameRow {
    Slot slot;
    const char* name;
    EditStatus status;
    const char* stored;  // the name bytes afterwards
};

TEST(Rename, PadsShowableNamesAndRefusesTheRest) {
    const RenameRow rows[] = {
        {{SlotTable::Tone, 0}, "BRASS", EditStatus::Ok, "BRASS     "},
        {{SlotTable::Tone, 49}, "~ABCDEFGH ", EditStatus::Ok, "~ABCDEFGH "},
        {{SlotTable::Tone, 0}, "", EditStatus::Ok, "          "},
        {{SlotTable::Tone, 0}, "ABCDEFGHIJK", EditStatus::BadName, "T0        "},
        {{SlotTable::Tone, 0}, "CAF\xC9", EditStatus::BadName, "T0        "},
        {{SlotTable::Tone, 0}, "TAB\t", EditStatus::BadName, "T0        "},
        {{SlotTable::Tone, 0}, "DEL\x7F", EditStatus::BadName, "T0        "},
        {{SlotTable::Patch, 63}, "EIGHTEEN CHARS OK!", EditStatus::Ok, "EIGHTEEN CHARS OK!"},
        {{SlotTable::Patch, 63}, "NINETEEN CHARS NO!!", EditStatus::BadName, "P63               "},
        {{SlotTable::Patch, 64}, "X", EditStatus::SlotOutOfRange, ""},
    };
    for (const RenameRow& row : rows) {
        TestBank bank = MakeTestBank(kM64CKind, "T", 1);
        const TestBank before = bank;
        EXPECT_EQ(RenameSlot(bank.bytes, bank.kind, row.slot, row.name), row.status) << row.name;
        const bool tone = row.slot.table == SlotTable::Tone;
        const size_t at = tone ? ToneAt(row.slot.index) : PatchAt(row.slot.index);
        const size_t size = tone ? 10 : 18;
        if (row.status != EditStatus::SlotOutOfRange) {
            EXPECT_EQ(Text(bank, at, size), row.stored);
        }
        // Nothing but the name changes (and a renamed tone comes out canonical).
        if (row.status == EditStatus::Ok && tone) {
            EXPECT_EQ(ToneData(bank, row.slot.index), ToneData(before, row.slot.index));
        }
        if (row.status == EditStatus::Ok && !tone) {
            EXPECT_EQ(Text(bank, at + 18, 30), Text(before, at + 18, 30));
        }
        if (row.status != EditStatus::Ok) {
            EXPECT_EQ(bank.bytes, before.bytes) << row.name;
        }
    }
}

}  // namespace
