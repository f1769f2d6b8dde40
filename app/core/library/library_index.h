// The library index: every tone and patch in the user's library folders,
// kept in an SQLite database with the folder list itself. One
// LibraryConnection per thread: the reader of the folders (a background
// thread) writes through its own, and searches on another thread answer
// from what is committed so far (the database runs in WAL mode, so readers
// never wait for the writer). Nothing in a library folder is ever written.
// Every call returns its status; the message says what happened in words a
// user can act on. Portable: no windows.h, no threads of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/library/library_sounds.h"

struct sqlite3;

enum class LibraryStatus {
    kOk,
    kCannotOpen,    // the database or its folder cannot be made or opened
    kLocked,        // another program holds the database; try again later
    kNewerVersion,  // written by a newer Vexa; left untouched
    kFailed,        // a read or write of the database failed
    kNoSuchFolder,  // not a folder (add), or not a library folder (remove)
    kCancelled,     // the update stopped when asked; what it read is kept
};

inline constexpr int kLibrarySchemaVersion = 1;

class LibraryConnection {
  public:
    LibraryConnection() = default;
    ~LibraryConnection();
    LibraryConnection(const LibraryConnection&) = delete;
    LibraryConnection& operator=(const LibraryConnection&) = delete;

    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Handle() const { return db_; }
    void Adopt(sqlite3* db);
    void Close();
    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    // The search keys of every sound in name order, held in memory so that
    // a keystroke's search is one pass over a few megabytes rather than a
    // statement over every row. Read again when the database's data
    // version says another connection changed it, or this one did.
    struct SearchCache {
        bool valid = false;
        int64_t dataVersion = 0;
        std::vector<int64_t> ids;
        std::vector<size_t> starts;  // where each sound's keys start; one more at the end
        std::string keys;
    };
    SearchCache& Cache() { return cache_; }

  private:
    sqlite3* db_ = nullptr;
    std::string path_;
    SearchCache cache_;
};

// Opens the database at `path` (UTF-8), making it and its missing folders
// when needed. A file that is not a library database, or a damaged one,
// is moved aside as PATH.damaged (or PATH.damaged-2, ...) and a new one made
// with the folder list that could still be read from it; `message` says so,
// and the status is kOk: the next update reads the folders again.
LibraryStatus OpenLibrary(const std::string& path, LibraryConnection& connection,
                          std::string& message);

// Folders, kept in the index. Add takes an existing folder and stores it
// absolute; adding one that is there already is no change. Remove drops the
// folder and every file indexed from it.
LibraryStatus AddLibraryFolder(LibraryConnection& connection, const std::string& folder,
                               std::string& message);
LibraryStatus RemoveLibraryFolder(LibraryConnection& connection, const std::string& folder,
                                  std::string& message);
LibraryStatus ListLibraryFolders(LibraryConnection& connection, std::vector<std::string>& folders);

// Told on the updating thread: files done of files to look at, and the file
// now read (empty while the folders are walked). The cancel check is asked
// between files and between a folder's entries.
struct UpdateObserver {
    void* context = nullptr;
    void (*progress)(void* context, size_t done, size_t total, std::string_view file) = nullptr;
    bool (*cancelled)(void* context) = nullptr;
};

struct UpdateReport {
    size_t files = 0;      // files in the folders
    size_t read = 0;       // new or changed, read again
    size_t unchanged = 0;  // same size and modification time
    size_t gone = 0;       // left the index
    size_t notSounds = 0;  // of those read, files that hold no sound
    // Folders that could not be read, links not followed: one line each.
    std::vector<std::string> problems;
};

// Compares every file in the folders with the index: new and changed files
// are read again, files gone from a folder that was read to its end leave
// the index. Commits as it goes, so that searches see the files read so far
// and a cancel or a crash keeps them.
LibraryStatus UpdateLibrary(LibraryConnection& connection, const UpdateObserver& observer,
                            UpdateReport& report, std::string& message);

struct SoundPlace {
    std::string file;   // UTF-8 path
    uint32_t bank = 0;  // from 1
    uint32_t slot = 0;  // from 0
    std::string name;
    SoundKind kind = SoundKind::kTone;  // which table the slot is of
};

// One different sound: all places that hold it share its fingerprint.
struct LibrarySound {
    int64_t id = 0;
    SoundKind kind = SoundKind::kTone;
    size_t copies = 0;
    std::vector<std::string> names;  // every name it has, first place's first
    SoundPlace first;                // by file, bank and slot
};

// The sounds whose names hold `text`, case-blind, blanks ignored, in name
// order; empty text finds every sound. The ids alone are what a list of
// any length needs at a keystroke; LoadLibrarySounds gives the rows it
// shows. SearchLibrary does both, for the first `limit` (0: all).
LibraryStatus SearchLibraryIds(LibraryConnection& connection, std::string_view text,
                               std::vector<int64_t>& ids);
LibraryStatus LoadLibrarySounds(LibraryConnection& connection, std::span<const int64_t> ids,
                                std::vector<LibrarySound>& sounds);
LibraryStatus SearchLibrary(LibraryConnection& connection, std::string_view text, size_t limit,
                            std::vector<LibrarySound>& sounds);

// Every place of one sound, by file, bank and slot.
LibraryStatus SoundPlaces(LibraryConnection& connection, int64_t soundId,
                          std::vector<SoundPlace>& places);

struct DuplicateSound {
    LibrarySound sound;
    std::vector<SoundPlace> places;
};

// The sounds held in more than one place, ordered by name.
LibraryStatus ListDuplicates(LibraryConnection& connection, std::vector<DuplicateSound>& sounds);

struct NotSoundsFile {
    std::string file;
    std::string reason;
};

// The files of the folders that hold no sound, with the reason.
LibraryStatus ListNotSounds(LibraryConnection& connection, std::vector<NotSoundsFile>& files);

// "FILE#N:SLOT" for a place.
std::string PlaceText(SoundKind kind, const SoundPlace& place);
