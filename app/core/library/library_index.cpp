// The library index over SQLite. Tables: the folders; the files read from
// them with the size and modification time they had; one row per different
// sound (its fingerprint, and what a search shows of it: copies, names and
// their search keys, first place, kept up to date by each update so that
// showing a sound reads one row); and one row per place a sound is found.
// Knows nothing of threads or windows: the caller gives each thread its own
// connection.
#include "app/core/library/library_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "app/core/library/library_walk.h"

namespace fs = std::filesystem;

namespace {

// 'VEXA': tells a library database from any other SQLite file.
constexpr int kApplicationId = 0x56455841;
// How long a call waits for another program's write to end before it
// reports the database locked.
constexpr int kBusyMilliseconds = 3000;
// A batch of files is committed after this long, so that searches on other
// connections see the files read so far.
constexpr auto kCommitEvery = std::chrono::milliseconds(1000);
// Names of a sound are kept in one column, apart by this byte: it is no
// character a name can hold (names are plain ASCII 20h..7Eh).
constexpr char kNameSeparator = '\x1f';

constexpr const char* kSchema =
    "CREATE TABLE folders(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE);"
    "CREATE TABLE files(id INTEGER PRIMARY KEY, folder INTEGER NOT NULL REFERENCES folders(id),"
    " path TEXT NOT NULL UNIQUE, size INTEGER NOT NULL, mtime INTEGER NOT NULL,"
    " not_sounds TEXT);"
    "CREATE TABLE sounds(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, hash INTEGER NOT NULL,"
    " fingerprint BLOB NOT NULL, copies INTEGER NOT NULL DEFAULT 0,"
    " names TEXT NOT NULL DEFAULT '', keys TEXT NOT NULL DEFAULT '',"
    " first_file INTEGER NOT NULL DEFAULT 0, first_bank INTEGER NOT NULL DEFAULT 0,"
    " first_slot INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE places(file INTEGER NOT NULL REFERENCES files(id),"
    " bank INTEGER NOT NULL, slot INTEGER NOT NULL,"
    " sound INTEGER NOT NULL REFERENCES sounds(id), name TEXT NOT NULL);"
    "CREATE INDEX files_by_folder ON files(folder);"
    "CREATE INDEX places_by_file ON places(file);"
    "CREATE INDEX places_by_sound ON places(sound);"
    "CREATE INDEX sounds_by_hash ON sounds(hash);";

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        rc_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return rc_ == SQLITE_OK || rc_ == SQLITE_ROW || rc_ == SQLITE_DONE; }
    int Code() const { return rc_; }

    Statement& Bind(int index, int64_t value) {
        if (Ok()) rc_ = sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    Statement& Bind(int index, std::string_view text) {
        if (Ok()) {
            rc_ = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                    SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& Bind(int index, const SoundFingerprint& blob) {
        if (Ok()) {
            rc_ = sqlite3_bind_blob(statement_, index, blob.data(), static_cast<int>(blob.size()),
                                    SQLITE_TRANSIENT);
        }
        return *this;
    }
    Statement& BindNull(int index) {
        if (Ok()) rc_ = sqlite3_bind_null(statement_, index);
        return *this;
    }
    // True while a row is there; Code() tells SQLITE_DONE from a failure.
    bool Step() {
        if (!Ok()) return false;
        rc_ = sqlite3_step(statement_);
        return rc_ == SQLITE_ROW;
    }
    // Runs a statement that returns no rows.
    bool Run() {
        Step();
        return rc_ == SQLITE_DONE;
    }
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        if (statement_ != nullptr) rc_ = SQLITE_OK;
    }
    int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return text == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
    }
    // Valid until the next step.
    std::string_view View(int column) const {
        const auto* text = sqlite3_column_text(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return text == nullptr ? std::string_view()
                               : std::string_view(reinterpret_cast<const char*>(text),
                                                  static_cast<size_t>(size));
    }

  private:
    sqlite3_stmt* statement_ = nullptr;
    int rc_ = SQLITE_OK;
};

bool IsBusy(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// The status and words for a failed database call.
LibraryStatus Failure(sqlite3* db, int rc, std::string& message) {
    if (IsBusy(rc)) {
        message = "the library index is in use by another program; try again when it is done";
        return LibraryStatus::kLocked;
    }
    message = std::string("the library index cannot be used: ") +
              (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    return LibraryStatus::kFailed;
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::vector<std::string> SplitNames(const std::string& names) {
    std::vector<std::string> list;
    size_t start = 0;
    for (;;) {
        const size_t end = names.find(kNameSeparator, start);
        list.push_back(names.substr(start, end - start));
        if (end == std::string::npos) return list;
        start = end + 1;
    }
}

// The one number a statement answers; SQLITE_OK or the failure.
int QueryInt(sqlite3* db, const char* sql, int64_t& value) {
    Statement query(db, sql);
    if (!query.Step()) return query.Code() == SQLITE_DONE ? SQLITE_CORRUPT : query.Code();
    value = query.Int(0);
    return SQLITE_OK;
}

// What opening found, before any repair.
enum class Opened { kReady, kDamaged, kFailed };

// Reads the folder list of a database that is being moved aside; whatever
// fails to read is simply not saved.
std::vector<std::string> SalvageFolders(sqlite3* db) {
    std::vector<std::string> folders;
    Statement select(db, "SELECT path FROM folders ORDER BY id");
    while (select.Step()) folders.push_back(select.Text(0));
    return folders;
}

// Opens the file and makes sure it is a library of this version: a new file
// gets the tables, a newer one is refused, anything not a library (or
// damaged) is kDamaged with the connection still open for salvage.
Opened OpenAndCheck(const std::string& path, LibraryConnection& connection, LibraryStatus& status,
                    std::string& message) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    connection.Adopt(db);
    // Absolute, as the walk's paths are, so the update can pass it by.
    connection.SetPath(NormalFolderPath(path));
    if (rc != SQLITE_OK) {
        message = "cannot open the library index " + path + ": " +
                  (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        status = LibraryStatus::kCannotOpen;
        connection.Close();
        return Opened::kFailed;
    }
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    // Each look is a statement of its own, finished at once: a statement
    // left open would hold a read transaction that the switch to WAL below
    // cannot be made in.
    auto failed = [&](int code) {
        if (IsDamage(code)) return Opened::kDamaged;
        status = Failure(db, code, message);
        connection.Close();
        return Opened::kFailed;
    };
    int64_t found = 0;
    if (const int code = QueryInt(db, "PRAGMA user_version", found); code != SQLITE_OK) {
        return failed(code);
    }
    if (found > kLibrarySchemaVersion) {
        message = "the library index " + path + " was written by a newer Vexa (version " +
                  std::to_string(found) + "; this one reads version " +
                  std::to_string(kLibrarySchemaVersion) + "); it is left as it is";
        status = LibraryStatus::kNewerVersion;
        connection.Close();
        return Opened::kFailed;
    }
    int64_t tables = 0;
    if (const int code = QueryInt(db, "SELECT count(*) FROM sqlite_schema", tables);
        code != SQLITE_OK) {
        return failed(code);
    }
    const bool empty = tables == 0;
    int64_t application = 0;
    if (const int code = QueryInt(db, "PRAGMA application_id", application); code != SQLITE_OK) {
        return failed(code);
    }
    if (!empty && (application != kApplicationId || found != kLibrarySchemaVersion)) {
        return Opened::kDamaged;
    }
    if (!empty) {
        std::string verdict;
        {
            Statement check(db, "PRAGMA quick_check");
            if (!check.Step()) return failed(check.Code());
            verdict = check.Text(0);
        }
        if (verdict != "ok") return Opened::kDamaged;
    }
    // WAL: searches on other connections read while an update writes.
    int walRc = Exec(db, "PRAGMA journal_mode=WAL");
    if (walRc == SQLITE_OK && empty) {
        walRc = Exec(db, "BEGIN IMMEDIATE");
        if (walRc == SQLITE_OK) walRc = Exec(db, kSchema);
        if (walRc == SQLITE_OK) {
            const std::string pragmas =
                "PRAGMA application_id=" + std::to_string(kApplicationId) +
                ";PRAGMA user_version=" + std::to_string(kLibrarySchemaVersion);
            walRc = Exec(db, pragmas.c_str());
        }
        walRc = walRc == SQLITE_OK ? Exec(db, "COMMIT") : (Exec(db, "ROLLBACK"), walRc);
    }
    if (walRc != SQLITE_OK) return failed(walRc);
    Exec(db, "PRAGMA synchronous=NORMAL");
    status = LibraryStatus::kOk;
    return Opened::kReady;
}

// PATH.damaged, or the first of PATH.damaged-2, -3, ... not taken.
std::string AsideName(const std::string& path) {
    std::error_code error;
    std::string aside = path + ".damaged";
    for (int n = 2; fs::exists(FromUtf8(aside), error); ++n) {
        aside = path + ".damaged-" + std::to_string(n);
    }
    return aside;
}

std::set<int64_t> SoundsOfFiles(sqlite3* db, const char* fileCondition, int64_t value) {
    std::set<int64_t> sounds;
    const std::string sql =
        std::string(
            "SELECT DISTINCT sound FROM places WHERE file IN (SELECT id FROM files WHERE ") +
        fileCondition + ")";
    Statement select(db, sql.c_str());
    select.Bind(1, value);
    while (select.Step()) sounds.insert(select.Int(0));
    return sounds;
}

// Brings the search rows of the given sounds up to date with their places:
// copies, names in place order, the search keys, the first place. A sound
// no place holds any more is dropped.
int RefreshSounds(sqlite3* db, const std::set<int64_t>& sounds) {
    Statement places(db,
                     "SELECT p.name, p.file, p.bank, p.slot FROM places p JOIN files f ON f.id = "
                     "p.file WHERE p.sound = ?1 ORDER BY f.path, p.bank, p.slot");
    Statement update(db,
                     "UPDATE sounds SET copies = ?2, names = ?3, keys = ?4, first_file = ?5, "
                     "first_bank = ?6, first_slot = ?7 WHERE id = ?1");
    Statement drop(db, "DELETE FROM sounds WHERE id = ?1");
    if (!places.Ok()) return places.Code();
    if (!update.Ok()) return update.Code();
    if (!drop.Ok()) return drop.Code();
    for (const int64_t id : sounds) {
        places.Reset();
        places.Bind(1, id);
        int64_t copies = 0;
        std::vector<std::string> names;
        int64_t file = 0;
        int64_t bank = 0;
        int64_t slot = 0;
        while (places.Step()) {
            if (copies++ == 0) {
                file = places.Int(1);
                bank = places.Int(2);
                slot = places.Int(3);
            }
            std::string name = places.Text(0);
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                names.push_back(std::move(name));
            }
        }
        if (places.Code() != SQLITE_DONE) return places.Code();
        if (copies == 0) {
            drop.Reset();
            if (!drop.Bind(1, id).Run()) return drop.Code();
            continue;
        }
        std::string joined;
        std::string keys(1, kNameSeparator);
        for (const std::string& name : names) {
            if (!joined.empty()) joined += kNameSeparator;
            joined += name;
            keys += SearchKey(name);
            keys += kNameSeparator;
        }
        update.Reset();
        update.Bind(1, id).Bind(2, copies).Bind(3, joined).Bind(4, keys).Bind(5, file);
        update.Bind(6, bank).Bind(7, slot);
        if (!update.Run()) return update.Code();
    }
    return SQLITE_OK;
}

// FNV-1a: only finds the rows to compare; the fingerprints themselves are
// compared whole.
int64_t FingerprintHash(const SoundFingerprint& fingerprint) {
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t b : fingerprint) hash = (hash ^ b) * 1099511628211ull;
    return static_cast<int64_t>(hash);
}

struct IndexedFile {
    int64_t id;
    int64_t size;
    int64_t mtime;
};

// Writes what one update found, file by file, in batches.
class Writer {
  public:
    explicit Writer(sqlite3* db)
        : db_(db),
          findSound_(db, "SELECT id FROM sounds WHERE hash = ?1 AND fingerprint = ?2"),
          addSound_(db, "INSERT INTO sounds(kind, hash, fingerprint) VALUES(?1, ?2, ?3)"),
          addPlace_(db, "INSERT INTO places(file, bank, slot, sound, name) VALUES(?1,?2,?3,?4,?5)"),
          addFile_(
              db,
              "INSERT INTO files(folder, path, size, mtime, not_sounds) VALUES(?1,?2,?3,?4,?5)"),
          updateFile_(db,
                      "UPDATE files SET folder=?1, size=?3, mtime=?4, not_sounds=?5 WHERE id=?6"),
          placesOf_(db, "SELECT DISTINCT sound FROM places WHERE file = ?1"),
          dropPlaces_(db, "DELETE FROM places WHERE file = ?1"),
          dropFile_(db, "DELETE FROM files WHERE id = ?1") {}

    int Prepared() const {
        for (const Statement* s : {&findSound_, &addSound_, &addPlace_, &addFile_, &updateFile_,
                                   &placesOf_, &dropPlaces_, &dropFile_}) {
            if (!s->Ok()) return s->Code();
        }
        return SQLITE_OK;
    }

    int Begin() { return Exec(db_, "BEGIN IMMEDIATE"); }
    int Commit() {
        int rc = RefreshSounds(db_, touched_);
        if (rc != SQLITE_OK) return rc;
        touched_.clear();
        rc = Exec(db_, "COMMIT");
        return rc;
    }
    void Rollback() { Exec(db_, "ROLLBACK"); }

    int DropPlaces(int64_t file) {
        placesOf_.Reset();
        placesOf_.Bind(1, file);
        while (placesOf_.Step()) touched_.insert(placesOf_.Int(0));
        if (placesOf_.Code() != SQLITE_DONE) return placesOf_.Code();
        dropPlaces_.Reset();
        return dropPlaces_.Bind(1, file).Run() ? SQLITE_OK : dropPlaces_.Code();
    }

    int DropFile(int64_t file) {
        if (const int rc = DropPlaces(file); rc != SQLITE_OK) return rc;
        dropFile_.Reset();
        return dropFile_.Bind(1, file).Run() ? SQLITE_OK : dropFile_.Code();
    }

    // The file's row and its places, replacing what an earlier read left.
    int PutFile(int64_t folder, const WalkedFile& walked, const IndexedFile* before,
                const FileSounds& read) {
        int64_t file = 0;
        Statement& put = before != nullptr ? updateFile_ : addFile_;
        if (before != nullptr) {
            if (const int rc = DropPlaces(before->id); rc != SQLITE_OK) return rc;
            file = before->id;
        }
        put.Reset();
        // A file that could not be read is stored with no size, which no
        // file has: the next update reads it again.
        const int64_t size = read.readAgain ? int64_t{-2} : walked.size;
        put.Bind(1, folder).Bind(2, walked.path).Bind(3, size).Bind(4, walked.mtime);
        if (read.notSounds.empty()) {
            put.BindNull(5);
        } else {
            put.Bind(5, read.notSounds);
        }
        if (before != nullptr) put.Bind(6, before->id);
        if (!put.Run()) return put.Code();
        if (before == nullptr) file = sqlite3_last_insert_rowid(db_);
        for (const IndexedSound& sound : read.sounds) {
            int64_t id = 0;
            if (const int rc = SoundId(sound, id); rc != SQLITE_OK) return rc;
            touched_.insert(id);
            addPlace_.Reset();
            addPlace_.Bind(1, file).Bind(2, sound.bank).Bind(3, sound.slot).Bind(4, id);
            if (!addPlace_.Bind(5, sound.name).Run()) return addPlace_.Code();
        }
        return SQLITE_OK;
    }

  private:
    int SoundId(const IndexedSound& sound, int64_t& id) {
        findSound_.Reset();
        const int64_t hash = FingerprintHash(sound.fingerprint);
        findSound_.Bind(1, hash).Bind(2, sound.fingerprint);
        if (findSound_.Step()) {
            id = findSound_.Int(0);
            return SQLITE_OK;
        }
        if (findSound_.Code() != SQLITE_DONE) return findSound_.Code();
        addSound_.Reset();
        addSound_.Bind(1, static_cast<int64_t>(sound.kind))
            .Bind(2, hash)
            .Bind(3, sound.fingerprint);
        if (!addSound_.Run()) return addSound_.Code();
        id = sqlite3_last_insert_rowid(db_);
        return SQLITE_OK;
    }

    sqlite3* db_;
    Statement findSound_, addSound_, addPlace_, addFile_, updateFile_, placesOf_, dropPlaces_,
        dropFile_;
    std::set<int64_t> touched_;
};

LibrarySound SoundFromRow(const Statement& row) {
    // Columns: id, kind, copies, names, first_file, first_bank, first_slot.
    LibrarySound sound;
    sound.id = row.Int(0);
    sound.kind = row.Int(1) == 1 ? SoundKind::kPatch : SoundKind::kTone;
    sound.copies = static_cast<size_t>(row.Int(2));
    sound.names = SplitNames(row.Text(3));
    sound.first.file = row.Text(4);
    sound.first.bank = static_cast<uint32_t>(row.Int(5));
    sound.first.slot = static_cast<uint32_t>(row.Int(6));
    sound.first.name = sound.names.front();
    sound.first.kind = sound.kind;
    return sound;
}

constexpr const char* kSoundColumns =
    "SELECT s.id, s.kind, s.copies, s.names, f.path, s.first_bank, s.first_slot FROM sounds s "
    "JOIN files f ON f.id = s.first_file ";

// SQLite is not asked to cope with a connection that is not there.
LibraryStatus NotOpen() { return LibraryStatus::kFailed; }

void ForgetSearches(LibraryConnection& connection) { connection.Cache().valid = false; }

bool IsDatabaseFile(const std::string& file, const std::string& database) {
    return !database.empty() && file.size() >= database.size() &&
           file.compare(0, database.size(), database) == 0;
}

}  // namespace

LibraryConnection::~LibraryConnection() { Close(); }

void LibraryConnection::Adopt(sqlite3* db) {
    Close();
    db_ = db;
}

void LibraryConnection::Close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
    cache_ = {};
}

