// The Library window in the running shell, as a person uses it: View >
// Library over an empty index kept in a temporary folder; Library > Add
// Folder with a folder of single-tone files and a JX-8P cartridge image
// (two of the files the same tone under two names), read in the
// background; a part of a name typed and the rows read back; Tab and
// Shift+Tab between the field, the Audition button and the list; Shift+F10's
// menu; a sound unfolded into its two places with the Right arrow and
// folded with a click on its sign; three sounds copied with Ctrl+C into a
// new bank and pasted there, checked by their bytes; a line dragged onto a
// slot of the listing; and Enter on a sound opening its cartridge with its
// slot selected.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/win32/library_window.h"
#include "app/win32/listing_view.h"
#include "app/win32/resource.h"
#include "ground/settings.h"
#include "tests/app/core/library/library_test_files.h"
#include "tests/app/win32/gui_harness.h"

namespace {

using namespace library_files;
namespace fs = std::filesystem;

void NoOperation(int32_t, void*) {}

void Write(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The rows as the list shows them: each row's six cells.
using Row = std::array<std::string, 6>;
std::vector<Row> Rows(HWND list) {
    std::vector<Row> rows(static_cast<size_t>(ListView_GetItemCount(list)));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < 6; ++c) {
            wchar_t cell[300] = {};
            LVITEMW item{};
            item.iSubItem = static_cast<int>(c);
            item.pszText = cell;
            item.cchTextMax = 300;
            SendMessageW(list, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
            for (const wchar_t* w = cell; *w != 0; ++w) rows[r][c].push_back(static_cast<char>(*w));
        }
    }
    return rows;
}

std::string Names(const std::vector<Row>& rows) {
    std::string names;
    for (const Row& row : rows) names += row[0] + "|";
    return names;
}

// Selects rows [first, first + count) and gives the list the focus.
void SelectRows(HWND list, int first, int count) {
    gui::RunOnUiThread([&] {
        SetFocus(list);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int i = first; i < first + count; ++i)
            ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(list, first, LVIS_FOCUSED, LVIS_FOCUSED);
    });
}

HWND Focus() {
    HWND focus = nullptr;
    gui::RunOnUiThread([&] { focus = GetFocus(); });
    return focus;
}

void Search(HWND field, const char* text) {
    gui::RunOnUiThread([&] { SetWindowTextA(field, text); });
}

Bytes ToneOf(const uint8_t* image, size_t slot) {
    const uint8_t* tone = image + kToneAt + kToneSize * slot;
    return Bytes(tone, tone + kToneSize);
}

// Library > Add Folder..., the folder typed into its dialog.
bool AddFolder(HWND library, const fs::path& folder) {
    PostMessageA(library, WM_COMMAND, kLibraryAddFolder, 0);
    HWND dialog = gui::FindDialog("Add Library Folder", library);
    if (dialog == nullptr) return false;
    SetDlgItemTextW(dialog, IDC_LIBFOLDER_EDIT, folder.wstring().c_str());
    gui::PressButton(dialog, IDOK);
    return gui::WaitWindowGone(dialog);
}

Bytes StringsImage() {
    const Bytes message = Jx8pToneMessage("STRINGS", 12);
    Bytes image = EmptyM16C();
    std::copy_n(message.begin() + 7, kToneSize, image.begin() + kToneAt);
    return image;
}

POINT Centre(HWND window, const RECT& rect) {
    POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(window, &point);
    return point;
}

