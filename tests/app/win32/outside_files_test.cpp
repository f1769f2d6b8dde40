// Banks that come from outside the open dialog, and what the status bar
// shows during a transfer, in the running shell: a file dropped on the main
// window (WM_DROPFILES with an HDROP built here), waiting while an
// operation runs and guarded by the changed-bank prompt; files handed over
// by another copy (WM_COPYDATA sent here) while the Choose a Bank dialog is
// up, opened after it in the order they came; the recent files
// read from the settings key at start, shown in the File menu, opened, and
// one that has gone removed with a message; the progress bar's range and
// position while a transfer reports its share, gone with "Ready".
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/view/listing.h"
#include "app/win32/listing_view.h"
#include "app/win32/recent_menu.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "bank/bank_image.h"
#include "ground/commands.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/shell.h"
#include "tests/app/win32/gui_harness.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Bramwick\\Vexa";

// The stand-in transfer: reports its share step by step as the test lets
// it, then ends the display and says "Ready", as a real one does.
std::atomic<int32_t> allowedSteps{0};
std::atomic<int32_t> stepsReported{0};
constexpr int32_t kStandInBlocks = 16;

void StandInTransfer(int32_t command, void* /*job*/) {
    if (command != kCommandTransmit && command != kCommandReceive) return;
    ShowStatus("Transmitting ...");
    for (int32_t done = 0; done <= kStandInBlocks; ++done) {
        while (allowedSteps.load() <= done) {
            if (PollCancel() != 0 || IsQuitRequested() != 0) {
                ShowTransferProgress(0, 0);
                ShowStatus("Ready");
                return;
            }
            Sleep(5);
        }
        ShowTransferProgress(done, kStandInBlocks);
        stepsReported.store(done + 1);
    }
    ShowTransferProgress(0, 0);
    ShowStatus("Ready");
}

std::string Example(const char* name) {
    return gui::WinePathOf(std::string(VEXA_EXAMPLES_DIR) + "/" + name);
}

void DeleteRecentValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "RecentFiles");
    RegCloseKey(key);
}

void WriteRecentValue(const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "RecentFiles", 0, REG_MULTI_SZ,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The stored entries, in order.
std::vector<std::string> StoredRecent() {
    std::vector<std::string> entries;
    char bytes[2048] = {};
    DWORD size = sizeof bytes - 2;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "RecentFiles", RRF_RT_REG_MULTI_SZ, nullptr,
                     bytes, &size) != ERROR_SUCCESS)
        return entries;
    for (const char* p = bytes; *p != '\0'; p += std::strlen(p) + 1) entries.emplace_back(p);
    return entries;
}

// The recent items of the File menu as shown.
std::vector<std::string> RecentMenuItems() {
    std::vector<std::string> items;
    HMENU file = gui::MenuBarPopup(0);
    for (UINT id = IDM_RECENT_FIRST; id <= IDM_RECENT_LAST; ++id) {
        char text[256] = {};
        if (GetMenuStringA(file, id, text, sizeof text, MF_BYCOMMAND) > 0) items.emplace_back(text);
    }
    return items;
}

// DROPFILES of shlobj.h, whose other declarations clash with the shell
// table's Shell(): the header of an HDROP.
struct DropFilesHeader {
    DWORD pFiles;  // offset of the first path
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};

