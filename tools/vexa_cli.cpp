// vexa-cli: identify, list and convert bank files in bulk, with the same
// open pipeline, listing and encoders as the program itself. Portable: builds
// natively and with mingw-w64; no windows.h. Reads files of at most 1 MiB
// like the program's open flow; of a file with several banks, --bank picks
// one. Writes through WriteBankFile, so an output file is either complete or
// left as it was.
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/view/cp437.h"
#include "app/view/listing.h"
#include "bank/bank_file.h"
#include "bank/bank_image.h"
#include "bank/bank_search.h"
#include "bank/bank_stream.h"
#include "bank/open_bank.h"
#include "tools/cli_compose.h"
#include "tools/cli_options.h"
#include "tools/cli_library.h"
#include "vexa_version.h"

namespace {

constexpr const char* kUsage =
    "usage: vexa-cli identify FILE...\n"
    "       vexa-cli list FILE [--bank N]\n"
    "       vexa-cli convert IN -o OUT [--bank N] [--to jx8p|jx10|mks70|image]\n"
    "                [--channel 1..16|auto] [--synth jx10|mks70|jx8p]\n"
    "       vexa-cli compose OUT [--base FILE[#N]] [--kind m16c|m64c]\n"
    "                [--to jx8p|jx10|mks70|image] [--channel 1..16|auto]\n"
    "                [--keep-tone-numbers] PLACEMENT...\n"
    "       vexa-cli library add DIR | remove DIR | update | search TEXT | dupes\n"
    "                | not-sounds | folders   [--db FILE]\n"
    "       vexa-cli --help | --version\n"
    "\n"
    "identify  names the layout and cartridge kind (M-16C or M-64C) of each file,\n"
    "          or how many banks it holds and their kinds, or what it holds that\n"
    "          is not a bank; exits 1 when any file is not a bank.\n"
    "list      prints the bank's tone and patch tables as UTF-8 text; of a file\n"
    "          with several banks, bank N (counted from 1) or every bank, each\n"
    "          after a line \"Bank N of M\".\n"
    "convert   writes the bank as the stream Save As writes for the synthesizer\n"
    "          (--synth, default jx10): an M-16C bank as a JX-8P stream, an M-64C\n"
    "          bank as a JX-10 bulk dump (jx10) or an MKS-70 stream (mks70, jx8p);\n"
    "          --to names the stream, or 'image' for the raw cartridge image.\n"
    "          --channel sets the channel byte of every message (default 1).\n"
    "          A file with several banks needs --bank N.\n"
    "compose   builds a bank from sounds of files and writes it as convert does\n"
    "          (without --to, as Save As writes it for a JX-10). The bank starts\n"
    "          as --base (bank N of FILE) or as a new bank of INIT sounds of\n"
    "          --kind (by default the kind the first sound needs). A PLACEMENT\n"
    "          is SLOT=SOURCE or SOURCE; SLOT is a tone (12 or T12) or a patch\n"
    "          (A1..H8). SOURCE is FILE (all its sounds), FILE#N:SLOT (one sound\n"
    "          of bank N; #N only for a file of several banks) or FILE:SLOT (the\n"
    "          file's loose sounds counted in order: :T1 is its first loose tone).\n"
    "          Without SLOT= the sounds follow the last slot filled of their\n"
    "          table. A patch brings its two tones into free tone slots; with no\n"
    "          free slot compose fails, unless --keep-tone-numbers lets patches\n"
    "          play the bank's tones of their numbers. Any error writes nothing.\n"
    "library   the index of the sounds in your library folders (the one Vexa\n"
    "          uses; --db or VEXA_LIBRARY_DB names another): add DIR adds a\n"
    "          folder and reads it, remove DIR drops it, update reads what\n"
    "          changed, search prints one line per sound whose name holds TEXT\n"
    "          (names, kind, copies, first place as FILE#N:SLOT), dupes each\n"
    "          sound held in several places with one indented line per place,\n"
    "          not-sounds the files that hold no sound and why.\n"
    "\n"
    "Of a file that holds a bank, identify, list and convert also print\n"
    "'FILE: Skipped: ...' for the bank messages that go into no bank and\n"
    "'FILE: Warning: ...' for a bank that opened with a fault (a bad checksum).\n";

enum class LoadResult { Loaded, NotABank, Failed };

// Reads a file as the open flow does, with every bank it holds; reports a
// file that cannot be read.
LoadResult LoadFile(const char* path, OpenedBankFile& opened) {
    switch (OpenBankFile(path, opened)) {
    case OpenBankResult::Opened: return LoadResult::Loaded;
    case OpenBankResult::NotABank: return LoadResult::NotABank;
    case OpenBankResult::CannotOpen: Fail(path, "cannot open file"); break;
    case OpenBankResult::TooLarge:
        Fail(path, "file too large (" + std::to_string(opened.fileSize) +
                       " bytes; a bank file has at most " + std::to_string(kLargestBankFile) + ")");
        break;
    case OpenBankResult::CannotRead:
        Fail(path, "cannot read file (a read failed, or the file changed while it was read)");
        break;
    }
    return LoadResult::Failed;
}

// What the search left out of every bank ("Skipped: ...") and the faults of
// banks that opened all the same ("Warning: ..."), one line each on standard
// output after the file's name: the result is a bank, with these words.
void PrintNotes(const char* path, const BankSearch& found) {
    for (const std::string& line : found.skipped) std::printf("%s: %s\n", path, line.c_str());
    for (const std::string& line : found.warnings) std::printf("%s: %s\n", path, line.c_str());
}

const char* KindName(BankKind kind) { return kind == kM64CKind ? "M-64C" : "M-16C"; }

int Identify(int count, char** files) {
    int status = kExitOk;
    for (int i = 0; i < count; ++i) {
        OpenedBankFile opened;
        const LoadResult result = LoadFile(files[i], opened);
        const BankSearch& found = opened.found;
        if (result == LoadResult::Loaded && found.banks.size() == 1) {
            std::printf("%s: %s, %d bytes, %s\n", files[i], found.layout.c_str(),
                        static_cast<int>(opened.length), KindName(found.banks[0].kind));
        } else if (result == LoadResult::Loaded) {
            std::string kinds;
            for (const FoundBank& bank : found.banks)
                kinds += std::string(" ") + KindName(bank.kind);
            std::printf("%s: %s, %d bytes, %zu banks:%s\n", files[i], found.layout.c_str(),
                        static_cast<int>(opened.length), found.banks.size(), kinds.c_str());
        }
        if (result == LoadResult::Loaded) {
            PrintNotes(files[i], found);
        } else if (result == LoadResult::NotABank) {
            // The hint at Paste from Files closes the line, after the size.
            std::string reason = found.reason;
            std::string hint;
            const std::string_view loose = kLooseSoundsHint;
            if (reason.size() > loose.size() + 2 && reason.ends_with(loose)) {
                hint = ". " + std::string(loose);
                reason.resize(reason.size() - loose.size() - 2);
            }
            std::printf("%s: %s, %d bytes%s\n", files[i], reason.c_str(),
                        static_cast<int>(opened.length), hint.c_str());
            status = kExitFailed;
        } else {
            status = kExitFailed;
        }
    }
    return status;
}

// "1" and up; 0 means none given.
bool ParseBankNumber(std::string_view text, size_t& number) {
    if (text.empty() || text.size() > 6 || text[0] == '0') return false;
    number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<size_t>(c - '0');
    }
    return true;
}

