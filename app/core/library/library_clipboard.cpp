// Reading sounds back at their places; see the header. A file is read once
// however many of its places are asked for, through the open pipeline as
// Paste from Files reads it.
#include "app/core/library/library_clipboard.h"

#include <map>

#include "app/core/paste_files.h"
#include "app/view/listing.h"

namespace {

struct ReadFile {
    bool readable = false;
    SoundFile sounds;
};

using FileCache = std::map<std::string, ReadFile>;

const ReadFile& Read(FileCache& cache, const std::string& path) {
    auto [at, fresh] = cache.try_emplace(path);
    if (fresh) {
        at->second.readable = ReadSoundFile(path.c_str(), at->second.sounds);
    }
    return at->second;
}

SlotTable TableOf(SoundKind kind) {
    return kind == SoundKind::kPatch ? SlotTable::Patch : SlotTable::Tone;
}

// A name as the library records it: each byte 7-bit and in the listing's
// glyphs, anything no plain character as "?", trailing blanks dropped. It
// must stay the library's rule, or every place would look changed.
std::string IndexedName(std::span<const uint8_t> name) {
    std::string text;
    for (const uint8_t byte : name) {
        const char c = ListingNameChar(static_cast<uint8_t>(byte & 0x7F));
        text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The clip sound at the place, or null with the reason. The sound must be
// the one the library saw: of that table, in that bank and slot, with that
// name; a file saved since with other sounds fails here.
const ClipSound* Find(FileCache& cache, const SoundPlace& place, std::string& why) {
    const ReadFile& file = Read(cache, place.file);
    if (!file.readable) {
        why = file.sounds.result == OpenBankResult::CannotOpen ? "the file is gone"
                                                               : "the file holds no sound now";
        return nullptr;
    }
    const SlotTable table = TableOf(place.kind);
    for (const FileSound& found : file.sounds.sounds) {
        const ClipSound& sound = found.sound;
        if (found.bank != static_cast<int>(place.bank) || sound.from.table != table ||
            sound.from.index != static_cast<int>(place.slot))
            continue;
        const std::string name = table == SlotTable::Tone
                                     ? IndexedName(ToneNameBytes(sound.tone))
                                     : IndexedName(PatchNameBytes(sound.patch));
        if (name != place.name) break;
        return &sound;
    }
    why = "the file has changed since the library read it";
    return nullptr;
}

}  // namespace

LibraryCopy CopyLibrarySounds(std::span<const SoundPlace> places) {
    LibraryCopy copy;
    Clipboard& clipboard = copy.clipboard;
    clipboard.bank = kFileSoundsBank;
    // As Paste from Files: tones of either bank and patches with their tones
    // go into a bank of either kind by the engine's own rules.
    clipboard.kind = kM64CKind;
    clipboard.count = 0;
    if (places.empty()) return copy;
    clipboard.table = TableOf(places.front().kind);
    FileCache cache;
    for (const SoundPlace& place : places) {
        std::string why;
        const ClipSound* sound = nullptr;
        if (TableOf(place.kind) != clipboard.table) {
            why = clipboard.table == SlotTable::Tone ? "a patch, and the clipboard holds tones"
                                                     : "a tone, and the clipboard holds patches";
        } else if (clipboard.count >= kM64CPatchCount) {
            why = "the clipboard holds " + std::to_string(kM64CPatchCount) + " sounds at most";
        } else {
            sound = Find(cache, place, why);
        }
        if (sound == nullptr) {
            copy.leftOut.push_back(PlaceText(place.kind, place) + ": " + why);
            continue;
        }
        clipboard.sounds[static_cast<size_t>(clipboard.count++)] = *sound;
    }
    return copy;
}

bool ReadLibraryTone(const SoundPlace& place, ToneRecord& tone, std::string& why) {
    if (place.kind != SoundKind::kTone) {
        why = "a patch, not a tone";
        return false;
    }
    FileCache cache;
    const ClipSound* sound = Find(cache, place, why);
    if (sound == nullptr) return false;
    // Sent as it is to a synthesizer: canonical whatever the file held.
    tone = sound->tone;
    CanonicalizeTone(tone);
    return true;
}
