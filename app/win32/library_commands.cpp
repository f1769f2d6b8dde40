// The library's commands over the main window; see the header. The indexer
// hangs on the main window as a window property (its owner is the start-up's
// frame, beside the application state), its progress is polled by a timer
// of its own while an update runs, and every database question of the UI
// thread goes through a connection opened for that command alone.
#include "app/win32/library_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/document_edit.h"
#include "app/core/library/library_clipboard.h"
#include "app/core/library/library_indexer.h"
#include "app/core/library/library_location.h"
#include "app/win32/audition_command.h"
#include "app/win32/center_window.h"
#include "app/win32/edit_commands.h"
#include "app/win32/file_flows.h"
#include "app/win32/folder_browser.h"
#include "app/win32/hand_over.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/main_window_state.h"
#include "app/win32/resource.h"
#include "app/win32/status_bar.h"
#include "app/win32/dialog_box.h"
#include "ground/mailbox.h"
#include "ground/shell.h"

namespace {

constexpr char kIndexerProperty[] = "VexaLibraryIndexer";
// Apart from the main timer (kMainTimerId): this one runs only while an
// update does, and goes to LibraryTimerProc rather than the window.
constexpr UINT_PTR kLibraryTimerId = 0x4C49;
constexpr UINT kLibraryTimerMs = 200;
// How long a command waits for a running update to stop before it writes.
constexpr int kStopWaits = 500;
constexpr DWORD kStopWaitMs = 10;

LibraryIndexer* IndexerOf(HWND mainWindow) {
    return mainWindow == nullptr
               ? nullptr
               : static_cast<LibraryIndexer*>(GetPropA(mainWindow, kIndexerProperty));
}

std::string Utf8(const std::wstring& wide) {
    const std::u8string text = std::filesystem::path(wide).u8string();
    return std::string(text.begin(), text.end());
}

std::wstring Wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// The environment read wide, handed on as UTF-8 (a user name with an accent
// is no ANSI text). The value lives until the next call; UI thread only.
const char* Environment(const char* name) {
    static std::string value;
    const std::wstring wide(name, name + std::strlen(name));
    const wchar_t* found = _wgetenv(wide.c_str());
    if (found == nullptr) return nullptr;
    value = Utf8(found);
    return value.c_str();
}

// The status bar and the log show ANSI text; the library's paths are
// UTF-8. What the code page lacks shows as "?".
std::string Ansi(const std::string& utf8) {
    const std::wstring wide = Wide(utf8);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                            size, nullptr, nullptr);
    return text;
}

void Log(const std::string& line) { KeepLogLine(Ansi(line).c_str()); }
void Note(const std::string& line) { ShowStatusNote(Ansi(line).c_str()); }

// A line for the log that the user must see, and the same in the status bar.
void Tell(const std::string& line) {
    Log(line);
    Note(line);
}

// Opens the database for one command of the UI thread; false (said) when
// it cannot be had. A damaged one set aside is said too.
bool OpenForCommand(LibraryConnection& connection) {
    const std::string path = LibraryDatabasePath();
    if (path.empty()) {
        Tell("Library: there is no place for its database (APPDATA is not set)");
        return false;
    }
    std::string message;
    const LibraryStatus status = OpenLibrary(path, connection, message);
    // A damaged database set aside is said even though the command goes on.
    if (!message.empty()) Tell("Library: " + message);
    return status == LibraryStatus::kOk;
}

// A running update stops before a command writes the folder list: the two
// would wait on each other's writes. It stops at its next file and keeps
// what it read; its result is dropped.
void StopUpdate(LibraryIndexer& indexer, HWND mainWindow) {
    if (!indexer.Running()) return;
    indexer.Cancel();
    IndexerResult dropped;
    for (int wait = 0; wait < kStopWaits && !indexer.TakeResult(dropped); ++wait)
        Sleep(kStopWaitMs);
    if (!indexer.Running()) {
        KillTimer(mainWindow, kLibraryTimerId);
        ShowProgressOnBar(0, 0);
    }
}

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The end of an update, told: problems in the log, the outcome as a note.
// A database that could not be used, or was set aside as damaged, is the
// note itself; the counts then go to the log.
void ReportResult(const IndexerResult& result, bool transferRuns) {
    for (const std::string& problem : result.report.problems) Log("Library: " + problem);
    std::string note;
    if (result.status == LibraryStatus::kOk || result.status == LibraryStatus::kCancelled) {
        std::string counts = "Library: " + Count(result.sounds, "sound", "sounds") + " in " +
                             Count(result.report.files, "file", "files") + ", " +
                             Count(result.notSounds, "not sound", "not sounds");
        if (result.status == LibraryStatus::kCancelled) counts += " (stopped before its end)";
        if (!result.report.problems.empty()) counts += "; see the log window";
        if (result.openNote.empty()) {
            note = counts;
        } else {
            Log(counts);
            note = "Library: " + result.openNote;
        }
    } else {
        note = "Library: " + result.message;
    }
    Log(note);
    // A transfer's texts have the bar; the log has the outcome then.
    if (!transferRuns) Note(note);
}

