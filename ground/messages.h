// The texts of the program's message boxes, each with its caption, in one
// table. The user guide's "Messages and what to do" table lists the same
// boxes, and a test holds the two together: a box added here needs its row
// there. A text's variable part is written as the guide writes it (FILE,
// REASON) and filled in by MessageText. Portable and in ground because the
// shell, the transfers and the MIDI layer all word boxes; knows nothing of
// who shows a box or how.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

enum class MessageId {
    BankReceived,
    BankTransmitted,
    OperationFailed,
    ChooseChannelFirst,
    MidiInputFailed,
    MidiOutputFailed,
    OpenChangedBank,
    CannotOpenFile,
    FileTooLarge,
    CannotReadFile,
    NoBankInFile,
    RecentFileGone,
    SaveFailed,
    ExitChangedBank,
    HelpMissing,
    HelpNotShown,
    NotAnswering,
    NoTimer,
    NewChangedBank,
    // The Edit menu's boxes: their caption is the command's (COMMAND in the
    // table and the guide), given by whoever shows them.
    EditWrongTable,
    EditNoSuchSlotName,
    EditNoSuchSlot,
    EditNothingToPaste,
    EditNameTooLong,
    EditCannot,
    EditTooManySounds,
    EditToneInUse,
    EditFilesTooMany,
    EditFilesNoPatch,
    EditFilesNoTone,
    AuditionRefused,
};

// The caption of the Edit menu's boxes in the table: the command's own name
// (Cut, Paste, Swap With, Move Sound, Rename, Paste from Files) takes its
// place when one is shown.
inline constexpr const char kCommandCaption[] = "COMMAND";

struct BoxMessage {
    MessageId id;
    const char* caption;
    // As the box shows it: "\n\n" between paragraphs. Some keep the line
    // feeds they always ended with; a box does not show them.
    const char* text;
    // The word of text that stands for the variable part, or nullptr.
    const char* blank;
};

// Every box, in the order of MessageId.
std::span<const BoxMessage> AllBoxMessages();

const BoxMessage& BoxMessageFor(MessageId id);

inline const char* MessageCaption(MessageId id) { return BoxMessageFor(id).caption; }

// The text with its blank filled by value (a message without a blank is
// returned as it is, value unused).
std::string MessageText(MessageId id, std::string_view value = {});
