// What the vexa-cli commands share: the error report, the option syntax and
// the values that convert and compose take alike (the stream to write and
// the channel byte). Portable; no windows.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "bank/bank_stream.h"

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// "vexa-cli: SUBJECT: REASON" (or without a subject) on standard error.
void Fail(std::string_view subject, std::string_view reason);
// Fail, then a hint at --help; returns kExitUsage.
int UsageError(std::string_view reason);

// True when the argument is the option, as "--name" or "--name=value".
bool IsOption(std::string_view arg, std::string_view name);
// The value of "--name value" or "--name=value"; null when it is missing.
// Advances i past a separate value.
const char* OptionValue(int argc, char** argv, int& i, std::string_view name);

// The stream --to names: Save As's own choice when none was given.
enum class Target { SaveAs, Jx8p, Jx10, Mks70, Image };
bool ParseTarget(std::string_view text, Target& target);
BankStream TargetStream(Target target, BankKind kind, int32_t synth);

// "1".."16" give the channel bytes 0..15, "auto" gives 16 (10h), as the
// program's channel setting writes them.
bool ParseChannel(std::string_view text, uint8_t& channel);

bool FinishStandardOutput();
