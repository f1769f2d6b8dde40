// Copy, cut, paste, swap and copy-onto on a bank image, with the rule that
// keeps a pasted patch playing the same tones: a tone the target already
// holds is reused (the patch's own number first, else the lowest), else it
// goes into the highest tone slot that no remaining patch plays and this
// paste has not taken, else over the slot of its own number. Plans are built
// by the same code that applies them, so the box shows what happens.
#include "app/core/bank_edit.h"

#include <bit>

namespace {

constexpr uint64_t kNoPatches = 0;

uint64_t PatchBit(int patch) { return uint64_t{1} << patch; }

// Bank tone users of every tone at once, leaving out the patches in
// [skipFirst, skipFirst + skipCount) (those a paste is about to replace).
std::array<uint64_t, kM64CToneCount> AllToneUsers(ConstBankBytes storage, BankKind kind,
                                                  int skipFirst, int skipCount) {
    std::array<uint64_t, kM64CToneCount> users{};
    if (kind != kM64CKind) return users;
    for (int p = 0; p < kM64CPatchCount; ++p) {
        if (p >= skipFirst && p < skipFirst + skipCount) continue;
        const PatchRecord patch = ReadPatch(storage, p);
        for (int which = 0; which < 2; ++which) {
            const int number = ToneNumber(patch, which);
            if (IsBankTone(number)) users[static_cast<size_t>(number)] |= PatchBit(p);
        }
    }
    return users;
}

void Add(EditPlan& plan, const PlanEntry& entry) {
    if (plan.count < static_cast<int>(plan.entries.size()))
        plan.entries[static_cast<size_t>(plan.count++)] = entry;
}

// The checks every paste makes before it looks at a sound.
bool CheckPaste(BankKind kind, const Clipboard& clipboard, Slot at, EditPlan& plan) {
    if (kind != kM16CKind && kind != kM64CKind) {
        plan.status = EditStatus::BadKind;
    } else if (clipboard.count <= 0) {
        plan.status = EditStatus::NothingToPaste;
    } else if (clipboard.table != at.table) {
        plan.status = EditStatus::WrongTable;
    } else if (!SlotInBank(kind, at)) {
        plan.status = EditStatus::SlotOutOfRange;
    } else {
        plan.fits = SlotCount(kind, at.table) - at.index;
        if (clipboard.count > plan.fits) plan.status = EditStatus::TooManySounds;
    }
    return plan.status == EditStatus::Ok;
}

// Tones that patches play and that an edit would change: one entry each.
void WarnReplacedTones(ConstBankBytes storage, BankKind kind, int first, const ToneRecord* incoming,
                       int count, EditPlan& plan) {
    const auto users = AllToneUsers(storage, kind, 0, 0);
    for (int i = 0; i < count; ++i) {
        const int tone = first + i;
        const ToneRecord now = ReadTone(storage, tone);
        // The patches go on sounding the same when only the name changes.
        if (users[static_cast<size_t>(tone)] == kNoPatches ||
            Fingerprint(now) == Fingerprint(incoming[i]))
            continue;
        PlanEntry entry;
        entry.action = PlanAction::UsedToneReplaced;
        entry.tone = tone;
        entry.users = users[static_cast<size_t>(tone)];
        entry.now = ShowName(ToneNameBytes(now));
        entry.incoming = ShowName(ToneNameBytes(incoming[i]));
        Add(plan, entry);
        plan.box = PlanBox::OkCancel;
    }
}

int LowestMatch(const std::array<ToneFingerprint, kM64CToneCount>& tones,
                const ToneFingerprint& wanted, int own) {
    if (IsBankTone(own) && tones[static_cast<size_t>(own)] == wanted) return own;
    for (int t = 0; t < kM64CToneCount; ++t)
        if (tones[static_cast<size_t>(t)] == wanted) return t;
    return -1;
}

// The tone half of a patch paste from another bank. With placeTones false
// (the answer Keep the Tone Numbers) nothing is placed: a tone the target
// already holds is still found, every other reference keeps its number.
void PlanPatchTones(ConstBankBytes storage, const Clipboard& clipboard, Slot at, bool placeTones,
                    EditPlan& plan) {
    const auto users = AllToneUsers(storage, kM64CKind, at.index, clipboard.count);
    std::array<ToneFingerprint, kM64CToneCount> tones;
    std::array<ToneRecord, kM64CToneCount> current;
    for (int t = 0; t < kM64CToneCount; ++t) {
        current[static_cast<size_t>(t)] = ReadTone(storage, t);
        tones[static_cast<size_t>(t)] = Fingerprint(current[static_cast<size_t>(t)]);
    }
    std::array<bool, kM64CToneCount> taken{};
    bool needsAnswer = false;
    for (int i = 0; i < clipboard.count; ++i) {
        const ClipSound& sound = clipboard.sounds[static_cast<size_t>(i)];
        for (int which = 0; which < 2; ++which) {
            const CarriedTone& carried = sound.tones[static_cast<size_t>(which)];
            if (!IsBankTone(carried.number)) continue;
            const ToneFingerprint wanted = Fingerprint(carried.record);
            PlanEntry entry;
            entry.patch = at.index + i;
            entry.which = which;
            entry.incoming = ShowName(ToneNameBytes(carried.record));
            int tone = LowestMatch(tones, wanted, carried.number);
            if (tone >= 0) {
                entry.action = PlanAction::ToneMatched;
            } else if (!placeTones) {
                entry.action = PlanAction::ToneKept;
                tone = carried.number;
            } else {
                for (int t = kM64CToneCount - 1; t >= 0 && tone < 0; --t)
                    if (users[static_cast<size_t>(t)] == kNoPatches &&
                        !taken[static_cast<size_t>(t)])
                        tone = t;
                if (tone >= 0) {
                    entry.action = PlanAction::ToneToFreeSlot;
                } else {
                    tone = carried.number;
                    // A slot this paste filled already is another pasted
                    // patch's tone: overwriting it would only move the fault.
                    entry.action = taken[static_cast<size_t>(tone)] ? PlanAction::ToneNoRoom
                                                                    : PlanAction::ToneOverOwnNumber;
                }
                needsAnswer = true;
            }
            entry.tone = tone;
            entry.users = users[static_cast<size_t>(tone)];
            entry.now = ShowName(ToneNameBytes(current[static_cast<size_t>(tone)]));
            if (entry.action == PlanAction::ToneToFreeSlot ||
                entry.action == PlanAction::ToneOverOwnNumber) {
                tones[static_cast<size_t>(tone)] = wanted;
                current[static_cast<size_t>(tone)] = carried.record;
            }
            taken[static_cast<size_t>(tone)] = true;
            Add(plan, entry);
        }
    }
    if (needsAnswer) plan.box = PlanBox::OkKeepCancel;
}

EditPlan BuildPastePlan(ConstBankBytes storage, BankKind kind, BankId bank,
                        const Clipboard& clipboard, Slot at, bool placeTones) {
    EditPlan plan;
    if (!CheckPaste(kind, clipboard, at, plan)) return plan;
    if (clipboard.table == SlotTable::Tone) {
        std::array<ToneRecord, kM64CPatchCount> incoming;
        for (int i = 0; i < clipboard.count; ++i)
            incoming[static_cast<size_t>(i)] = clipboard.sounds[static_cast<size_t>(i)].tone;
        WarnReplacedTones(storage, kind, at.index, incoming.data(), clipboard.count, plan);
    } else if (clipboard.bank != bank) {
        PlanPatchTones(storage, clipboard, at, placeTones, plan);
    }
    return plan;
}

// Appends to a zero-terminated text, cutting what does not fit.
struct TextOut {
    PlanText& out;
    size_t length = 0;
    void Put(std::string_view part) {
        for (char c : part)
            if (length + 1 < out.text.size()) out.text[length++] = c;
    }
    void Number(int value) {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0 && n < 11);
        while (n > 0) Put(std::string_view(&digits[--n], 1));
    }
    void Patches(uint64_t users) {
        if (users == kNoPatches) {
            Put("no patch");
            return;
        }
        Put(std::popcount(users) == 1 ? "patch " : "patches ");
        bool first = true;
        for (int p = 0; p < kM64CPatchCount; ++p) {
            if ((users & PatchBit(p)) == 0) continue;
            if (!first) Put(", ");
            Put(FormatSlot({SlotTable::Patch, p}).view());
            first = false;
        }
    }
};

}  // namespace