// The banks that --bank N (0: none given) names in a file of `count`:
// [first, end). False, reported, when N is out of range.
bool SelectBanks(const char* path, size_t number, size_t count, size_t& first, size_t& end) {
    if (number == 0) {
        first = 0;
        end = count;
        return true;
    }
    if (number > count) {
        Fail(path, "there is no bank " + std::to_string(number) + " (the file holds " +
                       std::to_string(count) + (count == 1 ? " bank)" : " banks)"));
        return false;
    }
    first = number - 1;
    end = number;
    return true;
}

void ClearNothing(void*) {}

void AppendUtf8Line(void* context, const char* line, size_t length) {
    std::string& text = *static_cast<std::string*>(context);
    AppendCp437AsUtf8(text, std::string_view(line, length));
    text += '\n';
}

int List(const char* path, size_t number) {
    OpenedBankFile opened;
    const LoadResult result = LoadFile(path, opened);
    if (result == LoadResult::NotABank) Fail(path, opened.found.reason);
    if (result != LoadResult::Loaded) return kExitFailed;
    const std::vector<FoundBank>& banks = opened.found.banks;
    size_t first = 0;
    size_t end = 0;
    if (!SelectBanks(path, number, banks.size(), first, end)) return kExitFailed;
    PrintNotes(path, opened.found);
    std::string text;
    for (size_t b = first; b < end; ++b) {
        if (banks.size() > 1) {
            text += "Bank " + std::to_string(b + 1) + " of " + std::to_string(banks.size()) + "\n";
        }
        BankStorage image{};
        const BankKind kind = PutFoundBank(banks[b], image);
        ListBank(kind, image, ListingSink{&text, ClearNothing, AppendUtf8Line});
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return FinishStandardOutput() ? kExitOk : kExitFailed;
}

struct ConvertOptions {
    const char* input = nullptr;
    const char* output = nullptr;
    Target target = Target::SaveAs;
    int32_t synth = kSynthJx10;  // the program's start values: JX-10, channel 1
    uint8_t channel = 0;
    size_t bank = 0;  // --bank N, 0 when not given
};

bool ParseSynth(std::string_view text, int32_t& synth) {
    if (text == "jx10")
        synth = kSynthJx10;
    else if (text == "mks70")
        synth = kSynthMks70;
    else if (text == "jx8p")
        synth = kSynthJx8p;
    else
        return false;
    return true;
}

int ParseConvert(int argc, char** argv, ConvertOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto is = [&](std::string_view name) {
            return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                                   arg[name.size()] == '=');
        };
        if (arg == "-o" || is("--output")) {
            const char* value = OptionValue(argc, argv, i, arg == "-o" ? "-o" : "--output");
            if (value == nullptr || *value == '\0')
                return UsageError("option -o needs a file name");
            options.output = value;
        } else if (is("--to")) {
            const char* value = OptionValue(argc, argv, i, "--to");
            if (value == nullptr || !ParseTarget(value, options.target)) {
                return UsageError("--to takes jx8p, jx10, mks70 or image");
            }
        } else if (is("--synth")) {
            const char* value = OptionValue(argc, argv, i, "--synth");
            if (value == nullptr || !ParseSynth(value, options.synth)) {
                return UsageError("--synth takes jx10, mks70 or jx8p");
            }
        } else if (is("--bank")) {
            const char* value = OptionValue(argc, argv, i, "--bank");
            if (value == nullptr || !ParseBankNumber(value, options.bank)) {
                return UsageError("--bank takes a bank number from 1");
            }
        } else if (is("--channel")) {
            const char* value = OptionValue(argc, argv, i, "--channel");
            if (value == nullptr || !ParseChannel(value, options.channel)) {
                return UsageError("--channel takes 1..16 or auto");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (options.input == nullptr) {
            options.input = argv[i];
        } else {
            return UsageError("convert takes one input file");
        }
    }
    if (options.input == nullptr) return UsageError("convert needs an input file");
    if (options.output == nullptr) return UsageError("convert needs an output file (-o OUT)");
    return kExitOk;
}

int ParseList(int argc, char** argv) {
    const char* path = nullptr;
    size_t number = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--bank" || arg.starts_with("--bank=")) {
            const char* value = OptionValue(argc, argv, i, "--bank");
            if (value == nullptr || !ParseBankNumber(value, number)) {
                return UsageError("--bank takes a bank number from 1");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (path == nullptr) {
            path = argv[i];
        } else {
            return UsageError("list takes exactly one file");
        }
    }
    if (path == nullptr) return UsageError("list takes exactly one file");
    return List(path, number);
}

int Convert(int argc, char** argv) {
    ConvertOptions options;
    if (const int status = ParseConvert(argc, argv, options); status != kExitOk) return status;
    OpenedBankFile opened;
    const LoadResult result = LoadFile(options.input, opened);
    if (result == LoadResult::NotABank) Fail(options.input, opened.found.reason);
    if (result != LoadResult::Loaded) return kExitFailed;
    const std::vector<FoundBank>& banks = opened.found.banks;
    if (banks.size() > 1 && options.bank == 0) {
        Fail(options.input, "the file holds " + std::to_string(banks.size()) +
                                " banks; choose one with --bank 1.." +
                                std::to_string(banks.size()));
        return kExitFailed;
    }
    size_t first = 0;
    size_t end = 0;
    if (!SelectBanks(options.input, options.bank, banks.size(), first, end)) return kExitFailed;
    PrintNotes(options.input, opened.found);
    BankStorage image{};
    const BankKind kind = PutFoundBank(banks[first], image);

    const bool m64c = kind == kM64CKind;
    static std::array<uint8_t, kTransferBufferSize> stream;
    size_t length = 0;
    if (options.target == Target::Image) {
        length = m64c ? kM64CImageSize : kM16CImageSize;
        std::memcpy(stream.data(), image.data(), length);
    } else {
        const BankStream target = TargetStream(options.target, kind, options.synth);
        if (target == BankStream::Jx8pBank && m64c) {
            Fail(options.input,
                 "an M-64C bank cannot be written as a JX-8P stream (it holds M-16C banks)");
            return kExitFailed;
        }
        if (BankStreamKind(target) != kind) {
            Fail(options.input,
                 std::string("an M-16C bank cannot be written as ") +
                     (target == BankStream::Jx10Bulk ? "a JX-10 bulk dump" : "an MKS-70 stream") +
                     " (it holds M-64C banks)");
            return kExitFailed;
        }
        length = EncodeBankStream(target, image, stream, options.channel);
    }
    if (WriteBankFile(options.output, stream.data(), static_cast<int32_t>(length)) < 0) {
        Fail(options.output, "cannot write file");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return UsageError("no command given");
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return FinishStandardOutput() ? kExitOk : kExitFailed;
    }
    if (command == "--version") {
        std::printf("vexa-cli (Vexa) %s\n%s\n", kVexaVersion, kVexaCopyright);
        return FinishStandardOutput() ? kExitOk : kExitFailed;
    }
    if (command == "identify") {
        if (argc < 3) return UsageError("identify needs at least one file");
        const int status = Identify(argc - 2, argv + 2);
        return FinishStandardOutput() ? status : kExitFailed;
    }
    if (command == "list") return ParseList(argc - 2, argv + 2);
    if (command == "compose") return RunCompose(argc - 2, argv + 2);
    if (command == "library") return RunLibraryCommand(argc - 2, argv + 2);
    if (command == "convert") {
        const int status = Convert(argc - 2, argv + 2);
        return FinishStandardOutput() ? status : kExitFailed;
    }
    return UsageError("unknown command '" + std::string(command) + "'");
}