LibraryStatus OpenLibrary(const std::string& path, LibraryConnection& connection,
                          std::string& message) {
    message.clear();
    connection.Close();
    if (path.empty()) {
        message = "no place for the library index is known (no home folder)";
        return LibraryStatus::kCannotOpen;
    }
    const fs::path file = FromUtf8(path);
    std::error_code error;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), error);
    if (error) {
        message = "cannot make the folder " + Utf8(file.parent_path()) + ": " + error.message();
        return LibraryStatus::kCannotOpen;
    }
    LibraryStatus status = LibraryStatus::kOk;
    const Opened first = OpenAndCheck(path, connection, status, message);
    if (first == Opened::kFailed) return status;
    if (first == Opened::kReady) return LibraryStatus::kOk;

    // Damaged: the folder list is saved if it can be read, the file and its
    // write-ahead log go aside under a new name (nothing is deleted but the
    // shared-memory index, which SQLite makes anew), and a new index starts.
    const std::vector<std::string> folders = SalvageFolders(connection.Handle());
    connection.Close();
    const std::string aside = AsideName(path);
    fs::rename(file, FromUtf8(aside), error);
    if (error) {
        message = "the library index " + path +
                  " is damaged and cannot be moved aside: " + error.message();
        return LibraryStatus::kCannotOpen;
    }
    std::error_code ignored;
    if (fs::exists(FromUtf8(path + "-wal"), ignored)) {
        fs::rename(FromUtf8(path + "-wal"), FromUtf8(aside + "-wal"), ignored);
    }
    fs::remove(FromUtf8(path + "-shm"), ignored);
    std::string reopened;
    if (OpenAndCheck(path, connection, status, reopened) != Opened::kReady) {
        message = reopened.empty() ? "the new library index is damaged too" : reopened;
        connection.Close();
        return status == LibraryStatus::kOk ? LibraryStatus::kCannotOpen : status;
    }
    Statement add(connection.Handle(), "INSERT OR IGNORE INTO folders(path) VALUES(?1)");
    for (const std::string& folder : folders) {
        add.Reset();
        add.Bind(1, folder).Run();
    }
    message = "the library index was damaged; it was moved aside as " + aside +
              " and a new one made with " + std::to_string(folders.size()) +
              (folders.size() == 1 ? " folder" : " folders") + " of the old one";
    return LibraryStatus::kOk;
}