// An HDROP as Explorer hands it over: DROPFILES, then the paths, each with
// its zero, and one more zero. The window that takes it frees it.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t size = sizeof(DropFilesHeader) + 1;
    for (const std::string& p : paths) size += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) return nullptr;
    auto* drop = static_cast<DropFilesHeader*>(GlobalLock(memory));
    drop->pFiles = sizeof(DropFilesHeader);
    drop->fWide = FALSE;
    char* at = reinterpret_cast<char*>(drop) + sizeof(DropFilesHeader);
    for (const std::string& p : paths) {
        std::memcpy(at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void Drop(const std::vector<std::string>& paths) {
    HDROP drop = MakeDrop(paths);
    ASSERT_NE(drop, nullptr);
    ASSERT_TRUE(PostMessageA(gui::MainWindow(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0));
}

std::string Heading() {
    const std::vector<std::string> lines = gui::ListBoxLinesCp437(ListingWindow());
    return lines.size() > 1 ? lines[1] : "";
}

bool HeadingIs(const char* heading) {
    return gui::WaitFor([&] { return Heading() == heading; });
}

constexpr char kM16CHeading[] = "JX-8P M-16C Bank Tones";
constexpr char kM64CHeading[] = "JX-10 M-64C Bank Patches";

class OutsideFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        DeleteRecentValue();
        gui::StartOptions options;
        options.operationRunner = StandInTransfer;
        options.writeSettings = true;
        ASSERT_NE(gui::StartShell(options), nullptr);
    }
    static void TearDownTestSuite() { DeleteRecentValue(); }
    void SetUp() override {
        ASSERT_NE(gui::MainWindow(), nullptr);
        ASSERT_TRUE(gui::WaitFor([] { return IsBusy() == 0; }));
    }
};

TEST_F(OutsideFiles, ADroppedFileOpensTheFirstOfSeveral) {
    Drop({Example("jx10-night-session.syx"), Example("jx8p-studio-tones.syx")});
    ASSERT_TRUE(HeadingIs(kM64CHeading));
    EXPECT_EQ(gui::ListBoxLinesCp437(ListingWindow()).size(), kM64CListingLines);
    EXPECT_EQ(gui::StatusText(StatusWindow(), 1), "M-64C");
    EXPECT_FALSE(gui::Document().changed);
    // A file that is no bank: the open flow's own refusal.
    Drop({Example("README.md")});
    EXPECT_EQ(
        gui::AnswerMessageBox("Open Bank").find("The file contains data in an unknown format !"),
        0u);
    EXPECT_EQ(Heading(), kM64CHeading);
}

TEST_F(OutsideFiles, AChangedBankIsAskedForFirst) {
    Drop({Example("jx10-night-session.syx")});
    ASSERT_TRUE(HeadingIs(kM64CHeading));
    gui::ChangeDocument([](BankDocument& document) { document.changed = true; });
    Drop({Example("jx8p-studio-tones.syx")});
    const std::string asked = gui::AnswerMessageBox("Open Bank", IDCANCEL);
    EXPECT_EQ(asked, "The current bank has changed.\n\nSave it now ?");
    Sleep(300);
    EXPECT_EQ(Heading(), kM64CHeading);
    Drop({Example("jx8p-studio-tones.syx")});
    EXPECT_EQ(gui::AnswerMessageBox("Open Bank", IDNO),
              "The current bank has changed.\n\nSave it now ?");
    EXPECT_TRUE(HeadingIs(kM16CHeading));
    EXPECT_FALSE(gui::Document().changed);
}

TEST_F(OutsideFiles, ProgressBarDuringATransferGoesWithReady) {
    Drop({Example("jx10-night-session.syx")});
    ASSERT_TRUE(HeadingIs(kM64CHeading));
    HWND progress = ProgressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(IsWindowVisible(progress));
    allowedSteps.store(0);
    stepsReported.store(0);
    gui::PostMenuCommand(IDM_TRANSMIT);
    ASSERT_TRUE(gui::WaitFor([] { return IsBusy() != 0; }));

    // While it runs, a dropped file waits: the bank stays.
    Drop({Example("jx8p-studio-tones.syx")});
    Sleep(300);
    EXPECT_EQ(Heading(), kM64CHeading);

    for (int32_t step : {1, 5, 16}) {
        allowedSteps.store(step);
        ASSERT_TRUE(gui::WaitFor([&] { return stepsReported.load() == step; }));
        EXPECT_TRUE(IsWindowVisible(progress));
        PBRANGE range{};
        SendMessageA(progress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(range.iLow, 0);
        EXPECT_EQ(range.iHigh, kStandInBlocks);
        EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), step - 1);
        // Beside pane 0's text, inside its part of the bar.
        RECT pane{};
        RECT bar{};
        SendMessageA(StatusWindow(), SB_GETRECT, 0, reinterpret_cast<LPARAM>(&pane));
        GetWindowRect(progress, &bar);
        MapWindowPoints(nullptr, StatusWindow(), reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_GE(bar.left, pane.left + (pane.right - pane.left) / 2);
        EXPECT_LE(bar.right, pane.right);
        EXPECT_EQ(gui::StatusText(StatusWindow(), 0), "Transmitting ...");
    }
    allowedSteps.store(kStandInBlocks + 1);
    ASSERT_TRUE(gui::WaitFor([] { return IsBusy() == 0; }));
    EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), kStandInBlocks);
    EXPECT_FALSE(IsWindowVisible(progress));
    EXPECT_EQ(gui::StatusText(StatusWindow(), 0), "Ready");
    // Then the dropped file opens.
    EXPECT_TRUE(HeadingIs(kM16CHeading));
}

