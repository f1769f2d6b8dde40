// The library index on generated folders: the first index, updates that read
// only what changed, gone files, one sound under several names, files that
// hold no sound, the search, and the database going wrong in each way a
// user's machine can make it (damaged, newer, locked, a folder gone).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app/core/library/library_index.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;
namespace fs = std::filesystem;

struct Library {
    TempFolder home;    // the database's folder
    TempFolder sounds;  // the library folder
    LibraryConnection connection;
    std::string message;

    Library() { EXPECT_EQ(Open(connection), LibraryStatus::kOk) << message; }
    std::string Db() const { return home.File("vexa/library.db"); }
    // A file of the library folder as the index names it, with the
    // system's own separators.
    std::string In(const std::string& relative) const {
        return (sounds.Path() / fs::path(relative).make_preferred()).string();
    }
    LibraryStatus Open(LibraryConnection& c) { return OpenLibrary(Db(), c, message); }

    void Write(const std::string& name, const Bytes& bytes) {
        const fs::path path = sounds.Path() / name;
        fs::create_directories(path.parent_path());
        WriteBytes(path.string(), bytes);
    }
    UpdateReport Update(LibraryStatus expected = LibraryStatus::kOk) {
        UpdateReport report;
        EXPECT_EQ(UpdateLibrary(connection, UpdateObserver{}, report, message), expected)
            << message;
        return report;
    }
    void AddAndUpdate() {
        ASSERT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message),
                  LibraryStatus::kOk);
        Update();
    }
    std::vector<LibrarySound> Search(std::string_view text) {
        std::vector<LibrarySound> found;
        EXPECT_EQ(SearchLibrary(connection, text, 0, found), LibraryStatus::kOk);
        return found;
    }
};

// Moves a file's modification time on, as an editor's save would.
void Touch(const fs::path& path) {
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::hours(1));
}

TEST(LibraryIndex, UpdatesReadOnlyWhatChangedAndForgetGoneFiles) {
    Library library;
    library.Write("a.c16", M16CBank("AL", 1));
    library.Write("deep/er/b.c64", M64CBank("BE", 1000));
    library.Write("notes.txt", Bytes{'x'});
    ASSERT_EQ(AddLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
              LibraryStatus::kOk);
    const fs::path a = library.sounds.Path() / "a.c16";
    const fs::path b = library.sounds.Path() / "deep/er/b.c64";
    const struct Step {
        const char* what;
        void (*change)(const fs::path& a, const fs::path& b);
        size_t read, unchanged, gone, sounds;
    } steps[] = {
        {"first index", [](const fs::path&, const fs::path&) {}, 3, 0, 0, 32 + 50 + 64},
        {"nothing changed", [](const fs::path&, const fs::path&) {}, 0, 3, 0, 146},
        {"a.c16 saved with other tones",
         [](const fs::path& path, const fs::path&) {
             WriteBytes(path.string(), M16CBank("AL", 5000));
             Touch(path);
         },
         1, 2, 0, 146},
        {"b.c64 deleted", [](const fs::path&, const fs::path& path) { fs::remove(path); }, 0, 2, 1,
         32},
    };
    for (const Step& step : steps) {
        step.change(a, b);
        const UpdateReport report = library.Update();
        EXPECT_EQ(report.read, step.read) << step.what;
        EXPECT_EQ(report.unchanged, step.unchanged) << step.what;
        EXPECT_EQ(report.gone, step.gone) << step.what;
        EXPECT_EQ(library.Search("").size(), step.sounds) << step.what;
    }
    // The tones read again are the new ones.
    const auto al1 = library.Search("AL1");
    ASSERT_FALSE(al1.empty());
    Bytes fresh = M16CBank("AL", 5000);
    std::vector<SoundPlace> places;
    ASSERT_EQ(SoundPlaces(library.connection, al1[0].id, places), LibraryStatus::kOk);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(PlaceText(SoundKind::kTone, places[0]), a.string() + "#1:T1");

    ASSERT_EQ(
        RemoveLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
        LibraryStatus::kOk);
    EXPECT_TRUE(library.Search("").empty());
    EXPECT_EQ(
        RemoveLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
        LibraryStatus::kNoSuchFolder);
}

