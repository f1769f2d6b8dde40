// Loose sounds: the single tones and patches that a file carries outside any
// whole bank (a tone saved on its own, a patch sent from the front panel), as
// the records a cartridge holds. The bank collector gathers them from the
// same messages it makes banks of, so a file's sounds are its whole banks'
// sounds or else these, in file order. Portable: knows nothing of files,
// windows, MIDI ports or the edit engine that pastes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bank/bank_image.h"
#include "bank/sysex_scan.h"

enum class LooseKind : uint8_t { Tone, Patch };

struct LooseSound {
    LooseKind kind = LooseKind::Tone;
    size_t position = 0;  // offset of its message in the data
    // The bank its synthesizer keeps it in: M-16C for a JX-8P tone, M-64C
    // for the MKS-70's sounds.
    BankKind home = kM16CKind;
    // A tone: its 59-byte record in canonical form (byte 10 a blank, every
    // byte 7-bit). A patch: its 48-byte record in the first bytes, unmasked,
    // as every patch byte is kept.
    std::array<uint8_t, kToneRecordSize> record{};

    std::span<const uint8_t> Record() const {
        return std::span<const uint8_t>(record).first(kind == LooseKind::Tone ? kToneRecordSize
                                                                              : kPatchRecordSize);
    }
};

// The sound one message carries, if it is one of the four that carry a single
// sound: a Jx8pToneMessage, an Mks70ToneMessage, an Mks70PatchMessage (its
// nibbles joined), or an MKS-70 tone parameter message (F0 41 35 ch 24 20,
// then 01 for the upper or 02 for the lower tone, the 59-byte record, F7).
// The channel byte and the numbers the messages carry are not examined.
bool LooseSoundOf(const ScannedMessage& message, LooseSound& sound);

// True for an MKS-70 tone parameter message as above.
bool IsMks70ToneParameters(std::span<const uint8_t> message);

// The last words of every refusal of a file that holds loose sounds.
inline constexpr char kLooseSoundsHint[] =
    "Use Edit > Paste from Files... to put them into a bank.";
