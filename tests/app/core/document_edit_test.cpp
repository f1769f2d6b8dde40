// The Edit commands over a document: the selection a click or a key makes,
// what each command leaves in the bank, its changed flag and its history,
// which boxes come up, and the refusals. Banks come from test_banks.h.
#include "app/core/document_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/file_flows.h"
#include "ground/shell.h"
#include "tests/app/core/test_banks.h"

namespace {

struct Script {
    std::vector<int> boxAnswers;  // message boxes; OK once they run out
    Answer toneAnswer = Answer::Ok;
    std::vector<std::string> boxes;
    std::string names;  // what went to the system clipboard
};

Script& Of(void* context) { return *static_cast<Script*>(context); }

EditUi UiOver(Script& script) {
    EditUi ui;
    ui.context = &script;
    ui.messageBox = [](void* c, const char* text, const char* caption, uint32_t) {
        Of(c).boxes.push_back(std::string(caption) + ": " + text);
        if (Of(c).boxAnswers.empty()) return kIdOk;
        const int answer = Of(c).boxAnswers.front();
        Of(c).boxAnswers.erase(Of(c).boxAnswers.begin());
        return answer;
    };
    ui.askPatchTones = [](void* c, const char* text) {
        Of(c).boxes.push_back(std::string("tones: ") + text);
        return Of(c).toneAnswer;
    };
    ui.putNames = [](void* c, std::string_view text) { Of(c).names = std::string(text); };
    return ui;
}

// A document holding a test bank as a file opened would leave it.
BankDocument Opened(const TestBank& bank) {
    BankDocument document;
    EXPECT_TRUE(CommitBank(document, BankOrigin::Opened, bank.kind, bank.bytes, "bank.syx"));
    return document;
}

constexpr Slot T(int n) { return {SlotTable::Tone, n - 1}; }
constexpr Slot P(int n) { return {SlotTable::Patch, n}; }  // 0 = A1

struct SelectRow {
    const char* name;
    BankKind kind;
    Slot click;
    bool shiftClick;
    Slot then;  // a second click, with Shift when shiftClick
    std::vector<SlotMove> keys;
    bool shiftKeys;
    Selection expected;
};

TEST(Selection, ClicksShiftAndKeys) {
    const SelectRow rows[] = {
        {"a click", kM16CKind, T(5), false, T(5), {}, false, {T(5), 1}},
        {"Shift extends downwards", kM16CKind, T(3), true, T(7), {}, false, {T(3), 5}},
        {"and upwards, in slot order", kM16CKind, T(7), true, T(3), {}, false, {T(3), 5}},
        {"Shift into the other table", kM64CKind, T(3), true, P(4), {}, false, {P(4), 1}},
        {"Shift+Down twice", kM64CKind, T(4), false, T(4), {SlotMove::Down, SlotMove::Down}, true,
         {T(4), 3}},
        {"Shift+Down then Up", kM64CKind, T(4), false, T(4), {SlotMove::Down, SlotMove::Up}, true,
         {T(4), 1}},
        {"Tab to the patches", kM64CKind, T(9), false, T(9), {SlotMove::OtherTable}, false,
         {P(0), 1}},
        {"Tab with nothing to go to", kM16CKind, T(9), false, T(9), {SlotMove::OtherTable}, false,
         {T(9), 1}},
        {"a slot the bank lacks", kM16CKind, T(2), false, T(40), {}, false, {T(2), 1}},
    };
    for (const SelectRow& row : rows) {
        SCOPED_TRACE(row.name);
        BankDocument document = Opened(MakeTestBank(row.kind, "S", 1));
        SelectSlot(document, row.click, false);
        SelectSlot(document, row.then, row.shiftClick);
        for (SlotMove key : row.keys) MoveSelection(document, key, row.shiftKeys);
        EXPECT_EQ(document.selection.first, row.expected.first);
        EXPECT_EQ(document.selection.count, row.expected.count);
    }
}

TEST(Selection, ANewBankSelectsTheTopOfItsListing) {
    for (BankKind kind : {kM16CKind, kM64CKind}) {
        BankDocument document = Opened(MakeTestBank(kind, "S", 1));
        SelectSlot(document, T(6), false);
        const BankId old = document.id;
        ASSERT_TRUE(CommitBank(document, BankOrigin::Received, kind, document.image));
        EXPECT_EQ(document.selection.first, FirstListedSlot(kind));
        EXPECT_EQ(document.selection.count, 1);
        EXPECT_NE(document.id, old);
        EXPECT_FALSE(CanUndo(document.history));
    }
}

// Each edit as the user makes it, on both kinds: it changes the bank, marks
// it changed, is one undo step, and Redo brings it back.
enum class Step { Cut, Paste, SwapWithT2, DragToT2, CopyDragToT2, Rename };

struct EditRow {
    const char* name;
    BankKind kind;
    Step step;
    size_t offset;        // a record the edit must change (a paste's target)
    std::string expected; // its first bytes afterwards
};

TEST(Edits, EachIsOneStepOfUndoAndRedo) {
    const EditRow rows[] = {
        {"cut", kM16CKind, Step::Cut, ToneAt(4), "INIT      "},
        {"paste", kM64CKind, Step::Paste, ToneAt(44), "S4 "},
        {"paste into a JX-8P bank", kM16CKind, Step::Paste, ToneAt(19), "S4 "},
        {"swap with", kM16CKind, Step::SwapWithT2, ToneAt(1), "S4 "},
        {"drag", kM64CKind, Step::DragToT2, ToneAt(4), "S1 "},
        {"drag with Ctrl", kM16CKind, Step::CopyDragToT2, ToneAt(1), "S4 "},
        {"rename", kM64CKind, Step::Rename, ToneAt(4), "NEW NAME~ "},
    };
    for (const EditRow& row : rows) {
        SCOPED_TRACE(row.name);
        BankDocument document = Opened(MakeTestBank(row.kind, "S", 1));
        const BankStorage before = document.image;
        Clipboard clipboard;
        Script script;
        const EditUi ui = UiOver(script);
        SelectSlot(document, T(5), false);
        bool changed = false;
        switch (row.step) {
        case Step::Cut: changed = CutCommand(document, clipboard, ui); break;
        case Step::Paste:
            // Into the tone slot the row checks, one that no patch plays.
            CopyCommand(document, clipboard, ui);
            EXPECT_EQ(script.names, "S4");
            SelectSlot(document, T(static_cast<int>((row.offset - ToneAt(0)) / 59) + 1), false);
            changed = PasteCommand(document, clipboard, ui);
            break;
        case Step::SwapWithT2: changed = SwapWithCommand(document, " t2 ", ui); break;
        case Step::DragToT2: changed = DragCommand(document, T(5), T(2), false, ui); break;
        case Step::CopyDragToT2: changed = DragCommand(document, T(5), T(2), true, ui); break;
        case Step::Rename: changed = RenameCommand(document, "NEW NAME~", ui); break;
        }
        ASSERT_TRUE(changed);
        EXPECT_TRUE(script.boxes.empty()) << script.boxes.front();
        EXPECT_TRUE(document.changed);
        const std::string after(document.image.begin() + static_cast<std::ptrdiff_t>(row.offset),
                                document.image.begin() +
                                    static_cast<std::ptrdiff_t>(row.offset + row.expected.size()));
        EXPECT_EQ(after, row.expected);
        const BankStorage edited = document.image;
        ASSERT_TRUE(UndoCommand(document));
        EXPECT_EQ(document.image, before);
        EXPECT_FALSE(UndoCommand(document));
        ASSERT_TRUE(RedoCommand(document));
        EXPECT_EQ(document.image, edited);
        EXPECT_FALSE(RedoCommand(document));
    }
}

struct RefusalRow {
    const char* name;
    BankKind kind;
    Selection selection;
    const char* swapWith;  // else a rename to `text`
    const char* text;
    const char* box;
};

TEST(Edits, RefusalsSayWhyAndChangeNothing) {
    const RefusalRow rows[] = {
        {"no such slot name", kM64CKind, {T(1), 1}, "Z9", nullptr,
         "Swap With: \"Z9\" names no slot. Type a tone as T1, a patch as A1."},
        {"a tone a JX-8P bank lacks", kM16CKind, {T(1), 1}, "T33", nullptr,
         "Swap With: This bank has no slot T33."},
        {"a patch for a tone", kM64CKind, {T(1), 1}, "C4", nullptr,
         "Swap With: Tones go into tone slots, patches into patch slots."},
        {"a name too long", kM16CKind, {T(1), 1}, nullptr, "ELEVEN CHRS",
         "Rename: A name holds at most 10 characters that the synthesizer shows (ASCII 20h to "
         "7Eh)."},
        {"a character the display lacks", kM64CKind, {P(0), 1}, nullptr, "CAF\xC9",
         "Rename: A name holds at most 18 characters that the synthesizer shows (ASCII 20h to "
         "7Eh)."},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        BankDocument document = Opened(MakeTestBank(row.kind, "S", 1));
        const BankStorage before = document.image;
        document.selection = row.selection;
        Script script;
        const bool changed = row.swapWith != nullptr
                                 ? SwapWithCommand(document, row.swapWith, UiOver(script))
                                 : RenameCommand(document, row.text, UiOver(script));
        EXPECT_FALSE(changed);
        EXPECT_EQ(script.boxes, std::vector<std::string>{row.box});
        EXPECT_EQ(document.image, before);
        EXPECT_FALSE(document.changed);
        EXPECT_FALSE(CanUndo(document.history));
    }
}

TEST(Edits, MoreSoundsThanSlotsPastesNothing) {
    BankDocument document = Opened(MakeTestBank(kM64CKind, "S", 1));
    Clipboard clipboard;
    Script script;
    document.selection = {T(1), 10};
    CopyCommand(document, clipboard, UiOver(script));
    SelectSlot(document, T(45), false);
    const BankStorage before = document.image;
    EXPECT_FALSE(PasteCommand(document, clipboard, UiOver(script)));
    EXPECT_EQ(script.boxes, std::vector<std::string>{
                                "Paste: The clipboard holds 10 sounds; from T45 on, 6 sounds "
                                "fit.\n\nNothing was pasted."});
    EXPECT_EQ(document.image, before);
    EXPECT_FALSE(document.changed);
}

// A patch from another bank brings its tones; the box's three answers.
TEST(Edits, APatchFromAnotherBankAsksAboutItsTones) {
    const struct {
        Answer answer;
        bool changed;
        int toneA;  // the pasted patch's upper tone number afterwards
    } rows[] = {{Answer::Cancel, false, 0}, {Answer::KeepToneNumbers, true, 0}, {Answer::Ok, true, 49}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        TestBank sourceBank = MakeTestBank(kM64CKind, "S", 1);
        PutPatchTones(sourceBank, 0, 0x80, 1);  // A1 plays T1 (held) and T2
        const BankDocument source = Opened(sourceBank);
        BankDocument target = Opened(MakeTestBank(kM64CKind, "T", 65));
        const BankStorage before = target.image;
        Clipboard clipboard;
        Script script;
        script.toneAnswer = row.answer;
        CopyCommand(source, clipboard, UiOver(script));
        SelectSlot(target, P(0), false);
        EXPECT_EQ(PasteCommand(target, clipboard, UiOver(script)), row.changed);
        ASSERT_EQ(script.boxes.size(), 1u);
        EXPECT_NE(script.boxes[0].find("Tone 50 (now T49, used by no patch) gets S0 for patch A1"),
                  std::string::npos)
            << script.boxes[0];
        EXPECT_EQ(target.changed, row.changed);
        if (!row.changed) {
            EXPECT_EQ(target.image, before);
            continue;
        }
        EXPECT_EQ(target.image[PatchAt(0) + 27], 0x80 | row.toneA);
    }
}

TEST(Edits, WhatTheMenuOffers) {
    const BankDocument none;
    BankDocument loaded = Opened(MakeTestBank(kM16CKind, "S", 1));
    Clipboard empty;
    Clipboard full;
    Script script;
    CopyCommand(loaded, full, UiOver(script));
    BankDocument edited = loaded;
    ASSERT_TRUE(RenameCommand(edited, "X", UiOver(script)));
    BankDocument undone = edited;
    ASSERT_TRUE(UndoCommand(undone));
    const struct {
        const char* name;
        const BankDocument& document;
        const Clipboard& clipboard;
        bool busy;
        std::vector<EditCommand> enabled;
    } rows[] = {
        {"no bank", none, full, false, {}},
        {"a transfer running", edited, full, true, {}},
        {"an opened bank", loaded, empty, false,
         {EditCommand::Cut, EditCommand::Copy, EditCommand::Rename, EditCommand::SwapWith}},
        {"with a clipboard and a step", edited, full, false,
         {EditCommand::Undo, EditCommand::Cut, EditCommand::Copy, EditCommand::Paste,
          EditCommand::Rename, EditCommand::SwapWith}},
        {"after an undo", undone, empty, false,
         {EditCommand::Redo, EditCommand::Cut, EditCommand::Copy, EditCommand::Rename,
          EditCommand::SwapWith}},
    };
    const EditCommand all[] = {EditCommand::Undo,   EditCommand::Redo,  EditCommand::Cut,
                               EditCommand::Copy,   EditCommand::Paste, EditCommand::Rename,
                               EditCommand::SwapWith};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<EditCommand> enabled;
        for (EditCommand command : all)
            if (CanEdit(row.document, row.clipboard, command, row.busy)) enabled.push_back(command);
        EXPECT_EQ(enabled, row.enabled);
    }
}

}  // namespace

