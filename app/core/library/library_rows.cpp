// The Library window's lines over the index: the search's ids in the
// chosen order, the sounds loaded as their lines are shown, and the places
// of expanded sounds. See library_rows.h.
#include "app/core/library/library_rows.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include <sqlite3.h>

namespace {

std::string JoinedNames(const LibrarySound& sound) {
    std::string text;
    for (const std::string& name : sound.names) {
        if (!text.empty()) text += " / ";
        text += name;
    }
    return text;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Loads the sounds named in `ids` that are not loaded yet.
LibraryStatus LoadMissing(LibraryConnection& connection, LibraryRows& rows,
                          std::vector<int64_t>& ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::erase_if(ids, [&](int64_t id) { return rows.sounds.count(id) != 0; });
    if (ids.empty()) return LibraryStatus::kOk;
    std::vector<LibrarySound> loaded;
    const LibraryStatus status = LoadLibrarySounds(connection, ids, loaded);
    for (LibrarySound& sound : loaded) {
        const int64_t id = sound.id;
        rows.sounds.insert_or_assign(id, std::move(sound));
    }
    return status;
}

}  // namespace

LibraryStatus ReadDataVersion(LibraryConnection& connection, int64_t& version) {
    if (!connection.IsOpen()) return LibraryStatus::kFailed;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.Handle(), "PRAGMA data_version", -1, &statement, nullptr) !=
        SQLITE_OK)
        return LibraryStatus::kFailed;
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    if (rc == SQLITE_ROW) return LibraryStatus::kOk;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? LibraryStatus::kLocked
                                                    : LibraryStatus::kFailed;
}

LibrarySort SortAfterClick(LibrarySort current, LibraryColumn clicked) {
    if (current.column == clicked) return {clicked, !current.descending};
    return {clicked, false};
}

