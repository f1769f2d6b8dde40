// The command line's first argument; see file_argument.h.
#include "app/view/file_argument.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool FirstFileArgument(const char* commandLine, std::span<char> out) {
    if (out.empty()) return false;
    out[0] = '\0';
    if (commandLine == nullptr) return false;
    const char* start = commandLine;
    while (IsBlank(*start)) ++start;
    const char* end = start;
    if (*start == '"') {
        // Quoted: everything up to the closing quote (or the end), spaces
        // included. Windows file names hold no quote.
        ++start;
        end = start;
        while (*end != '\0' && *end != '"') ++end;
    } else {
        // Unquoted: up to the first blank. Paths with spaces come quoted; of
        // several files the first is taken.
        while (*end != '\0' && !IsBlank(*end)) ++end;
    }
    const auto length = static_cast<size_t>(end - start);
    if (length == 0 || length >= out.size()) return false;
    std::memcpy(out.data(), start, length);
    out[length] = '\0';
    return true;
}
