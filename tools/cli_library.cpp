// vexa-cli's library commands over the library index: add and remove
// folders, update, search by name, list duplicates, files that hold no
// sound and the folders. The database is the one Vexa uses, unless --db or
// VEXA_LIBRARY_DB names another (the tests use temporary ones). Exit codes
// as for the other commands: 0 done, 1 failed, 2 a usage error. Portable:
// no windows.h.
#include "tools/cli_library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define VEXA_ISATTY _isatty
#define VEXA_FILENO _fileno
#else
#include <unistd.h>
#define VEXA_ISATTY isatty
#define VEXA_FILENO fileno
#endif

#include "app/core/library/library_index.h"
#include "app/core/library/library_location.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kLibraryUsage =
    "usage: vexa-cli library add DIR | remove DIR | update | search TEXT | dupes\n"
    "                        | not-sounds | folders   [--db FILE]\n";

void Say(std::string_view text) {
    std::fprintf(stderr, "vexa-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

int Usage(std::string_view reason) {
    Say(reason);
    std::fputs(kLibraryUsage, stderr);
    return kExitUsage;
}

int Status(LibraryStatus status, const std::string& message) {
    if (!message.empty()) Say(message);
    return status == LibraryStatus::kOk ? kExitOk : kExitFailed;
}

// The progress line, shown only on a terminal and at most ten times a second.
struct ProgressLine {
    bool shown = false;
    size_t lastDone = static_cast<size_t>(-1);
};

void ShowProgress(void* context, size_t done, size_t total, std::string_view) {
    auto& line = *static_cast<ProgressLine*>(context);
    if (total == 0) {
        std::fputs("\rLooking through the folders...", stderr);
    } else if (done == total || done / 50 != line.lastDone / 50) {
        std::fprintf(stderr, "\rReading files: %zu of %zu   ", done, total);
    } else {
        return;
    }
    line.lastDone = done;
    line.shown = true;
    std::fflush(stderr);
}

std::string Names(const LibrarySound& sound) {
    std::string text;
    for (const std::string& name : sound.names) {
        if (!text.empty()) text += " / ";
        text += name;
    }
    return text;
}

// The index takes UTF-8 names. On Windows the command line and getenv
// speak the ANSI code page, which differs as soon as a user's name holds
// an accent: arguments are converted, and the environment is read wide.
#ifdef _WIN32
std::string Utf8Argument(const std::string& native) {
    const std::u8string text = std::filesystem::path(native).u8string();
    return std::string(text.begin(), text.end());
}

const char* Environment(const char* name) {
    static std::string value;
    const std::wstring wide(name, name + std::strlen(name));
    const wchar_t* found = _wgetenv(wide.c_str());
    if (found == nullptr) return nullptr;
    const std::u8string text = std::filesystem::path(found).u8string();
    value.assign(text.begin(), text.end());
    return value.c_str();
}
#else
std::string Utf8Argument(const std::string& native) { return native; }

const char* Environment(const char* name) { return std::getenv(name); }
#endif

const char* KindWord(SoundKind kind) { return kind == SoundKind::kPatch ? "patch" : "tone"; }

int Update(LibraryConnection& connection) {
    ProgressLine line;
    UpdateObserver observer;
    if (VEXA_ISATTY(VEXA_FILENO(stderr))) {
        observer.context = &line;
        observer.progress = ShowProgress;
    }
    UpdateReport report;
    std::string message;
    const LibraryStatus status = UpdateLibrary(connection, observer, report, message);
    if (line.shown) std::fputs("\r\033[K", stderr);
    for (const std::string& problem : report.problems) Say(problem);
    if (status != LibraryStatus::kOk) return Status(status, message);
    std::printf("%zu files: %zu read, %zu unchanged, %zu gone; %zu of those read hold no sound\n",
                report.files, report.read, report.unchanged, report.gone, report.notSounds);
    return kExitOk;
}

int Search(LibraryConnection& connection, const std::string& text) {
    std::vector<LibrarySound> sounds;
    const LibraryStatus status = SearchLibrary(connection, text, 0, sounds);
    if (status != LibraryStatus::kOk) return Status(status, "the search failed");
    for (const LibrarySound& sound : sounds) {
        std::printf("%s\t%s\t%zu\t%s\n", Names(sound).c_str(), KindWord(sound.kind), sound.copies,
                    PlaceText(sound.kind, sound.first).c_str());
    }
    return kExitOk;
}

int Dupes(LibraryConnection& connection) {
    std::vector<DuplicateSound> sounds;
    const LibraryStatus status = ListDuplicates(connection, sounds);
    if (status != LibraryStatus::kOk) return Status(status, "the list of duplicates failed");
    for (const DuplicateSound& duplicate : sounds) {
        std::printf("%s\t%s\t%zu\n", Names(duplicate.sound).c_str(), KindWord(duplicate.sound.kind),
                    duplicate.sound.copies);
        for (const SoundPlace& place : duplicate.places) {
            std::printf("\t%s\t%s\n", PlaceText(duplicate.sound.kind, place).c_str(),
                        place.name.c_str());
        }
    }
    return kExitOk;
}

int NotSounds(LibraryConnection& connection) {
    std::vector<NotSoundsFile> files;
    const LibraryStatus status = ListNotSounds(connection, files);
    if (status != LibraryStatus::kOk) return Status(status, "the list of files failed");
    for (const NotSoundsFile& file : files) {
        std::printf("%s\t%s\n", file.file.c_str(), file.reason.c_str());
    }
    return kExitOk;
}

int Folders(LibraryConnection& connection) {
    std::vector<std::string> folders;
    const LibraryStatus status = ListLibraryFolders(connection, folders);
    if (status != LibraryStatus::kOk) return Status(status, "the list of folders failed");
    for (const std::string& folder : folders) std::printf("%s\n", folder.c_str());
    return kExitOk;
}

bool FinishOutput(int& code) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        Say("cannot write to standard output");
        code = kExitFailed;
        return false;
    }
    return true;
}

}  // namespace

