// Where the program's help is: the user guide's HTML page in the folder docs
// beside the program file, as both packages and the build lay it out.
// Portable: the shell asks Windows for the program's path and shows the page.
#pragma once

#include <string>
#include <string_view>

// The page's path for the program file's full path (as GetModuleFileName
// gives it): the program's folder, then docs\user-guide.html. Empty when the
// path names no folder.
std::string UserGuidePath(std::string_view programPath);
