// The option syntax and values the vexa-cli commands share; see the header.
#include "tools/cli_options.h"

#include <cstdio>
#include <string>

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

bool IsOption(std::string_view arg, std::string_view name) {
    return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                           arg[name.size()] == '=');
}

const char* OptionValue(int argc, char** argv, int& i, std::string_view name) {
    const std::string_view arg = argv[i];
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        return argv[i] + name.size() + 1;
    }
    if (i + 1 >= argc) return nullptr;
    return argv[++i];
}

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

bool FinishStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        Fail("", "cannot write to standard output");
        return false;
    }
    return true;
}
