// The background update as its owner sees it: progress that moves, a search
// on another connection answered while the update is held mid-way, a second
// start refused, a cancel that keeps what was read, the result taken once,
// and an owner that goes away while an update runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/core/library/library_indexer.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;
using namespace std::chrono_literals;

constexpr size_t kBanks = 20;

struct Folders {
    TempFolder home;
    TempFolder sounds;
    std::string Db() const { return home.File("library.db"); }

    // kBanks banks of 32 different tones each, and one file of no sound.
    Folders() {
        for (size_t b = 0; b < kBanks; ++b) {
            const std::string name = "bank" + std::to_string(100 + b) + ".c16";
            WriteBytes(sounds.File(name), M16CBank("B" + std::to_string(b) + "-",
                                                   static_cast<uint32_t>(1000 * (b + 1))));
        }
        WriteBytes(sounds.File("readme.txt"), Bytes{'h', 'i'});
        LibraryConnection connection;
        std::string message;
        EXPECT_EQ(OpenLibrary(Db(), connection, message), LibraryStatus::kOk) << message;
        EXPECT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message),
                  LibraryStatus::kOk);
    }
    size_t SoundsIndexed() const {
        LibraryConnection connection;
        std::string message;
        std::vector<int64_t> ids;
        EXPECT_EQ(OpenLibrary(Db(), connection, message), LibraryStatus::kOk);
        EXPECT_EQ(SearchLibraryIds(connection, "", ids), LibraryStatus::kOk);
        return ids.size();
    }
};

// Holds the update before it reads file `holdAt` until the test lets go.
struct Gate {
    size_t holdAt = 5;
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    std::chrono::milliseconds pause{0};

    static void BeforeFile(void* context, size_t done) {
        auto& gate = *static_cast<Gate*>(context);
        if (gate.pause.count() > 0) std::this_thread::sleep_for(gate.pause);
        if (done != gate.holdAt || gate.released.load(std::memory_order_acquire)) return;
        gate.held.store(true, std::memory_order_release);
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!gate.released.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(1ms);
    }
    IndexerHooks Hooks() { return {this, &BeforeFile}; }
};

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

IndexerResult Finish(LibraryIndexer& indexer) {
    IndexerResult result;
    EXPECT_TRUE(WaitFor([&] { return indexer.TakeResult(result); }));
    return result;
}

TEST(LibraryIndexer, RunsBesideSearchesCancelsKeepingWhatItReadAndFinishesLater) {
    Folders folders;
    Gate gate;
    LibraryIndexer indexer(gate.Hooks());
    ASSERT_TRUE(indexer.Start(folders.Db()));
    ASSERT_TRUE(WaitFor([&] { return gate.held.load(std::memory_order_acquire); }));

    // Held before its sixth file: the progress says so and names a file read.
    const IndexerProgress progress = indexer.Progress();
    EXPECT_EQ(progress.done, gate.holdAt);
    EXPECT_EQ(progress.total, kBanks + 1);
    EXPECT_TRUE(progress.file.starts_with(folders.sounds.Path().string())) << progress.file;
    EXPECT_TRUE(indexer.Running());
    EXPECT_FALSE(indexer.Start(folders.Db()));
    IndexerResult early;
    EXPECT_FALSE(indexer.TakeResult(early));
    // Another connection's search answers while the update holds its writes.
    const auto asked = std::chrono::steady_clock::now();
    folders.SoundsIndexed();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);

    indexer.Cancel();
    gate.released.store(true, std::memory_order_release);
    const IndexerResult cancelled = Finish(indexer);
    EXPECT_EQ(cancelled.status, LibraryStatus::kCancelled);
    EXPECT_FALSE(indexer.Running());
    EXPECT_FALSE(indexer.TakeResult(early));
    const size_t kept = folders.SoundsIndexed();
    EXPECT_GE(kept, gate.holdAt * 32);
    EXPECT_LT(kept, kBanks * 32);
    EXPECT_EQ(cancelled.sounds, kept);

    // Started again, it reads the rest and reports the whole library.
    ASSERT_TRUE(indexer.Start(folders.Db()));
    const IndexerResult done = Finish(indexer);
    EXPECT_EQ(done.status, LibraryStatus::kOk) << done.message;
    EXPECT_EQ(done.report.files, kBanks + 1);
    EXPECT_EQ(done.report.read + done.report.unchanged, kBanks + 1);
    EXPECT_GT(done.report.unchanged, 0u);
    EXPECT_EQ(done.sounds, kBanks * 32);
    EXPECT_EQ(done.notSounds, 1u);
    EXPECT_EQ(indexer.Progress().done, kBanks + 1);
}

TEST(LibraryIndexer, OwnerGoneCancelsAndJoinsPromptly) {
    Folders folders;
    Gate gate;
    gate.holdAt = ~size_t{0};
    gate.pause = 50ms;  // a second for the whole folder
    std::optional<LibraryIndexer> indexer(std::in_place, gate.Hooks());
    ASSERT_TRUE(indexer->Start(folders.Db()));
    ASSERT_TRUE(WaitFor([&] { return indexer->Progress().done >= 2; }));
    const auto start = std::chrono::steady_clock::now();
    indexer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_LT(folders.SoundsIndexed(), kBanks * 32);
}

TEST(LibraryIndexer, DatabaseThatCannotBeOpenedIsTheResult) {
    TempFolder home;
    WriteBytes(home.File("file"), Bytes{'x'});
    LibraryIndexer indexer;
    ASSERT_TRUE(indexer.Start(home.File("file") + "/library.db"));
    const IndexerResult result = Finish(indexer);
    EXPECT_EQ(result.status, LibraryStatus::kCannotOpen);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(result.openNote.empty());
}

}  // namespace
