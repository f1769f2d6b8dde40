// Absolute paths for names from outside; see full_path.h.
#include "app/win32/full_path.h"

#include <windows.h>

bool MakeFullPath(const char* path, std::span<char> out) {
    if (out.empty()) return false;
    out[0] = '\0';
    if (path == nullptr || path[0] == '\0') return false;
    // The result's length without its zero when it fits; the size it needs
    // (zero included) when not; 0 on failure.
    const DWORD length =
        GetFullPathNameA(path, static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (length == 0 || length >= out.size()) {
        out[0] = '\0';
        return false;
    }
    return true;
}
