// vexa-cli run as a child process on the example banks and on generated
// files: identify, list and convert, their error reports and exit codes,
// and outputs that are complete or absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bank/bank_import.h"
#include "bank/bank_search.h"
#include "bank/sysex.h"
#include "tests/bank/bank_layouts.h"
#include "tests/bank/temp_folder.h"
#include "tests/tools/tool_run.h"
#include "vexa_version.h"

namespace {

const std::string kExamples = VEXA_EXAMPLES_DIR;

std::string Example(const std::string& name) { return kExamples + "/" + name; }

ToolRun Cli(const std::string& arguments) { return RunTool(VEXA_CLI_PATH, arguments); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

Bytes ImportFile(const std::string& name, BankKind& kind) {
    Bytes data = ReadBytes(name);
    Bytes storage(kBankStorageSize, 0);
    kind = ImportBank(storage.data(), data.data(), static_cast<int32_t>(data.size()));
    if (kind == kM16CKind) storage.resize(kM16CImageSize);
    return storage;
}

TEST(VexaCli, IdentifiesEveryExample) {
    const struct {
        const char* file;
        const char* layout;
    } cases[] = {
        {"jx8p-studio-tones.syx", "JX-8P bank stream, 2496 bytes, M-16C"},
        {"jx8p-studio-tones-dump.syx", "JX-8P tone dump, 2144 bytes, M-16C"},
        {"jx8p-studio-tones.c16", "M-16C cartridge image, 2048 bytes, M-16C"},
        {"jx8p-studio-tones.jx8", "JX-8P foreign bank file, 3455 bytes, M-16C"},
        {"jx10-night-session.syx", "JX-10 bulk dump, 16846 bytes, M-64C"},
        {"jx10-night-session.c64", "M-64C cartridge image, 8192 bytes, M-64C"},
        {"jx10-night-session.jx1", "M-64C foreign bank file, 16538 bytes, M-64C"},
        {"mks70-night-session.syx", "MKS-70 bank stream, 10234 bytes, M-64C"},
        {"mks70-night-session.b63", "MKS-70 foreign bank file, 6208 bytes, M-64C"},
    };
    std::string all;
    std::string expected;
    for (const auto& c : cases) {
        all += " " + Quote(Example(c.file));
        expected += Example(c.file) + ": " + c.layout + "\n";
    }
    const ToolRun run = Cli("identify" + all);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

TEST(VexaCli, IdentifyReportsWhatIsNotABank) {
    TempFolder folder;
    WriteBytes(folder.File("noise.syx"), MakeRandomImage(1, 100));
    WriteBytes(folder.File("largest"), Bytes(kLargestBankFile, 0));
    WriteBytes(folder.File("too-large"), Bytes(kLargestBankFile + 1, 0));
    WriteBytes(folder.File("empty"), Bytes());
    Bytes tones = BuildJx8pToneDump(MakeExampleM16CImage(), 0);
    tones.resize(5 * 67);
    WriteBytes(folder.File("tones"), tones);
    const ToolRun run =
        Cli("identify " + Quote(Example("jx10-night-session.c64")) + " " +
            Quote(folder.File("noise.syx")) + " " + Quote(folder.File("missing")) + " " +
            Quote(folder.File("largest")) + " " + Quote(folder.File("too-large")) + " " +
            Quote(folder.File("empty")) + " " + Quote(folder.File("tones")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, Example("jx10-night-session.c64") +
                           ": M-64C cartridge image, 8192 bytes, M-64C\n" +
                           folder.File("noise.syx") + ": unknown format, 100 bytes\n" +
                           folder.File("largest") + ": unknown format, 1048576 bytes\n" +
                           folder.File("empty") + ": unknown format, 0 bytes\n" +
                           folder.File("tones") + ": 5 JX-8P tones, not a whole bank, 335 bytes. "
                           "Use Edit > Paste from Files... to put them into a bank.\n");
    EXPECT_EQ(run.err, "vexa-cli: " + folder.File("missing") + ": cannot open file\n" +
                           "vexa-cli: " + folder.File("too-large") +
                           ": file too large (1048577 bytes; a bank file has at most 1048576)\n");
    EXPECT_NE(Cli("identify " + Quote(folder.Path().string())).exitCode, 0);
}

TEST(VexaCli, ListsTheSameBankInEveryLayout) {
    const ToolRun c64 = Cli("list " + Quote(Example("jx10-night-session.c64")));
    ASSERT_EQ(c64.exitCode, 0) << c64.err;
    const std::vector<std::string> lines = Lines(c64.out);
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[1], "JX-10 M-64C Bank Patches");
    EXPECT_EQ(lines[3],
              "  ╔══════════════════╦══════════════════╦══════════════════╦══════════════════╗");
    EXPECT_EQ(lines[33],
              "║04║Chime 1   ║ ║14║Quartz Bel║ ║24║Pulse 5   ║ ║34║Ridge Bass║ ║44║Basalt Bs ║");
    for (const char* other : {"jx10-night-session.syx", "jx10-night-session.jx1",
                              "mks70-night-session.syx", "mks70-night-session.b63"}) {
        const ToolRun run = Cli("list " + Quote(Example(other)));
        EXPECT_EQ(run.exitCode, 0) << other;
        EXPECT_EQ(run.out, c64.out) << other;
    }

    const ToolRun c16 = Cli("list " + Quote(Example("jx8p-studio-tones.c16")));
    ASSERT_EQ(c16.exitCode, 0) << c16.err;
    EXPECT_EQ(Lines(c16.out).size(), 13u);
    EXPECT_EQ(Lines(c16.out)[4], "║01║Copper Bel║ ║09║Pluck Koto║ ║17║Seq Bass  ║ ║25║Noise Wind║");
    for (const char* other :
         {"jx8p-studio-tones.syx", "jx8p-studio-tones-dump.syx", "jx8p-studio-tones.jx8"}) {
        EXPECT_EQ(Cli("list " + Quote(Example(other))).out, c16.out) << other;
    }

    TempFolder folder;
    WriteBytes(folder.File("noise"), MakeRandomImage(2, 2048));
    const ToolRun noise = Cli("list " + Quote(folder.File("noise")));
    EXPECT_EQ(noise.exitCode, 1);
    EXPECT_EQ(noise.out, "");
    EXPECT_EQ(noise.err, "vexa-cli: " + folder.File("noise") + ": unknown format\n");
}

// Three banks in one file: an M-16C, an M-64C and the M-16C again.
TEST(VexaCli, AFileOfSeveralBanksIsListedAndConvertedBankByBank) {
    TempFolder folder;
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes jx8p = BuildJx8pBankStream(m16c, 0);
    const Bytes mks70 = BuildMks70BankStream(MakeExampleM64CImage(), 0);
    Bytes three = jx8p;
    three.insert(three.end(), mks70.begin(), mks70.end());
    three.insert(three.end(), jx8p.begin(), jx8p.end());
    const std::string file = folder.File("three.syx");
    WriteBytes(file, three);
    const ToolRun identify = Cli("identify " + Quote(file));
    EXPECT_EQ(identify.exitCode, 0);
    EXPECT_EQ(identify.out,
              file + ": System Exclusive messages, 15226 bytes, 3 banks: M-16C M-64C M-16C\n");

    const std::string c16 = Cli("list " + Quote(Example("jx8p-studio-tones.c16"))).out;
    const std::string c64 = Cli("list " + Quote(Example("jx10-night-session.c64"))).out;
    const ToolRun all = Cli("list " + Quote(file));
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.out, "Bank 1 of 3\n" + c16 + "Bank 2 of 3\n" + c64 + "Bank 3 of 3\n" + c16);
    EXPECT_EQ(Cli("list --bank=2 " + Quote(file)).out, "Bank 2 of 3\n" + c64);
    EXPECT_EQ(Cli("list " + Quote(Example("jx8p-studio-tones.c16")) + " --bank 1").out, c16);

    const std::string output = folder.File("out.syx");
    const ToolRun refused = Cli("convert " + Quote(file) + " -o " + Quote(output));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "vexa-cli: " + file + ": the file holds 3 banks; choose one with --bank 1..3\n");
    EXPECT_FALSE(std::filesystem::exists(output));
    const ToolRun second =
        Cli("convert " + Quote(file) + " --bank 2 --synth mks70 -o " + Quote(output));
    EXPECT_EQ(second.exitCode, 0) << second.err;
    BankKind kind = kUnknownKind;
    EXPECT_EQ(ReadBytes(output).size(), kMks70BankStreamSize);
    EXPECT_EQ(ImportFile(output, kind), ImportFile(Example("jx10-night-session.c64"), kind));

    const struct {
        std::string arguments;
        std::string error;
    } outOfRange[] = {
        {"list " + Quote(file) + " --bank 4",
         file + ": there is no bank 4 (the file holds 3 banks)"},
        {"list " + Quote(Example("jx8p-studio-tones.c16")) + " --bank 2",
         Example("jx8p-studio-tones.c16") + ": there is no bank 2 (the file holds 1 bank)"},
        {"convert " + Quote(file) + " --bank 9 -o " + Quote(folder.File("none")),
         file + ": there is no bank 9 (the file holds 3 banks)"},
    };
    for (const auto& c : outOfRange) {
        const ToolRun run = Cli(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_EQ(run.err, "vexa-cli: " + c.error + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("none")));
}

TEST(VexaCli, ConvertWritesTheStreamSaveAsWouldWrite) {
    enum class Written { Jx10, Mks70, Jx8p, Image };
    const struct {
        const char* input;
        const char* options;
        size_t size;
        int channelByte;  // byte 3 of the stream, -1 for images
        Written layout;
    } cases[] = {
        {"jx10-night-session.c64", "", 16846, 0x00, Written::Jx10},
        {"jx10-night-session.c64", "--synth mks70", 10234, 0x00, Written::Mks70},
        {"mks70-night-session.b63", "--synth jx8p", 10234, 0x00, Written::Mks70},
        {"mks70-night-session.syx", "--synth jx10 --channel 16", 16846, 0x0F, Written::Jx10},
        {"jx10-night-session.jx1", "--to mks70 --channel=auto", 10234, 0x10, Written::Mks70},
        {"jx8p-studio-tones.jx8", "", 2496, 0x00, Written::Jx8p},
        {"jx8p-studio-tones.c16", "--synth mks70 --channel 5", 2496, 0x04, Written::Jx8p},
        {"jx8p-studio-tones-dump.syx", "--to jx8p --synth jx10", 2496, 0x00, Written::Jx8p},
        {"jx10-night-session.syx", "--to image", 8192, -1, Written::Image},
        {"jx8p-studio-tones.syx", "--to=image", 2048, -1, Written::Image},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        const std::string output = folder.File("out.syx");
        const ToolRun run =
            Cli("convert " + Quote(Example(c.input)) + " -o " + Quote(output) + " " + c.options);
        ASSERT_EQ(run.exitCode, 0) << c.input << " " << c.options << ": " << run.err;
        const Bytes written = ReadBytes(output);
        ASSERT_EQ(written.size(), c.size) << c.input << " " << c.options;
        if (c.channelByte >= 0) {
            EXPECT_EQ(written[3], c.channelByte) << c.input << " " << c.options;
        }
        BankKind inputKind = kUnknownKind;
        BankKind outputKind = kUnknownKind;
        const Bytes original = ImportFile(Example(c.input), inputKind);
        EXPECT_EQ(ImportFile(output, outputKind), original) << c.input << " " << c.options;
        EXPECT_EQ(outputKind, inputKind);
        // Byte for byte the layout built from the bank as imported.
        const auto channel = static_cast<uint8_t>(c.channelByte);
        Bytes expected;
        switch (c.layout) {
        case Written::Jx10: expected = BuildJx10BulkStream(original, channel); break;
        case Written::Mks70: expected = BuildMks70BankStream(original, channel); break;
        case Written::Jx8p: expected = BuildJx8pBankStream(original, channel); break;
        case Written::Image: expected = original; break;
        }
        EXPECT_TRUE(written == expected) << c.input << " " << c.options;
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.syx"});
}

TEST(VexaCli, ConvertFailuresLeaveTheOutputAsItWas) {
    TempFolder folder;
    const std::string output = folder.File("kept.syx");
    const Bytes old = MakeRandomImage(3, 500);
    WriteBytes(output, old);
    WriteBytes(folder.File("noise"), MakeRandomImage(4, 3000));
    const struct {
        std::string arguments;
        std::string error;
    } cases[] = {
        {Quote(Example("jx10-night-session.c64")) + " --to jx8p",
         ": an M-64C bank cannot be written as a JX-8P stream (it holds M-16C banks)"},
        {Quote(Example("jx8p-studio-tones.c16")) + " --to jx10",
         ": an M-16C bank cannot be written as a JX-10 bulk dump (it holds M-64C banks)"},
        {Quote(Example("jx8p-studio-tones.c16")) + " --to mks70",
         ": an M-16C bank cannot be written as an MKS-70 stream (it holds M-64C banks)"},
        {Quote(folder.File("noise")), ": unknown format"},
        {Quote(folder.File("missing")), ": cannot open file"},
    };
    for (const auto& c : cases) {
        const ToolRun run = Cli("convert " + c.arguments + " -o " + Quote(output));
        EXPECT_EQ(run.exitCode, 1) << c.arguments;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(output), old) << c.arguments;
    }
    const std::string unwritable = (folder.Path() / "no-such-folder" / "out.syx").string();
    const ToolRun run =
        Cli("convert " + Quote(Example("jx8p-studio-tones.c16")) + " -o " + Quote(unwritable));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "vexa-cli: " + unwritable + ": cannot write file\n");
    const ToolRun intoFolder = Cli("convert " + Quote(Example("jx8p-studio-tones.c16")) + " -o " +
                                   Quote(folder.Path().string()));
    EXPECT_EQ(intoFolder.exitCode, 1);
    std::vector<std::string> entries = folder.Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"kept.syx", "noise"}));
}