LibraryStatus AddLibraryFolder(LibraryConnection& connection, const std::string& folder,
                               std::string& message) {
    if (!connection.IsOpen()) return NotOpen();
    message.clear();
    ForgetSearches(connection);
    const std::string path = NormalFolderPath(folder);
    std::error_code error;
    if (path.empty() || !fs::is_directory(FromUtf8(path), error)) {
        message = folder + ": not a folder";
        return LibraryStatus::kNoSuchFolder;
    }
    Statement add(connection.Handle(), "INSERT OR IGNORE INTO folders(path) VALUES(?1)");
    if (!add.Bind(1, path).Run()) return Failure(connection.Handle(), add.Code(), message);
    return LibraryStatus::kOk;
}

LibraryStatus RemoveLibraryFolder(LibraryConnection& connection, const std::string& folder,
                                  std::string& message) {
    if (!connection.IsOpen()) return NotOpen();
    message.clear();
    ForgetSearches(connection);
    sqlite3* db = connection.Handle();
    const std::string path = NormalFolderPath(folder);
    Statement find(db, "SELECT id FROM folders WHERE path = ?1");
    find.Bind(1, path);
    if (!find.Step()) {
        if (find.Code() != SQLITE_DONE) return Failure(db, find.Code(), message);
        message = folder + ": not a library folder";
        return LibraryStatus::kNoSuchFolder;
    }
    const int64_t id = find.Int(0);
    int rc = Exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return Failure(db, rc, message);
    const std::set<int64_t> sounds = SoundsOfFiles(db, "folder = ?1", id);
    Statement places(db,
                     "DELETE FROM places WHERE file IN (SELECT id FROM files WHERE folder = ?1)");
    Statement files(db, "DELETE FROM files WHERE folder = ?1");
    Statement folderRow(db, "DELETE FROM folders WHERE id = ?1");
    if (!places.Bind(1, id).Run()) {
        rc = places.Code();
    } else if (!files.Bind(1, id).Run()) {
        rc = files.Code();
    } else if (!folderRow.Bind(1, id).Run()) {
        rc = folderRow.Code();
    } else {
        rc = RefreshSounds(db, sounds);
    }
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        Exec(db, "ROLLBACK");
        return Failure(db, rc, message);
    }
    return LibraryStatus::kOk;
}

