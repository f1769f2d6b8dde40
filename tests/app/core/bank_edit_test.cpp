// Paste, cut, swap, copy-onto and undo on both kinds of bank, and a patch that
// brings its tones into another bank. Banks come from test_banks.h.
#include <gtest/gtest.h>

#include <random>

#include "app/core/bank_edit.h"
#include "app/core/edit_history.h"
#include "tests/app/core/test_banks.h"

namespace {

constexpr BankId kSource = 1;
constexpr BankId kTarget = 2;
constexpr Slot kA1{SlotTable::Patch, 0};

Clipboard Copy(const TestBank& bank, BankId id, Slot first, int count) {
    Clipboard clipboard;
    EXPECT_EQ(CopySlots(bank.bytes, bank.kind, id, {first, count}, clipboard), EditStatus::Ok);
    return clipboard;
}

// A tone as canonical bytes: byte 10 a blank, every byte 7-bit.
std::string Canonical(const TestBank& bank, int t) {
    std::string tone = Text(bank, ToneAt(t), 59);
    tone[10] = ' ';
    for (char& c : tone) c = static_cast<char>(c & 0x7F);
    return tone;
}

struct TonePasteRow {
    BankKind from, to;
    int first, count;  // copied from T1 on, pasted at tone index `first`
    EditStatus status;
    int fits;
};

TEST(Paste, TonesGoCanonicalIntoEitherKindOrNotAtAll) {
    const TonePasteRow rows[] = {
        {kM16CKind, kM64CKind, 18, 32, EditStatus::Ok, 32},  // a whole JX-8P bank
        {kM64CKind, kM16CKind, 0, 32, EditStatus::Ok, 32},   // and back
        {kM64CKind, kM16CKind, 30, 2, EditStatus::Ok, 2},
        {kM64CKind, kM16CKind, 31, 2, EditStatus::TooManySounds, 1},
        {kM16CKind, kM64CKind, 19, 32, EditStatus::TooManySounds, 31},
        {kM16CKind, kM16CKind, 0, 32, EditStatus::Ok, 32},
    };
    for (const TonePasteRow& row : rows) {
        const TestBank source = MakeTestBank(row.from, "S", 100);
        TestBank target = MakeTestBank(row.to, "T", 300);
        const TestBank before = target;
        const Clipboard clip = Copy(source, kSource, {SlotTable::Tone, 0}, row.count);
        const Slot at{SlotTable::Tone, row.first};
        const EditPlan plan = PlanPaste(target.bytes, target.kind, kTarget, clip, at);
        EXPECT_EQ(plan.status, row.status);
        EXPECT_EQ(plan.fits, row.fits);
        EXPECT_EQ(ApplyPaste(target.bytes, target.kind, kTarget, clip, at, Answer::Ok), row.status);
        if (row.status != EditStatus::Ok) {
            EXPECT_EQ(target.bytes, before.bytes);
            continue;
        }
        for (int i = 0; i < row.count; ++i)
            EXPECT_EQ(Text(target, ToneAt(row.first + i), 59), Canonical(source, i)) << i;
    }
}

TEST(Copy, PutsTheNamesOnTheSystemClipboardOneALine) {
    const TestBank bank = MakeTestBank(kM64CKind, "T", 300);
    EXPECT_EQ(ClipboardText(Copy(bank, kTarget, {SlotTable::Tone, 8}, 2)).view(), "T8\r\nT9");
    EXPECT_EQ(ClipboardText(Copy(bank, kTarget, {SlotTable::Patch, 63}, 1)).view(), "P63");
}

TEST(Paste, RefusesTheWrongTableAndAnEmptyClipboard) {
    TestBank target = MakeTestBank(kM64CKind, "T", 300);
    const TestBank before = target;
    const Clipboard tones = Copy(target, kTarget, {}, 1);
    const Clipboard patches = Copy(target, kTarget, kA1, 1);
    TestBank m16c = MakeTestBank(kM16CKind, "J", 7);
    EXPECT_EQ(ApplyPaste(target.bytes, target.kind, kSource, tones, kA1, Answer::Ok),
              EditStatus::WrongTable);
    EXPECT_EQ(ApplyPaste(m16c.bytes, m16c.kind, kSource, patches, {}, Answer::Ok),
              EditStatus::WrongTable);
    EXPECT_EQ(ApplyPaste(target.bytes, target.kind, kSource, Clipboard{}, {}, Answer::Ok),
              EditStatus::NothingToPaste);
    EXPECT_EQ(target.bytes, before.bytes);
}

// Target patches play tones 0..39 (see MakeTestBank); "Full" makes the
// patches from B1 on play every tone.
enum class Target { Free, HoldsAt3And7, HoldsAt9And7, Full, SameBank };

struct PatchPasteRow {
    const char* what;
    Target target;
    uint8_t a, b;  // the source patch's reference bytes
    Answer answer;
    EditStatus status;
    uint8_t pastedA, pastedB;
    PlanBox box;
    const char* text;  // the first line of the box, if any
};

TEST(Paste, APatchBringsItsTones) {
    const PatchPasteRow rows[] = {
        {"found at its own number", Target::HoldsAt3And7, 3, 0xD2, Answer::Ok, EditStatus::Ok, 3,
         0xD2, PlanBox::None, ""},
        {"found at the lowest match", Target::HoldsAt9And7, 3, 82, Answer::Ok, EditStatus::Ok, 7,
         82, PlanBox::None, ""},
        {"placed in the highest free slot, hold kept", Target::Free, 0x83, 0xD2, Answer::Ok,
         EditStatus::Ok, 0x80 | 49, 0xD2, PlanBox::OkKeepCancel,
         "Tone 50 (now T49, used by no patch) gets S3 for patch A1"},
        {"both tones placed", Target::Free, 3, 4, Answer::Ok, EditStatus::Ok, 49, 48,
         PlanBox::OkKeepCancel, "Tone 50 (now T49, used by no patch) gets S3 for patch A1"},
        {"no free slot: its own number", Target::Full, 3, 120, Answer::Ok, EditStatus::Ok, 3, 120,
         PlanBox::OkKeepCancel, "Tone 4 (now T3, used by patches A4, D5, G6) gets S3 for patch A1"},
        {"keep the tone numbers", Target::Full, 0x83, 4, Answer::KeepToneNumbers, EditStatus::Ok,
         0x83, 4, PlanBox::OkKeepCancel, ""},
        {"cancelled", Target::Free, 3, 4, Answer::Cancel, EditStatus::Cancelled, 0, 0,
         PlanBox::OkKeepCancel, ""},
        {"within its own bank", Target::SameBank, 3, 0x84, Answer::Ok, EditStatus::Ok, 3, 0x84,
         PlanBox::None, ""},
    };
    for (const PatchPasteRow& row : rows) {
        SCOPED_TRACE(row.what);
        TestBank source = MakeTestBank(kM64CKind, "S", 100);
        PutPatchTones(source, 5, row.a, row.b);
        TestBank target = MakeTestBank(kM64CKind, "T", 300);
        const auto copyTone = [&](int to) {
            std::copy_n(source.bytes.begin() + ToneAt(3) + 11, 48,
                        target.bytes.begin() + ToneAt(to) + 11);
        };
        if (row.target == Target::HoldsAt3And7) copyTone(3), copyTone(7);
        if (row.target == Target::HoldsAt9And7) copyTone(9), copyTone(7);
        for (int p = 1; row.target == Target::Full && p < 64; ++p)
            PutPatchTones(target, p, static_cast<uint8_t>(p % 50),
                          static_cast<uint8_t>((p + 25) % 50));
        if (row.target == Target::SameBank) target = source;
        const BankId from = row.target == Target::SameBank ? kTarget : kSource;
        const TestBank before = target;
        const Clipboard clip = Copy(source, from, {SlotTable::Patch, 5}, 1);
        const EditPlan plan = PlanPaste(target.bytes, target.kind, kTarget, clip, kA1);
        EXPECT_EQ(plan.box, row.box);
        if (*row.text) {
            EXPECT_EQ(DescribeEntry(plan.entries[0]).view(), row.text);
        }
        ASSERT_EQ(ApplyPaste(target.bytes, target.kind, kTarget, clip, kA1, row.answer),
                  row.status);
        if (row.status != EditStatus::Ok) {
            EXPECT_EQ(target.bytes, before.bytes);
            continue;
        }
        EXPECT_EQ(target.bytes[PatchAt(0) + 27], row.pastedA);
        EXPECT_EQ(target.bytes[PatchAt(0) + 32], row.pastedB);
        // Every other patch byte arrives as it was, 8-bit values included.
        for (size_t i : {size_t{0}, size_t{18}, size_t{31}, size_t{47}})
            EXPECT_EQ(target.bytes[PatchAt(0) + i], source.bytes[PatchAt(5) + i]);
        // The patch plays the source's tone 3 unless its numbers were kept.
        const int a = row.pastedA & 0x7F;
        if (row.answer == Answer::Ok) {
            EXPECT_EQ(ToneData(target, a), ToneData(source, row.a & 0x7F));
        }
        if (row.answer != Answer::Ok) {
            EXPECT_EQ(ToneData(target, a), ToneData(before, a));
        }
    }
}

TEST(Paste, TonesPlacedEarlierBySamePasteCountAndNeverGetOverwritten) {
    TestBank source = MakeTestBank(kM64CKind, "S", 100);
    PutPatchTones(source, 0, 3, 3);
    PutPatchTones(source, 1, 3, 0x80 | 3);
    TestBank target = MakeTestBank(kM64CKind, "T", 300);
    EditPlan plan =
        PlanPaste(target.bytes, target.kind, kTarget, Copy(source, kSource, kA1, 2), kA1);
    ASSERT_EQ(plan.count, 4);
    EXPECT_EQ(plan.entries[0].action, PlanAction::ToneToFreeSlot);
    for (int e = 1; e < 4; ++e) EXPECT_EQ(plan.entries[e].action, PlanAction::ToneMatched);
    for (int e = 0; e < 4; ++e) EXPECT_EQ(plan.entries[e].tone, 49);

    // Two tones under one number (a clipboard put together by hand) in a full
    // bank: the second finds its slot taken and the patch keeps its number.
    for (int p = 2; p < 64; ++p) PutPatchTones(target, p, static_cast<uint8_t>(p % 50), 0);
    Clipboard mixed = Copy(source, kSource, kA1, 2);
    mixed.sounds[1].tones[0].record[1] = 'X';
    mixed.sounds[1].tones[0].record[20] ^= 1;
    plan = PlanPaste(target.bytes, target.kind, kTarget, mixed, kA1);
    EXPECT_EQ(plan.entries[0].action, PlanAction::ToneOverOwnNumber);
    EXPECT_EQ(plan.entries[2].action, PlanAction::ToneNoRoom);
    EXPECT_EQ(DescribeEntry(plan.entries[2]).view(),
              "Tone 4 keeps S3 for patch A2: no slot is left for SX");
}

// Whatever the banks hold, a patch pasted with OK plays the same data in
// its new bank that it played in its old one, with its hold flags, unless
// the box said no slot was left; a target patch outside the paste changes
// sound only where the box said so.
TEST(Paste, APastedPatchPlaysTheSameToneDataAsInItsSourceBank) {
    std::mt19937 random(1234);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 300; ++round) {
        TestBank source = MakeTestBank(kM64CKind, "S", 0);
        TestBank target = MakeTestBank(kM64CKind, "T", 0);
        // Few sounds make many matches, many sounds many placements; a
        // target whose patches play nearly every tone leaves no free slot.
        const int sounds = round % 3 == 0 ? 8 : 120;
        for (TestBank* bank : {&source, &target}) {
            for (int t = 0; t < 50; ++t) PutTone(*bank, t, "R", below(sounds));
            for (int p = 0; p < 64; ++p) {
                const int bankTones = bank == &target && round % 2 ? 50 : 256;
                PutPatchTones(*bank, p, static_cast<uint8_t>(below(bankTones)),
                              static_cast<uint8_t>(below(bankTones)));
            }
        }
        const int count = 1 + below(20), from = below(64 - count), at = below(64 - count + 1);
        const Clipboard clip = Copy(source, kSource, {SlotTable::Patch, from}, count);
        const TestBank before = target;
        const EditPlan plan =
            PlanPaste(target.bytes, target.kind, kTarget, clip, {SlotTable::Patch, at});
        ASSERT_EQ(ApplyPaste(target.bytes, target.kind, kTarget, clip, {SlotTable::Patch, at},
                             Answer::Ok),
                  EditStatus::Ok);
        // Where every slot is taken the box says the patch keeps its number.
        std::array<std::array<bool, 2>, 64> noRoom{};
        for (int e = 0; e < plan.count; ++e)
            noRoom[plan.entries[e].patch][plan.entries[e].which] =
                plan.entries[e].action == PlanAction::ToneNoRoom;
        for (int i = 0; i < count; ++i) {
            for (size_t ref : {27, 32}) {
                if (noRoom[at + i][ref == 32]) continue;
                const uint8_t was = source.bytes[PatchAt(from + i) + ref],
                              now = target.bytes[PatchAt(at + i) + ref];
                EXPECT_EQ(was & 0x80, now & 0x80);
                if ((was & 0x7F) >= 50) {
                    EXPECT_EQ(was, now);
                }
                if ((was & 0x7F) < 50) {
                    EXPECT_EQ(ToneData(target, now & 0x7F), ToneData(source, was & 0x7F)) << round;
                }
            }
        }
        uint64_t warned = 0;
        for (int e = 0; e < plan.count; ++e)
            if (plan.entries[e].action == PlanAction::ToneOverOwnNumber)
                warned |= plan.entries[e].users;
        for (int p = 0; p < 64; ++p) {
            if ((p >= at && p < at + count) || (warned >> p & 1)) continue;
            for (size_t ref : {27, 32}) {
                const int tone = before.bytes[PatchAt(p) + ref] & 0x7F;
                EXPECT_EQ(target.bytes[PatchAt(p) + ref], before.bytes[PatchAt(p) + ref]);
                if (tone < 50) {
                    EXPECT_EQ(ToneData(target, tone), ToneData(before, tone))
                        << round << " patch " << p;
                }
            }
        }
    }
}

