// vexa-cli compose run as a child process: single-tone files that make a
// bank, patches that bring their tones or keep their numbers, loose patches,
// placements that continue per table, and every error, which writes nothing.
// Files are written here from the layouts (tests/bank/bank_layouts.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/bank/bank_layouts.h"
#include "tests/bank/temp_folder.h"
#include "tests/tools/tool_run.h"

namespace {

ToolRun Cli(const std::string& arguments) { return RunTool(VEXA_CLI_PATH, arguments); }

void PutName(uint8_t* record, const std::string& name, size_t size) {
    std::fill_n(record, size, ' ');
    std::copy(name.begin(), name.end(), record);
}

Bytes FileTone(int n) {
    Bytes tone(59);
    PutName(tone.data(), "TONE " + std::to_string(n), 10);
    tone[10] = '*';
    for (size_t i = 11; i < 59; ++i)
        tone[i] = static_cast<uint8_t>((n * 29 + i * 5) % 0x70 + (i % 4 == 0 ? 0x80 : 0));
    return tone;
}

Bytes Canonical(Bytes tone) {
    tone[10] = 0x20;
    for (uint8_t& b : tone) b &= 0x7F;
    return tone;
}

Bytes Record(const Bytes& image, size_t offset, size_t size) {
    return Bytes(image.begin() + static_cast<long>(offset),
                 image.begin() + static_cast<long>(offset + size));
}
Bytes ToneOf(const Bytes& image, size_t t) { return Record(image, 160 + 59 * t, 59); }
Bytes PatchOf(const Bytes& image, size_t p) { return Record(image, 3110 + 48 * p, 48); }

// The files every scenario uses, in one folder.
struct Files {
    TempFolder folder;
    std::string one, two, src, full, loose, two16, bank16, notes, out;
    Bytes srcImage;

    Files() {
        one = Write("one.syx", SingleTone(1));
        two = Write("two.syx", SingleTone(2));
        // A bank whose patch A1 plays T4 (hold on) and T5.
        srcImage = CanonicalImage(MakeExampleM64CImage());
        PutName(&srcImage[3110], "SRC PATCH ONE", 18);
        PutName(&srcImage[160 + 59 * 3], "HORNX-1", 10);
        PutName(&srcImage[160 + 59 * 4], "HORNX-2", 10);
        srcImage[3110 + 27] = 0x80 | 3;
        srcImage[3110 + 32] = 4;
        src = Write("src.syx", BuildMks70BankStream(srcImage, 0));
        // A bank whose every tone some patch plays, none of them src's.
        Bytes fullImage = CanonicalImage(MakeRandomImage(5, 8192));
        for (size_t p = 0; p < 64; ++p) {
            fullImage[3110 + 48 * p + 27] = static_cast<uint8_t>(p % 50);
            fullImage[3110 + 48 * p + 32] = static_cast<uint8_t>((p + 1) % 50);
        }
        PutName(&fullImage[160 + 59 * 3], "FULL 4", 10);
        PutName(&fullImage[160 + 59 * 4], "FULL 5", 10);
        full = Write("full.syx", BuildMks70BankStream(fullImage, 0));
        Bytes patch(48, 0);
        PutName(patch.data(), "LOOSE BRASS", 18);
        patch[27] = 11;  // T12
        patch[32] = 82;  // a ROM tone
        Bytes looseFile;
        PutMks70Patch(looseFile, 0, 9, patch.data());
        loose = Write("loose.syx", looseFile);
        Bytes m16c = CanonicalImage(MakeExampleM16CImage());
        bank16 = Write("bank16.syx", BuildJx8pBankStream(m16c, 0));
        Bytes twoImages = m16c;
        const Bytes other = CanonicalImage(MakeRandomImage(8, 2048));
        twoImages.insert(twoImages.end(), other.begin(), other.end());
        two16 = Write("two.c16", twoImages);
        notes = Write("notes.syx", Bytes{0x90, 0x40, 0x7F});
        out = folder.File("out.bin");
    }

    static Bytes SingleTone(int n) {
        Bytes file;
        PutJx8pTone(file, 0, FileTone(n).data());
        return file;
    }

    std::string Write(const std::string& name, const Bytes& bytes) {
        WriteBytes(folder.File(name), bytes);
        return folder.File(name);
    }
};

TEST(Compose, ThirtyTwoSingleToneFilesMakeTheBankOfTheirRecords) {
    TempFolder folder;
    std::string arguments;
    Bytes expected(2048, 0);
    expected[159] = 0x55;
    for (int n = 0; n < 32; ++n) {
        const std::string name =
            folder.File((n < 10 ? "tone0" : "tone") + std::to_string(n) + ".syx");
        WriteBytes(name, Files::SingleTone(n));
        arguments += " " + Quote(name);
        const Bytes tone = Canonical(FileTone(n));
        std::copy(tone.begin(), tone.end(), expected.begin() + 160 + 59 * n);
    }
    const std::string out = folder.File("bank.syx");
    const ToolRun run = Cli("compose " + Quote(out) + arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(out), BuildJx8pBankStream(expected, 0));
    const auto first = run.out.substr(0, run.out.find('\n'));
    EXPECT_EQ(first, "T1   TONE 0      from " + folder.File("tone00.syx") + ":T1");
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 32);
}

