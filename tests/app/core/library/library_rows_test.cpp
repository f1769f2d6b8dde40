// The Library window's lines without a window: the order of every column
// both ways, and a sound expanded into its places with what each cell shows.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/library/library_rows.h"

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

}  // namespace
