// Where each slot's name stands in the bank listing, and how the selection
// moves: a click on a name picks its slot, the arrow keys go to the nearest
// name above, below or beside in the same table, Tab goes to the other
// table, and Shift extends a run in slot order. Positions are listing lines
// and character columns; turning pixels into them is the window's business.
// Portable: knows nothing of windows or fonts.
#pragma once

#include "app/core/bank_edit.h"
#include "app/core/slot.h"

struct ListingCell {
    int line = -1;   // index of the listing line, -1 for a slot not listed
    int column = 0;  // first character of the name
    int width = 0;   // characters of the name
};

ListingCell SlotCell(BankKind kind, Slot slot);
// The slot whose name covers (line, column); false where no name stands.
bool SlotAtCell(BankKind kind, int line, int column, Slot& slot);

enum class SlotMove : uint8_t { Up, Down, Left, Right, OtherTable };
// The slot a key leads to; the slot itself where the table ends. The other
// table's first slot for Tab, if the bank has one.
Slot MoveSlot(BankKind kind, Slot slot, SlotMove move);

// The run from the anchor to `to` in slot order, or `to` alone when the two
// lie in different tables.
Selection ExtendSelection(Slot anchor, Slot to);
