// Which PlatformOps table is in use. The program keeps the system table for
// the whole run; tests swap in the virtual one between test cases. Knows
// nothing about what the tables do.
#include "ground/platform.h"

#include <atomic>

namespace {

// Read on every clock, sleep and event call from the UI thread, the worker
// and the MIDI callback threads; written by SetPlatform (tests, between
// runs). The release store publishes a fully built table; each acquire load
// pairs with it. nullptr means the default table.
std::atomic<const PlatformOps*> currentTable{nullptr};

}  // namespace

const PlatformOps& DefaultPlatform() {
#if defined(_WIN32)
    return Win32PlatformOps();
#else
    return HostPlatformOps();
#endif
}

const PlatformOps& Platform() {
    const PlatformOps* table = currentTable.load(std::memory_order_acquire);
    return table ? *table : DefaultPlatform();
}

void SetPlatform(const PlatformOps* ops) { currentTable.store(ops, std::memory_order_release); }
