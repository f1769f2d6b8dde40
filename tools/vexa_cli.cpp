// vexa-cli: identify, list and convert bank files in bulk, with the same
// import, listing and encoders as the program itself. Portable: builds
// natively and with mingw-w64; no windows.h. Reads files of at most 17408
// bytes like the program's open flow, and writes through WriteBankFile, so an
// output file is either complete or left as it was.
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "app/view/cp437.h"
#include "app/view/listing.h"
#include "bank/bank_file.h"
#include "bank/bank_image.h"
#include "bank/bank_import.h"
#include "bank/bank_stream.h"
#include "bank/open_bank.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: vexa-cli identify FILE...\n"
    "       vexa-cli list FILE\n"
    "       vexa-cli convert IN -o OUT [--to jx8p|jx10|mks70|image]\n"
    "                [--channel 1..16|auto] [--synth jx10|mks70|jx8p]\n"
    "       vexa-cli --help\n"
    "\n"
    "identify  names the layout and cartridge kind (M-16C or M-64C) of each file;\n"
    "          exits 1 when any file is not a bank.\n"
    "list      prints the bank's tone and patch tables as UTF-8 text.\n"
    "convert   writes the bank as the stream Save As writes for the synthesizer\n"
    "          (--synth, default jx10): an M-16C bank as a JX-8P stream, an M-64C\n"
    "          bank as a JX-10 bulk dump (jx10) or an MKS-70 stream (mks70, jx8p);\n"
    "          --to names the stream, or 'image' for the raw cartridge image.\n"
    "          --channel sets the channel byte of every message (default 1).\n";

void Fail(std::string_view subject, std::string_view reason) {
    if (subject.empty()) {
        std::fprintf(stderr, "vexa-cli: %.*s\n", static_cast<int>(reason.size()), reason.data());
    } else {
        std::fprintf(stderr, "vexa-cli: %.*s: %.*s\n", static_cast<int>(subject.size()),
                     subject.data(), static_cast<int>(reason.size()), reason.data());
    }
}

int UsageError(std::string_view reason) {
    Fail("", reason);
    std::fputs("Try 'vexa-cli --help'.\n", stderr);
    return kExitUsage;
}

// A file read and imported as the open flow does it.
struct LoadedBank {
    BankStorage image{};
    BankKind kind = kUnknownKind;
    int32_t length = 0;
};

enum class LoadResult { Loaded, NotABank, Failed };

LoadResult LoadBank(const char* path, LoadedBank& bank) {
    static std::array<uint8_t, kTransferBufferSize> buffer;
    OpenedBankFile opened;
    const OpenBankResult result = OpenBankFile(path, buffer, bank.image, opened);
    bank.length = opened.length;
    bank.kind = opened.kind;
    switch (result) {
    case OpenBankResult::Opened: return LoadResult::Loaded;
    case OpenBankResult::NotABank: return LoadResult::NotABank;
    case OpenBankResult::CannotOpen: Fail(path, "cannot open file"); break;
    case OpenBankResult::TooLarge:
        Fail(path, "file too large (" + std::to_string(opened.fileSize) +
                       " bytes; a bank file has at most " + std::to_string(kTransferBufferSize) +
                       ")");
        break;
    case OpenBankResult::CannotRead: Fail(path, "cannot read file"); break;
    }
    return LoadResult::Failed;
}

const char* KindName(BankKind kind) { return kind == kM64CKind ? "M-64C" : "M-16C"; }

int Identify(int count, char** files) {
    int status = kExitOk;
    for (int i = 0; i < count; ++i) {
        LoadedBank bank;
        switch (LoadBank(files[i], bank)) {
        case LoadResult::Loaded:
            std::printf("%s: %s, %d bytes, %s\n", files[i], DescribeBankLayout(bank.length),
                        static_cast<int>(bank.length), KindName(bank.kind));
            break;
        case LoadResult::NotABank:
            std::printf("%s: unknown format, %d bytes\n", files[i], static_cast<int>(bank.length));
            status = kExitFailed;
            break;
        case LoadResult::Failed: status = kExitFailed; break;
        }
    }
    return status;
}

void ClearNothing(void*) {}

void AppendUtf8Line(void* context, const char* line, size_t length) {
    std::string& text = *static_cast<std::string*>(context);
    AppendCp437AsUtf8(text, std::string_view(line, length));
    text += '\n';
}