uint64_t ToneUsers(ConstBankBytes storage, BankKind kind, int tone) {
    if (!IsBankTone(tone) || tone >= SlotCount(kind, SlotTable::Tone)) return kNoPatches;
    return AllToneUsers(storage, kind, 0, 0)[static_cast<size_t>(tone)];
}

PlanText DescribeEntry(const PlanEntry& entry) {
    PlanText text;
    TextOut out{text};
    const SlotName patchName = FormatSlot({SlotTable::Patch, entry.patch});
    const std::string_view patch = patchName.view();
    switch (entry.action) {
    case PlanAction::ToneToFreeSlot:
    case PlanAction::ToneOverOwnNumber:
        out.Put("Tone ");
        out.Number(entry.tone + 1);
        out.Put(" (now ");
        out.Put(entry.now.view());
        out.Put(", used by ");
        out.Patches(entry.users);
        out.Put(") gets ");
        out.Put(entry.incoming.view());
        out.Put(" for patch ");
        out.Put(patch);
        break;
    case PlanAction::ToneNoRoom:
        out.Put("Tone ");
        out.Number(entry.tone + 1);
        out.Put(" keeps ");
        out.Put(entry.now.view());
        out.Put(" for patch ");
        out.Put(patch);
        out.Put(": no slot is left for ");
        out.Put(entry.incoming.view());
        break;
    case PlanAction::ToneMatched:
        out.Put("Tone ");
        out.Number(entry.tone + 1);
        out.Put(" already holds ");
        out.Put(entry.incoming.view());
        out.Put(" for patch ");
        out.Put(patch);
        break;
    case PlanAction::ToneKept:
        out.Put("Patch ");
        out.Put(patch);
        out.Put(" plays tone ");
        out.Number(entry.tone + 1);
        out.Put(" (");
        out.Put(entry.now.view());
        out.Put(") instead of ");
        out.Put(entry.incoming.view());
        break;
    case PlanAction::UsedToneReplaced:
        out.Put("Tone ");
        out.Number(entry.tone + 1);
        out.Put(" (");
        out.Put(entry.now.view());
        out.Put(") is used by ");
        out.Patches(entry.users);
        break;
    }
    return text;
}