// What another copy of the program sends; the running copy's answer.
bool HandOver(const std::string& path) {
    COPYDATASTRUCT data{};
    data.dwData = 0x56584F50;  // 'VXOP'
    data.cbData = static_cast<DWORD>(path.size() + 1);
    data.lpData = const_cast<char*>(path.c_str());
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(gui::MainWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_BLOCK, 5000, &answer) != 0 &&
           answer == TRUE;
}

// Two of the project's example banks back to back: a file of two banks.
std::string TwoBankFile() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "vexa-two-banks.syx";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const char* name : {"jx8p-studio-tones.syx", "jx10-night-session.syx"})
        out << std::ifstream(Example(name), std::ios::binary).rdbuf();
    return out.good() ? path : "";
}

TEST_F(OutsideFiles, HandOversDuringTheChooseABankDialogWaitAndOpenInOrder) {
    const std::string two = TwoBankFile();
    ASSERT_FALSE(two.empty());
    const std::string second = Example("jx10-night-session.c64");
    const std::string third = Example("jx8p-studio-tones.c16");
    Drop({two});
    HWND chooser = gui::FindDialog("Choose a Bank", gui::MainWindow());
    ASSERT_NE(chooser, nullptr);
    const std::string before = Heading();

    // The other copy makes its path absolute; a relative one is refused.
    EXPECT_FALSE(HandOver("jx8p-studio-tones.syx"));
    EXPECT_TRUE(HandOver(second));
    EXPECT_TRUE(HandOver(third));
    // A posted File > Open would start a second open flow: ignored.
    gui::PostMenuCommand(IDM_OPEN);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(chooser));
    EXPECT_EQ(Heading(), before);
    EXPECT_EQ(gui::FindDialog("Open Bank", gui::MainWindow(), 0), nullptr);

    // The file's second bank, the JX-10 one.
    HWND list = GetDlgItem(chooser, IDC_BANKLIST);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    gui::PressButton(chooser, IDOK);
    ASSERT_TRUE(gui::WaitWindowGone(chooser));

    // Each opened in turn, the last on top: the chosen bank was
    // remembered under its own file's name.
    ASSERT_TRUE(HeadingIs(kM16CHeading));
    EXPECT_TRUE(
        gui::WaitFor([&] { return StoredRecent().size() >= 3 && StoredRecent()[0] == third; }));
    const std::vector<std::string> stored = StoredRecent();
    ASSERT_GE(stored.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(stored.begin(), stored.begin() + 3),
              (std::vector<std::string>{third, second, two}));
    DeleteFileA(two.c_str());
}

TEST_F(OutsideFiles, RecentFilesFromTheSettingsKeyAndOneThatHasGone) {
    const std::string jx8p = Example("jx8p-studio-tones.syx");
    const std::string gone = gui::WinePathOf("/nonexistent-vexa-folder/gone.syx");
    // What a previous run stored, with an entry that is no path at all.
    WriteRecentValue(gone + '\0' + "bad\x01path" + '\0' + jx8p + '\0' + '\0');
    // The start-up's reading of the list.
    gui::RunOnUiThread([] { LoadRecentFiles(); });
    const std::vector<std::string> items = RecentMenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].substr(0, 3), "&1 ");
    EXPECT_NE(items[0].find("gone.syx"), std::string::npos);
    EXPECT_EQ(items[1].substr(0, 3), "&2 ");
    EXPECT_NE(items[1].find("jx8p-studio-tones.syx"), std::string::npos);

    gui::PostMenuCommand(IDM_RECENT_FIRST);
    EXPECT_NE(gui::AnswerMessageBox("Open Bank").find("The file no longer exists."),
              std::string::npos);
    EXPECT_EQ(StoredRecent(), std::vector<std::string>{jx8p});
    ASSERT_EQ(RecentMenuItems().size(), 1u);

    gui::PostMenuCommand(IDM_RECENT_FIRST);
    ASSERT_TRUE(HeadingIs(kM16CHeading));
    // Opening a bank puts it on top.
    Drop({Example("mks70-night-session.syx")});
    ASSERT_TRUE(HeadingIs(kM64CHeading));
    EXPECT_EQ(StoredRecent(), (std::vector<std::string>{Example("mks70-night-session.syx"), jx8p}));
    const std::vector<std::string> after = RecentMenuItems();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_NE(after[0].find("mks70-night-session.syx"), std::string::npos);
}

}  // namespace
