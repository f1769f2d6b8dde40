// The files in and below a library folder, with the size and modification
// time that tell whether a file changed since it was indexed. Links are
// followed, but a folder already reached (a link that loops back, or two
// ways to one folder) is read once; things that are not plain files are
// reported, never opened (a pipe would block the reader). Only reads the
// folders. Portable over std::filesystem; knows nothing of the database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WalkedFile {
    std::string path;     // as reached from the folder, UTF-8
    int64_t size = -1;    // -1: not a plain file
    int64_t mtime = 0;    // the file system's own count; only compared
    std::string problem;  // when not a plain file: what it is
};

struct FolderWalk {
    std::vector<WalkedFile> files;  // sorted by path
    // One line per folder that could not be read, link not followed or
    // entry that vanished, with the path first.
    std::vector<std::string> problems;
    // False when the folder or one below it could not be read to its end:
    // files missing from the walk may still be there, and must not leave
    // the index.
    bool complete = true;
};

// `cancelled` is asked between entries; a cancelled walk is incomplete.
FolderWalk WalkFolder(const std::string& folder, bool (*cancelled)(void*), void* context);

// The folder as the index keeps it: absolute, with "." and ".." and links
// resolved where it exists. Empty when the name is empty.
std::string NormalFolderPath(const std::string& folder);

// True when `path` is `folder` or lies below it.
bool PathIsInFolder(const std::string& path, const std::string& folder);
