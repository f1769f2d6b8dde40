// Building a bank in the running shell, as a person does it: File > New >
// JX-8P Bank, Edit > Paste from Files... with 32 single-tone files, F2 to
// rename tone 1 (a character the synthesizer cannot show
// refused as it is typed), a drag of tone 1 onto tone 5, Ctrl+Z twice, and
// Save As; the saved file must hold exactly the stream the test writes from
// the JX-8P layout for the 32 files' tones. On the way: the selection drawn
// inverted, the listing shown from its top, the Edit menu's states, and
// Ctrl+C's names on the system clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/core/edit_history.h"
#include "app/win32/listing_view.h"
#include "bank/bank_image.h"
#include "app/win32/resource.h"
#include "ground/settings.h"
#include "tests/app/win32/gui_harness.h"
#include "tests/bank/bank_layouts.h"

namespace {

void NoOperation(int32_t, void*) {}

std::string ToneName(const BankDocument& document, int tone) {
    const auto at = static_cast<std::ptrdiff_t>(kToneOffset + kToneRecordSize * tone);
    return std::string(document.image.begin() + at, document.image.begin() + at + 10);
}

// Tone t (from 0) of the single-tone files: name "TONE nn" (nn = t + 1) padded with blanks, byte
// 10 a blank, parameters that differ from tone to tone, every byte 7-bit.
Bytes FileTone(size_t t) {
    Bytes record(kToneRecordSize, ' ');
    const std::string name = "TONE " + std::to_string((t + 1) / 10) + std::to_string((t + 1) % 10);
    std::copy(name.begin(), name.end(), record.begin());
    for (size_t i = 11; i < kToneRecordSize; ++i) record[i] = static_cast<uint8_t>((t * 7 + i) & 0x7F);
    return record;
}

// 32 files of one Jx8pToneMessage each, named with mixed case ("Tone01.syx",
// "tone02.syx", ...) so the order they go in is by name without regard to
// case; and the image the bank holds afterwards.
std::string WriteToneFiles(Bytes& image) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vexa_tone_files";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string names;
    image = Bytes(kM16CImageSize, 0);
    for (size_t t = 0; t < 32; ++t) {
        const Bytes record = FileTone(t);
        Bytes message;
        PutJx8pTone(message, 0, record.data());
        const std::string name = std::string(t % 2 == 0 ? "Tone" : "tone") +
                                 std::to_string((t + 1) / 10) + std::to_string((t + 1) % 10) +
                                 ".syx";
        std::ofstream(folder + "\\" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(message.data()),
                   static_cast<std::streamsize>(message.size()));
        names += "\"" + name + "\" ";
        std::copy(record.begin(), record.end(),
                  image.begin() + static_cast<std::ptrdiff_t>(kToneOffset + kToneRecordSize * t));
    }
    image = CanonicalImage(image);
    return folder + "|" + names;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = wide;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

RECT CellOf(Slot slot) {
    RECT rect{};
    gui::RunOnUiThread([&] { SlotCellRect(gui::Document(), slot, rect); });
    return rect;
}

LPARAM Middle(const RECT& rect) {
    return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// The share of a cell's pixels in the window text colour: a name drawn
// inverted is mostly that colour, a plain one mostly the background.
double DarkShare(Slot slot) {
    const RECT cell = CellOf(slot);
    int dark = 0;
    int all = 0;
    gui::RunOnUiThread([&] {
        HWND list = ListingWindow();
        UpdateWindow(list);
        HDC dc = GetDC(list);
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x, ++all)
                if (GetPixel(dc, x, y) == text) ++dark;
        ReleaseDC(list, dc);
    });
    return all == 0 ? 0.0 : static_cast<double>(dark) / all;
}

bool Grayed(UINT command) {
    HMENU edit = gui::MenuBarPopup(1);
    gui::PrepareMenuPopup(edit, 1);
    return gui::MenuState(edit, command).grayed;
}

TEST(EditGui, NewBankRenameDragUndoAndSave) {
    gui::StartOptions options;
    options.operationRunner = NoOperation;
    options.writeSettings = true;
    options.synthType = kSynthJx8p;
    options.midiChannel = 0;
    ASSERT_NE(gui::StartShell(options), nullptr);
    HWND list = ListingWindow();
    ASSERT_NE(list, nullptr);

    EXPECT_TRUE(Grayed(IDM_COPY)) << "no bank yet";
    gui::PostMenuCommand(IDM_NEW_M16C);
    ASSERT_TRUE(gui::WaitFor([] { return gui::Document().kind == kM16CKind; }));
    const Slot t1{SlotTable::Tone, 0};
    const Slot t5{SlotTable::Tone, 4};
    EXPECT_EQ(gui::ListBoxTopIndex(list), 0);
    EXPECT_EQ(gui::Document().selection.first, t1);
    EXPECT_GT(DarkShare(t1), 0.5);
    EXPECT_LT(DarkShare(t5), 0.5);
    EXPECT_TRUE(Grayed(IDM_UNDO));
    EXPECT_FALSE(Grayed(IDM_RENAME));
    EXPECT_FALSE(Grayed(IDM_PASTEFILES));

    // Paste from Files: into the folder, then all 32 names at once.
    Bytes pasted;
    const std::string files = WriteToneFiles(pasted);
    const std::string toneFolder = files.substr(0, files.find('|'));
    gui::PostMenuCommand(IDM_PASTEFILES);
    HWND paste = gui::FindDialog("Paste from Files", gui::MainWindow());
    ASSERT_NE(paste, nullptr);
    ASSERT_TRUE(gui::EnterFileName(paste, toneFolder));
    gui::PressButton(paste, IDOK);
    Sleep(500);
    ASSERT_TRUE(gui::EnterFileName(paste, files.substr(files.find('|') + 1)));
    gui::PressButton(paste, IDOK);
    ASSERT_TRUE(gui::WaitWindowGone(paste));
    ASSERT_TRUE(gui::WaitFor([] { return ToneName(gui::Document(), 31) == "TONE 32   "; }))
        << ToneName(gui::Document(), 0);
    EXPECT_EQ(ToneName(gui::Document(), 0), "TONE 01   ");
    EXPECT_TRUE(std::equal(pasted.begin(), pasted.end(), gui::Document().image.begin()));
    // A click on tone 1 selects it alone.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, Middle(CellOf(t1)));
    PostMessageA(list, WM_LBUTTONUP, 0, Middle(CellOf(t1)));
    ASSERT_TRUE(gui::WaitFor([] { return gui::Document().selection.count == 1; }));

    // F2, as typed; the field takes the name's characters and refuses 'é'.
    gui::PressKey(VK_F2);
    HWND rename = gui::FindDialog("Rename", gui::MainWindow());
    ASSERT_NE(rename, nullptr);
    HWND field = GetDlgItem(rename, IDC_SLOTTEXT_EDIT);
    for (const char c : std::string("BRASS\xE9 1")) SendMessageA(field, WM_CHAR, static_cast<uint8_t>(c), 0);
    char typed[32] = {};
    GetWindowTextA(field, typed, sizeof typed);
    EXPECT_STREQ(typed, "BRASS 1");
    gui::PressButton(rename, IDOK);
    ASSERT_TRUE(gui::WaitWindowGone(rename));
    ASSERT_TRUE(gui::WaitFor([] { return ToneName(gui::Document(), 0) == "BRASS 1   "; }));
    EXPECT_TRUE(gui::Document().changed);
    EXPECT_FALSE(Grayed(IDM_UNDO));

    // Ctrl+C puts the name on the system clipboard as text too.
    gui::PressKey('C', {VK_CONTROL});
    ASSERT_TRUE(gui::WaitFor([] { return ClipboardText() == L"BRASS 1"; })) << "clipboard";

    // Tone 1 dragged onto tone 5 swaps them.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, Middle(CellOf(t1)));
    PostMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, Middle(CellOf(t5)));
    PostMessageA(list, WM_LBUTTONUP, 0, Middle(CellOf(t5)));
    ASSERT_TRUE(gui::WaitFor([] { return ToneName(gui::Document(), 4) == "BRASS 1   "; }));
    EXPECT_EQ(ToneName(gui::Document(), 0), "TONE 05   ");
    EXPECT_EQ(gui::Document().selection.first, t5);

    gui::PressKey('Z', {VK_CONTROL});
    ASSERT_TRUE(gui::WaitFor([] { return ToneName(gui::Document(), 0) == "BRASS 1   "; }));
    gui::PressKey('Z', {VK_CONTROL});
    ASSERT_TRUE(gui::WaitFor([] { return ToneName(gui::Document(), 0) == "TONE 01   "; }));
    EXPECT_EQ(ToneName(gui::Document(), 4), "TONE 05   ");

    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "vexa_edit_gui.syx";
    DeleteFileA(path.c_str());
    gui::PostMenuCommand(IDM_SAVEAS);
    HWND save = gui::FindDialog("Save Bank", gui::MainWindow());
    ASSERT_NE(save, nullptr);
    ASSERT_TRUE(gui::EnterFileName(save, path)) << gui::DescribeChildren(save);
    gui::PressButton(save, IDOK);
    ASSERT_TRUE(gui::WaitWindowGone(save));
    ASSERT_TRUE(gui::WaitFor([] { return !gui::Document().changed; }));

    std::ifstream file(path, std::ios::binary);
    const Bytes saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved, BuildJx8pBankStream(pasted, 0));
    file.close();
    DeleteFileA(path.c_str());
}

}  // namespace