EditStatus CopySlots(ConstBankBytes storage, BankKind kind, BankId bank, Selection selection,
                     Clipboard& clipboard) {
    if (selection.count <= 0) return EditStatus::NothingToPaste;
    const Slot last{selection.first.table, selection.first.index + selection.count - 1};
    if (!SlotInBank(kind, selection.first) || !SlotInBank(kind, last))
        return EditStatus::SlotOutOfRange;
    clipboard.bank = bank;
    clipboard.kind = kind;
    clipboard.table = selection.first.table;
    clipboard.count = selection.count;
    for (int i = 0; i < selection.count; ++i) {
        ClipSound& sound = clipboard.sounds[static_cast<size_t>(i)];
        sound = ClipSound{};
        sound.from = {selection.first.table, selection.first.index + i};
        if (sound.from.table == SlotTable::Tone) {
            sound.tone = ReadTone(storage, sound.from.index);
            continue;
        }
        sound.patch = ReadPatch(storage, sound.from.index);
        for (int which = 0; which < 2; ++which) {
            const int number = ToneNumber(sound.patch, which);
            if (!IsBankTone(number)) continue;
            sound.tones[static_cast<size_t>(which)] = {number, ReadTone(storage, number)};
        }
    }
    return EditStatus::Ok;
}

ClipboardNames ClipboardText(const Clipboard& clipboard) {
    ClipboardNames names;
    size_t length = 0;
    for (int i = 0; i < clipboard.count && i < kM64CPatchCount; ++i) {
        const ClipSound& sound = clipboard.sounds[static_cast<size_t>(i)];
        const NameText name =
            ShowName(clipboard.table == SlotTable::Tone ? ToneNameBytes(sound.tone)
                                                        : PatchNameBytes(sound.patch));
        if (i > 0) {
            names.text[length++] = '\r';
            names.text[length++] = '\n';
        }
        for (char c : name.view()) names.text[length++] = c;
    }
    return names;
}

EditPlan PlanPaste(ConstBankBytes storage, BankKind kind, BankId bank, const Clipboard& clipboard,
                   Slot at) {
    return BuildPastePlan(storage, kind, bank, clipboard, at, true);
}

