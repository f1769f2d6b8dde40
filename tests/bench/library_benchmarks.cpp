// The library index's speed goals on a generated folder of 10 000 files:
// the first index within 10 s, an update with nothing changed within 1 s,
// and a name search within 20 ms at 100 000 sounds, from the typed text to
// the result rows. Until single-sound files are read as sounds, the folder
// holds 8 400 single JX-8P tone files (read, and listed as no bank) beside
// 1 000 M-16C and 600 M-64C banks, whose 100 400 sounds are indexed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

#include "app/core/library/library_index.h"
#include "app/core/library/library_rows.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;

constexpr size_t kSingles = 8400;
constexpr size_t kM16CBanks = 1000;
constexpr size_t kM64CBanks = 600;
constexpr std::string_view kWords[] = {"Brass", "Strings", "Pad",   "Bass",  "Organ",
                                       "Lead",  "Bell",    "Choir", "Flute", "Sweep"};

// The folder, made once for every benchmark of the run: files spread over
// 100 subfolders, as a collection sorted by hand would be.
void Fill(const TempFolder& made) {
    auto file = [&](size_t n, const char* extension) {
        const auto sub = made.Path() / ("set" + std::to_string(n % 100));
        std::filesystem::create_directories(sub);
        return (sub / ("sound" + std::to_string(n) + extension)).string();
    };
    size_t n = 0;
    for (size_t i = 0; i < kSingles; ++i, ++n) {
        const std::string name = std::string(kWords[i % 10]) + std::to_string(i % 1000);
        WriteBytes(file(n, ".syx"), Jx8pToneMessage(name, static_cast<uint32_t>(i)));
    }
    for (size_t i = 0; i < kM16CBanks; ++i, ++n) {
        WriteBytes(file(n, ".c16"), M16CBank(kWords[i % 10], static_cast<uint32_t>(i * 32)));
    }
    for (size_t i = 0; i < kM64CBanks; ++i, ++n) {
        WriteBytes(file(n, ".c64"),
                   M64CBank(kWords[(i + 3) % 10], static_cast<uint32_t>(1000000 + i * 50)));
    }
}

const TempFolder& Collection() {
    static const TempFolder folder;
    static const bool filled = (Fill(folder), true);
    (void)filled;
    return folder;
}

// A library of the collection, indexed once.
LibraryConnection& Indexed() {
    static TempFolder home;
    static LibraryConnection connection;
    if (!connection.IsOpen()) {
        std::string message;
        OpenLibrary(home.File("library.db"), connection, message);
        AddLibraryFolder(connection, Collection().Path().string(), message);
        UpdateReport report;
        UpdateLibrary(connection, {}, report, message);
    }
    return connection;
}

void BM_LibraryFirstIndex(benchmark::State& state) {
    const std::string folder = Collection().Path().string();
    size_t sounds = 0;
    for (auto _ : state) {
        TempFolder home;
        LibraryConnection connection;
        std::string message;
        OpenLibrary(home.File("library.db"), connection, message);
        AddLibraryFolder(connection, folder, message);
        UpdateReport report;
        if (UpdateLibrary(connection, {}, report, message) != LibraryStatus::kOk) {
            state.SkipWithError(message.c_str());
            return;
        }
        state.PauseTiming();
        std::vector<LibrarySound> all;
        SearchLibrary(connection, "", 0, all);
        sounds = all.size();
        connection.Close();
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(kSingles + kM16CBanks + kM64CBanks);
    state.counters["sounds"] = static_cast<double>(sounds);
}
BENCHMARK(BM_LibraryFirstIndex)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LibraryUpdateNothingChanged(benchmark::State& state) {
    LibraryConnection& connection = Indexed();
    for (auto _ : state) {
        UpdateReport report;
        std::string message;
        UpdateLibrary(connection, {}, report, message);
        if (report.read != 0) state.SkipWithError("files were read again");
    }
}
BENCHMARK(BM_LibraryUpdateNothingChanged)->Unit(benchmark::kMillisecond)->Iterations(5);

// A keystroke in the window: every match found, in name order, and the rows
// a screenful shows loaded (a list of any length loads the rows it shows).
void BM_LibrarySearch(benchmark::State& state, const char* text) {
    LibraryConnection& connection = Indexed();
    std::vector<int64_t> ids;
    std::vector<LibrarySound> rows;
    for (auto _ : state) {
        SearchLibraryIds(connection, text, ids);
        const size_t shown = std::min<size_t>(ids.size(), 50);
        LoadLibrarySounds(connection, std::span<const int64_t>(ids.data(), shown), rows);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["matches"] = static_cast<double>(ids.size());
}
BENCHMARK_CAPTURE(BM_LibrarySearch, brass, "brass")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibrarySearch, patch12, "patch 12")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibrarySearch, one_letter, "s")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibrarySearch, no_match, "zzz")->Unit(benchmark::kMillisecond);

// The first keystroke after the index changed: the search keys are read
// from the database again first.
void BM_LibrarySearchAfterChange(benchmark::State& state) {
    LibraryConnection& connection = Indexed();
    std::vector<int64_t> ids;
    std::vector<LibrarySound> rows;
    for (auto _ : state) {
        connection.Cache().valid = false;
        SearchLibraryIds(connection, "brass", ids);
        LoadLibrarySounds(connection, std::span<const int64_t>(ids.data(), 50), rows);
    }
}
BENCHMARK(BM_LibrarySearchAfterChange)->Unit(benchmark::kMillisecond);

// Every matching row loaded, as `vexa-cli library search` prints them.
void BM_LibrarySearchAllRows(benchmark::State& state, const char* text) {
    LibraryConnection& connection = Indexed();
    std::vector<LibrarySound> rows;
    for (auto _ : state) {
        SearchLibrary(connection, text, 0, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK_CAPTURE(BM_LibrarySearchAllRows, brass, "brass")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibrarySearchAllRows, patch12, "patch 12")->Unit(benchmark::kMillisecond);

// A keystroke in the Library window: its lines for the text, in the order
// of the column clicked, and the screenful it shows loaded from nothing. By
// name the search's order serves; by copies every sound found is loaded to
// be ordered.
void BM_LibraryWindowLines(benchmark::State& state, const char* text, LibraryColumn column) {
    LibraryConnection& connection = Indexed();
    LibraryRows rows;
    rows.sort.column = column;
    for (auto _ : state) {
        rows.text = text;
        rows.sounds.clear();
        SearchRows(connection, rows);
        LoadLines(connection, rows, 0, 50);
        benchmark::DoNotOptimize(rows.lines.data());
    }
    state.counters["lines"] = static_cast<double>(rows.lines.size());
}
BENCHMARK_CAPTURE(BM_LibraryWindowLines, brass, "brass", LibraryColumn::kName)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibraryWindowLines, one_letter, "s", LibraryColumn::kName)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibraryWindowLines, brass_by_copies, "brass", LibraryColumn::kCopies)
    ->Unit(benchmark::kMillisecond);

}  // namespace
