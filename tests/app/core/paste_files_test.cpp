// Paste from Files: the sounds of the chosen files in the order of their
// names, single-tone files that become one bank, loose patches that keep
// their tone numbers and say what they play, bank patches that bring their
// tones, and files that give no sound. Every file is written here from the
// message layouts, or is a cartridge image from test_banks.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/core/paste_files.h"
#include "tests/app/core/test_banks.h"
#include "tests/bank/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// F0 41 35 ch 21 20 01, the tone record, F7.
void PutJx8pTone(Bytes& out, const Bytes& tone) {
    out.insert(out.end(), {0xF0, 0x41, 0x35, 0x00, 0x21, 0x20, 0x01});
    out.insert(out.end(), tone.begin(), tone.end());
    out.push_back(0xF7);
}

// F0 41 37 ch 24 30 01 00 pp, the patch record as high and low nibbles, F7.
void PutMks70Patch(Bytes& out, uint8_t number, const Bytes& patch) {
    out.insert(out.end(), {0xF0, 0x41, 0x37, 0x00, 0x24, 0x30, 0x01, 0x00, number});
    for (uint8_t b : patch)
        out.insert(out.end(), {static_cast<uint8_t>(b >> 4), static_cast<uint8_t>(b & 0x0F)});
    out.push_back(0xF7);
}

Bytes Image(const TestBank& bank) {
    const size_t size = bank.kind == kM64CKind ? 8192 : 2048;
    return Bytes(bank.bytes.begin(), bank.bytes.begin() + static_cast<long>(size));
}

Bytes ToneOf(const TestBank& bank, int t) {
    return Bytes(bank.bytes.begin() + static_cast<long>(ToneAt(t)),
                 bank.bytes.begin() + static_cast<long>(ToneAt(t) + 59));
}

Bytes FileTone(int n) {
    Bytes tone(59);
    const std::string name = "TONE " + std::to_string(n);
    for (size_t i = 0; i < 10; ++i) tone[i] = i < name.size() ? name[i] : ' ';
    tone[10] = '*';  // as files carry it; a bank holds a blank
    // Top bits set as some files carry them, never F0h..FFh, which would
    // frame messages.
    for (size_t i = 11; i < 59; ++i)
        tone[i] = static_cast<uint8_t>((n * 31 + i * 7) % 0x70 + (i % 3 == 0 ? 0x80 : 0));
    return tone;
}

Bytes Canonical(Bytes tone) {
    tone[10] = 0x20;
    for (uint8_t& b : tone) b &= 0x7F;
    return tone;
}

Bytes SingleToneFile(int n) {
    Bytes file;
    PutJx8pTone(file, FileTone(n));
    return file;
}

TEST(PasteFromFiles, ThirtyTwoSingleToneFilesBecomeOneBankInTheOrderOfTheirNames) {
    TempFolder folder;
    // Names whose case differs, chosen in another order than their names'.
    std::vector<std::string> paths;
    for (int n = 31; n >= 0; --n) {
        const std::string name =
            (n % 2 ? "Tone" : "tone") + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".syx";
        paths.push_back(folder.File(name));
        WriteBytes(paths.back(), SingleToneFile(n));
    }
    const FilesPaste paste = GatherFiles(paths);
    ASSERT_EQ(paste.status, EditStatus::Ok);
    ASSERT_EQ(paste.toneCount, 32);
    EXPECT_EQ(paste.patchCount, 0);
    for (const BankKind kind : {kM16CKind, kM64CKind}) {
        BankStorage bank{};
        ASSERT_EQ(MakeNewBank(kind, bank), EditStatus::Ok);
        const Slot t1{SlotTable::Tone, 0};
        ASSERT_EQ(PlanPaste(bank, kind, 1, paste.tones, t1).status, EditStatus::Ok);
        ASSERT_EQ(ApplyPaste(bank, kind, 1, paste.tones, t1, Answer::Ok), EditStatus::Ok);
        for (int t = 0; t < 32; ++t) {
            const ToneRecord tone = ReadTone(bank, t);
            EXPECT_EQ(Bytes(tone.begin(), tone.end()), Canonical(FileTone(t)))
                << kind << " T" << t + 1;
        }
    }
}

