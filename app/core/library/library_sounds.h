// What the library records of each sound in a file: its kind, where it lies
// (bank number and slot), its name as the listing shows it, and a fingerprint
// of its data with the name left out, so that the same sound under other
// names, in other files and in banks of either kind is recognised as one.
// Portable: knows nothing of the index's database, of threads or windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bank/bank_search.h"

enum class SoundKind : uint8_t { kTone = 0, kPatch = 1 };

// A fingerprint's first byte names its kind, so tones and patches never
// share one. A tone's: 'T', then bytes 11..58 of its record in canonical
// form (every byte 7-bit; byte 10, a blank there, is left out with the
// name). A patch's: 'P', then bytes 18..47 of its record, where each of the
// two tone numbers (bytes 27 and 32) becomes its hold bit, then either 'B'
// and the fingerprint bytes of the bank tone it names, or 'R' and the
// number itself for an internal tone (50..99) or an invalid one (over 99).
// The same patch bytes in two banks play different tones; the same tones
// under other numbers play the same. The full bytes are kept rather than a
// hash: two different sounds can never be taken for one.
using SoundFingerprint = std::vector<uint8_t>;

inline constexpr size_t kToneFingerprintFirst = 11;
inline constexpr size_t kToneFingerprintBytes = kToneRecordSize - kToneFingerprintFirst;
inline constexpr size_t kPatchDataFirst = kPatchNameSize;
inline constexpr size_t kPatchUpperTone = 27;
inline constexpr size_t kPatchLowerTone = 32;
inline constexpr uint8_t kFirstInternalTone = 50;

SoundFingerprint ToneSoundFingerprint(const uint8_t* record);
// `image` is the M-64C image that holds the patch, for its bank tones; null
// for a patch that came alone (its bank tones are then known by number).
SoundFingerprint PatchSoundFingerprint(const uint8_t* record, const uint8_t* image);

struct IndexedSound {
    SoundKind kind = SoundKind::kTone;
    uint32_t bank = 0;  // the bank's number in the file, from 1; 0 for a single sound
    uint32_t slot = 0;  // from 0: tone t or patch p
    std::string name;   // as the listing shows it, trailing blanks dropped
    SoundFingerprint fingerprint;
};

// Every tone and patch of one bank, tones first, each in slot order.
void AppendBankSounds(const FoundBank& bank, uint32_t number, std::vector<IndexedSound>& sounds);
// The single sounds of a file of no bank, as bank 0: tones and patches each
// numbered in file order (":T1" is the first loose tone).
void AppendLooseSounds(const std::vector<LooseSound>& loose, std::vector<IndexedSound>& sounds);

struct FileSounds {
    std::vector<IndexedSound> sounds;
    // Empty when the file holds sounds; otherwise why not, in the words
    // File > Open gives, for example "a damaged MIDI file".
    std::string notSounds;
    // The file could not be opened or read this time (another program may
    // hold it): it is worth reading again even if it does not change.
    bool readAgain = false;
};

// The sounds of a file (its UTF-8 name), read as the program's open
// pipeline reads: at most 1 MiB, read whole, judged by FindBanks. The file
// is only read.
FileSounds ReadFileSounds(const std::string& path);

// "T12" for tone slot 11, "C4" for patch slot 19: the 1-based names the
// listing uses.
std::string PlaceSlotName(SoundKind kind, uint32_t slot);

// The text a name is searched by: lower case, blanks left out, so that
// "Horn X" finds "HORNX-1".
std::string SearchKey(std::string_view text);
