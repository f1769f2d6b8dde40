// The common file dialogs of File > Open and File > Save As, and the table
// that lets the portable flows show their dialogs and boxes on a window.
// What is asked and what the document becomes is app/core/file_flows'.
// UI thread only.
#include "app/win32/file_flows.h"

#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/shell.h"
#include "app/win32/bank_chooser.h"
#include "app/win32/center_window.h"
#include "app/win32/log_window.h"
#include "app/win32/recent_menu.h"
#include "app/win32/status_bar.h"

namespace {

// Each text ends with a zero byte; the literal's own zero ends the list.
constexpr char kOpenFilter[] =
    "Sysex (.syx)\0*.syx\0"
    "Cartridge Images (.c64 .c16)\0*.c64;*.c16\0"
    "Foreign Formats (.jx1 .jx8 .jxp .b63 .opg)\0*.jx1;*.jx8;*.jxp;*.b63;*.opg\0"
    "All Files (*.*)\0*.*\0";
constexpr char kSaveFilter[] = "Sysex (.syx)\0*.syx\0";

// OFN_NOCHANGEDIR: the dialogs leave the process's current folder alone,
// which names from the command line or a drop are resolved against.
constexpr DWORD kOpenFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK |
                             OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_HIDEREADONLY |
                             OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
static_assert(kOpenFlags == 0x8182C && kSaveFlags == 0x8082E);

// The Windows 95/NT4 record size: the fields after lpTemplateName are left
// out, which every comdlg32 accepts. 76 bytes in the 32-bit program.
constexpr DWORD kRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kRecordSize == 76);

constexpr const char* kOpenTitle = "Open Bank";
constexpr const char* kSaveTitle = "Save Bank";

// The dialogs' records, filled once and reused, so that each dialog starts
// with the filter last used in it (the dialog writes it back). Kept here:
// nobody else reads them.
OPENFILENAMEA openDialogRecord;
OPENFILENAMEA saveDialogRecord;

void FillRecord(OPENFILENAMEA& record, const char* filter, const char* title) {
    record = OPENFILENAMEA{};
    record.lStructSize = kRecordSize;
    record.lpstrFilter = filter;
    record.nFilterIndex = 0;
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

// Runs a dialog over owner with its record, the name starting from name;
// name changes only when the user confirms one.
bool RunFileDialog(OPENFILENAMEA& record, HWND owner, DWORD flags, BankPath& name,
                   BOOL(WINAPI* dialog)(LPOPENFILENAMEA), const char* which) {
    static_assert(kBankPathSize == MAX_PATH);
    char buffer[MAX_PATH];
    std::memcpy(buffer, name.data(), MAX_PATH);
    buffer[MAX_PATH - 1] = '\0';
    record.hwndOwner = owner;
    record.lpstrFile = buffer;
    record.lpfnHook = FileDialogHook;
    record.Flags = flags;
    const bool chosen = dialog(&record) != FALSE;
    record.lpstrFile = nullptr;
    if (chosen) {
        std::memcpy(name.data(), buffer, MAX_PATH);
        name[MAX_PATH - 1] = '\0';
        return true;
    }
    LogDialogFailure(which);
    return false;
}

WindowFlows& Of(void* context) { return *static_cast<WindowFlows*>(context); }

int FlowMessageBox(void* context, const char* text, const char* caption, uint32_t style) {
    return MessageBoxA(Of(context).window, text, caption, style);
}
bool FlowChooseOpenFile(void* context, BankPath& name) {
    return ChooseOpenFile(Of(context).window, name);
}
bool FlowChooseSaveFile(void* context, BankPath& name) {
    return ChooseSaveFile(Of(context).window, name);
}
int FlowChooseBank(void* context, const BankSearch& found) {
    return ChooseBank(Of(context).window, found);
}
bool FlowIsBusy(void*) { return IsBusy() != 0; }
void FlowShowDocument(void* context, const BankDocument& document) {
    const WindowFlows& flows = Of(context);
    if (flows.show != nullptr && flows.settings != nullptr) flows.show(document, *flows.settings);
}
void FlowRememberRecent(void*, const char* path) { RememberRecentBank(path); }
void FlowKeepLogLine(void*, const char* line) { KeepLogLine(line); }
void FlowShowNote(void*, const char* text) { ShowStatusNote(text); }

}  // namespace

