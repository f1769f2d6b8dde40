// Paths that come from outside the program (its command line, a drop,
// another copy) made absolute against this process's current folder, so
// that they name the same file wherever they are used or remembered later.
// Knows nothing of banks or of what the path is for.
#pragma once

#include <span>

// Writes the absolute form of path into out (always terminated). False,
// with out empty, when path is empty or the result does not fit out.
bool MakeFullPath(const char* path, std::span<char> out);
