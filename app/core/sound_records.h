// The records of a bank image as the edit engine sees them: where a tone or
// patch record lies, its name, a patch's two tone references, a tone's data
// fingerprint, a new bank of INIT sounds, and the rename rule. Works on a
// plain storage and kind, so any owner of a bank can call it. Portable:
// knows nothing of windows, files or MIDI.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/core/edit_status.h"
#include "app/core/slot.h"
#include "bank/bank_image.h"

using ToneRecord = std::array<uint8_t, kToneRecordSize>;
using PatchRecord = std::array<uint8_t, kPatchRecordSize>;
using BankBytes = std::span<uint8_t, kBankStorageSize>;
using ConstBankBytes = std::span<const uint8_t, kBankStorageSize>;

// A new bank in canonical form: 32 INIT tones (M-16C), or 64 INIT PATCH
// patches and 50 INIT tones behind the fixed header (M-64C). The whole
// storage is written, so nothing of an earlier bank is left behind it.
EditStatus MakeNewBank(BankKind kind, BankBytes storage);
ToneRecord InitTone();
PatchRecord InitPatch();

// Record offsets within the storage; the index must be in the bank.
constexpr size_t ToneRecordOffset(int tone) {
    return kToneOffset + kToneRecordSize * static_cast<size_t>(tone);
}
constexpr size_t PatchRecordOffset(int patch) {
    return kPatchOffset + kPatchRecordSize * static_cast<size_t>(patch);
}

ToneRecord ReadTone(ConstBankBytes storage, int tone);
PatchRecord ReadPatch(ConstBankBytes storage, int patch);
// Writes the tone in canonical form: byte 10 a blank, every byte 7-bit.
void WriteTone(BankBytes storage, int tone, const ToneRecord& record);
void WritePatch(BankBytes storage, int patch, const PatchRecord& record);
void CanonicalizeTone(ToneRecord& record);

// A tone's data without its name, as canonical bytes 11..58: two tones with
// equal fingerprints sound the same.
using ToneFingerprint = std::array<uint8_t, kToneRecordSize - kToneNameSize - 1>;
ToneFingerprint Fingerprint(const ToneRecord& record);

// The raw name bytes of a record (10 for a tone, 18 for a patch).
std::span<const uint8_t> ToneNameBytes(const ToneRecord& record);
std::span<const uint8_t> PatchNameBytes(const PatchRecord& record);

// A name as a message shows it: the listing's glyph rule for each byte,
// trailing blanks removed, zero-terminated.
struct NameText {
    std::array<char, kPatchNameSize + 1> text{};
    std::string_view view() const { return std::string_view(text.data()); }
};
NameText ShowName(std::span<const uint8_t> name);

// A patch names its upper (A) tone in byte 27 and its lower (B) tone in byte
// 32: the number in bits 0..6, a hold flag of its own in bit 7. Numbers 0..49
// are the bank's tones, 50..99 the synthesizer's ROM tones, above 99 invalid.
inline constexpr std::array<size_t, 2> kToneReferenceBytes = {27, 32};
inline constexpr uint8_t kHoldFlag = 0x80;
inline constexpr int kRomToneFirst = 50;
inline constexpr int kToneNumberLimit = 100;

int ToneNumber(const PatchRecord& patch, int which);  // which: 0 = A, 1 = B
bool IsBankTone(int number);
// Points reference `which` at another tone number, keeping the hold flag.
void SetToneNumber(PatchRecord& patch, int which, int number);

// What a name may hold: the characters the synthesizer's display shows
// (ASCII 20h..7Eh), at most 10 for a tone and 18 for a patch. An edit field
// checks each typed character with the same rule.
constexpr bool IsNameChar(char c) { return c >= 0x20 && c <= 0x7E; }
constexpr size_t NameLength(SlotTable table) {
    return table == SlotTable::Tone ? kToneNameSize : kPatchNameSize;
}

// Renames a slot. The name is at most 10 (tone) or 18 (patch) characters of
// ASCII 20h..7Eh and is padded with blanks; anything else is refused and the
// record stays as it was.
EditStatus RenameSlot(BankBytes storage, BankKind kind, Slot slot, std::string_view name);