TEST(VexaCli, RefusesBadArgumentsWithoutTouchingFiles) {
    TempFolder folder;
    const std::string in = Quote(Example("jx10-night-session.c64"));
    const std::string out = Quote(folder.File("out"));
    const std::string cases[] = {
        "",
        "frobnicate",
        "identify",
        "list",
        "list " + in + " " + in,
        "convert",
        "convert " + in,
        "convert " + in + " -o",
        "convert -o " + out,
        "convert " + in + " " + in + " -o " + out,
        "convert " + in + " -o " + out + " --to syx",
        "convert " + in + " -o " + out + " --synth jx3p",
        "convert " + in + " -o " + out + " --channel 0",
        "convert " + in + " -o " + out + " --channel 17",
        "convert " + in + " -o " + out + " --channel 01",
        "convert " + in + " -o " + out + " --channel one",
        "convert " + in + " -o " + out + " --channel",
        "convert " + in + " -o " + out + " --verbose",
        "convert " + in + " -o " + out + " --bank 0",
        "convert " + in + " -o " + out + " --bank two",
        "list " + in + " --bank",
        "list " + in + " --bank -1",
        "list --bank 1",
        "compose",
        "compose " + out,
        "compose " + out + " --kind m32c " + in,
        "compose " + out + " --base " + in + " --kind m64c " + in,
        "compose " + out + " --channel 17 " + in,
    };
    for (const std::string& arguments : cases) {
        const ToolRun run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_EQ(run.err.rfind("vexa-cli: ", 0), 0u) << arguments << ": " << run.err;
        EXPECT_EQ(run.out, "") << arguments;
    }
    EXPECT_TRUE(folder.Entries().empty());

    const ToolRun help = Cli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: vexa-cli identify FILE...", 0), 0u);
}