TEST(LibraryIndex, OneSoundUnderSeveralNamesAndNothingWritten) {
    Library library;
    Bytes first = M16CBank("ONE", 10);
    PutTone(first, 0, "BRASS SLOW", 777);
    Bytes second = M64CBank("TWO", 100);
    PutTone(second, 9, "HORN X", 777);
    Bytes third = M16CBank("THR", 300);
    PutTone(third, 3, "Brass Slow", 777);
    library.Write("x.c16", first);
    library.Write("y/y.c64", second);
    // A name in other scripts: on Windows it has no ANSI spelling.
    std::ofstream(library.sounds.Path() / fs::path(u8"z\u00f6ne \u97f3.c16"), std::ios::binary)
        .write(reinterpret_cast<const char*>(third.data()),
               static_cast<std::streamsize>(third.size()));
    std::map<std::string, std::pair<Bytes, fs::file_time_type>> before;
    for (const auto& entry : fs::recursive_directory_iterator(library.sounds.Path())) {
        if (entry.is_regular_file()) {
            before[entry.path().string()] = {ReadBytes(entry.path().string()),
                                             entry.last_write_time()};
        }
    }
    library.AddAndUpdate();
    library.Update();

    std::vector<DuplicateSound> dupes;
    ASSERT_EQ(ListDuplicates(library.connection, dupes), LibraryStatus::kOk);
    ASSERT_EQ(dupes.size(), 1u);
    EXPECT_EQ(dupes[0].sound.copies, 3u);
    EXPECT_EQ(dupes[0].sound.names,
              (std::vector<std::string>{"BRASS SLOW", "HORN X", "Brass Slow"}));
    ASSERT_EQ(dupes[0].places.size(), 3u);
    EXPECT_EQ(PlaceText(SoundKind::kTone, dupes[0].places[1]), library.In("y/y.c64") + "#1:T10");
    // Found by any of its names, as one line.
    EXPECT_EQ(library.Search("horn").size(), 1u);
    EXPECT_EQ(library.Search("horn")[0].copies, 3u);
    // Each place knows its table, for the commands that read it back.
    EXPECT_EQ(dupes[0].places[1].kind, SoundKind::kTone);
    const auto patch = library.Search("TWO patch 12");
    ASSERT_EQ(patch.size(), 1u);
    EXPECT_EQ(patch[0].first.kind, SoundKind::kPatch);
    std::vector<SoundPlace> patchPlaces;
    ASSERT_EQ(SoundPlaces(library.connection, patch[0].id, patchPlaces), LibraryStatus::kOk);
    ASSERT_EQ(patchPlaces.size(), 1u);
    EXPECT_EQ(patchPlaces[0].kind, SoundKind::kPatch);

    size_t after = 0;
    for (const auto& entry : fs::recursive_directory_iterator(library.sounds.Path())) {
        if (!entry.is_regular_file()) continue;
        ++after;
        const auto& [bytes, time] = before.at(entry.path().string());
        EXPECT_EQ(ReadBytes(entry.path().string()), bytes);
        EXPECT_EQ(entry.last_write_time(), time);
    }
    EXPECT_EQ(after, before.size());
}

TEST(LibraryIndex, SearchIsCaseBlindIgnoresBlanksAndFindsParts) {
    Library library;
    Bytes image = EmptyM16C();
    const char* names[] = {"SLOW BRASS", "Brass Pad", "HORNX-1", "50% MIX", "A_B", "Bass"};
    for (size_t t = 0; t < 32; ++t) {
        PutTone(image, t, t < std::size(names) ? names[t] : "", static_cast<uint32_t>(t));
    }
    library.Write("bank.c16", image);
    library.AddAndUpdate();
    const struct {
        const char* text;
        std::vector<std::string> found;  // ordered by name
    } cases[] = {
        {"brass", {"Brass Pad", "SLOW BRASS"}},
        {"wbr", {"SLOW BRASS"}},
        {"horn x", {"HORNX-1"}},
        {"  H o R n  ", {"HORNX-1"}},
        {"%", {"50% MIX"}},
        {"a_", {"A_B"}},
        {"trumpet", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const LibrarySound& sound : library.Search(c.text)) found.push_back(sound.names[0]);
        EXPECT_EQ(found, c.found) << c.text;
    }
    std::vector<LibrarySound> limited;
    ASSERT_EQ(SearchLibrary(library.connection, "", 2, limited), LibraryStatus::kOk);
    EXPECT_EQ(limited.size(), 2u);
}