namespace {

// The sounds of some files as GatherFiles leaves them: three tones and two
// patches of a source bank, and a file that gave nothing.
FilesPaste SomeFiles(bool withPatches) {
    const TestBank source = MakeTestBank(kM64CKind, "F", 40);
    FilesPaste files;
    EXPECT_EQ(CopySlots(source.bytes, source.kind, kFileSoundsBank, {T(1), 3}, files.tones),
              EditStatus::Ok);
    files.toneCount = 3;
    if (withPatches) {
        EXPECT_EQ(CopySlots(source.bytes, source.kind, kFileSoundsBank, {P(0), 2}, files.patches),
                  EditStatus::Ok);
        files.patchCount = 2;
    }
    files.refused = {"notes.txt: unknown format"};
    return files;
}

}  // namespace

// Paste from Files puts in the sounds of the selection's table and says what
// it left: the files that gave nothing and the other table's sounds.
TEST(PasteFiles, TheSelectionsTableGoesInAndTheRestIsSaid) {
    const struct {
        const char* name;
        Slot at;
        bool withPatches;
        bool changed;
        std::vector<std::string> boxes;
        std::vector<std::string> log;
    } rows[] = {
        {"tones at T41, where no patch plays", T(41), true, true, {},
         {"notes.txt: unknown format: not pasted",
          "2 patches of the files not pasted: select a patch slot to paste them"}},
        {"no patch for a patch slot", P(3), false, false,
         {"Paste from Files: The files hold no patch. Select a tone slot to paste their tones."},
         {"notes.txt: unknown format: not pasted"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TestBank target = MakeTestBank(kM64CKind, "T", 1);
        BankDocument document = Opened(target);
        SelectSlot(document, row.at, false);
        Script script;
        std::vector<std::string> log;
        EXPECT_EQ(PasteFilesCommand(document, SomeFiles(row.withPatches), UiOver(script), log),
                  row.changed);
        EXPECT_EQ(script.boxes, row.boxes);
        EXPECT_EQ(log, row.log);
        EXPECT_EQ(document.changed, row.changed);
        if (row.changed) {
            EXPECT_EQ(Text(TestBank{document.kind, document.image}, ToneAt(40), 2), "F0");
            EXPECT_EQ(Text(TestBank{document.kind, document.image}, ToneAt(42), 2), "F2");
            EXPECT_TRUE(UndoCommand(document));  // the whole paste is one step
            EXPECT_TRUE(document.image == target.bytes);
        }
    }
}
