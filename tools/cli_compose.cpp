// vexa-cli compose OUT [--base FILE[#N]] [--kind m16c|m64c] [--to ...]
// [--channel N] [--keep-tone-numbers] PLACEMENT...
//
// Puts sounds of files into a bank, one placement after the other, with the
// edit engine's paste: tones in canonical form, a bank's patch bringing its
// tones into free slots, a loose patch keeping its tone numbers. Nothing is
// printed or written until every placement has succeeded: an error leaves
// the output file as it was. Portable: no windows.h.
#include "tools/cli_compose.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/bank_edit.h"
#include "app/core/paste_files.h"
#include "app/view/cp437.h"
#include "bank/bank_file.h"
#include "bank/bank_search.h"
#include "tools/cli_options.h"

namespace {

// The bank being composed; the sounds of files carry kFileSoundsBank.
constexpr BankId kComposedBank = 1;

struct Placement {
    std::string text;      // as typed, for messages
    bool hasSlot = false;  // SLOT= given
    Slot slot;             // where its sounds go
    std::string file;
    int bank = 0;           // #N, 0 when not given
    bool oneSound = false;  // :SLOT given
    Slot sourceSlot;
};

struct ComposeOptions {
    const char* output = nullptr;
    std::string base;
    int baseBank = 0;
    BankKind kind = kUnknownKind;
    Target target = Target::SaveAs;
    uint8_t channel = 0;
    bool keepToneNumbers = false;
    std::vector<Placement> placements;
};

bool FileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// A number from 1, at most 4 digits; 0 for anything else.
int SmallCount(std::string_view digits) {
    if (digits.empty() || digits.size() > 4 || digits[0] == '0') return 0;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A slot of a source: T7 or 7 (tones, up to what a file of loose tones may
// hold), or A1..H8. False for anything else.
bool ParseSourceSlot(std::string_view text, Slot& slot) {
    if (text.size() == 2 && text[0] >= 'A' && text[0] <= 'H' && text[1] >= '1' && text[1] <= '8') {
        slot = {SlotTable::Patch, (text[0] - 'A') * 8 + (text[1] - '1')};
        return true;
    }
    if (!text.empty() && (text[0] == 'T' || text[0] == 't')) text.remove_prefix(1);
    const int number = SmallCount(text);
    if (number == 0) return false;
    slot = {SlotTable::Tone, number - 1};
    return true;
}

// "FILE#N" into the file and N, when the whole is no file and it ends so.
void SplitBankNumber(const std::string& text, std::string& file, int& bank) {
    file = text;
    bank = 0;
    const size_t hash = text.rfind('#');
    if (hash == std::string::npos || FileExists(text)) return;
    const int number = SmallCount(std::string_view(text).substr(hash + 1));
    if (number == 0) return;
    file = text.substr(0, hash);
    bank = number;
}

// SLOT=SOURCE or SOURCE; SOURCE is FILE, FILE#N, FILE#N:SLOT or FILE:SLOT.
// An argument that names a file as a whole is that file.
bool ParsePlacement(const std::string& text, Placement& placement, std::string& error) {
    placement = Placement{};
    placement.text = text;
    std::string source = text;
    const size_t equals = text.find('=');
    if (equals != std::string::npos && !FileExists(text)) {
        Slot slot;
        const std::string_view name = std::string_view(text).substr(0, equals);
        const EditStatus parsed = ParseSlot(name, kM64CKind, slot);
        if (parsed == EditStatus::SlotOutOfRange) {
            error = "there is no slot " + std::string(name) + " in any bank";
            return false;
        }
        if (parsed == EditStatus::Ok) {
            placement.hasSlot = true;
            placement.slot = slot;
            source = text.substr(equals + 1);
        }
    }
    const size_t colon = source.rfind(':');
    if (colon != std::string::npos && !FileExists(source) &&
        ParseSourceSlot(std::string_view(source).substr(colon + 1), placement.sourceSlot)) {
        placement.oneSound = true;
        source.resize(colon);
    }
    SplitBankNumber(source, placement.file, placement.bank);
    if (placement.file.empty()) {
        error = "no file named";
        return false;
    }
    return true;
}

int ParseCompose(int argc, char** argv, ComposeOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (IsOption(arg, "--base")) {
            const char* value = OptionValue(argc, argv, i, "--base");
            if (value == nullptr || *value == '\0') return UsageError("--base needs a bank file");
            SplitBankNumber(value, options.base, options.baseBank);
        } else if (IsOption(arg, "--kind")) {
            const char* value = OptionValue(argc, argv, i, "--kind");
            const std::string_view kind = value == nullptr ? "" : value;
            if (kind == "m16c")
                options.kind = kM16CKind;
            else if (kind == "m64c")
                options.kind = kM64CKind;
            else
                return UsageError("--kind takes m16c or m64c");
        } else if (IsOption(arg, "--to")) {
            const char* value = OptionValue(argc, argv, i, "--to");
            if (value == nullptr || !ParseTarget(value, options.target))
                return UsageError("--to takes jx8p, jx10, mks70 or image");
        } else if (IsOption(arg, "--channel")) {
            const char* value = OptionValue(argc, argv, i, "--channel");
            if (value == nullptr || !ParseChannel(value, options.channel))
                return UsageError("--channel takes 1..16 or auto");
        } else if (arg == "--keep-tone-numbers") {
            options.keepToneNumbers = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (options.output == nullptr) {
            options.output = argv[i];
        } else {
            Placement placement;
            std::string error;
            if (!ParsePlacement(argv[i], placement, error)) {
                Fail(argv[i], error);
                return kExitFailed;
            }
            options.placements.push_back(placement);
        }
    }
    if (options.output == nullptr) return UsageError("compose needs an output file");
    if (options.placements.empty() && options.base.empty() && options.kind == kUnknownKind)
        return UsageError("compose needs a placement, --base or --kind");
    if (!options.base.empty() && options.kind != kUnknownKind)
        return UsageError("--base and --kind cannot go together: the base decides the kind");
    return kExitOk;
}

const char* KindName(BankKind kind) { return kind == kM64CKind ? "M-64C" : "M-16C"; }

const char* TableWord(SlotTable table, int count) {
    if (table == SlotTable::Tone) return count == 1 ? "tone" : "tones";
    return count == 1 ? "patch" : "patches";
}

struct Composer {
    const ComposeOptions& options;
    std::map<std::string, SoundFile> files;
    BankKind kind = kUnknownKind;
    BankStorage storage{};
    std::array<int, 2> next{};  // the next slot of each table: tones, patches
    std::string report;         // printed only when everything succeeded

    static size_t Table(SlotTable table) { return table == SlotTable::Tone ? 0 : 1; }

    // The file's sounds, read once. False, reported, when it has none.
    const SoundFile* Load(const std::string& path) {
        auto found = files.find(path);
        if (found == files.end()) {
            SoundFile file;
            ReadSoundFile(path.c_str(), file);
            found = files.emplace(path, std::move(file)).first;
        }
        const SoundFile& file = found->second;
        if (!file.sounds.empty()) return &file;
        switch (file.result) {
        case OpenBankResult::CannotOpen: Fail(path, "cannot open file"); break;
        case OpenBankResult::TooLarge:
            Fail(path, "file too large (" + std::to_string(file.fileSize) +
                           " bytes; a bank file has at most " + std::to_string(kLargestBankFile) +
                           ")");
            break;
        case OpenBankResult::CannotRead:
            Fail(path, "cannot read file (a read failed, or the file changed while it was read)");
            break;
        case OpenBankResult::NotABank:
        case OpenBankResult::Opened:
            Fail(path, "no sounds in this file (" + file.reason + ")");
            break;
        }
        return nullptr;
    }

    // The sounds a placement names, in their file's order.
    bool Resolve(const Placement& placement, std::vector<const FileSound*>& sounds) {
        const SoundFile* file = Load(placement.file);
        if (file == nullptr) return false;
        if (placement.bank > 0 && file->banks == 0) {
            Fail(placement.text, "the file holds no whole bank; its loose sounds are named " +
                                     placement.file + ":T1, " + placement.file + ":A1, ...");
            return false;
        }
        if (placement.bank > file->banks) {
            Fail(placement.text, "there is no bank " + std::to_string(placement.bank) +
                                     " (the file holds " + std::to_string(file->banks) +
                                     (file->banks == 1 ? " bank)" : " banks)"));
            return false;
        }
        if (placement.oneSound && placement.bank == 0 && file->banks > 1) {
            Fail(placement.text, "the file holds " + std::to_string(file->banks) +
                                     " banks; name one as " + placement.file +
                                     "#N:" + std::string(FormatSlot(placement.sourceSlot).view()));
            return false;
        }
        const int bank = placement.bank > 0 ? placement.bank : (file->banks > 0 ? 1 : 0);
        for (const FileSound& sound : file->sounds) {
            if (placement.bank > 0 && sound.bank != placement.bank) continue;
            if (placement.oneSound &&
                (sound.bank != bank || !(sound.sound.from == placement.sourceSlot)))
                continue;
            sounds.push_back(&sound);
        }
        if (sounds.empty()) {
            Fail(placement.text,
                 placement.oneSound ? "the file has no such sound" : "no sounds in this bank");
            return false;
        }
        return true;
    }

    bool Start(const std::vector<const FileSound*>& first) {
        if (!options.base.empty()) {
            OpenedBankFile opened;
            const OpenBankResult result = OpenBankFile(options.base.c_str(), opened);
            const auto& banks = opened.found.banks;
            if (result != OpenBankResult::Opened) {
                Fail(options.base, result == OpenBankResult::NotABank
                                       ? opened.found.reason
                                       : "cannot open the base bank");
                return false;
            }
            if (options.baseBank == 0 && banks.size() > 1) {
                Fail(options.base, "the file holds " + std::to_string(banks.size()) +
                                       " banks; name one as " + options.base + "#N");
                return false;
            }
            const size_t index =
                options.baseBank == 0 ? 0 : static_cast<size_t>(options.baseBank - 1);
            if (index >= banks.size()) {
                Fail(options.base, "there is no bank " + std::to_string(options.baseBank));
                return false;
            }
            kind = PutFoundBank(banks[index], storage);
            return true;
        }
        kind = options.kind;
        if (kind == kUnknownKind) kind = first.empty() ? kM64CKind : first.front()->kind;
        return MakeNewBank(kind, storage) == EditStatus::Ok;
    }

    std::string Label(const Placement& placement, const FileSound& sound) const {
        std::string label = placement.file;
        if (sound.bank > 0) label += "#" + std::to_string(sound.bank);
        label += ":";
        const Slot from = sound.sound.from;
        if (from.table == SlotTable::Tone)
            label += "T" + std::to_string(from.index + 1);
        else
            label += FormatSlot(from).view();
        return label;
    }

    // Names are in the listing's glyphs (code page 437) and go out as UTF-8;
    // file names go out as they were typed.
    void Line(std::string_view cp437, std::string_view typed = {}) {
        AppendCp437AsUtf8(report, cp437);
        report += typed;
        report += '\n';
    }

    // Pastes one sound at `at` and words what it did.
    bool PasteOne(const Placement& placement, const FileSound& sound, Slot at) {
        Clipboard clipboard;
        clipboard.bank = kFileSoundsBank;
        clipboard.kind = sound.kind;
        clipboard.table = at.table;
        clipboard.count = 1;
        clipboard.sounds[0] = sound.sound;
        const EditPlan plan = PlanPaste(storage, kind, kComposedBank, clipboard, at);
        if (plan.status != EditStatus::Ok) {
            Fail(placement.text, "the sound cannot go into " + std::string(FormatSlot(at).view()));
            return false;
        }
        std::vector<std::string> notes;
        for (int e = 0; e < plan.count; ++e) {
            const PlanEntry& entry = plan.entries[static_cast<size_t>(e)];
            if (entry.action == PlanAction::ToneToFreeSlot && !options.keepToneNumbers) {
                notes.push_back("tone " + std::to_string(entry.tone + 1) + " (was " +
                                std::string(entry.now.view()) + ") <- " +
                                std::string(entry.incoming.view()) + " for patch " +
                                std::string(FormatSlot(at).view()));
            } else if ((entry.action == PlanAction::ToneOverOwnNumber ||
                        entry.action == PlanAction::ToneNoRoom) &&
                       !options.keepToneNumbers) {
                Fail(placement.text,
                     "no free tone slot for " + std::string(entry.incoming.view()) +
                         " (a tone of patch " + std::string(FormatSlot(at).view()) +
                         "); --keep-tone-numbers lets the patch play the bank's tone " +
                         std::to_string(entry.tone + 1) + " instead");
                return false;
            } else if (entry.action == PlanAction::UsedToneReplaced) {
                // The INIT patches of a new bank all play T1: no news.
                PlanEntry used = entry;
                for (int p = 0; p < kM64CPatchCount; ++p)
                    if (ReadPatch(storage, p) == InitPatch()) used.users &= ~(uint64_t{1} << p);
                if (used.users != 0) notes.push_back(std::string(DescribeEntry(used).view()));
            }
        }
        const Answer answer = options.keepToneNumbers ? Answer::KeepToneNumbers : Answer::Ok;
        if (ApplyPaste(storage, kind, kComposedBank, clipboard, at, answer) != EditStatus::Ok) {
            Fail(placement.text, "the sound cannot go into " + std::string(FormatSlot(at).view()));
            return false;
        }
        if (at.table == SlotTable::Patch) KeptToneNotes(sound.sound, at.index, notes);
        const bool tone = at.table == SlotTable::Tone;
        std::string name(ShowName(tone ? ToneNameBytes(ReadTone(storage, at.index))
                                       : PatchNameBytes(ReadPatch(storage, at.index)))
                             .view());
        name.resize(tone ? kToneNameSize : kPatchNameSize, ' ');
        std::string slot(FormatSlot(at).view());
        slot.resize(3, ' ');
        Line(slot + "  " + name + "  from ", Label(placement, sound));
        for (const std::string& note : notes) Line(note);
        return true;
    }

    // After a patch paste: the tones it plays that are not the ones it came
    // with (a loose patch, or --keep-tone-numbers where the bank differs).
    void KeptToneNotes(const ClipSound& sound, int patch, std::vector<std::string>& notes) {
        const PlanText loose = LoosePatchNote(storage, sound, patch);
        if (!loose.view().empty()) notes.emplace_back(loose.view());
        const PatchRecord placed = ReadPatch(storage, patch);
        for (int which = 0; which < 2; ++which) {
            const CarriedTone& carried = sound.tones[static_cast<size_t>(which)];
            const int number = ToneNumber(placed, which);
            if (carried.number < 0 || !IsBankTone(number)) continue;
            const ToneRecord now = ReadTone(storage, number);
            if (Fingerprint(now) == Fingerprint(carried.record)) continue;
            PlanEntry entry;
            entry.action = PlanAction::ToneKept;
            entry.patch = patch;
            entry.tone = number;
            entry.now = ShowName(ToneNameBytes(now));
            entry.incoming = ShowName(ToneNameBytes(carried.record));
            notes.emplace_back(DescribeEntry(entry).view());
        }
    }

    bool Place(const Placement& placement, const std::vector<const FileSound*>& sounds) {
        std::array<std::vector<const FileSound*>, 2> byTable;
        for (const FileSound* sound : sounds)
            byTable[Table(sound->sound.from.table)].push_back(sound);
        if (placement.hasSlot && byTable[Table(placement.slot.table)].empty()) {
            const SlotTable other =
                placement.slot.table == SlotTable::Tone ? SlotTable::Patch : SlotTable::Tone;
            Fail(placement.text, std::string("a ") + TableWord(other, 1) + " cannot go into " +
                                     TableWord(placement.slot.table, 1) + " slot " +
                                     std::string(FormatSlot(placement.slot).view()));
            return false;
        }
        // Tones first, so the patches of the same bank find theirs in place.
        for (const SlotTable table : {SlotTable::Tone, SlotTable::Patch}) {
            const auto& list = byTable[Table(table)];
            if (list.empty()) continue;
            const int first = placement.hasSlot && placement.slot.table == table
                                  ? placement.slot.index
                                  : next[Table(table)];
            const int slots = SlotCount(kind, table);
            const int count = static_cast<int>(list.size());
            if (slots == 0) {
                Fail(placement.text, std::string("an ") + KindName(kind) + " bank has no " +
                                         TableWord(table, 1) + " slots");
                return false;
            }
            if (first >= slots) {
                const bool named = placement.hasSlot && placement.slot.table == table;
                Fail(placement.text,
                     named ? std::string("there is no ") + TableWord(table, 1) + " slot " +
                                 std::string(FormatSlot({table, first}).view()) + " in an " +
                                 KindName(kind) + " bank"
                           : std::string("the ") + KindName(kind) + " bank is full: no " +
                                 TableWord(table, 1) + " slot is left");
                return false;
            }
            if (first + count > slots) {
                Fail(placement.text,
                     std::to_string(count) + " " + TableWord(table, count) + " do not fit from " +
                         std::string(FormatSlot({table, first}).view()) + ": the " +
                         KindName(kind) + " bank has " + std::to_string(slots - first) + " " +
                         TableWord(table, 1) + (slots - first == 1 ? " slot left" : " slots left"));
                return false;
            }
            for (int i = 0; i < count; ++i) {
                if (!PasteOne(placement, *list[static_cast<size_t>(i)], {table, first + i}))
                    return false;
            }
            next[Table(table)] = first + count;
        }
        return true;
    }
};

bool Write(const ComposeOptions& options, BankKind kind, const BankStorage& storage) {
    static std::array<uint8_t, kTransferBufferSize> stream;
    size_t length = 0;
    const bool m64c = kind == kM64CKind;
    if (options.target == Target::Image) {
        length = m64c ? kM64CImageSize : kM16CImageSize;
        std::memcpy(stream.data(), storage.data(), length);
    } else {
        // The stream Save As writes with the program's first settings (JX-10).
        const BankStream target = TargetStream(options.target, kind, kSynthJx10);
        if (BankStreamKind(target) != kind) {
            Fail(options.output, std::string("an ") + KindName(kind) +
                                     " bank cannot be written as " +
                                     (target == BankStream::Jx8pBank   ? "a JX-8P stream"
                                      : target == BankStream::Jx10Bulk ? "a JX-10 bulk dump"
                                                                       : "an MKS-70 stream"));
            return false;
        }
        length = EncodeBankStream(target, storage, stream, options.channel);
    }
    if (WriteBankFile(options.output, stream.data(), static_cast<int32_t>(length)) < 0) {
        Fail(options.output, "cannot write file");
        return false;
    }
    return true;
}

}  // namespace

int RunCompose(int argc, char** argv) {
    ComposeOptions options;
    if (const int status = ParseCompose(argc, argv, options); status != kExitOk) return status;
    Composer composer{options, {}, kUnknownKind, {}, {}, {}};
    std::vector<std::vector<const FileSound*>> resolved;
    for (const Placement& placement : options.placements) {
        resolved.emplace_back();
        if (!composer.Resolve(placement, resolved.back())) return kExitFailed;
    }
    if (!composer.Start(resolved.empty() ? std::vector<const FileSound*>{} : resolved.front()))
        return kExitFailed;
    for (size_t i = 0; i < options.placements.size(); ++i) {
        if (!composer.Place(options.placements[i], resolved[i])) return kExitFailed;
    }
    if (!Write(options, composer.kind, composer.storage)) return kExitFailed;
    std::fwrite(composer.report.data(), 1, composer.report.size(), stdout);
    return FinishStandardOutput() ? kExitOk : kExitFailed;
}
