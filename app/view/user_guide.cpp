// The help page's place beside the program.
#include "app/view/user_guide.h"

std::string UserGuidePath(std::string_view programPath) {
    // Windows takes both separators; a path from Wine's loader may use "/".
    const size_t folderEnd = programPath.find_last_of("\\/");
    if (folderEnd == std::string_view::npos) return {};
    std::string path(programPath.substr(0, folderEnd + 1));
    path += "docs\\user-guide.html";
    return path;
}