TEST(LibraryIndex, FilesWithoutSoundsAreListedWithTheirReasons) {
    Library library;
    library.Write("tone.syx", Jx8pToneMessage("BIG PAD", 3));
    library.Write("sub/readme.txt", Bytes{'h', 'i'});
    library.Write("huge.bin", Bytes(1048577, 0xF0));
    library.Write("bank.c16", M16CBank("OK", 1));
    std::vector<NotSoundsFile> expected = {
        {"huge.bin", "larger than 1 MiB (1048577 bytes)"},
        {"sub/readme.txt", "unknown format"},
    };  // tone.syx holds a sound: a single tone
#ifndef _WIN32
    // A pipe is never opened: reading it would wait for a writer forever.
    ASSERT_EQ(mkfifo((library.sounds.Path() / "pipe").c_str(), 0600), 0);
    expected.insert(expected.begin() + 1, {"pipe", "not a file but a device, pipe or socket"});
#endif
    library.AddAndUpdate();
    std::vector<NotSoundsFile> files;
    ASSERT_EQ(ListNotSounds(library.connection, files), LibraryStatus::kOk);
    ASSERT_EQ(files.size(), expected.size());
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].file, library.In(expected[i].file));
        EXPECT_EQ(files[i].reason, expected[i].reason);
    }
}

TEST(LibraryIndex, AnIndexInsideALibraryFolderIsNotReadAsAFile) {
    TempFolder sounds;
    WriteBytes(sounds.File("a.c16"), M16CBank("IN", 1));
    LibraryConnection connection;
    std::string message;
    ASSERT_EQ(OpenLibrary(sounds.File("library.db"), connection, message), LibraryStatus::kOk);
    ASSERT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message), LibraryStatus::kOk);
    for (int pass = 0; pass < 2; ++pass) {
        UpdateReport report;
        ASSERT_EQ(UpdateLibrary(connection, {}, report, message), LibraryStatus::kOk);
        EXPECT_EQ(report.files, 1u);
    }
    std::vector<NotSoundsFile> files;
    ASSERT_EQ(ListNotSounds(connection, files), LibraryStatus::kOk);
    EXPECT_TRUE(files.empty());
}

TEST(LibraryIndex, FolderThatVanishesKeepsItsSoundsAndLoopsAreReadOnce) {
    Library library;
    library.Write("keep/a.c16", M16CBank("KEEP", 1));
#ifndef _WIN32
    fs::create_directory_symlink("..", library.sounds.Path() / "keep/up");
    fs::create_symlink("nowhere", library.sounds.Path() / "dangling.syx");
#endif
    library.AddAndUpdate();
    EXPECT_EQ(library.Search("keep").size(), 32u);
    const UpdateReport again = library.Update();
#ifndef _WIN32
    ASSERT_EQ(again.problems.size(), 2u);
    EXPECT_NE(again.problems[0].find("not followed"), std::string::npos) << again.problems[0];
    EXPECT_NE(again.problems[1].find("not followed"), std::string::npos) << again.problems[1];
#endif
    fs::remove_all(library.sounds.Path());
    const UpdateReport gone = library.Update();
    EXPECT_EQ(gone.gone, 0u);
    ASSERT_EQ(gone.problems.size(), 1u);
    EXPECT_NE(gone.problems[0].find("stay in the index"), std::string::npos);
    EXPECT_EQ(library.Search("keep").size(), 32u);
}

TEST(LibraryIndex, DamagedDatabaseIsMovedAsideAndMadeAnew) {
    const struct {
        const char* what;
        void (*spoil)(const std::string& db);
        size_t foldersKept;
    } cases[] = {
        {"not a database at all", [](const std::string& db) { WriteBytes(db, Bytes(5000, 0x5A)); },
         0},
        {"another program's database",
         [](const std::string& db) {
             sqlite3* other = nullptr;
             sqlite3_open(db.c_str(), &other);
             sqlite3_exec(other, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
             sqlite3_close(other);
         },
         0},
        {"a library with a spoilt page",
         [](const std::string& db) {
             // The pages after the first hold the tables and indexes.
             Bytes bytes = ReadBytes(db);
             for (size_t i = 4096 * 4; i < bytes.size(); ++i) bytes[i] = 0xA7;
             WriteBytes(db, bytes);
         },
         1},
    };
    for (const auto& c : cases) {
        TempFolder home;
        TempFolder sounds;
        WriteBytes(sounds.File("a.c16"), M16CBank("X", 1));
        const std::string db = home.File("library.db");
        std::string message;
        {
            LibraryConnection connection;
            ASSERT_EQ(OpenLibrary(db, connection, message), LibraryStatus::kOk);
            ASSERT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message),
                      LibraryStatus::kOk);
            UpdateReport report;
            ASSERT_EQ(UpdateLibrary(connection, {}, report, message), LibraryStatus::kOk);
            sqlite3_exec(connection.Handle(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr,
                         nullptr);
        }
        if (c.foldersKept == 0) fs::remove(db);
        c.spoil(db);
        const Bytes spoilt = ReadBytes(db);
        LibraryConnection connection;
        ASSERT_EQ(OpenLibrary(db, connection, message), LibraryStatus::kOk) << c.what;
        EXPECT_NE(message.find("moved aside as " + db + ".damaged"), std::string::npos)
            << c.what << ": " << message;
        EXPECT_EQ(ReadBytes(db + ".damaged"), spoilt) << c.what;
        std::vector<std::string> folders;
        ASSERT_EQ(ListLibraryFolders(connection, folders), LibraryStatus::kOk);
        EXPECT_EQ(folders.size(), c.foldersKept) << c.what;
        ASSERT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message),
                  LibraryStatus::kOk);
        UpdateReport report;
        ASSERT_EQ(UpdateLibrary(connection, {}, report, message), LibraryStatus::kOk) << c.what;
        std::vector<LibrarySound> found;
        ASSERT_EQ(SearchLibrary(connection, "x", 0, found), LibraryStatus::kOk);
        EXPECT_EQ(found.size(), 32u) << c.what;
    }
}