bool FinishStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        Fail("", "cannot write to standard output");
        return false;
    }
    return true;
}

int List(const char* path) {
    LoadedBank bank;
    const LoadResult result = LoadBank(path, bank);
    if (result == LoadResult::NotABank) Fail(path, "unknown format");
    if (result != LoadResult::Loaded) return kExitFailed;
    std::string text;
    ListBank(bank.kind, bank.image, ListingSink{&text, ClearNothing, AppendUtf8Line});
    std::fwrite(text.data(), 1, text.size(), stdout);
    return FinishStandardOutput() ? kExitOk : kExitFailed;
}

enum class Target { SaveAs, Jx8p, Jx10, Mks70, Image };

struct ConvertOptions {
    const char* input = nullptr;
    const char* output = nullptr;
    Target target = Target::SaveAs;
    int32_t synth = kSynthJx10;  // the program's start values: JX-10, channel 1
    uint8_t channel = 0;
};

bool ParseTarget(std::string_view text, Target& target) {
    if (text == "jx8p")
        target = Target::Jx8p;
    else if (text == "jx10")
        target = Target::Jx10;
    else if (text == "mks70")
        target = Target::Mks70;
    else if (text == "image")
        target = Target::Image;
    else
        return false;
    return true;
}

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

// "1".."16" give the channel bytes 0..15, "auto" gives 16 (10h), as the
// program's channel setting writes them.
bool ParseChannel(std::string_view text, uint8_t& channel) {
    if (text == "auto") {
        channel = 16;
        return true;
    }
    if (text.empty() || text.size() > 2 || text[0] == '0') return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 16) return false;
    channel = static_cast<uint8_t>(value - 1);
    return true;
}

// Accepts "--to X" and "--to=X"; returns the value or null (and advances i).
const char* OptionValue(int argc, char** argv, int& i, std::string_view name) {
    const std::string_view arg = argv[i];
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        return argv[i] + name.size() + 1;
    }
    if (i + 1 >= argc) return nullptr;
    return argv[++i];
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

// The stream that --to names; Save As's own choice for no --to.
BankStream TargetStream(Target target, BankKind kind, int32_t synth) {
    switch (target) {
    case Target::SaveAs: return SaveAsStream(kind, synth);
    case Target::Jx8p: return BankStream::Jx8pBank;
    case Target::Jx10: return BankStream::Jx10Bulk;
    case Target::Mks70: return BankStream::Mks70Bank;
    case Target::Image: break;
    }
    return BankStream::None;
}

int Convert(int argc, char** argv) {
    ConvertOptions options;
    if (const int status = ParseConvert(argc, argv, options); status != kExitOk) return status;
    LoadedBank bank;
    const LoadResult result = LoadBank(options.input, bank);
    if (result == LoadResult::NotABank) Fail(options.input, "unknown format");
    if (result != LoadResult::Loaded) return kExitFailed;

    const bool m64c = bank.kind == kM64CKind;
    static std::array<uint8_t, kTransferBufferSize> stream;
    size_t length = 0;
    if (options.target == Target::Image) {
        length = m64c ? kM64CImageSize : kM16CImageSize;
        std::memcpy(stream.data(), bank.image.data(), length);
    } else {
        const BankStream target = TargetStream(options.target, bank.kind, options.synth);
        if (target == BankStream::Jx8pBank && m64c) {
            Fail(options.input,
                 "an M-64C bank cannot be written as a JX-8P stream (it holds M-16C banks)");
            return kExitFailed;
        }
        if (BankStreamKind(target) != bank.kind) {
            Fail(options.input,
                 std::string("an M-16C bank cannot be written as ") +
                     (target == BankStream::Jx10Bulk ? "a JX-10 bulk dump" : "an MKS-70 stream") +
                     " (it holds M-64C banks)");
            return kExitFailed;
        }
        length = EncodeBankStream(target, bank.image, stream, options.channel);
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
    if (command == "identify") {
        if (argc < 3) return UsageError("identify needs at least one file");
        const int status = Identify(argc - 2, argv + 2);
        return FinishStandardOutput() ? status : kExitFailed;
    }
    if (command == "list") {
        if (argc != 3) return UsageError("list takes exactly one file");
        return List(argv[2]);
    }
    if (command == "convert") return Convert(argc - 2, argv + 2);
    return UsageError("unknown command '" + std::string(command) + "'");
}