TEST(Cut, CopiesThenLeavesInitSoundsAndAsksForTonesThatPatchesPlay) {
    TestBank bank = MakeTestBank(kM64CKind, "T", 300);
    const TestBank before = bank;
    const Selection tones{{SlotTable::Tone, 2}, 2};
    const EditPlan plan = PlanCut(bank.bytes, bank.kind, tones);
    EXPECT_EQ(plan.box, PlanBox::OkCancel);
    ASSERT_EQ(plan.count, 2);
    EXPECT_EQ(DescribeEntry(plan.entries[0]).view(),
              "Tone 3 (T2) is used by patches A2, A3, F2, F3");
    Clipboard clip;
    EXPECT_EQ(ApplyCut(bank.bytes, bank.kind, kTarget, tones, Answer::Cancel, clip),
              EditStatus::Cancelled);
    EXPECT_EQ(bank.bytes, before.bytes);
    ASSERT_EQ(ApplyCut(bank.bytes, bank.kind, kTarget, tones, Answer::Ok, clip), EditStatus::Ok);
    ASSERT_EQ(ApplyCut(bank.bytes, bank.kind, kTarget, {kA1, 64}, Answer::Ok, clip),
              EditStatus::Ok);
    EXPECT_EQ(Text(bank, ToneAt(3), 11), "INIT       ");
    EXPECT_EQ(ToneData(bank, 3), std::string(48, '\0'));
    EXPECT_EQ(Text(bank, PatchAt(63), 48), "INIT PATCH        " + std::string(30, '\0'));
    EXPECT_EQ(clip.count, 64);
    EXPECT_EQ(clip.sounds[63].patch[0], 'P');

    TestBank jx8p = MakeTestBank(kM16CKind, "J", 7);
    EXPECT_EQ(PlanCut(jx8p.bytes, jx8p.kind, {{SlotTable::Tone, 31}, 1}).box, PlanBox::None);
    EXPECT_EQ(PlanCut(jx8p.bytes, jx8p.kind, {{SlotTable::Tone, 31}, 2}).status,
              EditStatus::SlotOutOfRange);
}