void CALLBACK LibraryTimerProc(HWND mainWindow, UINT, UINT_PTR, DWORD) {
    LibraryIndexer* indexer = IndexerOf(mainWindow);
    if (indexer == nullptr) {
        KillTimer(mainWindow, kLibraryTimerId);
        return;
    }
    const bool transferRuns = IsBusy() != 0;
    IndexerResult result;
    if (indexer->TakeResult(result)) {
        KillTimer(mainWindow, kLibraryTimerId);
        if (!transferRuns) ShowProgressOnBar(0, 0);
        ReportResult(result, transferRuns);
        return;
    }
    // A transfer's progress has the bar; a note stays until the next command.
    if (transferRuns || StatusNoteShown()) return;
    const IndexerProgress progress = indexer->Progress();
    std::string text = "Library: looking through the folders ...";
    if (progress.total != 0) {
        text = "Library: " + std::to_string(progress.done) + " of " +
               std::to_string(progress.total) + " files";
        const size_t slash = progress.file.find_last_of("/\\");
        if (!progress.file.empty())
            text += " (" + progress.file.substr(slash == std::string::npos ? 0 : slash + 1) + ")";
    }
    ShowStatus(Ansi(text).c_str());
    ShowProgressOnBar(static_cast<int32_t>(progress.done), static_cast<int32_t>(progress.total));
}

// ---- The folder dialog: a path typed, or chosen with Browse... ----

struct FolderRequest {
    std::wstring folder;
};

INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        SetFocus(GetDlgItem(dialog, IDC_LIBFOLDER_EDIT));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LIBFOLDER_BROWSE: {
            std::wstring folder;
            if (BrowseForFolder(dialog, L"The folder whose sounds the library reads:", folder))
                SetDlgItemTextW(dialog, IDC_LIBFOLDER_EDIT, folder.c_str());
            return TRUE;
        }
        case IDOK: {
            auto* request = reinterpret_cast<FolderRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
            const HWND field = GetDlgItem(dialog, IDC_LIBFOLDER_EDIT);
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
            text.resize(static_cast<size_t>(
                GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
            // Blanks around a pasted path are no part of it.
            const size_t first = text.find_first_not_of(L" \t");
            const size_t last = text.find_last_not_of(L" \t");
            request->folder =
                first == std::wstring::npos ? L"" : text.substr(first, last - first + 1);
            if (request->folder.empty()) {
                MessageBeep(MB_OK);
                return TRUE;
            }
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

// ---- The list dialog: Remove Folder's choice, the files of no sound ----

struct ListRequest {
    const char* caption = "";
    std::string label;
    std::vector<std::string> lines;  // UTF-8
    bool choose = false;             // a line must be chosen; Cancel shown
    int chosen = -1;
};

INT_PTR CALLBACK ListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* request = reinterpret_cast<ListRequest*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, request->caption);
        SetDlgItemTextA(dialog, IDC_LIBLIST_LABEL, request->label.c_str());
        const HWND list = GetDlgItem(dialog, IDC_LIBLIST);
        int widest = 0;
        const HDC dc = GetDC(list);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
        const HGDIOBJ old = SelectObject(dc, font);
        for (const std::string& line : request->lines) {
            const std::wstring wide = Wide(line);
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
            SIZE size{};
            if (GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size))
                widest = std::max(widest, static_cast<int>(size.cx));
        }
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        // Long paths can be scrolled to.
        SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        if (!request->choose) ShowWindow(GetDlgItem(dialog, IDCANCEL), SW_HIDE);
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        SetFocus(list);
        return FALSE;
    }
    case WM_COMMAND: {
        auto* request = reinterpret_cast<ListRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        const bool doubleClick = LOWORD(wParam) == IDC_LIBLIST && HIWORD(wParam) == LBN_DBLCLK;
        if (LOWORD(wParam) == IDOK || (doubleClick && request->choose)) {
            const LRESULT selected = SendDlgItemMessageW(dialog, IDC_LIBLIST, LB_GETCURSEL, 0, 0);
            request->chosen = selected == LB_ERR ? -1 : static_cast<int>(selected);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

bool ShowList(HWND owner, ListRequest& request) {
    return RunDialog(owner, IDD_LIBRARYLIST, ListDialogProc, reinterpret_cast<LPARAM>(&request),
                     request.caption) == 1;
}

SlotTable TableOf(SoundKind kind) {
    return kind == SoundKind::kPatch ? SlotTable::Patch : SlotTable::Tone;
}

}  // namespace

void AttachLibraryIndexer(HWND mainWindow, LibraryIndexer& indexer) {
    SetPropA(mainWindow, kIndexerProperty, &indexer);
}

void EndLibraryUpdates(HWND mainWindow) {
    LibraryIndexer* indexer = IndexerOf(mainWindow);
    if (indexer == nullptr) return;
    indexer->Cancel();
    KillTimer(mainWindow, kLibraryTimerId);
    RemovePropA(mainWindow, kIndexerProperty);
}

std::string LibraryDatabasePath() {
    const char* named = Environment("VEXA_LIBRARY_DB");
    if (named != nullptr && *named != '\0') return named;
    return LibraryDatabasePath(ThisLibrarySystem(), Environment);
}

void StartLibraryUpdate(HWND mainWindow) {
    LibraryIndexer* indexer = IndexerOf(mainWindow);
    if (indexer == nullptr || indexer->Running()) return;
    const std::string path = LibraryDatabasePath();
    if (path.empty()) {
        Tell("Library: there is no place for its database (APPDATA is not set)");
        return;
    }
    if (!indexer->Start(path)) {
        Tell("Library: the update could not be started (no thread to run it)");
        return;
    }
    if (SetTimer(mainWindow, kLibraryTimerId, kLibraryTimerMs, LibraryTimerProc) == 0) {
        // Without its timer nobody would take the result: no update then.
        indexer->Cancel();
        IndexerResult dropped;
        while (!indexer->TakeResult(dropped)) Sleep(kStopWaitMs);
        Tell("Library: the update could not be started (no timer left)");
    }
}

bool LibraryUpdateRunning(HWND mainWindow) {
    const LibraryIndexer* indexer = IndexerOf(mainWindow);
    return indexer != nullptr && indexer->Running();
}

void AddLibraryFolderCommand(HWND owner, HWND mainWindow) {
    LibraryIndexer* indexer = IndexerOf(mainWindow);
    if (indexer == nullptr) return;
    FolderRequest request;
    if (RunDialog(owner, IDD_LIBRARYFOLDER, FolderDialogProc, reinterpret_cast<LPARAM>(&request),
                  "Add Library Folder") != 1)
        return;
    StopUpdate(*indexer, mainWindow);
    LibraryConnection connection;
    if (!OpenForCommand(connection)) return;
    std::string message;
    const std::string folder = Utf8(request.folder);
    if (AddLibraryFolder(connection, folder, message) != LibraryStatus::kOk) {
        Tell("Library: " + (message.empty() ? folder + " was not added" : message));
        return;
    }
    connection.Close();
    StartLibraryUpdate(mainWindow);
}

void RemoveLibraryFolderCommand(HWND owner, HWND mainWindow) {
    LibraryIndexer* indexer = IndexerOf(mainWindow);
    if (indexer == nullptr) return;
    LibraryConnection connection;
    if (!OpenForCommand(connection)) return;
    ListRequest request;
    request.caption = "Remove Library Folder";
    request.label = "The folder to remove from the library (its files stay where they are):";
    request.choose = true;
    if (ListLibraryFolders(connection, request.lines) != LibraryStatus::kOk) {
        Tell("Library: the folders could not be read from its database");
        return;
    }
    if (request.lines.empty()) {
        Note("Library: it has no folder yet (Add Folder...)");
        return;
    }
    if (!ShowList(owner, request) || request.chosen < 0) return;
    const std::string folder = request.lines[static_cast<size_t>(request.chosen)];
    // An update would read the folder on; it starts again for the others.
    const bool wasRunning = indexer->Running();
    StopUpdate(*indexer, mainWindow);
    std::string message;
    if (RemoveLibraryFolder(connection, folder, message) != LibraryStatus::kOk) {
        Tell("Library: " + (message.empty() ? folder + " was not removed" : message));
        return;
    }
    connection.Close();
    Note("Library: " + folder + " removed");
    if (wasRunning) StartLibraryUpdate(mainWindow);
}

void ShowNotSoundsCommand(HWND owner, HWND) {
    LibraryConnection connection;
    if (!OpenForCommand(connection)) return;
    std::vector<NotSoundsFile> files;
    if (ListNotSounds(connection, files) != LibraryStatus::kOk) {
        Tell("Library: the files of no sound could not be read from its database");
        return;
    }
    if (files.empty()) {
        Note("Library: every file read holds sounds");
        return;
    }
    ListRequest request;
    request.caption = "Not Sounds";
    request.label = "Files of the library folders that hold no sound, and why:";
    for (const NotSoundsFile& file : files) request.lines.push_back(file.file + ": " + file.reason);
    ShowList(owner, request);
}

void CopyLibrarySoundsCommand(HWND mainWindow, std::span<const SoundPlace> places) {
    AppState* state = MainWindowState(mainWindow);
    if (state == nullptr || places.empty()) return;
    const LibraryCopy copy = CopyLibrarySounds(places);
    for (const std::string& line : copy.leftOut) Log("Not copied: " + line);
    const std::string leftOut =
        copy.leftOut.empty()
            ? ""
            : ", " + Count(copy.leftOut.size(), "left out", "left out") + " (see the log window)";
    if (copy.clipboard.count == 0) {
        // The clipboard keeps what it held.
        Note("Nothing copied" + leftOut);
        return;
    }
    state->clipboard = copy.clipboard;
    const EditUi ui = EditUiFor(mainWindow);
    ui.putNames(ui.context, ClipboardText(state->clipboard).view());
    const size_t copied = static_cast<size_t>(copy.clipboard.count);
    const bool tones = copy.clipboard.table == SlotTable::Tone;
    Note(Count(copied, tones ? "tone copied" : "patch copied",
               tones ? "tones copied" : "patches copied") +
         leftOut);
}

void OpenLibrarySoundCommand(HWND mainWindow, const SoundPlace& place, SoundKind kind) {
    AppState* state = MainWindowState(mainWindow);
    if (state == nullptr || RefuseDuringFlow(IDM_OPEN)) return;
    const FlowScope flow(mainWindow);
    ClearStatusNote();
    const Slot slot{TableOf(kind), static_cast<int>(place.slot)};
    OpenBankAtCommand(mainWindow, *state, ShowBankView, place.file.c_str(),
                      static_cast<int>(place.bank), slot);
}

void PasteLibrarySoundAt(HWND mainWindow, const SoundPlace& place, SoundKind kind, Slot target) {
    AppState* state = MainWindowState(mainWindow);
    if (state == nullptr || RefuseDuringFlow(IDM_PASTE)) return;
    BankDocument& document = state->document;
    // As Edit > Paste: only into a bank that is there, and not while a
    // transfer works on it.
    if (!document.loaded || IsBusy() != 0 || !SlotInBank(document.kind, target)) return;
    const FlowScope flow(mainWindow);
    ClearStatusNote();
    SoundPlace taken = place;
    taken.kind = kind;
    const LibraryCopy copy = CopyLibrarySounds({&taken, 1});
    if (copy.clipboard.count == 0) {
        for (const std::string& line : copy.leftOut) Tell("Not pasted: " + line);
        return;
    }
    // The drop's own clipboard: what Copy took stays for Paste.
    SelectSlot(document, target, false);
    PasteCommand(document, copy.clipboard, EditUiFor(mainWindow));
    ShowBankView(document, state->settings);
}

void AuditionLibrarySound(HWND mainWindow, const SoundPlace& place) {
    if (MainWindowState(mainWindow) == nullptr) return;
    // A patch cannot be heard yet: the same words as the main window's.
    if (place.kind == SoundKind::kPatch) {
        Note(AuditionRefusal(mainWindow, AuditionSound::Patch));
        return;
    }
    ToneRecord tone{};
    std::string why;
    if (!ReadLibraryTone(place, tone, why)) {
        Tell("Not auditioned: " + PlaceText(place.kind, place) + ": " + why);
        return;
    }
    StartAudition(mainWindow, tone);
}