void SortSoundIds(std::vector<int64_t>& order,
                  const std::unordered_map<int64_t, LibrarySound>& sounds, LibrarySort sort) {
    // The keys are made once: a comparison that built them would make two
    // strings per step over a hundred thousand sounds.
    struct Keyed {
        const LibrarySound* sound;
        std::string name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(order.size());
    for (const int64_t id : order) {
        const auto found = sounds.find(id);
        if (found == sounds.end()) continue;
        keyed.push_back({&found->second, Lowered(JoinedNames(found->second))});
    }
    auto byName = [](const Keyed& a, const Keyed& b) {
        return std::tie(a.name, a.sound->first.file, a.sound->first.bank, a.sound->first.slot,
                        a.sound->id) < std::tie(b.name, b.sound->first.file, b.sound->first.bank,
                                                b.sound->first.slot, b.sound->id);
    };
    auto before = [&](const Keyed& a, const Keyed& b) {
        const LibrarySound& x = *a.sound;
        const LibrarySound& y = *b.sound;
        switch (sort.column) {
        case LibraryColumn::kName: break;
        case LibraryColumn::kKind:
            if (x.kind != y.kind) return x.kind < y.kind;
            break;
        case LibraryColumn::kFile:
            if (x.first.file != y.first.file) return x.first.file < y.first.file;
            if (x.first.bank != y.first.bank) return x.first.bank < y.first.bank;
            if (x.kind != y.kind) return x.kind < y.kind;
            if (x.first.slot != y.first.slot) return x.first.slot < y.first.slot;
            break;
        case LibraryColumn::kBank:
            if (x.first.bank != y.first.bank) return x.first.bank < y.first.bank;
            break;
        case LibraryColumn::kSlot:
            if (x.kind != y.kind) return x.kind < y.kind;
            if (x.first.slot != y.first.slot) return x.first.slot < y.first.slot;
            break;
        case LibraryColumn::kCopies:
            if (x.copies != y.copies) return x.copies < y.copies;
            break;
        }
        return byName(a, b);
    };
    std::sort(keyed.begin(), keyed.end(), before);
    // Descending is the ascending order turned around, ties included, so
    // that two clicks on a column show the same lines in the two orders.
    if (sort.descending) std::reverse(keyed.begin(), keyed.end());
    order.clear();
    for (const Keyed& entry : keyed) order.push_back(entry.sound->id);
}

void LayOutLines(LibraryRows& rows) {
    rows.lines.clear();
    rows.lines.reserve(rows.order.size());
    for (const int64_t id : rows.order) {
        rows.lines.push_back({id, -1});
        const auto places = rows.expanded.find(id);
        if (places == rows.expanded.end()) continue;
        for (size_t i = 0; i < places->second.size(); ++i)
            rows.lines.push_back({id, static_cast<int32_t>(i)});
    }
}

LibraryStatus SearchRows(LibraryConnection& connection, LibraryRows& rows) {
    std::vector<int64_t> ids;
    LibraryStatus status = SearchLibraryIds(connection, rows.text, ids);
    if (status != LibraryStatus::kOk) return status;
    const LibraryConnection::SearchCache& cache = connection.Cache();
    rows.total = cache.ids.size();
    if (cache.dataVersion != rows.dataVersion) {
        // Names, copies and places may all have moved: what was loaded is
        // read again as it is shown.
        rows.sounds.clear();
        rows.dataVersion = cache.dataVersion;
        for (auto it = rows.expanded.begin(); it != rows.expanded.end();) {
            status = SoundPlaces(connection, it->first, it->second);
            if (status != LibraryStatus::kOk) return status;
            it = it->second.empty() ? rows.expanded.erase(it) : std::next(it);
        }
    }
    if (rows.sort.column == LibraryColumn::kName) {
        // The search answers in name order already.
        if (rows.sort.descending) std::reverse(ids.begin(), ids.end());
        rows.order = std::move(ids);
    } else {
        std::vector<int64_t> missing = ids;
        status = LoadMissing(connection, rows, missing);
        if (status != LibraryStatus::kOk) return status;
        rows.order = std::move(ids);
        SortSoundIds(rows.order, rows.sounds, rows.sort);
    }
    LayOutLines(rows);
    return LibraryStatus::kOk;
}

LibraryStatus LoadLines(LibraryConnection& connection, LibraryRows& rows, size_t first,
                        size_t last) {
    if (rows.lines.empty() || first >= rows.lines.size()) return LibraryStatus::kOk;
    last = std::min(last, rows.lines.size() - 1);
    std::vector<int64_t> ids;
    for (size_t i = first; i <= last; ++i)
        if (rows.sounds.count(rows.lines[i].sound) == 0) ids.push_back(rows.lines[i].sound);
    return LoadMissing(connection, rows, ids);
}

LibraryStatus SetExpanded(LibraryConnection& connection, LibraryRows& rows, int64_t sound,
                          bool expanded, bool& changed) {
    changed = false;
    const bool now = rows.expanded.count(sound) != 0;
    if (now == expanded) return LibraryStatus::kOk;
    if (!expanded) {
        rows.expanded.erase(sound);
    } else {
        std::vector<SoundPlace> places;
        const LibraryStatus status = SoundPlaces(connection, sound, places);
        if (status != LibraryStatus::kOk) return status;
        if (places.empty()) return LibraryStatus::kOk;
        rows.expanded.emplace(sound, std::move(places));
    }
    changed = true;
    LayOutLines(rows);
    return LibraryStatus::kOk;
}

int64_t LineOfSound(const LibraryRows& rows, int64_t sound) {
    for (size_t i = 0; i < rows.lines.size(); ++i)
        if (rows.lines[i].sound == sound && rows.lines[i].place < 0) return static_cast<int64_t>(i);
    return -1;
}

std::string LibraryCellText(const LibraryRows& rows, const LibraryLine& line,
                            LibraryColumn column) {
    const auto found = rows.sounds.find(line.sound);
    if (found == rows.sounds.end()) return {};
    const LibrarySound& sound = found->second;
    const SoundPlace* place = &sound.first;
    if (line.place >= 0) {
        const auto places = rows.expanded.find(line.sound);
        if (places == rows.expanded.end() ||
            static_cast<size_t>(line.place) >= places->second.size())
            return {};
        place = &places->second[static_cast<size_t>(line.place)];
    }
    switch (column) {
    case LibraryColumn::kName:
        if (line.place >= 0) return "      " + place->name;
        if (sound.copies < 2) return JoinedNames(sound);
        return (rows.expanded.count(line.sound) != 0 ? "- " : "+ ") + JoinedNames(sound);
    case LibraryColumn::kKind:
        if (line.place >= 0) return {};
        return sound.kind == SoundKind::kTone ? "Tone" : "Patch";
    case LibraryColumn::kFile: return place->file;
    case LibraryColumn::kBank: return place->bank == 0 ? std::string() : std::to_string(place->bank);
    case LibraryColumn::kSlot: return PlaceSlotName(sound.kind, place->slot);
    case LibraryColumn::kCopies:
        return line.place >= 0 ? std::string() : std::to_string(sound.copies);
    }
    return {};
}

bool LinePlace(const LibraryRows& rows, const LibraryLine& line, SoundPlace& place,
               SoundKind& kind) {
    const auto found = rows.sounds.find(line.sound);
    if (found == rows.sounds.end()) return false;
    kind = found->second.kind;
    if (line.place < 0) {
        place = found->second.first;
        return true;
    }
    const auto places = rows.expanded.find(line.sound);
    if (places == rows.expanded.end() || static_cast<size_t>(line.place) >= places->second.size())
        return false;
    place = places->second[static_cast<size_t>(line.place)];
    return true;
}

std::string LibraryCountText(const LibraryRows& rows) {
    const size_t shown = rows.order.size();
    return std::to_string(shown) + " of " + std::to_string(rows.total) +
           (rows.total == 1 ? " sound shown" : " sounds shown");
}
