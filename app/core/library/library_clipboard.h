// The library's sounds taken back from their files: the sounds at some
// places put on one edit clipboard, as Copy in an open bank would (a patch
// with its two bank tones), and the tone record at a place, to be heard. A
// place is trusted only while its file still holds the sound the library
// saw there; any other is left out and named. Portable: reads files, knows
// nothing of the index's database, of threads or of windows.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/core/bank_edit.h"
#include "app/core/library/library_index.h"

struct LibraryCopy {
    // kFileSoundsBank: a patch pasted from here always brings its tones.
    Clipboard clipboard;
    // "PLACE: why" for each place not taken, in the order given.
    std::vector<std::string> leftOut;
};

// The sounds at `places`, in their order, on one clipboard of the first
// place's table; places of the other table, places whose file is gone or
// no longer holds that sound, and places beyond what a clipboard holds are
// left out.
LibraryCopy CopyLibrarySounds(std::span<const SoundPlace> places);

// The tone record at `place`, as its bank holds it. False with the reason in
// `why` when the place is a patch's, or its file is gone or changed.
bool ReadLibraryTone(const SoundPlace& place, ToneRecord& tone, std::string& why);