TEST(Swap, TonesTakeTheirPatchesAlongAndPatchesKeepTheirTones) {
    TestBank bank = MakeTestBank(kM64CKind, "T", 300);
    PutPatchTones(bank, 10, 0x80 | 2, 0x80 | 82);
    TestBank swapped = bank;
    ASSERT_EQ(SwapSlots(swapped.bytes, swapped.kind, {SlotTable::Tone, 2}, {SlotTable::Tone, 45}),
              EditStatus::Ok);
    EXPECT_EQ(Text(swapped, ToneAt(45), 3), "T2 ");
    for (int p = 0; p < 64; ++p) {
        for (size_t ref : {27, 32}) {
            const int was = bank.bytes[PatchAt(p) + ref] & 0x7F;
            const int now = swapped.bytes[PatchAt(p) + ref] & 0x7F;
            if (was < 50) {
                EXPECT_EQ(ToneData(swapped, now), ToneData(bank, was)) << p;
            }
        }
    }
    EXPECT_EQ(swapped.bytes[PatchAt(10) + 27], 0x80 | 45);
    EXPECT_EQ(swapped.bytes[PatchAt(10) + 32], 0x80 | 82);

    ASSERT_EQ(SwapSlots(swapped.bytes, swapped.kind, {SlotTable::Patch, 10}, kA1), EditStatus::Ok);
    EXPECT_EQ(Text(swapped, PatchAt(0), 48),
              Text(bank, PatchAt(10), 48).replace(27, 1, 1, char(0x80 | 45)));
    const TestBank after = swapped;
    EXPECT_EQ(SwapSlots(swapped.bytes, swapped.kind, kA1, {SlotTable::Tone, 1}),
              EditStatus::WrongTable);
    EXPECT_EQ(SwapSlots(swapped.bytes, swapped.kind, kA1, {SlotTable::Patch, 64}),
              EditStatus::SlotOutOfRange);
    EXPECT_EQ(swapped.bytes, after.bytes);

    TestBank jx8p = MakeTestBank(kM16CKind, "J", 7);
    ASSERT_EQ(SwapSlots(jx8p.bytes, jx8p.kind, {SlotTable::Tone, 0}, {SlotTable::Tone, 31}),
              EditStatus::Ok);
    EXPECT_EQ(Text(jx8p, ToneAt(0), 3), "J31");
}

