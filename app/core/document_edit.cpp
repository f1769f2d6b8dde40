// The Edit menu's commands over a document. Every box the user sees for an
// edit is worded here; the shell only shows it.
#include "app/core/document_edit.h"

#include "ground/messages.h"

#include <array>
#include <cstdio>
#include <string>

#include "app/core/file_flows.h"
#include "app/core/slot.h"
#include "ground/shell.h"

namespace {

bool Editable(const BankDocument& document) {
    return document.loaded && (document.kind == kM16CKind || document.kind == kM64CKind);
}

// After an applied edit: the bank differs from its file and the new state
// is one undo step.
void Edited(BankDocument& document) {
    document.changed = true;
    RecordStep(document.history, document.kind, document.image);
}

void Refuse(const EditUi& ui, const std::string& text, const char* caption) {
    ui.messageBox(ui.context, text.c_str(), caption, kMbOk | kMbIconError);
}

// The boxes' texts are the message table's (ground/messages.h).
std::string RefusalText(EditStatus status, std::string_view detail = {}) {
    switch (status) {
    case EditStatus::WrongTable: return MessageText(MessageId::EditWrongTable);
    case EditStatus::BadSlotName: return MessageText(MessageId::EditNoSuchSlotName, detail);
    case EditStatus::SlotOutOfRange: return MessageText(MessageId::EditNoSuchSlot, detail);
    case EditStatus::NothingToPaste: return MessageText(MessageId::EditNothingToPaste);
    case EditStatus::BadName: return MessageText(MessageId::EditNameTooLong, detail);
    default: return MessageText(MessageId::EditCannot);
    }
}

std::string PlanLines(const EditPlan& plan) {
    std::string text;
    for (int i = 0; i < plan.count; ++i) {
        text += DescribeEntry(plan.entries[static_cast<size_t>(i)]).view();
        text += '\n';
    }
    return text;
}

// Shows the box a plan calls for and returns the user's answer; Ok when the
// plan needs no box.
Answer AskPlan(const EditPlan& plan, const EditUi& ui, const char* caption) {
    switch (plan.box) {
    case PlanBox::None: return Answer::Ok;
    case PlanBox::OkKeepCancel:
        return ui.askPatchTones(ui.context,
                                ("The pasted patches bring their tones:\n\n" + PlanLines(plan))
                                    .c_str());
    case PlanBox::OkCancel: {
        const std::string text = MessageText(MessageId::EditToneInUse, PlanLines(plan));
        return ui.messageBox(ui.context, text.c_str(), caption, kMbOkCancel | kMbIconQuestion) ==
                       kIdOk
                   ? Answer::Ok
                   : Answer::Cancel;
    }
    }
    return Answer::Cancel;
}

std::string SoundsText(int count) {
    return std::to_string(count) + (count == 1 ? " sound" : " sounds");
}

}  // namespace

bool CanEdit(const BankDocument& document, const Clipboard& clipboard, EditCommand command,
             bool busy) {
    if (busy || !Editable(document)) return false;
    const bool selected = SlotInBank(document.kind, document.selection.first);
    switch (command) {
    case EditCommand::Undo: return CanUndo(document.history);
    case EditCommand::Redo: return CanRedo(document.history);
    case EditCommand::Paste: return selected && clipboard.count > 0;
    case EditCommand::Cut:
    case EditCommand::Copy:
    case EditCommand::Rename:
    case EditCommand::SwapWith:
    case EditCommand::PasteFiles: return selected;
    }
    return false;
}

void SelectSlot(BankDocument& document, Slot slot, bool extend) {
    if (!Editable(document) || !SlotInBank(document.kind, slot)) return;
    if (extend) {
        document.selection = ExtendSelection(document.anchor, slot);
        // A run reaches only across one table: a click in the other one
        // starts a run of its own there.
        if (document.anchor.table != slot.table) document.anchor = slot;
        return;
    }
    document.selection = {slot, 1};
    document.anchor = slot;
}

void MoveSelection(BankDocument& document, SlotMove move, bool extend) {
    if (!Editable(document)) return;
    // The key moves from the end of the run that the last key or click
    // reached: the end away from the anchor.
    const Selection& run = document.selection;
    Slot from = run.first;
    if (run.count > 1 && run.first == document.anchor)
        from = {run.first.table, run.first.index + run.count - 1};
    const Slot to = MoveSlot(document.kind, from, move);
    SelectSlot(document, to, extend && move != SlotMove::OtherTable);
}

bool CopyCommand(const BankDocument& document, Clipboard& clipboard, const EditUi& ui) {
    if (!Editable(document)) return false;
    Clipboard taken;
    if (CopySlots(document.image, document.kind, document.id, document.selection, taken) !=
        EditStatus::Ok)
        return false;
    clipboard = taken;
    ui.putNames(ui.context, ClipboardText(clipboard).view());
    return false;
}

bool CutCommand(BankDocument& document, Clipboard& clipboard, const EditUi& ui) {
    if (!Editable(document)) return false;
    const EditPlan plan = PlanCut(document.image, document.kind, document.selection);
    if (plan.status != EditStatus::Ok) {
        Refuse(ui, RefusalText(plan.status), kCutCaption);
        return false;
    }
    const Answer answer = AskPlan(plan, ui, kCutCaption);
    Clipboard taken;
    if (ApplyCut(document.image, document.kind, document.id, document.selection, answer, taken) !=
        EditStatus::Ok)
        return false;
    clipboard = taken;
    ui.putNames(ui.context, ClipboardText(clipboard).view());
    Edited(document);
    return true;
}