LibraryStatus ListLibraryFolders(LibraryConnection& connection, std::vector<std::string>& folders) {
    if (!connection.IsOpen()) return NotOpen();
    folders.clear();
    Statement select(connection.Handle(), "SELECT path FROM folders ORDER BY path");
    while (select.Step()) folders.push_back(select.Text(0));
    std::string ignored;
    return select.Code() == SQLITE_DONE ? LibraryStatus::kOk
                                        : Failure(connection.Handle(), select.Code(), ignored);
}

LibraryStatus UpdateLibrary(LibraryConnection& connection, const UpdateObserver& observer,
                            UpdateReport& report, std::string& message) {
    if (!connection.IsOpen()) return NotOpen();
    report = UpdateReport{};
    message.clear();
    // The data version tells of other connections' writes only; this one's
    // own are forgotten here, and its searches during the update (none, as
    // each thread has its own connection) would read the keys again.
    ForgetSearches(connection);
    sqlite3* db = connection.Handle();
    auto cancelled = [&] {
        return observer.cancelled != nullptr && observer.cancelled(observer.context);
    };
    auto progress = [&](size_t done, size_t total, std::string_view file) {
        if (observer.progress != nullptr) observer.progress(observer.context, done, total, file);
    };

    // The folders, walked before anything is written: the total is known
    // for the progress, and which folders were read to their end.
    std::vector<std::pair<int64_t, std::string>> folders;
    {
        Statement select(db, "SELECT id, path FROM folders ORDER BY path");
        while (select.Step()) folders.emplace_back(select.Int(0), select.Text(1));
        if (select.Code() != SQLITE_DONE) return Failure(db, select.Code(), message);
    }
    progress(0, 0, {});
    std::map<std::string, std::pair<int64_t, WalkedFile>> found;
    std::vector<std::string> incomplete;
    for (const auto& [id, path] : folders) {
        FolderWalk walk = WalkFolder(path, observer.cancelled, observer.context);
        if (cancelled()) return LibraryStatus::kCancelled;
        if (!walk.complete) incomplete.push_back(path);
        report.problems.insert(report.problems.end(), walk.problems.begin(), walk.problems.end());
        for (WalkedFile& file : walk.files) {
            // The index's own files, should a library folder hold them, are
            // no sounds and change under the reader.
            if (IsDatabaseFile(file.path, connection.Path())) continue;
            found.try_emplace(file.path, id, std::move(file));
        }
    }
    report.files = found.size();

    std::map<std::string, IndexedFile> indexed;
    {
        Statement select(db, "SELECT path, id, size, mtime FROM files");
        while (select.Step()) {
            indexed.emplace(select.Text(0),
                            IndexedFile{select.Int(1), select.Int(2), select.Int(3)});
        }
        if (select.Code() != SQLITE_DONE) return Failure(db, select.Code(), message);
    }

    Writer writer(db);
    int rc = writer.Prepared();
    if (rc == SQLITE_OK) rc = writer.Begin();
    if (rc != SQLITE_OK) return Failure(db, rc, message);
    auto fail = [&](int code) {
        writer.Rollback();
        return Failure(db, code, message);
    };
    auto batchStart = std::chrono::steady_clock::now();
    size_t done = 0;
    for (const auto& [path, entry] : found) {
        const auto& [folder, walked] = entry;
        if (cancelled()) {
            rc = writer.Commit();
            if (rc != SQLITE_OK) return fail(rc);
            return LibraryStatus::kCancelled;
        }
        const auto before = indexed.find(path);
        const IndexedFile* old = before == indexed.end() ? nullptr : &before->second;
        if (old != nullptr && old->size == walked.size && old->mtime == walked.mtime) {
            ++report.unchanged;
        } else {
            progress(done, found.size(), path);
            FileSounds read;
            if (!walked.problem.empty()) {
                read.notSounds = walked.problem;
            } else {
                read = ReadFileSounds(path);
            }
            ++report.read;
            if (!read.notSounds.empty()) ++report.notSounds;
            rc = writer.PutFile(folder, walked, old, read);
            if (rc != SQLITE_OK) return fail(rc);
        }
        ++done;
        if (std::chrono::steady_clock::now() - batchStart >= kCommitEvery) {
            rc = writer.Commit();
            if (rc == SQLITE_OK) rc = writer.Begin();
            if (rc != SQLITE_OK) return fail(rc);
            batchStart = std::chrono::steady_clock::now();
        }
    }
    // Files the walk did not meet leave the index, unless their folder
    // could not be read to its end: they may well be there still.
    for (const auto& [path, file] : indexed) {
        if (found.count(path) != 0) continue;
        const bool unsure =
            std::any_of(incomplete.begin(), incomplete.end(),
                        [&](const std::string& f) { return PathIsInFolder(path, f); });
        if (unsure) continue;
        rc = writer.DropFile(file.id);
        if (rc != SQLITE_OK) return fail(rc);
        ++report.gone;
    }
    rc = writer.Commit();
    if (rc != SQLITE_OK) return fail(rc);
    progress(found.size(), found.size(), {});
    return LibraryStatus::kOk;
}

