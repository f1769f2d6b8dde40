// The sounds of files, for Edit > Paste from Files... and vexa-cli compose:
// each file's whole banks' sounds, or else its loose sounds in file order,
// made into the edit engine's clip sounds. A patch of a bank carries its two
// bank tones, so the paste brings them by the engine's rule; a loose patch
// comes without its tones and keeps its tone numbers. Portable: knows nothing
// of dialogs, windows or the command line; the caller words each result.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/bank_edit.h"
#include "bank/open_bank.h"

// The bank id every sound from a file carries. Owners of open banks hand out
// ids counting up from 1, so no open bank ever has this one: a patch from a
// file always brings its tones, even a patch of the file the bank came from.
inline constexpr BankId kFileSoundsBank = ~BankId{0};

// One sound of a file. For a sound of a bank, `sound.from` is its slot in
// that bank; for a loose sound, its place among the file's loose sounds of
// its table (the third loose tone is T3, the first loose patch A1).
struct FileSound {
    ClipSound sound;
    int bank = 0;                  // 1-based bank number in the file; 0 for a loose sound
    BankKind kind = kUnknownKind;  // of its bank; of a loose sound, of its synthesizer's bank
};

struct SoundFile {
    OpenBankResult result = OpenBankResult::CannotOpen;
    int64_t fileSize = -1;
    std::string reason;             // NotABank without loose sounds: what the file holds
    int banks = 0;                  // whole banks in the file; 0 when its sounds are loose
    std::vector<FileSound> sounds;  // every bank's tones then patches, or the loose sounds
};

// Reads a file through the program's open pipeline. True when it gave
// sounds; otherwise `result` says why (NotABank: it holds no sound at all).
bool ReadSoundFile(const char* path, SoundFile& file);

// The clip sounds of a bank's slots, each patch with its two bank tones.
void BankSounds(const FoundBank& bank, int number, std::vector<FileSound>& sounds);

// The paths sorted by their file names without regard to case (the whole
// path breaks ties), as Paste from Files takes them.
std::vector<std::string> SortedByName(std::span<const std::string> paths);

// What Paste from Files puts into a bank: the chosen files' tones and
// patches, in the order of their sorted files, on one clipboard per table.
// A table with more sounds than a clipboard holds gives TooManySounds (the
// counts say how many); a file without sounds is named in `refused` with its
// reason, and the other files' sounds are gathered all the same.
struct FilesPaste {
    EditStatus status = EditStatus::Ok;
    Clipboard tones;
    Clipboard patches;
    int toneCount = 0;
    int patchCount = 0;
    std::vector<std::string> refused;  // "NAME: reason", one line a file
};
FilesPaste GatherFiles(std::span<const std::string> paths);

// The words for a patch placed without its bank tones (a loose patch, whose
// file holds no tones for it): which tones of the bank it now plays, as
// "Patch A1 (BRASS) came without its tones: it plays T12 (FOO) and T13 (BAR)
// of this bank". Empty text for a patch that names no bank tone or brought
// its tones. Call it after the paste, on the bank as it then is.
PlanText LoosePatchNote(ConstBankBytes storage, const ClipSound& sound, int patchSlot);
