// File > Open, File > Save As and the question that guards a changed bank,
// as decisions: what is asked, in which order, which bank is taken and what
// the document says afterwards. The Win32 shell supplies the dialogs and
// boxes through FileFlowUi; host tests supply scripted answers. Reading,
// recognising, encoding and writing the bytes is the bank library's. The
// flows run on the thread that owns the document (the UI thread).
#pragma once

#include <cstdint>

#include "app/core/bank_document.h"
#include "bank/bank_search.h"
#include "ground/messages.h"
#include "ground/settings.h"

// Message box styles and answers beyond those of ground/shell.h (winuser.h
// values; the shell checks them against the SDK at compile time).
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr uint32_t kMbYesNoCancel = 0x3;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The changed-bank question's text: the same words for Open, New and Exit,
// the message table's OpenChangedBank.
inline const char* const kChangedBankText = BoxMessageFor(MessageId::OpenChangedBank).text;
inline constexpr const char* kCloseCaption = "Exit Vexa";
inline constexpr const char* kOpenCaption = "Open Bank";
inline constexpr const char* kSaveCaption = "Save Bank";
inline constexpr const char* kNewCaption = "New Bank";

// The names last chosen in the two file dialogs: each dialog starts from
// its own, and a file opened from outside the dialog becomes the open one.
struct FileNames {
    BankPath open{};
    BankPath save{};
};

// What the flows ask of the user interface. Every member is required.
struct FileFlowUi {
    void* context = nullptr;
    // A modal message box; returns the button pressed (kIdOk, kIdYes, ...).
    int (*messageBox)(void* context, const char* text, const char* caption, uint32_t style);
    // The open / save dialog, starting from name; true with the chosen path
    // in name, false on Cancel or when the dialog failed.
    bool (*chooseOpenFile)(void* context, BankPath& name);
    bool (*chooseSaveFile)(void* context, BankPath& name);
    // Of a file's several banks, the index the user takes, or -1 for none.
    int (*chooseBank)(void* context, const BankSearch& found);
    // True while a MIDI operation runs.
    bool (*isBusy)(void* context);
    // The document changed (opened or saved): show it again.
    void (*showDocument)(void* context, const BankDocument& document);
    // A bank was opened from or saved to path.
    void (*rememberRecent)(void* context, const char* path);
    // A log line that must not be lost: kept until the log window shows it,
    // even when the window is closed now.
    void (*keepLogLine)(void* context, const char* line);
    // A note in the first status pane, shown until the next command.
    void (*showNote)(void* context, const char* text);
};

// The changed-bank question, asked before the program closes or a command
// replaces the bank: true when the command may go on. With unsaved changes,
// Yes saves (Save As) and goes on once the bank is saved; a save dialog
// cancelled or a save that failed stops the command. No goes on, Cancel
// stops.
bool ConfirmDiscard(BankDocument& document, const AppSettings& settings, FileNames& names,
                    const FileFlowUi& ui, const char* caption = kCloseCaption);

// File > Open (path null) or a file named from outside the open dialog (the
// command line, another copy of the program, a drop, the recent files).
// Refused while an operation runs; then the changed-bank question; then the
// file (a named file first, a file that cannot be opened offers the dialog
// for another); of several banks the one chosen; then the commit. What the
// file held beyond the bank taken is said: each "Skipped" and "Warning" line
// of the search goes to the log as "FILE: ...", and the status bar says how
// many messages were skipped.
void OpenBank(BankDocument& document, const AppSettings& settings, FileNames& names,
              const FileFlowUi& ui, const char* path = nullptr);

// OpenBank of a named file with its bank `bank` (from 1) taken without
// asking and `slot` selected and shown: the library's Open. The same
// refusals, question and reports as OpenBank; a file of single sounds is
// refused as File > Open refuses it. When the file no longer has that bank
// (it changed since the place was found) it opens as OpenBank would, and a
// status note says the place is gone.
void OpenBankAt(BankDocument& document, const AppSettings& settings, FileNames& names,
                const FileFlowUi& ui, const char* path, int bank, Slot slot);

// File > New: a bank of INIT sounds of this kind (M-16C or M-64C), after
// the changed-bank question. Refused while an operation runs.
void NewBank(BankDocument& document, const AppSettings& settings, FileNames& names,
             const FileFlowUi& ui, BankKind kind);

// File > Save As: the stream the kind and the synthesizer setting call for,
// with the settings' channel byte. Nothing without a bank; refused while an
// operation runs.
void SaveBank(BankDocument& document, const AppSettings& settings, FileNames& names,
              const FileFlowUi& ui);
