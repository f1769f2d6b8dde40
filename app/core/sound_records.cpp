// Reading and writing the tone and patch records of a bank image, the tone
// references of a patch, new banks of INIT sounds and renaming. The canonical
// form is the one the importer's normalising passes leave, so an edited bank
// saves and transmits exactly like an imported one.
#include "app/core/sound_records.h"

#include <algorithm>

#include "app/view/listing.h"

namespace {

constexpr uint8_t kBlank = 0x20;
constexpr size_t kToneDataFirst = kToneNameSize + 1;
constexpr uint8_t kToneNumberMask = 0x7F;
// The M-16C image's own signature bytes: 00 00 at 0..1 and 55h at 159.
constexpr size_t kSignatureTail = 159;
constexpr uint8_t kSignatureTailByte = 0x55;

template <size_t N>
void PutName(std::array<uint8_t, N>& record, std::string_view name, size_t size) {
    for (size_t i = 0; i < size; ++i)
        record[i] = i < name.size() ? static_cast<uint8_t>(name[i]) : kBlank;
}

bool ShowableName(std::string_view name, size_t size) {
    return name.size() <= size && std::all_of(name.begin(), name.end(), IsNameChar);
}

}  // namespace

ToneRecord InitTone() {
    ToneRecord tone{};
    PutName(tone, "INIT", kToneNameSize);
    tone[kToneNameSize] = kBlank;
    return tone;
}

PatchRecord InitPatch() {
    // Every parameter byte zero, so both tone references read T1.
    PatchRecord patch{};
    PutName(patch, "INIT PATCH", kPatchNameSize);
    return patch;
}

EditStatus MakeNewBank(BankKind kind, BankBytes storage) {
    if (kind != kM16CKind && kind != kM64CKind) return EditStatus::BadKind;
    std::fill(storage.begin(), storage.end(), uint8_t{0});
    if (kind == kM16CKind) {
        storage[kSignatureTail] = kSignatureTailByte;
    } else {
        std::copy(DefaultM64CHeader.begin(), DefaultM64CHeader.end(), storage.begin());
        for (int p = 0; p < kM64CPatchCount; ++p) WritePatch(storage, p, InitPatch());
    }
    for (int t = 0; t < SlotCount(kind, SlotTable::Tone); ++t) WriteTone(storage, t, InitTone());
    return EditStatus::Ok;
}

ToneRecord ReadTone(ConstBankBytes storage, int tone) {
    ToneRecord record;
    const auto from = storage.begin() + static_cast<ptrdiff_t>(ToneRecordOffset(tone));
    std::copy(from, from + kToneRecordSize, record.begin());
    return record;
}

PatchRecord ReadPatch(ConstBankBytes storage, int patch) {
    PatchRecord record;
    const auto from = storage.begin() + static_cast<ptrdiff_t>(PatchRecordOffset(patch));
    std::copy(from, from + kPatchRecordSize, record.begin());
    return record;
}

void CanonicalizeTone(ToneRecord& record) {
    record[kToneNameSize] = kBlank;
    for (uint8_t& b : record) b = static_cast<uint8_t>(b & 0x7F);
}

void WriteTone(BankBytes storage, int tone, const ToneRecord& record) {
    ToneRecord canonical = record;
    CanonicalizeTone(canonical);
    std::copy(canonical.begin(), canonical.end(),
              storage.begin() + static_cast<ptrdiff_t>(ToneRecordOffset(tone)));
}

void WritePatch(BankBytes storage, int patch, const PatchRecord& record) {
    std::copy(record.begin(), record.end(),
              storage.begin() + static_cast<ptrdiff_t>(PatchRecordOffset(patch)));
}

ToneFingerprint Fingerprint(const ToneRecord& record) {
    ToneFingerprint data;
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(record[kToneDataFirst + i] & 0x7F);
    return data;
}

std::span<const uint8_t> ToneNameBytes(const ToneRecord& record) {
    return std::span<const uint8_t>(record.data(), kToneNameSize);
}

std::span<const uint8_t> PatchNameBytes(const PatchRecord& record) {
    return std::span<const uint8_t>(record.data(), kPatchNameSize);
}

NameText ShowName(std::span<const uint8_t> name) {
    NameText shown;
    size_t length = std::min(name.size(), kPatchNameSize);
    while (length > 0 && name[length - 1] == kBlank) --length;
    for (size_t i = 0; i < length; ++i) shown.text[i] = ListingNameChar(name[i]);
    return shown;
}

int ToneNumber(const PatchRecord& patch, int which) {
    return patch[kToneReferenceBytes[static_cast<size_t>(which)]] & kToneNumberMask;
}

bool IsBankTone(int number) { return number >= 0 && number < kRomToneFirst; }

void SetToneNumber(PatchRecord& patch, int which, int number) {
    uint8_t& reference = patch[kToneReferenceBytes[static_cast<size_t>(which)]];
    reference = static_cast<uint8_t>((reference & kHoldFlag) | (number & kToneNumberMask));
}

EditStatus RenameSlot(BankBytes storage, BankKind kind, Slot slot, std::string_view name) {
    if (!SlotInBank(kind, slot)) return EditStatus::SlotOutOfRange;
    if (!ShowableName(name, NameLength(slot.table))) return EditStatus::BadName;
    if (slot.table == SlotTable::Tone) {
        ToneRecord tone = ReadTone(storage, slot.index);
        PutName(tone, name, kToneNameSize);
        WriteTone(storage, slot.index, tone);
    } else {
        PatchRecord patch = ReadPatch(storage, slot.index);
        PutName(patch, name, kPatchNameSize);
        WritePatch(storage, slot.index, patch);
    }
    return EditStatus::Ok;
}