LibraryStatus SearchLibraryIds(LibraryConnection& connection, std::string_view text,
                               std::vector<int64_t>& ids) {
    if (!connection.IsOpen()) return NotOpen();
    ids.clear();
    LibraryConnection::SearchCache& cache = connection.Cache();
    int64_t version = 0;
    std::string message;
    if (const int rc = QueryInt(connection.Handle(), "PRAGMA data_version", version);
        rc != SQLITE_OK) {
        return Failure(connection.Handle(), rc, message);
    }
    if (!cache.valid || cache.dataVersion != version) {
        cache = {};
        // Read in table order and sorted here, rather than sorted by SQLite:
        // the same order as ORDER BY names COLLATE NOCASE, id, in half the
        // time. Names and keys go into two long strings, not one string
        // each, as there are a hundred thousand of them.
        struct Row {
            int64_t id;
            size_t name, nameSize, key, keySize;
        };
        std::vector<Row> rows;
        std::string names;
        std::string keys;
        Statement select(connection.Handle(), "SELECT id, names, keys FROM sounds");
        while (select.Step()) {
            const std::string_view name = select.View(1);
            const std::string_view rowKeys = select.View(2);
            rows.push_back({select.Int(0), names.size(), name.size(), keys.size(), rowKeys.size()});
            for (const char c : name) {
                names.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
            }
            keys += rowKeys;
        }
        if (select.Code() != SQLITE_DONE)
            return Failure(connection.Handle(), select.Code(), message);
        const std::string_view sortNames = names;
        std::sort(rows.begin(), rows.end(), [&](const Row& x, const Row& y) {
            const int order =
                sortNames.substr(x.name, x.nameSize).compare(sortNames.substr(y.name, y.nameSize));
            return order != 0 ? order < 0 : x.id < y.id;
        });
        cache.ids.reserve(rows.size());
        cache.starts.reserve(rows.size() + 1);
        cache.keys.reserve(keys.size());
        for (const Row& row : rows) {
            cache.ids.push_back(row.id);
            cache.starts.push_back(cache.keys.size());
            cache.keys.append(keys, row.key, row.keySize);
        }
        cache.starts.push_back(cache.keys.size());
        cache.dataVersion = version;
        cache.valid = true;
    }
    // One pass over all the keys: each hit names its sound by where it
    // lies, and the pass goes on after that sound's keys. A hit cannot run
    // from one sound's keys into the next: the text holds no separator.
    const std::string key = SearchKey(text);
    const std::string_view all = cache.keys;
    size_t at = 0;
    while ((at = all.find(key, at)) != std::string_view::npos) {
        const auto next = std::upper_bound(cache.starts.begin(), cache.starts.end(), at);
        const auto index = static_cast<size_t>(next - cache.starts.begin()) - 1;
        if (index >= cache.ids.size()) break;
        ids.push_back(cache.ids[index]);
        at = *next;
    }
    return LibraryStatus::kOk;
}

