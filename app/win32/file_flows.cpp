// File > Open, File > Save As and the prompt that guards a changed bank on
// close. These flows decide what is asked and in which order, and what the
// program's bank state becomes (and, for a file of several banks, which one
// is taken); reading, recognising, encoding and writing the bytes is done by
// the bank library. UI thread only.
#include "app/win32/file_flows.h"

#include <atomic>
#include <cstddef>
#include <cstring>

#include "ground/mailbox.h"
#include "ground/resource.h"
#include "ground/settings.h"
#include "ground/shell.h"
#include "app/view/found_banks.h"
#include "app/win32/bank_chooser.h"
#include "app/win32/center_window.h"
#include "app/win32/recent_menu.h"
#include "app/win32/shell_win32.h"
#include "bank/bank_file.h"
#include "bank/bank_image.h"
#include "bank/bank_stream.h"
#include "bank/open_bank.h"

OPENFILENAMEA openDialogRecord;
OPENFILENAMEA saveDialogRecord;
char openFileName[MAX_PATH];
char saveFileName[MAX_PATH];

namespace {

// Each text ends with a zero byte; the literal's own zero ends the list.
constexpr char kOpenFilter[] =
    "Sysex (.syx)\0*.syx\0"
    "Cartridge Images (.c64 .c16)\0*.c64;*.c16\0"
    "Foreign Formats (.jx1 .jx8 .jxp .b63 .opg)\0*.jx1;*.jx8;*.jxp;*.b63;*.opg\0"
    "All Files (*.*)\0*.*\0";
constexpr char kSaveFilter[] = "Sysex (.syx)\0*.syx\0";

constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
constexpr DWORD kSaveFlags =
    OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(kOpenFlags == 0x81824 && kSaveFlags == 0x80826);

// The Windows 95/NT4 record size: the fields after lpTemplateName are left
// out, which every comdlg32 accepts. 76 bytes in the 32-bit program.
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kRecordSize == 76);

constexpr const char* kOpenCaption = "Open Bank";
constexpr const char* kSaveCaption = "Save Bank";

void FillRecord(OPENFILENAMEA& record, const char* filter, char* fileName, const char* title) {
    record = OPENFILENAMEA{};
    record.lStructSize = kRecordSize;
    record.lpstrFilter = filter;
    record.nFilterIndex = 0;
    record.lpstrFile = fileName;
    record.nMaxFile = MAX_PATH;
    record.lpstrTitle = title;
    record.lpstrDefExt = "syx";
}

// A failed (not cancelled) dialog ends the flow silently; the log says why.
void LogDialogFailure(const char* which) {
    const DWORD error = CommDlgExtendedError();
    if (error != 0) {
        LogPrintf("The %s dialog failed (common dialog error %lu).\n", which,
                  static_cast<unsigned long>(error));
    }
}

void ShowError(HWND window, MessageId message, std::string_view value = {}) {
    ShowMessage(window, message, MB_ICONERROR, value);
}

// Encodes the bank as the stream Save As writes for its kind and the
// synthesizer setting, and writes it. The byte count written, or -1 (also
// for a kind that has no stream).
int32_t EncodeAndWrite(const char* fileName) {
    const uint8_t channel = ChannelByte(appSettings);
    const BankStream stream =
        SaveAsStream(bankKind.load(std::memory_order_acquire), appSettings.synthType);
    const size_t length = EncodeBankStream(stream, BankImage, TransferBuffer, channel);
    if (length == 0) return -1;
    const auto count = static_cast<int32_t>(length);
    const int32_t written = WriteBankFile(fileName, TransferBuffer.data(), count);
    return written == count ? written : -1;
}

}  // namespace

void InitFileDialogs() {
    FillRecord(openDialogRecord, kOpenFilter, openFileName, kOpenCaption);
    FillRecord(saveDialogRecord, kSaveFilter, saveFileName, kSaveCaption);
}

bool ChooseOpenFile(HWND owner) {
    openDialogRecord.hwndOwner = owner;
    openDialogRecord.lpstrFile = openFileName;
    openDialogRecord.lpfnHook = FileDialogHook;
    openDialogRecord.Flags = kOpenFlags;
    if (GetOpenFileNameA(&openDialogRecord)) {
        return true;
    }
    LogDialogFailure("open");
    return false;
}

bool ChooseSaveFile(HWND owner) {
    saveDialogRecord.hwndOwner = owner;
    saveDialogRecord.lpstrFile = saveFileName;
    saveDialogRecord.lpfnHook = FileDialogHook;
    saveDialogRecord.Flags = kSaveFlags;
    if (GetSaveFileNameA(&saveDialogRecord)) {
        return true;
    }
    LogDialogFailure("save");
    return false;
}

