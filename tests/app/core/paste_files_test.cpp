// Paste from Files: the sounds of the chosen files in the order of their
// names without regard to case, single-tone files that become one bank, a
// bank's patches that carry their tones, and files that give no sound. Files
// are written here from the message layout, or are cartridge images from
// test_banks.h. (Loose patches and their note: the compose tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/paste_files.h"
#include "tests/app/core/test_banks.h"
#include "tests/bank/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A tone as files carry it: byte 10 not a blank, top bits set on some data
// bytes (never F0h..FFh, which would frame messages).
Bytes FileTone(int n) {
    Bytes tone(59, ' ');
    const std::string name = "TONE " + std::to_string(n);
    std::copy(name.begin(), name.end(), tone.begin());
    tone[10] = '*';
    for (size_t i = 11; i < 59; ++i)
        tone[i] = static_cast<uint8_t>((n * 31 + i * 7) % 0x70 + (i % 3 == 0 ? 0x80 : 0));
    return tone;
}

// F0 41 35 ch 21 20 01, the tone record, F7.
Bytes SingleToneFile(int n) {
    Bytes file = {0xF0, 0x41, 0x35, 0x00, 0x21, 0x20, 0x01};
    const Bytes tone = FileTone(n);
    file.insert(file.end(), tone.begin(), tone.end());
    file.push_back(0xF7);
    return file;
}

Bytes Image(const TestBank& bank) {
    return Bytes(bank.bytes.begin(), bank.bytes.begin() + (bank.kind == kM64CKind ? 8192 : 2048));
}

TEST(PasteFromFiles, ThirtyTwoSingleToneFilesBecomeOneBankInTheOrderOfTheirNames) {
    TempFolder folder;
    std::vector<std::string> paths;  // chosen in reverse, names in mixed case
    for (int n = 31; n >= 0; --n) {
        paths.push_back(folder.File((n % 2 ? "Tone" : "tone") + std::to_string(100 + n) + ".syx"));
        WriteBytes(paths.back(), SingleToneFile(n));
    }
    const FilesPaste paste = GatherFiles(paths);
    ASSERT_EQ(paste.status, EditStatus::Ok);
    ASSERT_EQ(paste.toneCount, 32);
    EXPECT_EQ(paste.patchCount, 0);
    for (const BankKind kind : {kM16CKind, kM64CKind}) {
        BankStorage bank{};
        ASSERT_EQ(MakeNewBank(kind, bank), EditStatus::Ok);
        ASSERT_EQ(ApplyPaste(bank, kind, 1, paste.tones, {SlotTable::Tone, 0}, Answer::Ok),
                  EditStatus::Ok);
        for (int t = 0; t < 32; ++t) {
            Bytes expected = FileTone(t);
            expected[10] = ' ';
            for (uint8_t& b : expected) b &= 0x7F;
            const ToneRecord tone = ReadTone(bank, t);
            EXPECT_EQ(Bytes(tone.begin(), tone.end()), expected) << kind << " T" << t + 1;
        }
    }
}

TEST(PasteFromFiles, FilesGiveTheirBanksSoundsOrAReason) {
    TempFolder folder;
    TestBank m64c = MakeTestBank(kM64CKind, "B", 40);
    PutPatchTones(m64c, 0, 0x80 | 3, 4);  // A1 plays T4 (hold) and T5
    const Bytes m16c = Image(MakeTestBank(kM16CKind, "A", 1));
    Bytes three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), m16c.begin(), m16c.end());
    WriteBytes(folder.File("b-bank.64c"), Image(m64c));
    WriteBytes(folder.File("A-one.syx"), SingleToneFile(7));
    WriteBytes(folder.File("c-notes.syx"), Bytes{0x90, 0x40, 0x7F});
    WriteBytes(folder.File("three.c16"), three);
    const struct {
        std::vector<std::string> names;
        EditStatus status;
        int tones, patches;
        std::vector<std::string> refused;
    } rows[] = {
        {{"b-bank.64c", "A-one.syx", "c-notes.syx", "d-gone.syx"},
         EditStatus::Ok,
         51,
         64,
         {"c-notes.syx: unknown format", "d-gone.syx: cannot open the file"}},
        {{"three.c16"}, EditStatus::TooManySounds, 96, 0, {}},
        {{"c-notes.syx"}, EditStatus::NothingToPaste, 0, 0, {"c-notes.syx: unknown format"}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> paths;
        for (const std::string& name : row.names) paths.push_back(folder.File(name));
        const FilesPaste paste = GatherFiles(paths);
        EXPECT_EQ(paste.status, row.status);
        EXPECT_EQ(paste.toneCount, row.tones);
        EXPECT_EQ(paste.patchCount, row.patches);
        EXPECT_EQ(paste.refused, row.refused);
        EXPECT_LE(paste.tones.count, kM64CPatchCount);
    }
    // A-one.syx comes first; the bank's patch A1 carries its two tones.
    const FilesPaste paste =
        GatherFiles(std::vector<std::string>{folder.File("b-bank.64c"), folder.File("A-one.syx")});
    EXPECT_EQ(ShowName(ToneNameBytes(paste.tones.sounds[0].tone)).view(), "TONE 7");
    const ClipSound& a1 = paste.patches.sounds[0];
    EXPECT_EQ(a1.tones[0].number, 3);
    EXPECT_EQ(a1.tones[1].number, 4);
    EXPECT_EQ(Fingerprint(a1.tones[0].record), Fingerprint(ReadTone(m64c.bytes, 3)));
}

}  // namespace
