// The Library window's lines: the order of every column both ways, a sound
// expanded into its places with what each cell shows, and the lines over a
// real index that another connection changes underneath them.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/library/library_rows.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/bank/temp_folder.h"

namespace {

LibrarySound Sound(int64_t id, std::vector<std::string> names, SoundKind kind, size_t copies,
                   std::string file, uint32_t bank, uint32_t slot) {
    LibrarySound sound;
    sound.id = id;
    sound.kind = kind;
    sound.copies = copies;
    sound.names = std::move(names);
    sound.first = {std::move(file), bank, slot, sound.names.front()};
    return sound;
}

std::unordered_map<int64_t, LibrarySound> FourSounds() {
    std::unordered_map<int64_t, LibrarySound> sounds;
    for (LibrarySound sound : {
             Sound(1, {"BRASS 1", "HORNS"}, SoundKind::kTone, 2, "a.syx", 0, 0),
             Sound(2, {"STRINGS"}, SoundKind::kTone, 1, "k.syx", 2, 5),
             Sound(3, {"Brass 2"}, SoundKind::kPatch, 1, "k.syx", 1, 3),
             Sound(4, {"AAH"}, SoundKind::kTone, 3, "z.syx", 1, 1),
         })
        sounds.emplace(sound.id, sound);
    return sounds;
}

TEST(LibraryRows, EveryColumnSortsBothWaysWithTiesByName) {
    using C = LibraryColumn;
    const struct {
        LibrarySort sort;
        std::vector<int64_t> order;
    } cases[] = {
        {{C::kName, false}, {4, 1, 3, 2}},  // case-blind: "BRASS 1" before "Brass 2"
        {{C::kName, true}, {2, 3, 1, 4}},
        {{C::kKind, false}, {4, 1, 2, 3}},
        {{C::kFile, false}, {1, 3, 2, 4}},  // then bank within a file
        {{C::kBank, false}, {1, 4, 3, 2}},
        {{C::kSlot, false}, {1, 4, 2, 3}},  // tones before patches
        {{C::kCopies, false}, {3, 2, 1, 4}},
        {{C::kCopies, true}, {4, 1, 2, 3}},
    };
    const auto sounds = FourSounds();
    for (const auto& c : cases) {
        std::vector<int64_t> order = {1, 2, 3, 4};
        SortSoundIds(order, sounds, c.sort);
        EXPECT_EQ(order, c.order) << "column " << static_cast<int>(c.sort.column)
                                  << (c.sort.descending ? " descending" : " ascending");
    }
    // A click on the sorted column turns it around; another column starts ascending.
    const LibrarySort byName;
    EXPECT_TRUE(SortAfterClick(byName, C::kName).descending);
    EXPECT_FALSE(SortAfterClick(SortAfterClick(byName, C::kName), C::kName).descending);
    const LibrarySort byCopies = SortAfterClick({C::kName, true}, C::kCopies);
    EXPECT_EQ(byCopies.column, C::kCopies);
    EXPECT_FALSE(byCopies.descending);
}

TEST(LibraryRows, AnExpandedSoundListsEveryPlaceUnderIt) {
    LibraryRows rows;
    rows.sounds = FourSounds();
    rows.sounds.erase(3);  // not loaded yet: its cells wait
    rows.order = {1, 2, 3};
    rows.total = 10;
    rows.expanded[1] = {{"a.syx", 0, 0, "BRASS 1"}, {"b.syx", 1, 7, "HORNS"}};
    LayOutLines(rows);
    ASSERT_EQ(rows.lines.size(), 5u);
    EXPECT_EQ(LineOfSound(rows, 2), 3);
    EXPECT_EQ(LibraryCountText(rows), "3 of 10 sounds shown");

    using C = LibraryColumn;
    const struct {
        size_t line;
        LibraryColumn column;
        const char* text;
    } cells[] = {
        {0, C::kName, "- BRASS 1 / HORNS"}, {0, C::kKind, "Tone"}, {0, C::kFile, "a.syx"},
        {0, C::kBank, ""},                  {0, C::kSlot, "T1"},   {0, C::kCopies, "2"},
        {2, C::kName, "      HORNS"},       {2, C::kKind, ""},     {2, C::kFile, "b.syx"},
        {2, C::kBank, "1"},                 {2, C::kSlot, "T8"},   {2, C::kCopies, ""},
        {3, C::kName, "STRINGS"},           {3, C::kBank, "2"},    {4, C::kName, ""},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(LibraryCellText(rows, rows.lines[c.line], c.column), c.text)
            << "line " << c.line << " column " << static_cast<int>(c.column);
    }
    SoundPlace place;
    SoundKind kind{};
    ASSERT_TRUE(LinePlace(rows, rows.lines[2], place, kind));
    EXPECT_EQ(place.file, "b.syx");
    EXPECT_EQ(place.slot, 7u);
    EXPECT_FALSE(LinePlace(rows, rows.lines[4], place, kind));

    // Folded again, the sound shows "+" and its places go.
    rows.expanded.clear();
    LayOutLines(rows);
    EXPECT_EQ(rows.lines.size(), 3u);
    EXPECT_EQ(LibraryCellText(rows, rows.lines[0], C::kName), "+ BRASS 1 / HORNS");
}

std::vector<std::string> NameCells(LibraryConnection& connection, LibraryRows& rows) {
    EXPECT_EQ(LoadLines(connection, rows, 0, rows.lines.size()), LibraryStatus::kOk);
    std::vector<std::string> names;
    for (const LibraryLine& line : rows.lines)
        names.push_back(LibraryCellText(rows, line, LibraryColumn::kName));
    return names;
}

TEST(LibraryRows, FollowTheIndexWhenAnotherConnectionChangesIt) {
    using namespace library_files;
    TempFolder home;
    TempFolder sounds;
    WriteBytes(sounds.File("a.syx"), Jx8pToneMessage("BRASS 1", 11));
    WriteBytes(sounds.File("b.syx"), Jx8pToneMessage("HORNS", 11));
    WriteBytes(sounds.File("c.syx"), Jx8pToneMessage("STRINGS", 12));
    const std::string db = home.File("library.db");
    std::string message;
    LibraryConnection window;
    LibraryConnection updater;
    ASSERT_EQ(OpenLibrary(db, window, message), LibraryStatus::kOk) << message;
    ASSERT_EQ(OpenLibrary(db, updater, message), LibraryStatus::kOk) << message;
    ASSERT_EQ(AddLibraryFolder(updater, sounds.Path().string(), message), LibraryStatus::kOk);
    UpdateReport report;
    ASSERT_EQ(UpdateLibrary(updater, UpdateObserver{}, report, message), LibraryStatus::kOk);

    // Most copies first: every sound found is loaded to be ordered.
    LibraryRows rows;
    rows.sort = {LibraryColumn::kCopies, true};
    ASSERT_EQ(SearchRows(window, rows), LibraryStatus::kOk);
    EXPECT_EQ(rows.sounds.size(), 2u);
    EXPECT_EQ(NameCells(window, rows), (std::vector<std::string>{"+ BRASS 1 / HORNS", "STRINGS"}));
    bool changed = false;
    ASSERT_EQ(SetExpanded(window, rows, rows.order[0], true, changed), LibraryStatus::kOk);
    EXPECT_TRUE(changed);
    EXPECT_EQ(NameCells(window, rows),
              (std::vector<std::string>{"- BRASS 1 / HORNS", "      BRASS 1", "      HORNS",
                                        "STRINGS"}));
    int64_t before = 0;
    ASSERT_EQ(ReadDataVersion(window, before), LibraryStatus::kOk);
    EXPECT_EQ(before, rows.dataVersion);

    // The two copies go and a new sound comes, through the other connection:
    // the version moves, and the unfolded sound is gone with its lines.
    std::filesystem::remove(sounds.File("a.syx"));
    std::filesystem::remove(sounds.File("b.syx"));
    WriteBytes(sounds.File("d.syx"), Jx8pToneMessage("ORGAN", 13));
    ASSERT_EQ(UpdateLibrary(updater, UpdateObserver{}, report, message), LibraryStatus::kOk);
    int64_t after = 0;
    ASSERT_EQ(ReadDataVersion(window, after), LibraryStatus::kOk);
    EXPECT_NE(after, before);
    rows.sort = {};
    ASSERT_EQ(SearchRows(window, rows), LibraryStatus::kOk);
    EXPECT_TRUE(rows.expanded.empty());
    EXPECT_EQ(NameCells(window, rows), (std::vector<std::string>{"ORGAN", "STRINGS"}));
    EXPECT_EQ(LibraryCountText(rows), "2 of 2 sounds shown");
    rows.text = "str";
    ASSERT_EQ(SearchRows(window, rows), LibraryStatus::kOk);
    EXPECT_EQ(LibraryCountText(rows), "1 of 2 sounds shown");
}

}  // namespace
