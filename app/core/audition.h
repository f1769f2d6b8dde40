// Whether a sound can be heard on the synthesizer now, and why not: the one
// decision behind MIDI > Audition in the main window (its gray state, the
// status-bar reason, Space) and the Library window's Audition. Also the UI
// thread's step of an audition's hand-over: the tone into the transfer job.
// Portable: the Win32 shell only shows what is decided here.
#pragma once

// Includes no more than it needs: the Library window includes this beside
// the library's own headers, whose names would clash with the edit
// engine's.
#include <array>
#include <cstdint>
#include <string_view>

#include "bank/bank_image.h"
#include "ground/settings.h"

struct BankDocument;
struct TransferJob;

// A tone record (the edit engine's ToneRecord is the same type).
using AuditionTone = std::array<uint8_t, kToneRecordSize>;

// What the sound to hear is; the Library window knows it from its index.
enum class AuditionSound : uint8_t { Tone, Patch };

// Why a sound cannot be heard, in the order they are asked: the first that
// holds is the one given.
enum class AuditionBlock : uint8_t {
    None,         // it can be heard
    NoBank,       // the main window holds no bank
    Busy,         // a transfer runs
    Jx10,         // the JX-10 takes no single sound over MIDI
    Patch,        // a patch's edit-buffer message packs its data otherwise
    ChannelAuto,  // no channel chosen to send on
};

// A sound of the given kind, with these settings, while a transfer runs or
// not.
AuditionBlock AuditionBlockFor(const AppSettings& settings, bool busy, AuditionSound sound);
// The main window's selection: its first slot, tone or patch.
AuditionBlock SelectionAuditionBlock(const BankDocument& document, const AppSettings& settings,
                                     bool busy);

// The command is gray for every block but "Auto": that one is shown in the
// box the transmit shows, since the user has a choice to make in Options.
constexpr bool GraysAudition(AuditionBlock block) {
    return block != AuditionBlock::None && block != AuditionBlock::ChannelAuto;
}

// One line for the status bar (the gray item highlighted, or Space on a
// sound that cannot be heard); empty for None.
std::string_view AuditionBlockText(AuditionBlock block);

// The tone of the selection's first slot (only meaningful when it is a tone
// slot of a loaded bank).
AuditionTone SelectedTone(const BankDocument& document);

// Step 1 of the hand-over (transfer/transfer.h) for an audition: the
// settings and the tone, in canonical form. Call only while the worker is
// idle, right before posting kCommandAudition.
void PrepareAuditionJob(TransferJob& job, const AppSettings& settings, const AuditionTone& tone);
