// The background update: the thread, its connection, and the hand-overs of
// progress, cancel and result (their order is written in the header, beside
// the members, and again where each happens).
#include "app/core/library/library_indexer.h"

#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr uint64_t kCountMask = 0xFFFFFFFFu;

uint64_t PackCounts(size_t done, size_t total) {
    const uint64_t d = done > kCountMask ? kCountMask : done;
    const uint64_t t = total > kCountMask ? kCountMask : total;
    return (d << 32) | t;
}

}  // namespace

LibraryIndexer::~LibraryIndexer() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

bool LibraryIndexer::Start(const std::string& databasePath) {
    if (thread_.joinable()) return false;
    counts_.store(0, std::memory_order_relaxed);
    fileFull_.store(false, std::memory_order_relaxed);
    file_.clear();
    lastFile_.clear();
    cancel_.store(false, std::memory_order_relaxed);
    finished_.store(false, std::memory_order_relaxed);
    result_ = IndexerResult{};
    // Everything above is written before the thread exists; its start
    // orders it before anything the thread does.
    // std::thread reports a failed start only by throwing; here that
    // becomes a refusal.
    try {
        thread_ = std::thread(&LibraryIndexer::Run, this, databasePath);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void LibraryIndexer::Cancel() { cancel_.store(true, std::memory_order_release); }

IndexerProgress LibraryIndexer::Progress() {
    IndexerProgress progress;
    const uint64_t counts = counts_.load(std::memory_order_acquire);
    progress.done = static_cast<size_t>(counts >> 32);
    progress.total = static_cast<size_t>(counts & kCountMask);
    // The UI thread's side of the file name's hand-over: seen set (acquire),
    // copied, then cleared (release) so the update's thread may write again.
    if (fileFull_.load(std::memory_order_acquire)) {
        lastFile_ = file_;
        fileFull_.store(false, std::memory_order_release);
    }
    progress.file = lastFile_;
    return progress;
}

bool LibraryIndexer::TakeResult(IndexerResult& result) {
    if (!thread_.joinable()) return false;
    // result_ was written before finished_ was set (release): read it only
    // once that is seen (acquire).
    if (!finished_.load(std::memory_order_acquire)) return false;
    thread_.join();
    result = std::move(result_);
    result_ = IndexerResult{};
    return true;
}

void LibraryIndexer::OnProgress(void* context, size_t done, size_t total, std::string_view file) {
    auto& self = *static_cast<LibraryIndexer*>(context);
    self.counts_.store(PackCounts(done, total), std::memory_order_release);
    if (file.empty()) return;
    if (self.hooks_.beforeFile != nullptr) self.hooks_.beforeFile(self.hooks_.context, done);
    // The update's side: file_ is written only while the flag is clear
    // (acquire: the UI thread's copy is finished), then the flag is set
    // (release). A name offered while the UI has not taken the last one is
    // dropped: the UI shows one read lately.
    if (!self.fileFull_.load(std::memory_order_acquire)) {
        self.file_.assign(file);
        self.fileFull_.store(true, std::memory_order_release);
    }
}

bool LibraryIndexer::OnCancelled(void* context) {
    return static_cast<LibraryIndexer*>(context)->cancel_.load(std::memory_order_acquire);
}

void LibraryIndexer::Run(std::string databasePath) {
    IndexerResult result;
    LibraryConnection connection;
    result.status = OpenLibrary(databasePath, connection, result.openNote);
    if (result.status != LibraryStatus::kOk) {
        // What opening said is the failure itself.
        result.message = std::move(result.openNote);
        result.openNote.clear();
    } else {
        const UpdateObserver observer{this, &OnProgress, &OnCancelled};
        result.status = UpdateLibrary(connection, observer, result.report, result.message);
        // The counts the status bar gives at the end; a failure to count
        // leaves them 0 and the update's own status stands.
        std::vector<int64_t> ids;
        if (SearchLibraryIds(connection, "", ids) == LibraryStatus::kOk) result.sounds = ids.size();
        std::vector<NotSoundsFile> notSounds;
        if (ListNotSounds(connection, notSounds) == LibraryStatus::kOk)
            result.notSounds = notSounds.size();
    }
    connection.Close();
    // The result is complete before finished_ says so (release); the UI
    // thread reads it only after seeing finished_ (acquire).
    result_ = std::move(result);
    finished_.store(true, std::memory_order_release);
}