EditStatus ApplyPaste(BankBytes storage, BankKind kind, BankId bank, const Clipboard& clipboard,
                      Slot at, Answer answer) {
    const bool keep = answer == Answer::KeepToneNumbers;
    const EditPlan plan = BuildPastePlan(storage, kind, bank, clipboard, at, !keep);
    if (plan.status != EditStatus::Ok) return plan.status;
    if (answer == Answer::Cancel) return EditStatus::Cancelled;
    if (clipboard.table == SlotTable::Tone) {
        for (int i = 0; i < clipboard.count; ++i)
            WriteTone(storage, at.index + i, clipboard.sounds[static_cast<size_t>(i)].tone);
        return EditStatus::Ok;
    }
    std::array<PatchRecord, kM64CPatchCount> patches;
    for (int i = 0; i < clipboard.count; ++i)
        patches[static_cast<size_t>(i)] = clipboard.sounds[static_cast<size_t>(i)].patch;
    for (int e = 0; e < plan.count; ++e) {
        const PlanEntry& entry = plan.entries[static_cast<size_t>(e)];
        const size_t i = static_cast<size_t>(entry.patch - at.index);
        if (entry.action == PlanAction::ToneToFreeSlot ||
            entry.action == PlanAction::ToneOverOwnNumber) {
            WriteTone(storage, entry.tone,
                      clipboard.sounds[i].tones[static_cast<size_t>(entry.which)].record);
        }
        SetToneNumber(patches[i], entry.which, entry.tone);
    }
    for (int i = 0; i < clipboard.count; ++i)
        WritePatch(storage, at.index + i, patches[static_cast<size_t>(i)]);
    return EditStatus::Ok;
}

EditPlan PlanCut(ConstBankBytes storage, BankKind kind, Selection selection) {
    EditPlan plan;
    const Slot last{selection.first.table, selection.first.index + selection.count - 1};
    if (selection.count <= 0) {
        plan.status = EditStatus::NothingToPaste;
    } else if (!SlotInBank(kind, selection.first) || !SlotInBank(kind, last)) {
        plan.status = EditStatus::SlotOutOfRange;
    } else if (selection.first.table == SlotTable::Tone) {
        std::array<ToneRecord, kM64CToneCount> init;
        init.fill(InitTone());
        WarnReplacedTones(storage, kind, selection.first.index, init.data(), selection.count, plan);
    }
    return plan;
}

EditStatus ApplyCut(BankBytes storage, BankKind kind, BankId bank, Selection selection,
                    Answer answer, Clipboard& clipboard) {
    const EditPlan plan = PlanCut(storage, kind, selection);
    if (plan.status != EditStatus::Ok) return plan.status;
    if (answer == Answer::Cancel) return EditStatus::Cancelled;
    const EditStatus copied = CopySlots(storage, kind, bank, selection, clipboard);
    if (copied != EditStatus::Ok) return copied;
    for (int i = 0; i < selection.count; ++i) {
        const int index = selection.first.index + i;
        if (selection.first.table == SlotTable::Tone) {
            WriteTone(storage, index, InitTone());
        } else {
            WritePatch(storage, index, InitPatch());
        }
    }
    return EditStatus::Ok;
}

EditStatus SwapSlots(BankBytes storage, BankKind kind, Slot a, Slot b) {
    if (a.table != b.table) return EditStatus::WrongTable;
    if (!SlotInBank(kind, a) || !SlotInBank(kind, b)) return EditStatus::SlotOutOfRange;
    if (a == b) return EditStatus::Ok;
    if (a.table == SlotTable::Patch) {
        const PatchRecord first = ReadPatch(storage, a.index);
        WritePatch(storage, a.index, ReadPatch(storage, b.index));
        WritePatch(storage, b.index, first);
        return EditStatus::Ok;
    }
    const ToneRecord first = ReadTone(storage, a.index);
    WriteTone(storage, a.index, ReadTone(storage, b.index));
    WriteTone(storage, b.index, first);
    // The patches follow their tones to the new slots.
    for (int p = 0; p < SlotCount(kind, SlotTable::Patch); ++p) {
        PatchRecord patch = ReadPatch(storage, p);
        bool changed = false;
        for (int which = 0; which < 2; ++which) {
            const int number = ToneNumber(patch, which);
            if (number != a.index && number != b.index) continue;
            SetToneNumber(patch, which, number == a.index ? b.index : a.index);
            changed = true;
        }
        if (changed) WritePatch(storage, p, patch);
    }
    return EditStatus::Ok;
}

EditPlan PlanCopyOnto(ConstBankBytes storage, BankKind kind, Slot from, Slot to) {
    Clipboard clipboard;
    const EditStatus copied = CopySlots(storage, kind, 0, {from, 1}, clipboard);
    if (copied != EditStatus::Ok) {
        EditPlan refused;
        refused.status = copied;
        return refused;
    }
    // Within one bank: the same id on both sides keeps the tone numbers.
    return PlanPaste(storage, kind, 0, clipboard, to);
}

EditStatus ApplyCopyOnto(BankBytes storage, BankKind kind, Slot from, Slot to, Answer answer) {
    Clipboard clipboard;
    const EditStatus copied = CopySlots(storage, kind, 0, {from, 1}, clipboard);
    if (copied != EditStatus::Ok) return copied;
    return ApplyPaste(storage, kind, 0, clipboard, to, answer);
}
