// The recent-file list's rules, stored form and menu texts. Portable: knows
// nothing of the registry or of menus.
#include "app/view/recent_files.h"

#include <cstdio>
#include <cstring>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows file names ignore case; '/' and '\' name the same separator.
bool SamePath(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = LowerAscii(*a);
        char y = LowerAscii(*b);
        if (x == '/') x = '\\';
        if (y == '/') y = '\\';
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A path the list can keep: 1 .. kRecentPathSize - 1 characters, none of
// them a control character (which no Windows file name holds), and
// absolute: a relative entry would name another file (or none) as soon as
// the current folder moves.
bool UsablePath(const char* path, size_t length) {
    if (length == 0 || length >= kRecentPathSize) return false;
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(path[i]) < 0x20) return false;
    }
    return IsAbsolutePath(path);
}

// The length of the path's root kept in front of "...\": "C:\", "\\server\share\"
// or a leading separator; 0 for a relative path.
size_t RootLength(const char* path, size_t length) {
    if (length >= 3 && path[1] == ':' && IsSeparator(path[2])) return 3;
    if (length >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // Past the server and the share names, with the separator after them.
        size_t i = 2;
        for (int names = 0; names < 2 && i < length; ++names) {
            while (i < length && !IsSeparator(path[i])) ++i;
            if (i < length) ++i;
        }
        return i;
    }
    if (length >= 1 && IsSeparator(path[0])) return 1;
    return 0;
}

void CopyCut(std::span<char> out, const char* text, size_t length) {
    if (out.empty()) return;
    const size_t n = length < out.size() - 1 ? length : out.size() - 1;
    std::memcpy(out.data(), text, n);
    out[n] = '\0';
}

}  // namespace

bool IsAbsolutePath(const char* path) {
    if (path == nullptr) return false;
    if (IsDriveLetter(path[0]) && path[1] == ':') return IsSeparator(path[2]);
    if (!IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    // "\\server\share\...": both names present. "\\?\" and "\\.\" device
    // paths take this road too, with "?" or "." as the server.
    const char* at = path + 2;
    const char* server = at;
    while (*at != '\0' && !IsSeparator(*at)) ++at;
    if (at == server || *at == '\0') return false;
    const char* share = ++at;
    while (*at != '\0' && !IsSeparator(*at)) ++at;
    return at != share;
}

bool RememberRecentFile(RecentFiles& files, const char* path) {
    if (path == nullptr) return false;
    const size_t length = std::strlen(path);
    if (!UsablePath(path, length)) return false;
    int32_t existing = files.count;
    for (int32_t i = 0; i < files.count; ++i) {
        if (SamePath(files.paths[static_cast<size_t>(i)].data(), path)) {
            existing = i;
            break;
        }
    }
    // Entries above the old place (or all of them, the last falling off)
    // move down one.
    int32_t last = existing;
    if (last == kRecentFileCount) last = kRecentFileCount - 1;
    for (int32_t i = last; i > 0; --i)
        files.paths[static_cast<size_t>(i)] = files.paths[static_cast<size_t>(i - 1)];
    std::memcpy(files.paths[0].data(), path, length + 1);
    if (existing == files.count && files.count < kRecentFileCount) ++files.count;
    return true;
}

bool ForgetRecentFile(RecentFiles& files, int32_t index) {
    if (index < 0 || index >= files.count) return false;
    for (int32_t i = index; i + 1 < files.count; ++i)
        files.paths[static_cast<size_t>(i)] = files.paths[static_cast<size_t>(i + 1)];
    --files.count;
    files.paths[static_cast<size_t>(files.count)].fill('\0');
    return true;
}

size_t EncodeRecentFiles(const RecentFiles& files, std::span<uint8_t> out) {
    size_t at = 0;
    for (int32_t i = 0; i < files.count && i < kRecentFileCount; ++i) {
        const char* path = files.paths[static_cast<size_t>(i)].data();
        const size_t length = strnlen(path, kRecentPathSize - 1);
        if (at + length + 1 > out.size()) return 0;
        std::memcpy(out.data() + at, path, length);
        at += length;
        out[at++] = 0;
    }
    if (at + 1 > out.size()) return 0;
    out[at++] = 0;
    return at;
}

RecentReading DecodeRecentFiles(std::span<const uint8_t> bytes) {
    RecentReading reading;
    size_t at = 0;
    while (at < bytes.size()) {
        const auto* start = reinterpret_cast<const char*>(bytes.data() + at);
        const void* zero = std::memchr(start, 0, bytes.size() - at);
        if (zero == nullptr) {
            // The last entry lacks its zero: cut short, not to be trusted.
            ++reading.dropped;
            break;
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(zero) - start);
        at += length + 1;
        // An empty entry ends the list (the final zero of the stored form).
        if (length == 0) break;
        bool keep = UsablePath(start, length) && reading.files.count < kRecentFileCount;
        for (int32_t i = 0; keep && i < reading.files.count; ++i)
            keep = !SamePath(reading.files.paths[static_cast<size_t>(i)].data(), start);
        if (!keep) {
            ++reading.dropped;
            continue;
        }
        auto& slot = reading.files.paths[static_cast<size_t>(reading.files.count++)];
        std::memcpy(slot.data(), start, length + 1);
    }
    return reading;
}

void ShortenPath(const char* path, size_t maxChars, std::span<char> out) {
    if (out.empty()) return;
    const size_t length = path ? std::strlen(path) : 0;
    if (length <= maxChars) {
        CopyCut(out, path ? path : "", length);
        return;
    }
    constexpr char kEllipsis[] = "...\\";
    constexpr size_t kEllipsisLength = sizeof kEllipsis - 1;
    const size_t root = RootLength(path, length);
    // The tail starts at a separator's next character: the file name, then
    // folders in front of it while they fit.
    size_t tail = length;
    while (tail > root && !IsSeparator(path[tail - 1])) --tail;
    for (size_t next = tail; next > root + 1;) {
        size_t candidate = next - 1;  // the separator before the current tail
        while (candidate > root && !IsSeparator(path[candidate - 1])) --candidate;
        if (root + kEllipsisLength + (length - candidate) > maxChars) break;
        tail = candidate;
        next = candidate;
    }
    char shortened[kRecentPathSize + sizeof kEllipsis];
    size_t at = 0;
    const size_t rootKept = root < kRecentPathSize ? root : 0;
    std::memcpy(shortened, path, rootKept);
    at += rootKept;
    std::memcpy(shortened + at, kEllipsis, kEllipsisLength);
    at += kEllipsisLength;
    size_t tailLength = length - tail;
    if (at + tailLength >= sizeof shortened) tailLength = sizeof shortened - 1 - at;
    std::memcpy(shortened + at, path + tail, tailLength);
    at += tailLength;
    CopyCut(out, shortened, at);
}

void RecentMenuText(int32_t index, const char* path, std::span<char, kRecentMenuTextSize> out) {
    char shortened[kRecentPathSize + 8];
    ShortenPath(path, kRecentMenuPathChars, shortened);
    size_t at = 0;
    const int prefix = std::snprintf(out.data(), out.size(), "&%d ", static_cast<int>(index + 1));
    if (prefix > 0) at = static_cast<size_t>(prefix) < out.size() ? static_cast<size_t>(prefix) : 0;
    for (const char* c = shortened; *c != '\0' && at + 2 < out.size(); ++c) {
        if (*c == '&') out[at++] = '&';
        out[at++] = *c;
    }
    out[at] = '\0';
}
