// The audition decision and the tone's way into the transfer job.
#include "app/core/audition.h"

#include "app/core/bank_document.h"
#include "app/core/sound_records.h"
#include "transfer/audition.h"
#include "transfer/transfer.h"

AuditionBlock AuditionBlockFor(const AppSettings& settings, bool busy, AuditionSound sound) {
    if (busy) return AuditionBlock::Busy;
    if (!TakesAuditionTone(settings.synthType)) return AuditionBlock::Jx10;
    if (sound != AuditionSound::Tone) return AuditionBlock::Patch;
    if (settings.midiChannel == kChannelAuto) return AuditionBlock::ChannelAuto;
    return AuditionBlock::None;
}

AuditionBlock SelectionAuditionBlock(const BankDocument& document, const AppSettings& settings,
                                     bool busy) {
    if (!document.loaded || !SlotInBank(document.kind, document.selection.first))
        return AuditionBlock::NoBank;
    const AuditionSound sound = document.selection.first.table == SlotTable::Tone
                                    ? AuditionSound::Tone
                                    : AuditionSound::Patch;
    return AuditionBlockFor(settings, busy, sound);
}

std::string_view AuditionBlockText(AuditionBlock block) {
    switch (block) {
    case AuditionBlock::None: return {};
    case AuditionBlock::NoBank: return "Open a bank and select a tone to audition it.";
    case AuditionBlock::Busy: return "A transfer is running: audition once it has ended.";
    case AuditionBlock::Jx10: return "The JX-10 takes no single tone over MIDI, only whole banks.";
    case AuditionBlock::Patch: return "Patches cannot be auditioned yet: select a tone.";
    case AuditionBlock::ChannelAuto:
        return "Choose the synthesizer's MIDI channel in Options to audition.";
    }
    return {};
}

AuditionTone SelectedTone(const BankDocument& document) {
    return ReadTone(document.image, document.selection.first.index);
}

void PrepareAuditionJob(TransferJob& job, const AppSettings& settings, const AuditionTone& tone) {
    ToneRecord canonical = tone;
    CanonicalizeTone(canonical);
    job.auditionTone = canonical;
    // Published with the command: the mailbox's release store follows.
    job.settings = settings;
}