void InitFileDialogs() {
    FillRecord(openDialogRecord, kOpenFilter, kOpenTitle);
    FillRecord(saveDialogRecord, kSaveFilter, kSaveTitle);
}

bool ChooseOpenFile(HWND owner, BankPath& name) {
    return RunFileDialog(openDialogRecord, owner, kOpenFlags, name, GetOpenFileNameA, "open");
}

bool ChooseSaveFile(HWND owner, BankPath& name) {
    return RunFileDialog(saveDialogRecord, owner, kSaveFlags, name, GetSaveFileNameA, "save");
}

std::vector<std::string> ChooseSoundFiles(HWND owner) {
    // Explorer style with several files: the folder, then each file name,
    // each ended by a zero, the list by a second one; a single file comes
    // back as one whole path. 64 KiB holds hundreds of names.
    std::vector<char> buffer(65536, '\0');
    OPENFILENAMEA record{};
    record.lStructSize = kRecordSize;
    record.hwndOwner = owner;
    record.lpstrFilter = kOpenFilter;
    record.lpstrFile = buffer.data();
    record.nMaxFile = static_cast<DWORD>(buffer.size());
    record.lpstrTitle = "Paste from Files";
    record.lpfnHook = FileDialogHook;
    record.Flags = kOpenFlags | OFN_ALLOWMULTISELECT;
    std::vector<std::string> paths;
    if (GetOpenFileNameA(&record) == FALSE) {
        LogDialogFailure("paste from files");
        return paths;
    }
    const std::string first(buffer.data());
    const char* name = buffer.data() + first.size() + 1;
    if (*name == '\0') {
        paths.push_back(first);
        return paths;
    }
    const bool rooted = !first.empty() && (first.back() == '\\' || first.back() == '/');
    for (; *name != '\0'; name += std::strlen(name) + 1)
        paths.push_back(first + (rooted ? "" : "\\") + name);
    return paths;
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

FileFlowUi FileFlowUiFor(WindowFlows& flows) {
    FileFlowUi ui;
    ui.context = &flows;
    ui.messageBox = FlowMessageBox;
    ui.chooseOpenFile = FlowChooseOpenFile;
    ui.chooseSaveFile = FlowChooseSaveFile;
    ui.chooseBank = FlowChooseBank;
    ui.isBusy = FlowIsBusy;
    ui.showDocument = FlowShowDocument;
    ui.rememberRecent = FlowRememberRecent;
    ui.keepLogLine = FlowKeepLogLine;
    ui.showNote = FlowShowNote;
    return ui;
}

void OpenBankCommand(HWND window, AppState& state, ShowDocument show, const char* path) {
    WindowFlows flows{window, &state.settings, show};
    OpenBank(state.document, state.settings, state.fileNames, FileFlowUiFor(flows), path);
}

void OpenBankAtCommand(HWND window, AppState& state, ShowDocument show, const char* path, int bank,
                       Slot slot) {
    WindowFlows flows{window, &state.settings, show};
    OpenBankAt(state.document, state.settings, state.fileNames, FileFlowUiFor(flows), path, bank,
               slot);
}

void SaveBankCommand(HWND window, AppState& state, ShowDocument show) {
    WindowFlows flows{window, &state.settings, show};
    SaveBank(state.document, state.settings, state.fileNames, FileFlowUiFor(flows));
}

void NewBankCommand(HWND window, AppState& state, ShowDocument show, BankKind kind) {
    WindowFlows flows{window, &state.settings, show};
    NewBank(state.document, state.settings, state.fileNames, FileFlowUiFor(flows), kind);
}

bool ConfirmClose(HWND window, AppState& state, ShowDocument show) {
    WindowFlows flows{window, &state.settings, show};
    return ConfirmDiscard(state.document, state.settings, state.fileNames, FileFlowUiFor(flows));
}