TEST(Compose, PatchesBringTheirTonesLoosePatchesKeepTheirNumbers) {
    Files f;
    const std::string fromSrc = f.src + "#1:A1";
    const struct {
        const char* what;
        std::string arguments;
        std::vector<std::string> lines;
        int patch;               // 0-based patch slot to check
        uint8_t a, b;            // its tone reference bytes 27 and 32
        std::vector<int> tones;  // target tone slots that hold src tones 3 and 4
    } rows[] = {
        {"a new bank: the tones go to the highest free slots",
         "A1=" + fromSrc,
         {"A1   SRC PATCH ONE       from " + fromSrc, "tone 50 (was INIT) <- HORNX-1 for patch A1",
          "tone 49 (was INIT) <- HORNX-2 for patch A1"},
         0,
         0x80 | 49,
         48,
         {49, 48}},
        {"no free slot: the numbers kept on request",
         "--base " + Quote(f.full) + " --keep-tone-numbers C2=" + fromSrc,
         {"C2   SRC PATCH ONE       from " + fromSrc,
          "Patch C2 plays tone 4 (FULL 4) instead of HORNX-1",
          "Patch C2 plays tone 5 (FULL 5) instead of HORNX-2"},
         17,
         0x80 | 3,
         4,
         {}},
        {"a loose patch keeps its numbers",
         "B2=" + f.loose + ":A1",
         {"B2   LOOSE BRASS         from " + f.loose + ":A1",
          "Patch B2 (LOOSE BRASS) came without its tones: it plays T12 (INIT) of this bank"},
         9,
         11,
         82,
         {}},
        {"placements continue per table",
         "--kind m64c T10=" + f.one + " " + f.two + " A3=" + f.loose + ":A1 " + f.loose,
         {"T10  TONE 1      from " + f.one + ":T1", "T11  TONE 2      from " + f.two + ":T1",
          "A3   LOOSE BRASS         from " + f.loose + ":A1",
          "Patch A3 (LOOSE BRASS) came without its tones: it plays T12 (INIT) of this bank",
          "A4   LOOSE BRASS         from " + f.loose + ":A1",
          "Patch A4 (LOOSE BRASS) came without its tones: it plays T12 (INIT) of this bank"},
         3,
         11,
         82,
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const ToolRun run = Cli("compose " + Quote(f.out) + " --to image " + row.arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string expected;
        for (const std::string& line : row.lines) expected += line + "\n";
        EXPECT_EQ(run.out, expected);
        const Bytes image = ReadBytes(f.out);
        ASSERT_EQ(image.size(), 8192u);
        const Bytes patch = PatchOf(image, static_cast<size_t>(row.patch));
        EXPECT_EQ(patch[27], row.a);
        EXPECT_EQ(patch[32], row.b);
        for (size_t i = 0; i < row.tones.size(); ++i)
            EXPECT_EQ(ToneOf(image, static_cast<size_t>(row.tones[i])), ToneOf(f.srcImage, 3 + i));
    }
}

TEST(Compose, EveryErrorWritesNothingAndExitsOne) {
    Files f;
    const struct {
        std::string arguments;
        std::string error;  // what standard error says after "vexa-cli: PLACEMENT: "
    } rows[] = {
        {"T51=" + f.one, "there is no slot T51 in any bank"},
        {"--kind m16c T33=" + f.one, "there is no tone slot T33 in an M-16C bank"},
        {f.notes, "no sounds in this file (unknown format)"},
        {f.folder.File("missing.syx"), "cannot open file"},
        {"--kind m16c T20=" + f.bank16,
         "32 tones do not fit from T20: the M-16C bank has 13 tone slots left"},
        {f.bank16 + " " + f.one, "the M-16C bank is full: no tone slot is left"},
        {"--base " + Quote(f.full) + " A1=" + f.src + "#1:A1",
         "no free tone slot for HORNX-1 (a tone of patch A1); --keep-tone-numbers lets the "
         "patch play the bank's tone 4 instead"},
        {"T1=" + f.two16 + ":T1", "the file holds 2 banks; name one as " + f.two16 + "#N:T1"},
        {"T1=" + f.two16 + "#3:T1", "there is no bank 3 (the file holds 2 banks)"},
        {"T1=" + f.loose + "#1:A1", "the file holds no whole bank; its loose sounds are named " +
                                        f.loose + ":T1, " + f.loose + ":A1, ..."},
        {"T1=" + f.one + ":T2", "the file has no such sound"},
        {"--kind m16c A1=" + f.loose + ":A1", "an M-16C bank has no patch slots"},
        {"A1=" + f.one, "a tone cannot go into patch slot A1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        WriteBytes(f.out, Bytes{'o', 'l', 'd'});
        const ToolRun run = Cli("compose " + Quote(f.out) + " " + row.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(row.error), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(f.out), (Bytes{'o', 'l', 'd'}));
    }
}

}  // namespace
