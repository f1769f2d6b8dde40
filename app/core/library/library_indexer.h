// The library's update in the background: UpdateLibrary on a thread of its
// own, with a connection of its own, while the UI thread goes on (its
// searches answer from what is committed so far). The UI thread starts it,
// reads its progress when it likes, may cancel it, and takes its result
// once. One owner, the UI thread, calls every member; the thread only ever
// writes the progress and the result. Portable: knows nothing of windows;
// whoever shows the progress polls for it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "app/core/library/library_index.h"

// What an update ended with.
struct IndexerResult {
    LibraryStatus status = LibraryStatus::kOk;
    std::string message;   // why the database could not be opened or updated
    std::string openNote;  // what opening it said (a damaged database set aside)
    UpdateReport report;
    size_t sounds = 0;     // different sounds in the index afterwards
    size_t notSounds = 0;  // files of the folders that hold no sound
};

struct IndexerProgress {
    size_t done = 0;   // files looked at
    size_t total = 0;  // files in the folders; 0 while they are walked
    std::string file;  // a file read lately; empty before the first
};

// Called on the update's thread each time a file is about to be read, with
// the files done so far. Tests hold the update there; the program has none.
struct IndexerHooks {
    void* context = nullptr;
    void (*beforeFile)(void* context, size_t done) = nullptr;
};

class LibraryIndexer {
  public:
    explicit LibraryIndexer(IndexerHooks hooks = {}) : hooks_(hooks) {}
    // Cancels a running update and waits for its thread: the update stops
    // at its next file or folder entry, keeping what it read.
    ~LibraryIndexer();
    LibraryIndexer(const LibraryIndexer&) = delete;
    LibraryIndexer& operator=(const LibraryIndexer&) = delete;

    // Starts updating the database at `databasePath`. Refused (false) while
    // an update runs or its result has not been taken, and when no thread
    // can be had.
    bool Start(const std::string& databasePath);
    // True from Start until the result is taken.
    bool Running() const { return thread_.joinable(); }
    // Asks the update to stop; it ends with kCancelled and keeps what it read.
    void Cancel();
    // Where the update is now. The file named is one read lately, not
    // necessarily the very one now read.
    IndexerProgress Progress();
    // The result, once the update has ended: true once, then the indexer
    // may start again.
    bool TakeResult(IndexerResult& result);

  private:
    void Run(std::string databasePath);
    static void OnProgress(void* context, size_t done, size_t total, std::string_view file);
    static bool OnCancelled(void* context);

    IndexerHooks hooks_;
    std::thread thread_;
    // The hand-overs, each with one writer:
    //  counts_     the update's thread writes, the UI thread reads: done in
    //              the high half, total in the low, so the two are one snapshot;
    //  fileFull_   the update's thread fills file_ and then sets it
    //              (release); the UI thread copies file_ once it sees it set
    //              (acquire) and then clears it (release). While it is set
    //              the update's thread leaves file_ alone (acquire);
    //  cancel_     the UI thread sets it, the update's thread polls it;
    //  finished_   the update's thread writes result_ and then sets it
    //              (release); the UI thread reads result_ once it sees it
    //              set (acquire), then joins the thread.
    std::atomic<uint64_t> counts_{0};
    std::atomic<bool> fileFull_{false};
    std::string file_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> finished_{false};
    IndexerResult result_;
    std::string lastFile_;  // the UI thread's copy of the file last handed over
};