// Presses the mouse on a line of the list, moves it past the drag distance
// and lets go over a slot of the main window's listing, as a hand would.
void DragLineOntoSlot(HWND library, HWND list, int line, Slot slot) {
    // The library beside the main window, not over its listing.
    RECT main{};
    GetWindowRect(gui::MainWindow(), &main);
    SetWindowPos(library, nullptr, main.right + 10, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT row{};
    ListView_GetItemRect(list, line, &row, LVIR_LABEL);
    const POINT from = Centre(list, row);
    RECT cell{};
    gui::RunOnUiThread([&] { SlotCellRect(gui::Document(), slot, cell); });
    const POINT to = Centre(ListingWindow(), cell);
    SetCursorPos(from.x, from.y);
    POINT local = from;
    ScreenToClient(list, &local);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
    for (int step = 1; step <= 4; ++step)
        PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(local.x + 10 * step, local.y + 10 * step));
    Sleep(300);
    SetCursorPos(to.x, to.y);
    POINT over = to;
    ScreenToClient(library, &over);
    PostMessageA(library, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
    PostMessageA(library, WM_LBUTTONUP, 0, MAKELPARAM(over.x, over.y));
}

TEST(LibraryGui, AddFolderFindCopyIntoANewBankAndOpenWithEnter) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const fs::path root = fs::path(temp) / "vexa_library_gui";
    std::error_code ignored;
    fs::remove_all(root, ignored);
    const fs::path sounds = root / "sounds";
    Write(sounds / "brass.syx", Jx8pToneMessage("BRASS 1", 11));
    Write(sounds / "horns.syx", Jx8pToneMessage("HORNS", 11));
    Write(sounds / "keys" / "strings.syx", Jx8pToneMessage("STRINGS", 12));
    const Bytes pads = M16CBank("PAD", 100);
    Write(sounds / "keys" / "pads.c16", pads);
    ASSERT_EQ(_putenv_s("VEXA_LIBRARY_DB", (root / "index" / "library.db").string().c_str()), 0);

    gui::StartOptions options;
    options.operationRunner = NoOperation;
    options.writeSettings = true;
    options.synthType = kSynthJx8p;
    ASSERT_NE(gui::StartShell(options), nullptr);
    gui::PostMenuCommand(IDM_LIBRARY);
    HWND library = nullptr;
    // Shown once it is made, its controls with it.
    ASSERT_TRUE(gui::WaitFor([&] {
        library = FindLibraryWindow(gui::MainWindow());
        return library != nullptr && IsWindowVisible(library);
    }));
    HWND list = GetDlgItem(library, kLibraryListId);
    HWND search = GetDlgItem(library, kLibrarySearchId);
    HWND count = GetDlgItem(library, kLibraryCountId);
    ASSERT_TRUE(gui::WaitFor([&] { return Text(count).starts_with("0 of 0 sounds"); }))
        << Text(count);

    // Library > Add Folder..., the folder typed, and the index read in the
    // background: the window notices the new sounds by itself.
    ASSERT_TRUE(AddFolder(library, sounds));
    ASSERT_TRUE(gui::WaitFor([&] { return Text(count) == "34 of 34 sounds shown"; }, 60000))
        << Text(count);

    // A part of a name, in another case: the sound with two names, once.
    Search(search, "orns");
    ASSERT_TRUE(gui::WaitFor([&] { return Text(count) == "1 of 34 sounds shown"; })) << Text(count);
    std::vector<Row> rows = Rows(list);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{"+ BRASS 1 / HORNS", "Tone", (sounds / "brass.syx").string(), "", "T1", "2"}));
    SelectRows(list, 0, 1);
    // A tone on the JX-8P can be heard: the button takes part in Tab.
    HWND audition = GetDlgItem(library, kLibraryAudition);
    ASSERT_TRUE(gui::WaitFor([&] { return IsWindowEnabled(audition) != FALSE; }));
    gui::PressKeyIn(library, VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(gui::WaitFor([&] { return Focus() == audition; }));
    gui::PressKeyIn(library, VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(gui::WaitFor([&] { return Focus() == search; }));
    gui::PressKeyIn(library, VK_TAB);
    gui::PressKeyIn(library, VK_TAB);
    ASSERT_TRUE(gui::WaitFor([&] { return Focus() == list; }));
    // Shift+F10 opens the line's menu; Esc closes the menu alone.
    gui::PressKeyIn(library, VK_F10, {VK_SHIFT});
    HWND menu = nullptr;
    ASSERT_TRUE(gui::WaitFor([&] {
        menu = FindWindowA("#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    }));
    gui::PressKeyIn(library, VK_ESCAPE);
    ASSERT_TRUE(gui::WaitFor([&] { return !IsWindowVisible(menu); }));
    Sleep(200);
    ASSERT_TRUE(IsWindow(library));
    gui::PressKeyIn(library, VK_RIGHT);
    ASSERT_TRUE(gui::WaitFor([&] { return ListView_GetItemCount(list) == 3; }));
    rows = Rows(list);
    EXPECT_EQ(Names(rows), "- BRASS 1 / HORNS|      BRASS 1|      HORNS|");
    EXPECT_EQ(rows[2][2], (sounds / "horns.syx").string());
    // A click on the "-" folds the sound again.
    RECT label{};
    ListView_GetItemRect(list, 0, &label, LVIR_LABEL);
    const LPARAM sign = MAKELPARAM(label.left + 3, (label.top + label.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, sign);
    PostMessageA(list, WM_LBUTTONUP, 0, sign);
    ASSERT_TRUE(gui::WaitFor([&] { return ListView_GetItemCount(list) == 1; }));
    EXPECT_EQ(Rows(list)[0][0], "+ BRASS 1 / HORNS");

    // Blanks are ignored: "pad 1" finds PAD1 and PAD10..PAD19, by name.
    Search(search, "pad 1");
    ASSERT_TRUE(gui::WaitFor([&] { return Text(count) == "11 of 34 sounds shown"; })) << Text(count);
    rows = Rows(list);
    EXPECT_EQ(rows[0], (Row{"PAD1", "Tone", (sounds / "keys" / "pads.c16").string(), "1", "T1", "1"}));
    EXPECT_EQ(rows[2][0], "PAD11");

    // Three sounds copied in the library, pasted into a new bank.
    gui::PostMenuCommand(IDM_NEW_M16C);
    ASSERT_TRUE(gui::WaitFor([] { return gui::Document().kind == kM16CKind; }));
    SelectRows(list, 0, 3);
    gui::PressKeyIn(library, 'C', {VK_CONTROL});
    Sleep(300);
    gui::PostMenuCommand(IDM_PASTE);
    ASSERT_TRUE(gui::WaitFor([] { return gui::Document().changed; }));
    const BankDocument built = gui::Document();
    EXPECT_EQ(ToneOf(built.image.data(), 0), ToneOf(pads.data(), 0));
    EXPECT_EQ(ToneOf(built.image.data(), 1), ToneOf(pads.data(), 9));
    EXPECT_EQ(ToneOf(built.image.data(), 2), ToneOf(pads.data(), 10));

    // STRINGS dragged from the library onto tone 5 of the listing.
    Search(search, "strings");
    ASSERT_TRUE(gui::WaitFor([&] { return ListView_GetItemCount(list) == 1; }));
    DragLineOntoSlot(library, list, 0, Slot{SlotTable::Tone, 4});
    ASSERT_TRUE(gui::WaitFor([] { return ToneOf(gui::Document().image.data(), 4) ==
                                         ToneOf(StringsImage().data(), 0); }));

    // Enter on PAD12: its cartridge opens (the changed bank's question
    // first) with tone 12 selected.
    Search(search, "pad12");
    ASSERT_TRUE(gui::WaitFor([&] { return ListView_GetItemCount(list) == 1; }));
    SelectRows(list, 0, 1);
    gui::PressKeyIn(library, VK_RETURN);
    EXPECT_NE(gui::AnswerMessageBox("Open Bank", IDNO), "");
    ASSERT_TRUE(gui::WaitFor([&] {
        return std::string(gui::Document().file.data()) == (sounds / "keys" / "pads.c16").string();
    })) << gui::Document().file.data();
    const BankDocument opened = gui::Document();
    EXPECT_EQ(opened.kind, kM16CKind);
    EXPECT_FALSE(opened.changed);
    EXPECT_EQ(opened.selection.first, (Slot{SlotTable::Tone, 11}));

    gui::PressKeyIn(library, VK_ESCAPE);
    EXPECT_TRUE(gui::WaitWindowGone(library));
    fs::remove_all(root, ignored);
}

}  // namespace