bool PasteCommand(BankDocument& document, const Clipboard& clipboard, const EditUi& ui) {
    if (!Editable(document)) return false;
    const Slot at = document.selection.first;
    const EditPlan plan = PlanPaste(document.image, document.kind, document.id, clipboard, at);
    if (plan.status == EditStatus::TooManySounds) {
        const std::string text = MessageText(
            MessageId::EditTooManySounds, SoundsText(clipboard.count) + "; from " +
                                              std::string(FormatSlot(at).view()) + " on, " +
                                              SoundsText(plan.fits) + " fit");
        Refuse(ui, text, kPasteCaption);
        return false;
    }
    if (plan.status != EditStatus::Ok) {
        Refuse(ui, RefusalText(plan.status), kPasteCaption);
        return false;
    }
    const Answer answer = AskPlan(plan, ui, kPasteCaption);
    if (ApplyPaste(document.image, document.kind, document.id, clipboard, at, answer) !=
        EditStatus::Ok)
        return false;
    document.selection = {at, clipboard.count};
    document.anchor = at;
    Edited(document);
    return true;
}

bool PasteFilesCommand(BankDocument& document, const FilesPaste& files, const EditUi& ui,
                       std::vector<std::string>& log) {
    if (!Editable(document)) return false;
    for (const std::string& refused : files.refused) log.push_back(refused + ": not pasted");
    const bool patches = document.selection.first.table == SlotTable::Patch;
    const Clipboard& clipboard = patches ? files.patches : files.tones;
    const int otherCount = patches ? files.toneCount : files.patchCount;
    if (files.status == EditStatus::TooManySounds) {
        const int count = patches ? files.patchCount : files.toneCount;
        Refuse(ui, MessageText(MessageId::EditFilesTooMany, SoundsText(count)), kPasteFilesCaption);
        return false;
    }
    if (clipboard.count == 0) {
        Refuse(ui,
               MessageText(patches ? MessageId::EditFilesNoPatch : MessageId::EditFilesNoTone),
               kPasteFilesCaption);
        return false;
    }
    if (!PasteCommand(document, clipboard, ui)) return false;
    if (otherCount > 0) {
        log.push_back(std::to_string(otherCount) + (patches ? " tones" : " patches") +
                      " of the files not pasted: select a " + (patches ? "tone" : "patch") +
                      " slot to paste them");
    }
    if (patches) {
        for (int i = 0; i < clipboard.count; ++i) {
            const int slot = document.selection.first.index + i;
            const PlanText note =
                LoosePatchNote(document.image, clipboard.sounds[static_cast<size_t>(i)], slot);
            if (!note.view().empty()) log.emplace_back(note.view());
        }
    }
    return true;
}

bool SwapWithCommand(BankDocument& document, std::string_view slotName, const EditUi& ui) {
    if (!Editable(document)) return false;
    Slot other;
    const EditStatus parsed = ParseSlot(slotName, document.kind, other);
    if (parsed != EditStatus::Ok) {
        Refuse(ui, RefusalText(parsed, slotName), kSwapCaption);
        return false;
    }
    const Slot selected = document.selection.first;
    const EditStatus swapped = SwapSlots(document.image, document.kind, selected, other);
    if (swapped != EditStatus::Ok) {
        Refuse(ui, RefusalText(swapped, slotName), kSwapCaption);
        return false;
    }
    // The selection follows the sound to its new slot.
    SelectSlot(document, other, false);
    Edited(document);
    return true;
}

bool DragCommand(BankDocument& document, Slot from, Slot to, bool copy, const EditUi& ui) {
    if (!Editable(document) || from == to) return false;
    if (!SlotInBank(document.kind, from) || !SlotInBank(document.kind, to)) return false;
    if (from.table != to.table) {
        Refuse(ui, RefusalText(EditStatus::WrongTable), kDragCaption);
        return false;
    }
    EditStatus status = EditStatus::Ok;
    if (copy) {
        const EditPlan plan = PlanCopyOnto(document.image, document.kind, from, to);
        if (plan.status != EditStatus::Ok) {
            Refuse(ui, RefusalText(plan.status), kDragCaption);
            return false;
        }
        status = ApplyCopyOnto(document.image, document.kind, from, to,
                               AskPlan(plan, ui, kDragCaption));
    } else {
        status = SwapSlots(document.image, document.kind, from, to);
    }
    if (status != EditStatus::Ok) return false;
    SelectSlot(document, to, false);
    Edited(document);
    return true;
}

bool RenameCommand(BankDocument& document, std::string_view name, const EditUi& ui) {
    if (!Editable(document)) return false;
    const Slot slot = document.selection.first;
    const EditStatus status = RenameSlot(document.image, document.kind, slot, name);
    if (status != EditStatus::Ok) {
        Refuse(ui, RefusalText(status, std::to_string(NameLength(slot.table))), kRenameCaption);
        return false;
    }
    Edited(document);
    return true;
}

namespace {

// After Undo or Redo the selection stays where it was when it still names
// a slot of the bank.
void KeepSelectionInBank(BankDocument& document) {
    Selection& run = document.selection;
    if (!SlotInBank(document.kind, run.first)) {
        run = {FirstListedSlot(document.kind), 1};
        document.anchor = run.first;
        return;
    }
    const int room = SlotCount(document.kind, run.first.table) - run.first.index;
    if (run.count > room) run.count = room;
}

}  // namespace

bool UndoCommand(BankDocument& document) {
    if (!Editable(document) ||
        Undo(document.history, document.kind, document.image) != EditStatus::Ok)
        return false;
    document.changed = true;
    KeepSelectionInBank(document);
    return true;
}

bool RedoCommand(BankDocument& document) {
    if (!Editable(document) ||
        Redo(document.history, document.kind, document.image) != EditStatus::Ok)
        return false;
    document.changed = true;
    KeepSelectionInBank(document);
    return true;
}
