// The edits a user makes to a bank: copy, cut, paste, swap, copy onto another
// slot, and the tones that patches bring or lose on the way. Every edit that
// may need the user's word is made in two calls: Plan... says what it would
// do (and which box to show), then the matching call applies it with the
// user's answer, recomputing the same plan so a stale plan can do no harm.
// An edit that is refused or cancelled leaves the bank untouched. Works on a
// plain storage and kind; the bank's owner keeps the history and the changed
// flag. Portable: knows nothing of windows, files or MIDI.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/core/edit_status.h"
#include "app/core/slot.h"
#include "app/core/sound_records.h"

// A bank tone that a copied patch plays, with the number it had in its bank.
struct CarriedTone {
    int number = -1;  // -1: a ROM tone or an invalid number, nothing carried
    ToneRecord record{};
};

struct ClipSound {
    Slot from;
    ToneRecord tone{};    // for a tone
    PatchRecord patch{};  // for a patch, with its two bank tones
    std::array<CarriedTone, 2> tones{};
};

struct Clipboard {
    BankId bank = 0;
    BankKind kind = kUnknownKind;
    SlotTable table = SlotTable::Tone;
    int count = 0;
    std::array<ClipSound, kM64CPatchCount> sounds{};
};

// The patches (bit p for patch p) whose A or B reference names bank tone
// `tone`; always 0 in an M-16C bank.
uint64_t ToneUsers(ConstBankBytes storage, BankKind kind, int tone);

// What a plan tells the user, one entry per tone concerned.
enum class PlanAction : uint8_t {
    ToneMatched,        // the target already holds the tone's data there
    ToneToFreeSlot,     // the tone goes into a slot no patch uses
    ToneOverOwnNumber,  // no free slot: the tone replaces the one of its own number
    ToneNoRoom,         // nowhere to go: the patch keeps its number
    ToneKept,           // Keep the Tone Numbers: the patch plays what the target has there
    UsedToneReplaced,   // a tone that patches use is overwritten or cut
};

struct PlanEntry {
    PlanAction action = PlanAction::ToneMatched;
    int patch = -1;      // target patch slot of a pasted patch
    int which = 0;       // 0 = tone A (upper), 1 = tone B (lower)
    int tone = 0;        // target tone slot
    uint64_t users = 0;  // patches that use the target tone before the edit
    NameText now;        // the target tone's name before the edit
    NameText incoming;   // the name of the tone that arrives
};

// Which box an edit needs before it is applied.
enum class PlanBox : uint8_t { None, OkCancel, OkKeepCancel };
// KeepToneNumbers answers the box of a patch paste; for any other edit it
// counts as Ok. Cancel always leaves the bank as it was.
enum class Answer : uint8_t { Ok, KeepToneNumbers, Cancel };

struct EditPlan {
    EditStatus status = EditStatus::Ok;
    int fits = 0;  // slots left from the target slot on (for TooManySounds)
    PlanBox box = PlanBox::None;
    int count = 0;
    std::array<PlanEntry, 2 * kM64CPatchCount> entries{};
};

// One line of a box or log, zero-terminated: "Tone 49 (now FOO, used by no
// patch) gets HORNX-1 for patch A1".
struct PlanText {
    std::array<char, 400> text{};
    std::string_view view() const { return std::string_view(text.data()); }
};
PlanText DescribeEntry(const PlanEntry& entry);

// Puts the selected sounds on a clipboard; for patches also the bank tones
// they play, with their numbers.
EditStatus CopySlots(ConstBankBytes storage, BankKind kind, BankId bank, Selection selection,
                     Clipboard& clipboard);

// The names of the clipboard's sounds as text for the system clipboard:
// one a line, CR LF between them, in the listing's glyphs.
struct ClipboardNames {
    std::array<char, kM64CPatchCount*(kPatchNameSize + 2) + 1> text{};
    std::string_view view() const { return std::string_view(text.data()); }
};
ClipboardNames ClipboardText(const Clipboard& clipboard);

// Paste into `at` and the following slots. Tones go in canonical form into
// tone slots of either kind; patches into patch slots, bringing their tones
// from another bank by the matching rule, a free slot or their own numbers.
EditPlan PlanPaste(ConstBankBytes storage, BankKind kind, BankId bank, const Clipboard& clipboard,
                   Slot at);
EditStatus ApplyPaste(BankBytes storage, BankKind kind, BankId bank, const Clipboard& clipboard,
                      Slot at, Answer answer);

// Cut: copy, then the slots become INIT; cutting a tone that patches play
// asks first.
EditPlan PlanCut(ConstBankBytes storage, BankKind kind, Selection selection);
EditStatus ApplyCut(BankBytes storage, BankKind kind, BankId bank, Selection selection,
                    Answer answer, Clipboard& clipboard);

// Exchanges two slots of one table. Swapped tones of an M-64C bank take
// their patches' references along; swapped patches keep their numbers.
EditStatus SwapSlots(BankBytes storage, BankKind kind, Slot a, Slot b);

// Copies one slot onto another of the same bank (a drag with Ctrl held).
EditPlan PlanCopyOnto(ConstBankBytes storage, BankKind kind, Slot from, Slot to);
EditStatus ApplyCopyOnto(BankBytes storage, BankKind kind, Slot from, Slot to, Answer answer);
