// Fingerprints and the sounds of a file. FindBanks decides what a file
// holds; this reads it and takes the banks apart.
#include "app/core/library/library_sounds.h"

#include "app/view/listing.h"
#include <filesystem>
#include <fstream>

namespace {

std::string NameText(const uint8_t* name, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        // The name glyphs 00h..09h show as their digits, as in the listing;
        // anything else that is no plain character as "?".
        const char c = ListingNameChar(static_cast<uint8_t>(name[i] & 0x7F));
        text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

const uint8_t* ToneRecord(const uint8_t* image, size_t tone) {
    return image + kToneOffset + kToneRecordSize * tone;
}

// A patch that came without its bank (image null) names its bank tones by
// number only: 'N' and the number, so it is never taken for a patch of a
// bank whose tones are known.
void AppendToneNumber(SoundFingerprint& fingerprint, uint8_t stored, const uint8_t* image) {
    fingerprint.push_back(static_cast<uint8_t>(stored & 0x80));
    const auto tone = static_cast<uint8_t>(stored & 0x7F);
    if (tone < kFirstInternalTone && image == nullptr) {
        fingerprint.push_back('N');
        fingerprint.push_back(tone);
    } else if (tone < kFirstInternalTone) {
        fingerprint.push_back('B');
        const SoundFingerprint bankTone = ToneSoundFingerprint(ToneRecord(image, tone));
        fingerprint.insert(fingerprint.end(), bankTone.begin() + 1, bankTone.end());
    } else {
        fingerprint.push_back('R');
        fingerprint.push_back(tone);
    }
}

}  // namespace

SoundFingerprint ToneSoundFingerprint(const uint8_t* record) {
    SoundFingerprint fingerprint;
    fingerprint.reserve(1 + kToneFingerprintBytes);
    fingerprint.push_back('T');
    for (size_t i = kToneFingerprintFirst; i < kToneRecordSize; ++i) {
        fingerprint.push_back(static_cast<uint8_t>(record[i] & 0x7F));
    }
    return fingerprint;
}

SoundFingerprint PatchSoundFingerprint(const uint8_t* record, const uint8_t* image) {
    SoundFingerprint fingerprint;
    fingerprint.reserve(1 + kPatchRecordSize + 2 * (2 + kToneFingerprintBytes));
    fingerprint.push_back('P');
    for (size_t i = kPatchDataFirst; i < kPatchRecordSize; ++i) {
        if (i == kPatchUpperTone || i == kPatchLowerTone) {
            AppendToneNumber(fingerprint, record[i], image);
        } else {
            fingerprint.push_back(record[i]);
        }
    }
    return fingerprint;
}

void AppendBankSounds(const FoundBank& bank, uint32_t number, std::vector<IndexedSound>& sounds) {
    const bool m64c = bank.kind == kM64CKind;
    const size_t tones = m64c ? kM64CToneCount : kM16CToneCount;
    const size_t patches = m64c ? kM64CPatchCount : 0;
    // A short image (never made by the bank search) yields nothing rather
    // than a read past its end.
    if (bank.image.size() < (m64c ? kM64CImageSize : kM16CImageSize)) return;
    const uint8_t* image = bank.image.data();
    for (size_t t = 0; t < tones; ++t) {
        const uint8_t* record = ToneRecord(image, t);
        sounds.push_back({SoundKind::kTone, number, static_cast<uint32_t>(t),
                          NameText(record, kToneNameSize), ToneSoundFingerprint(record)});
    }
    for (size_t p = 0; p < patches; ++p) {
        const uint8_t* record = image + kPatchOffset + kPatchRecordSize * p;
        sounds.push_back({SoundKind::kPatch, number, static_cast<uint32_t>(p),
                          NameText(record, kPatchNameSize), PatchSoundFingerprint(record, image)});
    }
}

FileSounds ReadFileSounds(const std::string& path) {
    // The open pipeline's steps (the size check, the whole read, FindBanks),
    // with the file opened by its UTF-8 name through std::filesystem: on
    // Windows a narrow name passes through the ANSI code page, and a file
    // named in any other script could not be opened at all.
    FileSounds result;
    const std::filesystem::path name(std::u8string(path.begin(), path.end()));
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(name, error);
    if (error) {
        result.notSounds = "cannot open the file";
        result.readAgain = true;
        return result;
    }
    if (size > kLargestBankFile) {
        result.notSounds = "larger than 1 MiB (" + std::to_string(size) + " bytes)";
        return result;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        result.notSounds = "cannot open the file";
        result.readAgain = true;
        return result;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    // Short, or longer than measured: the file changed under the reader.
    if (static_cast<uintmax_t>(in.gcount()) != size || in.peek() != std::char_traits<char>::eof()) {
        result.notSounds = "cannot read the file";
        result.readAgain = true;
        return result;
    }
    const BankSearch found = FindBanks(data);
    for (size_t b = 0; b < found.banks.size(); ++b) {
        AppendBankSounds(found.banks[b], static_cast<uint32_t>(b + 1), result.sounds);
    }
    // A file of no bank gives its loose sounds, as Paste from Files takes
    // them: bank 0, each table counted in file order.
    AppendLooseSounds(found.loose, result.sounds);
    if (result.sounds.empty()) result.notSounds = found.reason;
    return result;
}

void AppendLooseSounds(const std::vector<LooseSound>& loose, std::vector<IndexedSound>& sounds) {
    uint32_t tones = 0;
    uint32_t patches = 0;
    for (const LooseSound& sound : loose) {
        const uint8_t* record = sound.record.data();
        if (sound.kind == LooseKind::Tone) {
            sounds.push_back({SoundKind::kTone, 0, tones++, NameText(record, kToneNameSize),
                              ToneSoundFingerprint(record)});
        } else {
            sounds.push_back({SoundKind::kPatch, 0, patches++, NameText(record, kPatchNameSize),
                              PatchSoundFingerprint(record, nullptr)});
        }
    }
}

std::string PlaceSlotName(SoundKind kind, uint32_t slot) {
    if (kind == SoundKind::kTone) return "T" + std::to_string(slot + 1);
    std::string name(1, static_cast<char>('A' + slot / 8));
    name += static_cast<char>('1' + slot % 8);
    return name;
}

std::string SearchKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    for (const char c : text) {
        if (c == ' ' || c == '\t') continue;
        key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return key;
}
