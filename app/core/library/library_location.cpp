// The database's place by the conventions of each system. Only paths are
// made here; OpenLibrary creates the missing folders.
#include "app/core/library/library_location.h"

namespace {

// A variable that is set but empty counts as unset, as the XDG rules say;
// a relative XDG_DATA_HOME is ignored for the same reason.
std::string Variable(EnvironmentLookup lookup, const char* name) {
    const char* value = lookup(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

LibrarySystem ThisLibrarySystem() {
#ifdef _WIN32
    return LibrarySystem::kWindows;
#else
    return LibrarySystem::kOther;
#endif
}

std::string LibraryDatabasePath(LibrarySystem system, EnvironmentLookup lookup) {
    if (system == LibrarySystem::kWindows) {
        const std::string appData = Variable(lookup, "APPDATA");
        return appData.empty() ? std::string() : appData + "\\Vexa\\library.db";
    }
    const std::string dataHome = Variable(lookup, "XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome[0] == '/') return dataHome + "/vexa/library.db";
    const std::string home = Variable(lookup, "HOME");
    return home.empty() ? std::string() : home + "/.local/share/vexa/library.db";
}