int RunLibraryCommand(int argc, char** argv) {
    std::string database;
    std::vector<std::string> words;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--db" || arg.starts_with("--db=")) {
            if (arg.size() > 4) {
                database = std::string(arg.substr(5));
            } else if (i + 1 < argc) {
                database = argv[++i];
            }
            if (database.empty()) return Usage("--db needs a file name");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Usage("unknown option '" + std::string(arg) + "'");
        } else {
            words.emplace_back(arg);
        }
    }
    if (words.empty()) return Usage("library needs a command");
    const std::string command = words[0];
    const size_t operands = words.size() - 1;
    const bool takesOne = command == "add" || command == "remove";
    const bool takesNone = command == "update" || command == "dupes" || command == "not-sounds" ||
                           command == "folders";
    if (takesOne && operands != 1) return Usage(command + " takes one folder");
    if (takesNone && operands != 0) return Usage(command + " takes no operand");
    if (command == "search" && operands == 0) return Usage("search needs a text");
    if (!takesOne && !takesNone && command != "search") {
        return Usage("unknown library command '" + command + "'");
    }

    if (database.empty()) {
        const char* named = Environment("VEXA_LIBRARY_DB");
        database = named != nullptr && *named != '\0'
                       ? std::string(named)
                       : LibraryDatabasePath(ThisLibrarySystem(), Environment);
    } else {
        database = Utf8Argument(database);
    }
    LibraryConnection connection;
    std::string message;
    const LibraryStatus opened = OpenLibrary(database, connection, message);
    // A damaged index rebuilt is news, not a failure.
    if (!message.empty()) Say(message);
    if (opened != LibraryStatus::kOk) return kExitFailed;

    int code = kExitOk;
    if (command == "add" || command == "remove") {
        const LibraryStatus status =
            command == "add" ? AddLibraryFolder(connection, Utf8Argument(words[1]), message)
                             : RemoveLibraryFolder(connection, Utf8Argument(words[1]), message);
        if (status != LibraryStatus::kOk) return Status(status, message);
        if (command == "add") code = Update(connection);
    } else if (command == "update") {
        code = Update(connection);
    } else if (command == "search") {
        std::string text;
        for (size_t i = 1; i < words.size(); ++i) text += words[i];
        code = Search(connection, text);
    } else if (command == "dupes") {
        code = Dupes(connection);
    } else if (command == "not-sounds") {
        code = NotSounds(connection);
    } else {
        code = Folders(connection);
    }
    FinishOutput(code);
    return code;
}
