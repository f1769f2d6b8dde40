// The results of the bank edit engine: zero for success, a negative code for
// each way an edit is refused. Shared by slots, records, edits and history so
// a caller maps every refusal to one message. Portable: knows nothing of the
// windows or the files that show or cause these results.
#pragma once

#include <cstdint>

enum class EditStatus : int32_t {
    Ok = 0,
    Cancelled = -1,       // the user's answer was Cancel; nothing changed
    BadSlotName = -2,     // not "T7", "12" or "C4"
    SlotOutOfRange = -3,  // a slot name the bank of this kind does not have
    WrongTable = -4,      // a tone for a patch slot, or the other way round
    TooManySounds = -5,   // fewer slots left than sounds; the plan tells how many fit
    NothingToPaste = -6,  // an empty clipboard or selection
    BadName = -7,         // too long, or a character the display cannot show
    BadKind = -8,         // not an M-16C or M-64C kind
    NothingToUndo = -9,
    NothingToRedo = -10,
};

constexpr bool Succeeded(EditStatus status) { return status == EditStatus::Ok; }
