// The Edit menu and the listing's mouse and keys over the main window's
// state. The decisions (what is selected, what an edit changes, which box
// comes up and with which words) are app/core/document_edit's; this file
// shows the boxes and dialogs and turns pixels and keys into slots.
#include "app/win32/edit_commands.h"

#include <array>
#include <cstring>
#include <string>

#include "app/core/slot_layout.h"
#include "app/view/cp437.h"
#include "app/win32/center_window.h"
#include "app/win32/hand_over.h"
#include "app/win32/listing_view.h"
#include "app/win32/main_window_state.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "app/win32/log_window.h"
#include "app/win32/file_flows.h"
#include "app/win32/dialog_box.h"
#include "ground/shell.h"

namespace {

// ---- The one-field dialog of Rename and Swap With ----

constexpr int kSlotTextSize = 32;

struct SlotTextRequest {
    const char* caption = "";
    std::string label;
    std::array<char, kSlotTextSize> text{};
    int limit = 0;
    bool nameCharsOnly = false;  // refuse what a name cannot hold as it is typed
};

constexpr const char* kPreviousProc = "VexaEditProc";

bool AllNameChars(const char* text) {
    for (; *text != '\0'; ++text)
        if (!IsNameChar(*text)) return false;
    return true;
}

// The name field refuses a character the synthesizer cannot show, typed or
// pasted; control keys (Backspace, Ctrl+C, Ctrl+V ...) work as in any field.
LRESULT CALLBACK NameFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropA(field, kPreviousProc));
    if (message == WM_CHAR && wParam >= 0x20 && !IsNameChar(static_cast<char>(wParam & 0xFF))) {
        MessageBeep(MB_OK);
        return 0;
    }
    if (message == WM_CHAR && wParam > 0xFF) {
        MessageBeep(MB_OK);
        return 0;
    }
    if (message == WM_PASTE && OpenClipboard(field)) {
        bool refused = false;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const auto* text = static_cast<const char*>(GlobalLock(data))) {
                refused = !AllNameChars(text);
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        if (refused) {
            MessageBeep(MB_OK);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(field, kPreviousProc);
    }
    return previous != nullptr ? CallWindowProcA(previous, field, message, wParam, lParam)
                               : DefWindowProcA(field, message, wParam, lParam);
}

INT_PTR CALLBACK SlotTextProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* request = reinterpret_cast<SlotTextRequest*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, request->caption);
        SetDlgItemTextA(dialog, IDC_SLOTTEXT_LABEL, request->label.c_str());
        const HWND field = GetDlgItem(dialog, IDC_SLOTTEXT_EDIT);
        SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(request->limit), 0);
        SetWindowTextA(field, request->text.data());
        if (request->nameCharsOnly) {
            SetPropA(field, kPreviousProc,
                     reinterpret_cast<HANDLE>(GetWindowLongPtrA(field, GWLP_WNDPROC)));
            SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NameFieldProc));
        }
        SendMessageA(field, EM_SETSEL, 0, -1);
        SetFocus(field);
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        return FALSE;  // the focus is on the field
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            auto* request = reinterpret_cast<SlotTextRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
            GetDlgItemTextA(dialog, IDC_SLOTTEXT_EDIT, request->text.data(), kSlotTextSize);
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

bool AskSlotText(HWND owner, SlotTextRequest& request) {
    return RunDialog(owner, IDD_SLOTTEXT, SlotTextProc, reinterpret_cast<LPARAM>(&request),
                     request.caption) == 1;
}

// ---- The patch-tones box: OK, Keep the Tone Numbers, Cancel ----

// EndDialog's results; 0 is Cancel, as for a dialog closed otherwise.
constexpr INT_PTR kTonesOk = 1;
constexpr INT_PTR kTonesKeep = 2;

INT_PTR CALLBACK PatchTonesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_PATCHTONES_TEXT, reinterpret_cast<const char*>(lParam));
        CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialog(dialog, kTonesOk); return TRUE;
        case IDC_KEEPTONES: EndDialog(dialog, kTonesKeep); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

// ---- The table the edits show their boxes through ----

HWND Owner(void* context) { return static_cast<HWND>(context); }

int EditMessageBox(void* context, const char* text, const char* caption, uint32_t style) {
    return MessageBoxA(Owner(context), text, caption, style);
}

Answer EditAskPatchTones(void* context, const char* text) {
    // A multi-line edit field breaks lines at CR LF only.
    std::string shown;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') shown += '\r';
        shown += *c;
    }
    const INT_PTR result = RunDialog(Owner(context), IDD_PATCHTONES, PatchTonesProc,
                                     reinterpret_cast<LPARAM>(shown.c_str()), "patch tones");
    return result == kTonesOk ? Answer::Ok : result == kTonesKeep ? Answer::KeepToneNumbers
                                                                  : Answer::Cancel;
}