TEST(LibraryIndex, NewerOrLockedDatabaseIsLeftAsItIs) {
    Library library;
    library.Write("a.c16", M16CBank("L", 1));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(library.Db().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_busy_timeout(library.connection.Handle(), 20);
    EXPECT_EQ(AddLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
              LibraryStatus::kLocked);
    EXPECT_NE(library.message.find("in use by another program"), std::string::npos);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA user_version=2; COMMIT", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    library.connection.Close();

    LibraryConnection newer;
    EXPECT_EQ(library.Open(newer), LibraryStatus::kNewerVersion);
    EXPECT_NE(library.message.find("newer Vexa"), std::string::npos);
    EXPECT_FALSE(newer.IsOpen());
    // Calls on the connection that did not open are refused, not run.
    std::vector<LibrarySound> found;
    UpdateReport report;
    EXPECT_EQ(SearchLibrary(newer, "", 0, found), LibraryStatus::kFailed);
    EXPECT_EQ(UpdateLibrary(newer, {}, report, library.message), LibraryStatus::kFailed);
    EXPECT_FALSE(fs::exists(library.Db() + ".damaged"));
}

struct Stopper {
    bool stop = false;
};

TEST(LibraryIndex, CancelKeepsWhatWasReadAndSearchesRunBesideAnUpdate) {
    Library library;
    for (int f = 0; f < 40; ++f) {
        library.Write("f" + std::to_string(100 + f) + ".c16",
                      M16CBank("S" + std::to_string(f) + "-", static_cast<uint32_t>(f * 32)));
    }
    ASSERT_EQ(AddLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
              LibraryStatus::kOk);
    // Asked to stop once the sixth file is under way.
    Stopper stopper;
    UpdateObserver stopping;
    stopping.context = &stopper;
    stopping.progress = [](void* context, size_t done, size_t, std::string_view) {
        if (done >= 5) static_cast<Stopper*>(context)->stop = true;
    };
    stopping.cancelled = [](void* context) { return static_cast<Stopper*>(context)->stop; };
    UpdateReport report;
    ASSERT_EQ(UpdateLibrary(library.connection, stopping, report, library.message),
              LibraryStatus::kCancelled);
    const size_t kept = library.Search("").size();
    EXPECT_EQ(kept, report.read * 32);
    EXPECT_GT(report.read, 0u);
    EXPECT_LT(report.read, 40u);
    EXPECT_EQ(library.Update().read, 40u - kept / 32);
    ASSERT_EQ(
        RemoveLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
        LibraryStatus::kOk);
    ASSERT_EQ(AddLibraryFolder(library.connection, library.sounds.Path().string(), library.message),
              LibraryStatus::kOk);

    // A background update on its own connection while this thread searches.
    std::atomic<bool> finished{false};
    std::atomic<size_t> lastTotal{0};
    std::thread worker([&] {
        LibraryConnection own;
        std::string message;
        if (OpenLibrary(library.Db(), own, message) != LibraryStatus::kOk) return;
        UpdateObserver observer;
        observer.context = &lastTotal;
        observer.progress = [](void* context, size_t, size_t total, std::string_view) {
            static_cast<std::atomic<size_t>*>(context)->store(total, std::memory_order_relaxed);
        };
        UpdateReport own_report;
        UpdateLibrary(own, observer, own_report, message);
        // Release: the index is complete before the flag says so.
        finished.store(true, std::memory_order_release);
    });
    size_t seen = 0;
    while (!finished.load(std::memory_order_acquire)) {
        const size_t now = library.Search("").size();
        EXPECT_GE(now, seen);  // batches only ever add here
        seen = now;
    }
    worker.join();
    EXPECT_EQ(lastTotal.load(), 40u);
    EXPECT_EQ(library.Search("").size(), 40u * 32u);
}

}  // namespace