LibraryStatus LoadLibrarySounds(LibraryConnection& connection, std::span<const int64_t> ids,
                                std::vector<LibrarySound>& sounds) {
    if (!connection.IsOpen()) return NotOpen();
    sounds.clear();
    const std::string sql = std::string(kSoundColumns) + "WHERE s.id = ?1";
    Statement select(connection.Handle(), sql.c_str());
    std::string message;
    for (const int64_t id : ids) {
        select.Reset();
        select.Bind(1, id);
        if (select.Step()) {
            sounds.push_back(SoundFromRow(select));
        } else if (select.Code() != SQLITE_DONE) {
            return Failure(connection.Handle(), select.Code(), message);
        }
    }
    return LibraryStatus::kOk;
}

LibraryStatus SearchLibrary(LibraryConnection& connection, std::string_view text, size_t limit,
                            std::vector<LibrarySound>& sounds) {
    std::vector<int64_t> ids;
    sounds.clear();
    if (const LibraryStatus status = SearchLibraryIds(connection, text, ids);
        status != LibraryStatus::kOk) {
        return status;
    }
    if (limit != 0 && ids.size() > limit) ids.resize(limit);
    return LoadLibrarySounds(connection, ids, sounds);
}

LibraryStatus SoundPlaces(LibraryConnection& connection, int64_t soundId,
                          std::vector<SoundPlace>& places) {
    if (!connection.IsOpen()) return NotOpen();
    places.clear();
    Statement select(connection.Handle(),
                     "SELECT f.path, p.bank, p.slot, p.name, s.kind FROM places p JOIN files f "
                     "ON f.id = p.file JOIN sounds s ON s.id = p.sound WHERE p.sound = ?1 "
                     "ORDER BY f.path, p.bank, p.slot");
    select.Bind(1, soundId);
    while (select.Step()) {
        places.push_back({select.Text(0), static_cast<uint32_t>(select.Int(1)),
                          static_cast<uint32_t>(select.Int(2)), select.Text(3),
                          select.Int(4) == 1 ? SoundKind::kPatch : SoundKind::kTone});
    }
    std::string ignored;
    return select.Code() == SQLITE_DONE ? LibraryStatus::kOk
                                        : Failure(connection.Handle(), select.Code(), ignored);
}

