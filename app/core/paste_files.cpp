// Reading files into clip sounds; see the header. A bank's sounds are taken
// with the engine's own copy, so a patch from a file carries its tones
// exactly as a patch copied from an open bank does.
#include "app/core/paste_files.h"

#include <algorithm>
#include <cctype>

namespace {

std::string_view FileName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool LessByName(const std::string& a, const std::string& b) {
    const std::string_view x = FileName(a);
    const std::string_view y = FileName(b);
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const bool less =
        std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                     [&lower](char l, char r) { return lower(l) < lower(r); });
    const bool greater =
        std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end(),
                                     [&lower](char l, char r) { return lower(l) < lower(r); });
    if (less != greater) return less;
    return a < b;
}

FileSound LooseFileSound(const LooseSound& loose, int ordinal) {
    FileSound file;
    ClipSound& sound = file.sound;
    if (loose.kind == LooseKind::Tone) {
        sound.from = {SlotTable::Tone, ordinal};
        std::copy_n(loose.record.begin(), kToneRecordSize, sound.tone.begin());
    } else {
        sound.from = {SlotTable::Patch, ordinal};
        std::copy_n(loose.record.begin(), kPatchRecordSize, sound.patch.begin());
    }
    file.kind = loose.home;
    return file;
}

void AddTo(Clipboard& clipboard, int& count, const ClipSound& sound) {
    if (count < kM64CPatchCount) clipboard.sounds[static_cast<size_t>(count)] = sound;
    ++count;
}

}  // namespace

void BankSounds(const FoundBank& bank, int number, std::vector<FileSound>& sounds) {
    BankStorage storage{};
    const BankKind kind = PutFoundBank(bank, storage);
    for (const SlotTable table : {SlotTable::Tone, SlotTable::Patch}) {
        const int count = SlotCount(kind, table);
        if (count == 0) continue;
        Clipboard clipboard;
        CopySlots(storage, kind, kFileSoundsBank, {{table, 0}, count}, clipboard);
        for (int i = 0; i < count; ++i)
            sounds.push_back({clipboard.sounds[static_cast<size_t>(i)], number, kind});
    }
}

bool ReadSoundFile(const char* path, SoundFile& file) {
    file = SoundFile{};
    OpenedBankFile opened;
    file.result = OpenBankFile(path, opened);
    file.fileSize = opened.fileSize;
    const BankSearch& found = opened.found;
    if (file.result == OpenBankResult::Opened) {
        file.banks = static_cast<int>(found.banks.size());
        for (size_t b = 0; b < found.banks.size(); ++b)
            BankSounds(found.banks[b], static_cast<int>(b + 1), file.sounds);
        return true;
    }
    if (file.result != OpenBankResult::NotABank) return false;
    int tones = 0;
    int patches = 0;
    for (const LooseSound& loose : found.loose)
        file.sounds.push_back(
            LooseFileSound(loose, loose.kind == LooseKind::Tone ? tones++ : patches++));
    file.reason = found.reason;
    return !file.sounds.empty();
}

std::vector<std::string> SortedByName(std::span<const std::string> paths) {
    std::vector<std::string> sorted(paths.begin(), paths.end());
    std::sort(sorted.begin(), sorted.end(), LessByName);
    return sorted;
}

FilesPaste GatherFiles(std::span<const std::string> paths) {
    FilesPaste paste;
    for (Clipboard* clipboard : {&paste.tones, &paste.patches}) {
        clipboard->bank = kFileSoundsBank;
        clipboard->kind = kM64CKind;
    }
    paste.tones.table = SlotTable::Tone;
    paste.patches.table = SlotTable::Patch;
    for (const std::string& path : SortedByName(paths)) {
        SoundFile file;
        if (!ReadSoundFile(path.c_str(), file)) {
            std::string why;
            switch (file.result) {
            case OpenBankResult::CannotOpen: why = "cannot open the file"; break;
            case OpenBankResult::TooLarge: why = "larger than 1 MiB"; break;
            case OpenBankResult::CannotRead: why = "cannot read the file"; break;
            case OpenBankResult::NotABank: why = file.reason; break;
            case OpenBankResult::Opened: break;
            }
            paste.refused.push_back(std::string(FileName(path)) + ": " + why);
            continue;
        }
        for (const FileSound& sound : file.sounds) {
            if (sound.sound.from.table == SlotTable::Tone)
                AddTo(paste.tones, paste.toneCount, sound.sound);
            else
                AddTo(paste.patches, paste.patchCount, sound.sound);
        }
    }
    paste.tones.count = std::min(paste.toneCount, kM64CPatchCount);
    paste.patches.count = std::min(paste.patchCount, kM64CPatchCount);
    if (paste.toneCount > kM64CPatchCount || paste.patchCount > kM64CPatchCount)
        paste.status = EditStatus::TooManySounds;
    else if (paste.toneCount + paste.patchCount == 0)
        paste.status = EditStatus::NothingToPaste;
    return paste;
}

PlanText LoosePatchNote(ConstBankBytes storage, const ClipSound& sound, int patchSlot) {
    PlanText note;
    std::string text;
    int named = 0;
    for (int which = 0; which < 2; ++which) {
        const int number = ToneNumber(sound.patch, which);
        // A tone the patch carried was placed by the paste's own rule.
        if (!IsBankTone(number) || sound.tones[static_cast<size_t>(which)].number >= 0) continue;
        if (which == 1 && named == 1 && number == ToneNumber(sound.patch, 0)) continue;
        if (named++ > 0) text += " and ";
        text += FormatSlot({SlotTable::Tone, number}).view();
        text += " (";
        text += ShowName(ToneNameBytes(ReadTone(storage, number))).view();
        text += ")";
    }
    if (named == 0) return note;
    const std::string line = "Patch " +
                             std::string(FormatSlot({SlotTable::Patch, patchSlot}).view()) + " (" +
                             std::string(ShowName(PatchNameBytes(sound.patch)).view()) +
                             ") came without its tones: it plays " + text + " of this bank";
    std::copy_n(line.begin(), std::min(line.size(), note.text.size() - 1), note.text.begin());
    return note;
}
