// The search as the user types, over a library of 100 000 different sounds:
// each keystroke's rows are exactly the sounds whose names hold the text,
// in name order, and each narrows the one before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "app/core/library/library_index.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

using namespace library_files;

constexpr std::string_view kWords[] = {"Brass", "Strings", "Pad",  "Bass",
                                       "Organ", "Lead",    "Bell", "Choir"};
// 880 M-64C banks of 50 tones and 64 patches: 100 320 sounds, no two alike.
constexpr size_t kBanks = 880;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(LibrarySearch, AsYouTypeOver100000Sounds) {
    TempFolder home;
    TempFolder sounds;
    std::vector<std::string> names;
    for (size_t b = 0; b < kBanks; ++b) {
        const std::string prefix(kWords[b % std::size(kWords)]);
        WriteBytes(sounds.File("bank" + std::to_string(b) + ".c64"),
                   M64CBank(prefix, static_cast<uint32_t>(b * 50)));
        for (size_t t = 0; t < 50; ++t)
            names.push_back((prefix + std::to_string(t + 1)).substr(0, 10));
        for (size_t p = 0; p < 64; ++p) names.push_back(prefix + " patch " + std::to_string(p + 1));
    }
    LibraryConnection connection;
    std::string message;
    ASSERT_EQ(OpenLibrary(home.File("library.db"), connection, message), LibraryStatus::kOk);
    ASSERT_EQ(AddLibraryFolder(connection, sounds.Path().string(), message), LibraryStatus::kOk);
    UpdateReport report;
    ASSERT_EQ(UpdateLibrary(connection, {}, report, message), LibraryStatus::kOk);
    std::vector<LibrarySound> all;
    ASSERT_EQ(SearchLibrary(connection, "", 0, all), LibraryStatus::kOk);
    ASSERT_EQ(all.size(), names.size());

    std::set<int64_t> before;
    for (const LibrarySound& sound : all) before.insert(sound.id);
    for (const std::string typed :
         {"s", "st", "str", "stri", "strin", "string", "strings 1", "strings 12", "strings 12x"}) {
        const std::string key = SearchKey(typed);
        const auto expected = std::count_if(names.begin(), names.end(), [&](const std::string& n) {
            return SearchKey(n).find(key) != std::string::npos;
        });
        std::vector<LibrarySound> rows;
        ASSERT_EQ(SearchLibrary(connection, typed, 0, rows), LibraryStatus::kOk);
        EXPECT_EQ(rows.size(), static_cast<size_t>(expected)) << typed;
        std::set<int64_t> now;
        for (size_t i = 0; i < rows.size(); ++i) {
            now.insert(rows[i].id);
            EXPECT_TRUE(before.count(rows[i].id) != 0) << typed;
            if (i > 0) {
                EXPECT_LE(Lower(rows[i - 1].names[0]), Lower(rows[i].names[0])) << typed;
            }
        }
        before = std::move(now);
    }
    EXPECT_TRUE(before.empty());
}

}  // namespace