TEST(VexaCli, PrintsTheProjectVersion) {
    const ToolRun run = Cli("--version");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              std::string("vexa-cli (Vexa) ") + kVexaVersion + "\n" + kVexaCopyright + "\n");
    EXPECT_EQ(run.err, "");
}

// A capture with ten tones of a second bank and a JX-10 dump whose block 2
// has a bad checksum: both banks open, and every command says what it left
// out and what is wrong, on standard output, with exit code 0.
TEST(VexaCli, SaysWhatItSkippedAndWarnsOfABadChecksum) {
    const Bytes m16c = MakeExampleM16CImage();
    const Bytes other = CanonicalImage(MakeRandomImage(5, 2048));  // 7-bit tones
    Bytes capture;  // 42 tones of 70 bytes: C0 tt, a clock byte, the tone
    for (uint8_t t = 0; t < 42; ++t) {
        const uint8_t number = t < 32 ? t : static_cast<uint8_t>(t - 32);
        PutProgramChange(capture, 0, number);
        capture.push_back(0xF8);
        PutJx8pTone(capture, 0, ToneRecordOf(t < 32 ? m16c : other, number));
    }
    Bytes dump = BuildJx10BulkStream(MakeExampleM64CImage(), 0);
    dump[8 + 263 + 261] ^= 0x01;  // block 2's checksum
    capture.insert(capture.end(), dump.begin(), dump.end());
    TempFolder folder;
    const std::string file = folder.File("capture.syx");
    WriteBytes(file, capture);
    const std::string notes =
        file + ": Skipped: 10 JX-8P tones that make no whole bank\n" + file +
        ": Warning: the JX-10 bulk dump at byte 2940 has a bad checksum in data block 2 of 64\n";
    const std::string c64 = Cli("list " + Quote(Example("jx10-night-session.c64"))).out;

    const struct {
        std::string arguments;
        std::string out;
    } cases[] = {
        {"identify " + Quote(file),
         file + ": System Exclusive messages, 19786 bytes, 2 banks: M-16C M-64C\n" + notes},
        {"list --bank 2 " + Quote(file), notes + "Bank 2 of 2\n" + c64},
        {"convert --bank 1 " + Quote(file) + " -o " + Quote(folder.File("out.syx")), notes},
    };
    for (const auto& c : cases) {
        const ToolRun run = Cli(c.arguments);
        EXPECT_EQ(run.exitCode, 0) << c.arguments << run.err;
        EXPECT_EQ(run.out, c.out) << c.arguments;
        EXPECT_EQ(run.err, "") << c.arguments;
    }
    EXPECT_EQ(ReadBytes(folder.File("out.syx")), BuildJx8pBankStream(CanonicalImage(m16c), 0));
}

TEST(Examples, AreWhatTheGeneratorWrites) {
    TempFolder examples;
    TempFolder seeds;
    const ToolRun run = RunTool(VEXA_MAKE_EXAMPLES_PATH, Quote(examples.Path().string()) + " " +
                                                             Quote(seeds.Path().string()));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const struct {
        const TempFolder& generated;
        std::string committed;
    } folders[] = {{examples, kExamples}, {seeds, kExamples + "/../tests/fuzz/seeds"}};
    for (const auto& f : folders) {
        size_t committedBanks = 0;
        for (const auto& entry : std::filesystem::directory_iterator(f.committed)) {
            if (entry.path().extension() != ".md") ++committedBanks;
        }
        const std::vector<std::string> names = f.generated.Entries();
        EXPECT_EQ(names.size(), committedBanks) << f.committed;
        for (const std::string& name : names) {
            EXPECT_EQ(ReadBytes(f.generated.File(name)), ReadBytes(f.committed + "/" + name))
                << f.committed << "/" << name << " differs from what make-examples writes";
        }
    }
}

}  // namespace
