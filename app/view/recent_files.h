// The File menu's list of recent banks: the last four files opened or saved,
// newest first. The list's update rules, its stored form (the registry's
// multi-string: each path with its zero, then one more zero), the checks a
// stored value must pass before any of it is used, and the menu text of an
// entry with its shortened path. Portable: no platform headers; the shell
// reads and writes the value and builds the menu items.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int32_t kRecentFileCount = 4;
// A Windows path of MAX_PATH characters with its zero.
inline constexpr size_t kRecentPathSize = 260;
// The longest stored value: four full paths, their zeros and the final zero.
inline constexpr size_t kRecentValueMaxSize = kRecentFileCount * kRecentPathSize + 1;
// The menu shows at most this many characters of a path.
inline constexpr size_t kRecentMenuPathChars = 48;
// "&1 " + the shortened path (ampersands doubled) + zero.
inline constexpr size_t kRecentMenuTextSize = 4 + 2 * kRecentMenuPathChars + 1;

struct RecentFiles {
    std::array<std::array<char, kRecentPathSize>, kRecentFileCount> paths{};
    int32_t count = 0;
};

// True for a path that names one file whatever the current folder and
// drive are: "C:\x" (or "C:/x") and "\\server\share\x". "x.syx", "..\x",
// "C:x" (relative to drive C's current folder) and "\x" (the current
// drive's root) are relative.
bool IsAbsolutePath(const char* path);

// Puts path at the top; an entry for the same file (Windows paths: letters
// compared without case) moves up instead of appearing twice, and the
// fifth falls off. False (nothing changes) for a path that cannot be kept:
// empty, MAX_PATH characters or more, holding a control character, or
// relative.
bool RememberRecentFile(RecentFiles& files, const char* path);
// Removes entry index (0 = top); false for an index outside the list.
bool ForgetRecentFile(RecentFiles& files, int32_t index);

// The stored form of the list, written into out; the byte count, or 0 when
// out is too small (kRecentValueMaxSize always suffices).
size_t EncodeRecentFiles(const RecentFiles& files, std::span<uint8_t> out);

// A stored value read back. Every entry that fails the path checks above
// (the relative entries older versions stored among them), repeats an
// earlier one or lies beyond the fourth is dropped and counted; a last
// entry without its zero is dropped too. Nothing in the bytes is
// trusted: any value, of any length, gives a usable list.
struct RecentReading {
    RecentFiles files;
    int32_t dropped = 0;
};
RecentReading DecodeRecentFiles(std::span<const uint8_t> bytes);

// The menu text of entry index: "&1 " to "&4 " then the path, shortened to
// kRecentMenuPathChars by keeping its root and as many trailing folders as
// fit around "...\", the file name always whole; ampersands are doubled so
// the menu shows them. Always terminated.
void RecentMenuText(int32_t index, const char* path, std::span<char, kRecentMenuTextSize> out);
// The path alone, shortened as above, into out (always terminated).
void ShortenPath(const char* path, size_t maxChars, std::span<char> out);