UINT_PTR CALLBACK FileDialogHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    // The hook's window is a child of the Explorer-style box; the box is
    // what gets centred, over the box's owner.
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
        const HWND box = GetParent(hook);
        CenterWindow(box, GetWindow(box, GW_OWNER));
    }
    return 0;
}

bool ConfirmDiscard(HWND window) {
    if (!bankLoaded.load(std::memory_order_acquire) ||
        !bankModified.load(std::memory_order_acquire)) {
        return true;
    }
    switch (ShowMessage(window, MessageId::ExitChangedBank, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        // The program stays open and the save dialog comes up; the user
        // closes again once the bank is saved.
        PostMessageA(window, WM_COMMAND, IDM_SAVEAS, 0);
        return false;
    case IDNO: return true;
    default: return false;
    }
}

namespace {

// The start of every open: refused while an operation runs (Open is grayed
// then; a stray command, a file handed over or dropped must not overwrite
// the bank under the worker either), then the prompt for a changed bank.
// True when the open may go on.
bool MayOpen(HWND window) {
    if (IsBusy()) {
        LogPrintf("A bank cannot be opened while an operation runs.\n");
        return false;
    }
    if (bankLoaded.load(std::memory_order_acquire) &&
        bankModified.load(std::memory_order_acquire)) {
        const int answer =
            ShowMessage(window, MessageId::OpenChangedBank, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDYES) {
            PostMessageA(window, WM_COMMAND, IDM_SAVEAS, 0);
            return false;
        }
        if (answer != IDNO) {
            return false;
        }
    }
    return true;
}

// The open flow from the file's name on. A named file (haveName) is tried
// first; a file that cannot be opened offers the open dialog for another,
// as a file picked there does.
void OpenFlow(HWND window, bool haveName) {
    OpenedBankFile opened;
    OpenBankResult result = OpenBankResult::CannotOpen;
    for (;;) {
        if (!haveName && !ChooseOpenFile(window)) {
            return;
        }
        haveName = false;
        result = OpenBankFile(openFileName, opened);
        if (result != OpenBankResult::CannotOpen) {
            break;
        }
        if (ShowMessage(window, MessageId::CannotOpenFile, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
            return;
        }
    }
    switch (result) {
    case OpenBankResult::Opened: break;
    case OpenBankResult::TooLarge:
        ShowError(window, MessageId::FileTooLarge);
        return;
    case OpenBankResult::CannotRead:
    case OpenBankResult::CannotOpen:
        ShowError(window, MessageId::CannotReadFile);
        return;
    case OpenBankResult::NotABank:
        ShowError(window, MessageId::NoBankInFile, RefusalReason(opened.found));
        return;
    }
    // Of several banks the user takes one; Cancel leaves the bank in memory
    // as it was.
    size_t chosen = 0;
    if (opened.found.banks.size() > 1) {
        const int index = ChooseBank(window, opened.found);
        if (index < 0) {
            return;
        }
        chosen = static_cast<size_t>(index);
    }
    const BankKind kind = PutFoundBank(opened.found.banks[chosen], BankImage);
    // Image first, then its kind, then the flags (release), as the bank's
    // readers expect. The bank now equals a file on disk: nothing unsaved.
    bankKind.store(kind, std::memory_order_release);
    bankLoaded.store(1, std::memory_order_release);
    bankModified.store(0, std::memory_order_release);
    RefreshBankView();
    RememberRecentBank(openFileName);
}

}  // namespace

void OpenBankCommand(HWND window) {
    if (MayOpen(window)) OpenFlow(window, false);
}

void OpenNamedBank(HWND window, const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    const size_t length = std::strlen(path);
    if (length >= sizeof openFileName) {
        ShowError(window, MessageId::CannotReadFile);
        return;
    }
    if (!MayOpen(window)) return;
    // The name goes where the open dialog leaves its choice: the dialog, if
    // it comes up, starts from it.
    std::memcpy(openFileName, path, length + 1);
    OpenFlow(window, true);
}

void SaveBankCommand(HWND window) {
    if (!bankLoaded.load(std::memory_order_acquire)) {
        return;
    }
    // Encoding uses TransferBuffer, which a running receive is filling (the
    // close prompt's Yes can bring us here mid-operation): refuse instead.
    if (IsBusy()) {
        ShowError(window, MessageId::SaveFailed);
        return;
    }
    if (!ChooseSaveFile(window)) {
        return;
    }
    if (IsBusy() || EncodeAndWrite(saveFileName) < 0) {
        ShowError(window, MessageId::SaveFailed);
        return;
    }
    bankModified.store(0, std::memory_order_release);
    RefreshBankView();
    RememberRecentBank(saveFileName);
}
