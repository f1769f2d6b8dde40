// The folder walk: an explicit stack of folders instead of the recursive
// iterator, so that every folder's failure, every link and every loop is
// decided here and reported, and a cancel is seen between any two entries.
#include "app/core/library/library_walk.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Problem(const fs::path& path, const std::string& what) {
    return Utf8(path) + ": " + what;
}

std::string ErrorText(const std::error_code& error) {
    std::string text = error.message();
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

FolderWalk WalkFolder(const std::string& folder, bool (*cancelled)(void*), void* context) {
    FolderWalk walk;
    const fs::path root = FromUtf8(folder);
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        walk.complete = false;
        walk.problems.push_back(Problem(root, error ? ErrorText(error) : "not a folder") +
                                "; its sounds stay in the index until it is back");
        return walk;
    }
    std::set<fs::path> visited;
    std::vector<fs::path> pending{root};
    visited.insert(fs::canonical(root, error));
    while (!pending.empty()) {
        const fs::path current = pending.back();
        pending.pop_back();
        fs::directory_iterator entries(current, error);
        if (error) {
            // A folder that went away or shut its door between being listed
            // and being read.
            walk.complete = false;
            walk.problems.push_back(Problem(current, ErrorText(error)) +
                                    "; its sounds stay in the index");
            continue;
        }
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            if (cancelled != nullptr && cancelled(context)) {
                walk.complete = false;
                return walk;
            }
            const fs::path path = entries->path();
            const fs::file_status status = entries->status(error);
            if (error) {
                if (error == std::errc::no_such_file_or_directory) {
                    const bool link = entries->is_symlink(error);
                    walk.problems.push_back(Problem(path, link ? "a link to nothing, not followed"
                                                               : "gone while the folder was read"));
                } else {
                    walk.problems.push_back(Problem(path, ErrorText(error)));
                }
                error.clear();
                continue;
            }
            if (fs::is_directory(status)) {
                const fs::path real = fs::canonical(path, error);
                if (error) {
                    walk.complete = false;
                    walk.problems.push_back(Problem(path, ErrorText(error)));
                    error.clear();
                } else if (!visited.insert(real).second) {
                    walk.problems.push_back(Problem(
                        path, "a link to " + Utf8(real) + ", which is read once, not followed"));
                } else {
                    pending.push_back(path);
                }
                continue;
            }
            WalkedFile file;
            file.path = Utf8(path);
            if (fs::is_regular_file(status)) {
                const auto size = entries->file_size(error);
                const auto time = error ? fs::file_time_type{} : entries->last_write_time(error);
                if (error) {
                    walk.problems.push_back(Problem(path, ErrorText(error)));
                    error.clear();
                    continue;
                }
                file.size = static_cast<int64_t>(size);
                file.mtime = static_cast<int64_t>(time.time_since_epoch().count());
            } else {
                file.problem = "not a file but a device, pipe or socket";
            }
            walk.files.push_back(std::move(file));
        }
        if (error) {
            walk.complete = false;
            walk.problems.push_back(Problem(current, ErrorText(error)) +
                                    "; its sounds stay in the index");
            error.clear();
        }
    }
    std::sort(walk.files.begin(), walk.files.end(),
              [](const WalkedFile& a, const WalkedFile& b) { return a.path < b.path; });
    return walk;
}

std::string NormalFolderPath(const std::string& folder) {
    if (folder.empty()) return {};
    std::error_code error;
    fs::path path = fs::absolute(FromUtf8(folder), error);
    if (error) return folder;
    const fs::path real = fs::weakly_canonical(path, error);
    if (!error) path = real;
    std::string text = Utf8(path.lexically_normal());
    // "/music/" and "/music" are one folder.
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') &&
           !(text.size() == 3 && text[1] == ':')) {
        text.pop_back();
    }
    return text;
}

bool PathIsInFolder(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    if (path.size() == folder.size()) return true;
    const char next = path[folder.size()];
    const char last = folder.empty() ? '\0' : folder.back();
    return next == '/' || next == '\\' || last == '/' || last == '\\';
}
