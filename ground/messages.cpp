// The message box table. The texts are the program's own, byte for byte as
// the boxes have always shown them (tests and users' notes quote them), the
// misspelt timer text included.
#include "ground/messages.h"

#include <array>

namespace {

using enum MessageId;

constexpr std::array<BoxMessage, 31> kTable{{
    {BankReceived, "Vexa", "Bank successfully received !\n", nullptr},
    {BankTransmitted, "Vexa", "Bank successfully transmitted !\n", nullptr},
    {OperationFailed, "Vexa", "Operation cancelled or an error occurred !\n", nullptr},
    {ChooseChannelFirst, "Vexa",
     "Please select the synthesizer's MIDI channel in the Options dialog first !\n", nullptr},
    {MidiInputFailed, "Vexa Error",
     "Unable to open MIDI input device.\n\nPlease check the settings in your MIDI options.",
     nullptr},
    {MidiOutputFailed, "Vexa Error",
     "Unable to open MIDI output device.\n\nPlease check the settings in your MIDI options.",
     nullptr},
    {OpenChangedBank, "Open Bank", "The current bank has changed.\n\nSave it now ?", nullptr},
    {CannotOpenFile, "Open Bank", "Unable to open selected file.\n\nSelect another file ?",
     nullptr},
    {FileTooLarge, "Open Bank", "Unknown bank format !\n\n", nullptr},
    {CannotReadFile, "Open Bank", "Unable to read data from the file !\n\n", nullptr},
    {NoBankInFile, "Open Bank", "The file contains data in an unknown format !\n\nREASON",
     "REASON"},
    {RecentFileGone, "Open Bank",
     "The file no longer exists.\n\nIt has been removed from the list of recent files.",
     nullptr},
    {SaveFailed, "Save Bank", "Error saving file !\n\n", nullptr},
    {ExitChangedBank, "Exit Vexa", "The current bank has changed.\n\nSave it now ?", nullptr},
    {HelpMissing, "Vexa",
     "Sorry, there is no help available at this time.\n\nThe user guide FILE is missing.",
     "FILE"},
    {HelpNotShown, "Vexa", "Unable to show the user guide FILE in your web browser !", "FILE"},
    {NotAnswering, "Vexa",
     "Vexa is already running but did not answer. Try again when it is idle.", nullptr},
    {NoTimer, "Vexa Error",
     "Unable to alloacte timer. All timers are in use.\n\n"
     "Please close another application and retry, or cancel.",
     nullptr},
    {NewChangedBank, "New Bank", "The current bank has changed.\n\nSave it now ?", nullptr},
    {EditWrongTable, kCommandCaption, "Tones go into tone slots, patches into patch slots.",
     nullptr},
    {EditNoSuchSlotName, kCommandCaption, "\"SLOT\" names no slot. Type a tone as T1, a patch as A1.",
     "SLOT"},
    {EditNoSuchSlot, kCommandCaption, "This bank has no slot SLOT.", "SLOT"},
    {EditNothingToPaste, kCommandCaption, "There is nothing to paste.", nullptr},
    {EditNameTooLong, kCommandCaption,
     "A name holds at most COUNT characters that the synthesizer shows (ASCII 20h to 7Eh).",
     "COUNT"},
    {EditCannot, kCommandCaption, "This edit cannot be made here.", nullptr},
    {EditTooManySounds, kCommandCaption, "The clipboard holds DETAIL.\n\nNothing was pasted.",
     "DETAIL"},
    {EditToneInUse, kCommandCaption,
     "Patches of this bank play these tones:\n\nTONES\nReplace them ?", "TONES"},
    {EditFilesTooMany, kCommandCaption,
     "The files hold COUNT of this kind, more than a bank has.\n\nNothing was pasted.", "COUNT"},
    {EditFilesNoPatch, kCommandCaption,
     "The files hold no patch. Select a tone slot to paste their tones.", nullptr},
    {EditFilesNoTone, kCommandCaption,
     "The files hold no tone. Select a patch slot to paste their patches.", nullptr},
    {AuditionRefused, "Audition", "This sound cannot be heard now.\n\nREASON", "REASON"},
}};

constexpr bool InIdOrder() {
    for (size_t i = 0; i < kTable.size(); ++i)
        if (static_cast<size_t>(kTable[i].id) != i) return false;
    return true;
}
static_assert(InIdOrder(), "the table's rows follow MessageId");

constexpr bool Contains(std::string_view text, const char* word) {
    return word == nullptr || text.find(word) != std::string_view::npos;
}

constexpr bool BlanksInTheirTexts() {
    for (const BoxMessage& message : kTable)
        if (!Contains(message.text, message.blank)) return false;
    return true;
}
static_assert(BlanksInTheirTexts(), "a blank is a word of its text");

}  // namespace

std::span<const BoxMessage> AllBoxMessages() { return kTable; }

const BoxMessage& BoxMessageFor(MessageId id) { return kTable[static_cast<size_t>(id)]; }

std::string MessageText(MessageId id, std::string_view value) {
    const BoxMessage& message = BoxMessageFor(id);
    std::string text = message.text;
    if (message.blank == nullptr) return text;
    const size_t at = text.find(message.blank);
    if (at != std::string::npos) text.replace(at, std::string_view(message.blank).size(), value);
    return text;
}