LibraryStatus ListDuplicates(LibraryConnection& connection, std::vector<DuplicateSound>& sounds) {
    if (!connection.IsOpen()) return NotOpen();
    sounds.clear();
    const std::string sql =
        std::string(kSoundColumns) + "WHERE s.copies > 1 ORDER BY s.names COLLATE NOCASE, s.id";
    Statement select(connection.Handle(), sql.c_str());
    while (select.Step()) sounds.push_back({SoundFromRow(select), {}});
    std::string ignored;
    if (select.Code() != SQLITE_DONE) return Failure(connection.Handle(), select.Code(), ignored);
    for (DuplicateSound& duplicate : sounds) {
        const LibraryStatus status = SoundPlaces(connection, duplicate.sound.id, duplicate.places);
        if (status != LibraryStatus::kOk) return status;
    }
    return LibraryStatus::kOk;
}

LibraryStatus ListNotSounds(LibraryConnection& connection, std::vector<NotSoundsFile>& files) {
    if (!connection.IsOpen()) return NotOpen();
    files.clear();
    Statement select(
        connection.Handle(),
        "SELECT path, not_sounds FROM files WHERE not_sounds IS NOT NULL ORDER BY path");
    while (select.Step()) files.push_back({select.Text(0), select.Text(1)});
    std::string ignored;
    return select.Code() == SQLITE_DONE ? LibraryStatus::kOk
                                        : Failure(connection.Handle(), select.Code(), ignored);
}

// FILE#N:SLOT for a sound of bank N, FILE:SLOT for a single sound of a file
// of no bank, as vexa-cli compose takes them.
std::string PlaceText(SoundKind kind, const SoundPlace& place) {
    const std::string bank = place.bank == 0 ? "" : "#" + std::to_string(place.bank);
    return place.file + bank + ":" + PlaceSlotName(kind, place.slot);
}