// The names go to the system clipboard as Unicode text, so the listing's
// glyphs come out as they are shown.
void EditPutNames(void* context, std::string_view text) {
    if (!OpenClipboard(Owner(context))) {
        LogPrintf("The names could not be put on the clipboard.\n");
        return;
    }
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        if (auto* wide = static_cast<wchar_t*>(GlobalLock(memory))) {
            size_t i = 0;
            for (char c : text) {
                const auto byte = static_cast<uint8_t>(c);
                wide[i++] = c == '\r' || c == '\n' ? static_cast<wchar_t>(c)
                                                   : static_cast<wchar_t>(Cp437ToUtf16(byte));
            }
            wide[i] = L'\0';
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

std::string SlotText(Slot slot) { return std::string(FormatSlot(slot).view()); }

// The selected slot's name as it stands, trailing blanks removed; a byte
// the field cannot hold shows as '?'.
void CurrentName(const BankDocument& document, Slot slot, std::array<char, kSlotTextSize>& text) {
    std::span<const uint8_t> name;
    ToneRecord tone{};
    PatchRecord patch{};
    if (slot.table == SlotTable::Tone) {
        tone = ReadTone(document.image, slot.index);
        name = ToneNameBytes(tone);
    } else {
        patch = ReadPatch(document.image, slot.index);
        name = PatchNameBytes(patch);
    }
    size_t length = name.size();
    while (length > 0 && name[length - 1] == ' ') --length;
    for (size_t i = 0; i < length && i + 1 < text.size(); ++i) {
        const char c = static_cast<char>(name[i]);
        text[i] = IsNameChar(c) ? c : '?';
    }
}

void ShowChanged(const AppState& state) { ShowBankView(state.document, state.settings); }

void ShowSelection(const AppState& state) {
    ScrollSelectionIntoView(state.document);
    RedrawListing();
}

bool Rename(HWND window, AppState& state) {
    const Slot slot = state.document.selection.first;
    SlotTextRequest request;
    request.caption = kRenameCaption;
    request.label = "New name of " + SlotText(slot) + ":";
    request.limit = static_cast<int>(NameLength(slot.table));
    request.nameCharsOnly = true;
    CurrentName(state.document, slot, request.text);
    if (!AskSlotText(window, request)) return false;
    return RenameCommand(state.document, request.text.data(), EditUiFor(window));
}

// The files' sounds, sorted by name, go in at the selection; what was not
// pasted goes to the log, kept there until the log window shows it.
bool PasteFiles(HWND window, AppState& state) {
    const std::vector<std::string> chosen = ChooseSoundFiles(window);
    if (chosen.empty()) return false;
    const std::vector<std::string> sorted = SortedByName(chosen);
    const FilesPaste files = GatherFiles(sorted);
    std::vector<std::string> log;
    const bool changed = PasteFilesCommand(state.document, files, EditUiFor(window), log);
    for (const std::string& line : log) KeepLogLine(line.c_str());
    return changed;
}

bool SwapWith(HWND window, AppState& state) {
    SlotTextRequest request;
    request.caption = kSwapCaption;
    request.label = "Swap " + SlotText(state.document.selection.first) +
                    " with the slot (as T7 or C4):";
    request.limit = 8;
    if (!AskSlotText(window, request)) return false;
    return SwapWithCommand(state.document, request.text.data(), EditUiFor(window));
}

// ---- The listing's mouse and keys ----

// A press on a name, and whether the mouse has left it since (a drag).
struct DragState {
    bool pressed = false;
    bool moved = false;
    Slot from{};
};
// The listing's one drag at a time; UI thread only.
DragState drag;

bool SlotUnder(const BankDocument& document, LPARAM lParam, Slot& slot) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    int line = 0;
    int column = 0;
    return document.loaded && ListingCellAt(point, line, column) &&
           SlotAtCell(document.kind, line, column, slot);
}

bool OnListingKey(AppState& state, WPARAM key) {
    SlotMove move = SlotMove::Down;
    switch (key) {
    case VK_UP: move = SlotMove::Up; break;
    case VK_DOWN: move = SlotMove::Down; break;
    case VK_LEFT: move = SlotMove::Left; break;
    case VK_RIGHT: move = SlotMove::Right; break;
    case VK_TAB: move = SlotMove::OtherTable; break;
    default: return false;
    }
    if (!state.document.loaded) return false;
    MoveSelection(state.document, move, GetKeyState(VK_SHIFT) < 0);
    ShowSelection(state);
    return true;
}

LRESULT CALLBACK ListingProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropA(list, kPreviousProc));
    const HWND window = GetParent(list);
    AppState* state = MainWindowState(window);
    if (state != nullptr) {
        switch (message) {
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTTAB;
        case WM_KEYDOWN:
            // Space hears the selected tone. Not an accelerator: those reach
            // every window of the thread (the Library window's list needs
            // Space too), and a gray item would swallow the key before the
            // status bar could say why nothing is heard.
            if (wParam == VK_SPACE) {
                SendMessageA(window, WM_COMMAND, IDM_AUDITION, 0);
                return 0;
            }
            if (OnListingKey(*state, wParam)) return 0;
            break;
        case WM_CHAR:
            if (wParam == ' ') return 0;  // taken as WM_KEYDOWN above
            break;
        case WM_LBUTTONDOWN: {
            SetFocus(list);
            Slot slot;
            if (!SlotUnder(state->document, lParam, slot)) return 0;
            SelectSlot(state->document, slot, (wParam & MK_SHIFT) != 0);
            ShowSelection(*state);
            drag = {true, false, slot};
            SetCapture(list);
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (!drag.pressed) break;
            Slot slot;
            if (SlotUnder(state->document, lParam, slot) && !(slot == drag.from)) drag.moved = true;
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!drag.pressed) break;
            const DragState ended = drag;
            drag = {};
            ReleaseCapture();
            Slot to;
            if (!ended.moved || !SlotUnder(state->document, lParam, to) || to == ended.from)
                return 0;
            if (IsBusy() != 0) return 0;
            // A flow of its own: a box it shows keeps handed files waiting.
            const FlowScope flow(window);
            if (DragCommand(state->document, ended.from, to, (wParam & MK_CONTROL) != 0,
                            EditUiFor(window)))
                ShowChanged(*state);
            return 0;
        }
        case WM_CAPTURECHANGED: drag = {}; break;
        case WM_LBUTTONDBLCLK: return 0;
        default: break;
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(list, kPreviousProc);
    }
    return previous != nullptr ? CallWindowProcW(previous, list, message, wParam, lParam)
                               : DefWindowProcW(list, message, wParam, lParam);
}

