// The lines of the Library window: one per different sound found by the
// search, in the order of the column last clicked, and under each expanded
// sound one line per place that holds it, with the name it has there. The
// sounds are loaded from the index as their lines are shown, so that a
// search over a hundred thousand sounds costs no more than the lines on the
// screen; only an order other than by name loads every sound found.
// Portable: knows the index, not windows, list views or threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/core/library/library_index.h"

enum class LibraryColumn : uint8_t { kName, kKind, kFile, kBank, kSlot, kCopies };
inline constexpr size_t kLibraryColumnCount = 6;
inline constexpr std::array<const char*, kLibraryColumnCount> kLibraryColumnTitles = {
    "Name", "Kind", "Bank file", "Bank", "Slot", "Copies"};

struct LibrarySort {
    LibraryColumn column = LibraryColumn::kName;
    bool descending = false;
};

// A click on a column's header: the same column turns its order around,
// another starts ascending.
LibrarySort SortAfterClick(LibrarySort current, LibraryColumn clicked);

// One line: a sound, or one of its places when place >= 0.
struct LibraryLine {
    int64_t sound = 0;
    int32_t place = -1;
};

struct LibraryRows {
    std::string text;                  // what the search field holds
    LibrarySort sort;
    std::vector<int64_t> order;        // the sounds found, in the shown order
    std::unordered_map<int64_t, LibrarySound> sounds;  // those loaded so far
    std::map<int64_t, std::vector<SoundPlace>> expanded;  // shown with their places
    std::vector<LibraryLine> lines;
    size_t total = 0;           // sounds in the whole library
    int64_t dataVersion = -1;   // of the index when the sounds were loaded
};

// The index's data version as this connection sees it: it moves when
// another connection (the background update) commits. Cheap enough for a
// timer to ask a few times a second.
LibraryStatus ReadDataVersion(LibraryConnection& connection, int64_t& version);

// Searches again for rows.text in rows.sort's order and lays the lines out.
// What was loaded stays when the index has not changed since; otherwise the
// sounds are loaded again and the expanded ones' places read again (a sound
// gone from the index is no longer expanded).
LibraryStatus SearchRows(LibraryConnection& connection, LibraryRows& rows);

// Loads the sounds of lines [first, last] that are not loaded yet.
LibraryStatus LoadLines(LibraryConnection& connection, LibraryRows& rows, size_t first,
                        size_t last);

// Shows or hides the places of a sound; false when nothing changed.
LibraryStatus SetExpanded(LibraryConnection& connection, LibraryRows& rows, int64_t sound,
                          bool expanded, bool& changed);

// Puts the sounds of `order` in the sort's order. Every sound must be
// loaded. Ties go by name, then by first place, so the order is the same
// from one search to the next.
void SortSoundIds(std::vector<int64_t>& order,
                  const std::unordered_map<int64_t, LibrarySound>& sounds, LibrarySort sort);

// The lines from rows.order and rows.expanded.
void LayOutLines(LibraryRows& rows);

// The line of a sound's own row, or -1 when it is not shown.
int64_t LineOfSound(const LibraryRows& rows, int64_t sound);

// What a cell shows. A sound's name cell: its names joined by " / ",
// after "+ " (places hidden) or "- " (shown) when it has several copies; a
// place's: the name it has there, indented. Names are the listing's code
// page 437 bytes; the bank file is UTF-8; the rest is ASCII. Empty for a
// sound not loaded yet.
std::string LibraryCellText(const LibraryRows& rows, const LibraryLine& line,
                            LibraryColumn column);

// The place a line stands for: a place line's own, a sound line's first.
// False for a sound not loaded.
bool LinePlace(const LibraryRows& rows, const LibraryLine& line, SoundPlace& place,
               SoundKind& kind);

// "12 sounds of 340" for the line under the list.
std::string LibraryCountText(const LibraryRows& rows);