TEST(PasteFromFiles, FilesGiveTheirBanksOrTheirLooseSoundsOrAReason) {
    TempFolder folder;
    TestBank m64c = MakeTestBank(kM64CKind, "B", 40);
    // Patch A1 of the bank plays tones 3 and 4 (0-based), with the hold bit on A.
    PutPatchTones(m64c, 0, 0x80 | 3, 4);
    Bytes loosePatch(48, 0);
    std::copy_n("LOOSE BRASS       ", 18, loosePatch.begin());
    loosePatch[27] = 11;  // T12
    loosePatch[32] = 82;  // a ROM tone
    Bytes looseFile;
    PutMks70Patch(looseFile, 5, loosePatch);
    PutJx8pTone(looseFile, FileTone(7));
    const struct {
        const char* name;
        Bytes bytes;  // empty: no such file
    } files[] = {
        {"b-bank.64c", Image(m64c)},
        {"A-loose.syx", looseFile},
        {"c-notes.syx", Bytes{0x90, 0x40, 0x7F}},
        {"d-gone.syx", {}},
    };
    std::vector<std::string> paths;
    for (const auto& f : files) {
        paths.push_back(folder.File(f.name));
        if (!f.bytes.empty()) WriteBytes(paths.back(), f.bytes);
    }
    const FilesPaste paste = GatherFiles(paths);
    EXPECT_EQ(paste.refused, (std::vector<std::string>{"c-notes.syx: unknown format",
                                                       "d-gone.syx: cannot open the file"}));
    // A-loose.syx first: its tone, then the bank's 50; its patch, then the bank's 64.
    ASSERT_EQ(paste.toneCount, 51);
    ASSERT_EQ(paste.patchCount, 65);
    // 65 patches are more than any bank takes; the clipboard holds the first 64.
    EXPECT_EQ(paste.status, EditStatus::TooManySounds);
    EXPECT_EQ(paste.patches.count, 64);
    const ClipSound& loose = paste.patches.sounds[0];
    EXPECT_EQ(loose.tones[0].number, -1);
    EXPECT_EQ(loose.tones[1].number, -1);
    const ClipSound& bankPatch = paste.patches.sounds[1];
    EXPECT_EQ(bankPatch.tones[0].number, 3);
    EXPECT_EQ(bankPatch.tones[1].number, 4);
    const ToneRecord carried = bankPatch.tones[0].record;
    EXPECT_EQ(Bytes(carried.begin(), carried.end()), Canonical(ToneOf(m64c, 3)));

    // The loose patch keeps its numbers and says what it now plays; a patch
    // that brought its tones, or plays no bank tone, says nothing.
    BankStorage bank{};
    ASSERT_EQ(MakeNewBank(kM64CKind, bank), EditStatus::Ok);
    Clipboard one = paste.patches;
    one.count = 2;
    const Slot c4{SlotTable::Patch, 19};
    ASSERT_EQ(ApplyPaste(bank, kM64CKind, 1, one, c4, Answer::Ok), EditStatus::Ok);
    EXPECT_EQ(ToneNumber(ReadPatch(bank, 19), 0), 11);
    EXPECT_EQ(ToneNumber(ReadPatch(bank, 19), 1), 82);
    EXPECT_EQ(LoosePatchNote(bank, loose, 19).view(),
              "Patch C4 (LOOSE BRASS) came without its tones: it plays T12 (INIT) of this bank");
    EXPECT_EQ(LoosePatchNote(bank, bankPatch, 20).view(), "");
    // The bank patch's tones came along, hold bit kept.
    const PatchRecord placed = ReadPatch(bank, 20);
    const ToneRecord brought = ReadTone(bank, ToneNumber(placed, 0));
    EXPECT_EQ(Bytes(brought.begin(), brought.end()), Canonical(ToneOf(m64c, 3)));
    EXPECT_EQ(placed[27] & 0x80, 0x80);
}

TEST(PasteFromFiles, MoreSoundsThanAClipboardHoldsOrNoneAtAll) {
    TempFolder folder;
    const Bytes m16c = Image(MakeTestBank(kM16CKind, "A", 1));
    const std::string images = folder.File("three.c16");
    WriteBytes(images, [&m16c] {
        Bytes three;
        for (int i = 0; i < 3; ++i) three.insert(three.end(), m16c.begin(), m16c.end());
        return three;
    }());
    const std::string notes = folder.File("notes.syx");
    WriteBytes(notes, Bytes{0x90, 0x40, 0x7F});
    const struct {
        std::vector<std::string> paths;
        EditStatus status;
        int tones;
    } rows[] = {
        {{images}, EditStatus::TooManySounds, 96},
        {{notes}, EditStatus::NothingToPaste, 0},
        {{}, EditStatus::NothingToPaste, 0},
    };
    for (const auto& row : rows) {
        const FilesPaste paste = GatherFiles(row.paths);
        EXPECT_EQ(paste.status, row.status);
        EXPECT_EQ(paste.toneCount, row.tones);
        EXPECT_LE(paste.tones.count, kM64CPatchCount);
    }
}

}  // namespace