TEST(CopyOnto, AsksBeforeAToneThatPatchesPlayAndKeepsPatchNumbers) {
    TestBank bank = MakeTestBank(kM64CKind, "T", 300);
    const Slot t1{SlotTable::Tone, 0}, t50{SlotTable::Tone, 49};
    EXPECT_EQ(PlanCopyOnto(bank.bytes, bank.kind, t1, t50).box, PlanBox::None);
    EXPECT_EQ(PlanCopyOnto(bank.bytes, bank.kind, t50, t1).box, PlanBox::OkCancel);
    ASSERT_EQ(ApplyCopyOnto(bank.bytes, bank.kind, {SlotTable::Patch, 5}, {SlotTable::Patch, 63},
                            Answer::Ok),
              EditStatus::Ok);
    EXPECT_EQ(Text(bank, PatchAt(63), 48), Text(bank, PatchAt(5), 48));
    EXPECT_EQ(ApplyCopyOnto(bank.bytes, bank.kind, t1, {SlotTable::Tone, 50}, Answer::Ok),
              EditStatus::SlotOutOfRange);
}

// Each edit is one step; undo walks back to the bank as it was made, redo
// forward again, for both kinds.
TEST(History, UndoesAndRedoesEveryKindOfEditOnBothKinds) {
    for (BankKind kind : {kM16CKind, kM64CKind}) {
        TestBank bank = MakeTestBank(kind, "T", 300);
        EditHistory history;
        StartHistory(history, bank.kind, bank.bytes);
        std::vector<BankStorage> states{bank.bytes};
        Clipboard clip;
        const Slot t2{SlotTable::Tone, 1}, t9{SlotTable::Tone, 8};
        const auto step = [&](EditStatus status) {
            ASSERT_EQ(status, EditStatus::Ok);
            RecordStep(history, bank.kind, bank.bytes);
            states.push_back(bank.bytes);
        };
        step(RenameSlot(bank.bytes, bank.kind, t2, "RENAMED"));
        step(SwapSlots(bank.bytes, bank.kind, t2, t9));
        step(ApplyCut(bank.bytes, bank.kind, kTarget, {t2, 3}, Answer::Ok, clip));
        step(ApplyPaste(bank.bytes, bank.kind, kTarget, clip, {SlotTable::Tone, 20}, Answer::Ok));
        step(ApplyCopyOnto(bank.bytes, bank.kind, t9, t2, Answer::Ok));
        for (size_t i = states.size() - 1; i > 0; --i) {
            EXPECT_EQ(bank.bytes, states[i]);
            ASSERT_EQ(Undo(history, bank.kind, bank.bytes), EditStatus::Ok);
        }
        EXPECT_EQ(bank.bytes, states[0]);
        EXPECT_EQ(Undo(history, bank.kind, bank.bytes), EditStatus::NothingToUndo);
        for (size_t i = 1; i < states.size(); ++i) {
            ASSERT_EQ(Redo(history, bank.kind, bank.bytes), EditStatus::Ok);
            EXPECT_EQ(bank.bytes, states[i]);
        }
        EXPECT_EQ(Redo(history, bank.kind, bank.bytes), EditStatus::NothingToRedo);
        EXPECT_EQ(bank.kind, kind);
    }
}

TEST(History, KeepsTheLast100StepsAndANewEditDropsTheRedoSteps) {
    TestBank bank = MakeTestBank(kM64CKind, "T", 300);
    EditHistory history;
    StartHistory(history, bank.kind, bank.bytes);
    for (int i = 0; i < 105; ++i) {
        bank.bytes[PatchAt(0) + 18] = static_cast<uint8_t>(i);
        RecordStep(history, bank.kind, bank.bytes);
    }
    int undone = 0;
    while (Undo(history, bank.kind, bank.bytes) == EditStatus::Ok) ++undone;
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(bank.bytes[PatchAt(0) + 18], 4);
    ASSERT_EQ(Redo(history, bank.kind, bank.bytes), EditStatus::Ok);
    RecordStep(history, bank.kind, bank.bytes);
    EXPECT_FALSE(CanRedo(history));
    // A bank opened, received or made new starts again.
    StartHistory(history, kM16CKind, bank.bytes);
    EXPECT_FALSE(CanUndo(history));
}

}  // namespace
