// The Edit menu and the listing's selection as commands on a bank document:
// which slots are selected, what each command asks, and what the document
// says afterwards (every change marks the bank changed and is one undo
// step). The edits themselves are the edit engine's (bank_edit.h); the
// Win32 shell supplies the boxes and the system clipboard through EditUi,
// host tests supply scripted answers. UI thread only; knows nothing of
// windows, menus or fonts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/bank_document.h"
#include "app/core/bank_edit.h"
#include "app/core/paste_files.h"
#include "app/core/slot_layout.h"

inline constexpr const char* kCutCaption = "Cut";
inline constexpr const char* kPasteCaption = "Paste";
inline constexpr const char* kPasteFilesCaption = "Paste from Files";
inline constexpr const char* kSwapCaption = "Swap With";
inline constexpr const char* kRenameCaption = "Rename";
inline constexpr const char* kDragCaption = "Move Sound";

// What the edits ask of the user interface. Every member is required.
struct EditUi {
    void* context = nullptr;
    // A modal message box (styles and answers as in file_flows.h).
    int (*messageBox)(void* context, const char* text, const char* caption, uint32_t style);
    // The box of a patch paste that brings tones: OK, Keep the Tone Numbers
    // or Cancel.
    Answer (*askPatchTones)(void* context, const char* text);
    // Copied sounds' names, one a line, for the system clipboard.
    void (*putNames)(void* context, std::string_view text);
};

enum class EditCommand : uint8_t { Undo, Redo, Cut, Copy, Paste, Rename, SwapWith, PasteFiles };

// Whether a command can act now: a bank is loaded, no transfer runs, and
// the command has something to act on (a selection, a clipboard, a step).
bool CanEdit(const BankDocument& document, const Clipboard& clipboard, EditCommand command,
             bool busy);

// The selection. A click selects one slot (extend: Shift, from the anchor
// in slot order); a key moves it. A slot the bank lacks is ignored.
void SelectSlot(BankDocument& document, Slot slot, bool extend);
void MoveSelection(BankDocument& document, SlotMove move, bool extend);

// Each returns true when the bank changed. A refusal or a Cancel leaves the
// document, its history and the clipboard as they were.
bool CopyCommand(const BankDocument& document, Clipboard& clipboard, const EditUi& ui);
bool CutCommand(BankDocument& document, Clipboard& clipboard, const EditUi& ui);
bool PasteCommand(BankDocument& document, const Clipboard& clipboard, const EditUi& ui);
// Edit > Paste from Files...: the gathered sounds of the selected slot's
// table go in as Paste puts them, one undo step. What is not pasted is said
// in `log`, one line each: the files that gave no sound, the sounds of the
// other table (select a slot of that table to paste them), and the patches
// that came without their tones with the tones of this bank they play.
bool PasteFilesCommand(BankDocument& document, const FilesPaste& files, const EditUi& ui,
                       std::vector<std::string>& log);
// Exchanges the selected slot with the one named ("T7", "C4").
bool SwapWithCommand(BankDocument& document, std::string_view slotName, const EditUi& ui);
// A slot dropped onto another: a swap, or with copy (Ctrl held) a copy.
bool DragCommand(BankDocument& document, Slot from, Slot to, bool copy, const EditUi& ui);
// Names the selected slot (the first of a run).
bool RenameCommand(BankDocument& document, std::string_view name, const EditUi& ui);
bool UndoCommand(BankDocument& document);
bool RedoCommand(BankDocument& document);