void EnableCommand(HMENU menu, UINT command, bool enabled) {
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

struct MenuCommand {
    UINT id;
    EditCommand command;
};
constexpr std::array<MenuCommand, 8> kMenuCommands = {{
    {IDM_UNDO, EditCommand::Undo},
    {IDM_REDO, EditCommand::Redo},
    {IDM_CUT, EditCommand::Cut},
    {IDM_COPY, EditCommand::Copy},
    {IDM_PASTE, EditCommand::Paste},
    {IDM_RENAME, EditCommand::Rename},
    {IDM_SWAPWITH, EditCommand::SwapWith},
    {IDM_PASTEFILES, EditCommand::PasteFiles},
}};

}  // namespace

EditUi EditUiFor(HWND window) {
    EditUi ui;
    ui.context = window;
    ui.messageBox = EditMessageBox;
    ui.askPatchTones = EditAskPatchTones;
    ui.putNames = EditPutNames;
    return ui;
}

void HandleListingInput(HWND list) {
    if (list == nullptr) return;
    // The list box is a wide window (its lines are UTF-16): its procedure
    // is read and replaced through the wide calls.
    SetPropA(list, kPreviousProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(list, GWLP_WNDPROC)));
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListingProc));
}

void UpdateEditMenu(HMENU popup, const AppState& state, bool busy) {
    for (const MenuCommand& item : kMenuCommands)
        EnableCommand(popup, item.id, CanEdit(state.document, state.clipboard, item.command, busy));
}

bool RunEditCommand(HWND window, UINT command, AppState& state) {
    const MenuCommand* found = nullptr;
    for (const MenuCommand& item : kMenuCommands)
        if (item.id == command) found = &item;
    if (found == nullptr) return false;
    // An accelerator may arrive while its menu item would be gray.
    if (!CanEdit(state.document, state.clipboard, found->command, IsBusy() != 0)) return true;
    const EditUi ui = EditUiFor(window);
    bool changed = false;
    switch (found->command) {
    case EditCommand::Undo: changed = UndoCommand(state.document); break;
    case EditCommand::Redo: changed = RedoCommand(state.document); break;
    case EditCommand::Cut: changed = CutCommand(state.document, state.clipboard, ui); break;
    case EditCommand::Copy: CopyCommand(state.document, state.clipboard, ui); break;
    case EditCommand::Paste: changed = PasteCommand(state.document, state.clipboard, ui); break;
    case EditCommand::Rename: changed = Rename(window, state); break;
    case EditCommand::SwapWith: changed = SwapWith(window, state); break;
    case EditCommand::PasteFiles: changed = PasteFiles(window, state); break;
    }
    if (changed) ShowChanged(state);
    return true;
}

bool FocusIsEditField() {
    const HWND focus = GetFocus();
    char name[16] = {};
    return focus != nullptr && GetClassNameA(focus, name, sizeof name) > 0 &&
           lstrcmpiA(name, "Edit") == 0;
}
