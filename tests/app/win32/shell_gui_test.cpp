// The running shell as a person uses it: menus idle and busy, accelerators,
// the log window, the status bar at several widths with its menu help, the
// transfer result boxes, and opening the example banks through the file
// dialog. One shell runs for the whole program; the worker runs a stand-in
// operation that lasts until it is stopped, so busy states can be seen.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ground/commands.h"
#include "app/view/listing.h"
#include "ground/mailbox.h"
#include "app/win32/resource.h"
#include "ground/shell.h"
#include "app/view/status_layout.h"
#include "app/view/user_guide.h"
#include "app/win32/listing_view.h"
#include "app/win32/log_window.h"
#include "app/win32/shell_win32.h"
#include "app/win32/status_bar.h"
#include "bank/bank_image.h"
#include "tests/app/win32/gui_harness.h"

namespace {

std::atomic<int32_t> lastCommand{0};
std::atomic<int32_t> operationsRun{0};
std::atomic<bool> operationRunning{false};

// Watch, Receive and Transmit last until a Stop (or a quit) arrives, as the
// real operations do; Stop and Test end at once.
void StandInOperation(int32_t command, void* /*job*/) {
    lastCommand.store(command);
    operationsRun.fetch_add(1);
    if (command == kCommandStop || command == kCommandTest) return;
    operationRunning.store(true);
    while (PollCancel() == 0 && IsQuitRequested() == 0) Sleep(5);
    operationRunning.store(false);
}

class ShellGui : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gui::StartOptions options;
        options.operationRunner = StandInOperation;
        options.writeSettings = true;
        ASSERT_NE(gui::StartShell(options), nullptr);
    }
    void SetUp() override {
        ASSERT_NE(gui::MainWindow(), nullptr);
        ASSERT_TRUE(gui::WaitFor([] { return IsBusy() == 0; }));
    }
    static void StopOperation() {
        PostMessageA(gui::MainWindow(), WM_COMMAND, IDM_STOP, 0);
        ASSERT_TRUE(gui::WaitFor([] { return IsBusy() == 0 && !operationRunning.load(); }));
    }
    static void StartWatch() {
        gui::PostMenuCommand(IDM_WATCH);
        ASSERT_TRUE(gui::WaitFor([] { return operationRunning.load(); }));
    }
};

struct ExpectedItem {
    UINT command;
    bool grayed;
};

void ExpectMenu(int position, const std::vector<ExpectedItem>& items, const char* when) {
    HMENU popup = gui::MenuBarPopup(position);
    ASSERT_NE(popup, nullptr);
    gui::PrepareMenuPopup(popup, position);
    for (const ExpectedItem& item : items) {
        const gui::MenuItemState state = gui::MenuState(popup, item.command);
        EXPECT_TRUE(state.exists) << item.command;
        EXPECT_EQ(state.grayed, item.grayed) << "command " << item.command << " " << when;
    }
}

void OpenBankThroughDialog(const std::string& unixPath) {
    gui::PostMenuCommand(IDM_OPEN);
    HWND dialog = gui::FindDialog("Open Bank", gui::MainWindow());
    ASSERT_NE(dialog, nullptr) << "no open dialog";
    const std::string path = gui::WinePathOf(unixPath);
    ASSERT_TRUE(gui::EnterFileName(dialog, path)) << gui::DescribeChildren(dialog);
    gui::PressButton(dialog, IDOK);
    ASSERT_TRUE(gui::WaitWindowGone(dialog));
}

// The listing of the example M-64C bank "Night Session", as the window shows it.
const std::vector<std::wstring> kNightSessionListing = {
    L"",
    L"JX-10 M-64C Bank Patches",
    L"",
    L"  ╔══════════════════╦══════════════════╦══════════════════╦══════════════════╗",
    L"  ║A                 ║B                 ║C                 ║D                 ║",
    L"╔═╬══════════════════╬══════════════════╬══════════════════╬══════════════════╣",
    L"║1║Harbor Strings 0  ║Dune Strings 2    ║Harbor Brass 4    ║Dune Brass 0      ║",
    L"║2║Lantern Strings 1 ║Ash Strings 3     ║Lantern Brass 5   ║Ash Brass 1       ║",
    L"║3║Moss Strings 2    ║Slate Strings 4   ║Moss Brass 0      ║Slate Brass 2     ║",
    L"║4║Polar Strings 3   ║Mist Strings 5    ║Polar Brass 1     ║Mist Brass 3      ║",
    L"║5║Cedar Strings 4   ║Iron Strings 0    ║Cedar Brass 2     ║Iron Brass 4      ║",
    L"║6║Ember Strings 5   ║Plume Strings 1   ║Ember Brass 3     ║Plume Brass 5     ║",
    L"║7║Drift Strings 0   ║Nova Strings 2    ║Drift Brass 4     ║Nova Brass 0      ║",
    L"║8║Quartz Strings 1  ║Hush Strings 3    ║Quartz Brass 5    ║Hush Brass 1      ║",
    L"╚═╬══════════════════╬══════════════════╬══════════════════╬══════════════════╣",
    L"  ║E                 ║F                 ║G                 ║H                 ║",
    L"╔═╬══════════════════╬══════════════════╬══════════════════╬══════════════════╣",
    L"║1║Harbor Keys 2     ║Dune Keys 4       ║Harbor Pad 0      ║Dune Pad 2        ║",
    L"║2║Lantern Keys 3    ║Ash Keys 5        ║Lantern Pad 1     ║Ash Pad 3         ║",
    L"║3║Moss Keys 4       ║Slate Keys 0      ║Moss Pad 2        ║Slate Pad 4       ║",
    L"║4║Polar Keys 5      ║Mist Keys 1       ║Polar Pad 3       ║Mist Pad 5        ║",
    L"║5║Cedar Keys 0      ║Iron Keys 2       ║Cedar Pad 4       ║Iron Pad 0        ║",
    L"║6║Ember Keys 1      ║Plume Keys 3      ║Ember Pad 5       ║Plume Pad 1       ║",
    L"║7║Drift Keys 2      ║Nova Keys 4       ║Drift Pad 0       ║Nova Pad 2        ║",
    L"║8║Quartz Keys 3     ║Hush Keys 5       ║Quartz Pad 1      ║Hush Pad 3        ║",
    L"╚═╩══════════════════╩══════════════════╩══════════════════╩══════════════════╝",
    L"",
    L"JX-10 M-64C Bank Tones",
    L"",
    L"╔══╦══════════╗ ╔══╦══════════╗ ╔══╦══════════╗ ╔══╦══════════╗ ╔══╦══════════╗",
    L"║01║Night Pad ║ ║11║Ember Saw ║ ║21║Slate Clav║ ║31║Orbit Lead║ ║41║Delta Pad ║",
    L"║02║Harbor Str║ ║12║Drift Pad ║ ║22║Mist Flute║ ║32║Umber Pad ║ ║42║Cinder Saw║",
    L"║03║Moss Bass ║ ║13║Velour Str║ ║23║Iron Brass║ ║33║Frost Keys║ ║43║Lumen Str ║",
    L"║04║Chime 1   ║ ║14║Quartz Bel║ ║24║Pulse 5   ║ ║34║Ridge Bass║ ║44║Basalt Bs ║",
    L"║05║Chime 2   ║ ║15║Dune Bass ║ ║25║Plume Pad ║ ║35║Silk Str  ║ ║45║Wisp Flute║",
    L"║06║Lantern Br║ ║16║Ash Choir ║ ║26║Gravel Bs ║ ║36║Flint Perc║ ║46║Zenith Ld ║",
    L"║07║Reed Organ║ ║17║Tide 3    ║ ║27║Nova Sync ║ ║37║Haze Choir║ ║47║Shore Pad ║",
    L"║08║Fog Horn  ║ ║18║Tide 4    ║ ║28║Hush Str  ║ ║38║Rust Brass║ ║48║Vexa 100  ║",
    L"║09║Polar Lead║ ║19║Static Nz ║ ║29║Glint Bell║ ║39║Comet Lead║ ║49║Vexa 200  ║",
    L"║10║Cedar Koto║ ║20║Copper Pln║ ║30║Marsh Reed║ ║40║Pebble Bel║ ║50║Test Sine ║",
    L"╚══╩══════════╝ ╚══╩══════════╝ ╚══╩══════════╝ ╚══╩══════════╝ ╚══╩══════════╝",
};

// The listing of the example M-16C bank "Studio Tones".
const std::vector<std::wstring> kStudioTonesListing = {
    L"",
    L"JX-8P M-16C Bank Tones",
    L"",
    L"╔══╦══════════╗ ╔══╦══════════╗ ╔══╦══════════╗ ╔══╦══════════╗",
    L"║01║Copper Bel║ ║09║Pluck Koto║ ║17║Seq Bass  ║ ║25║Noise Wind║",
    L"║02║Soft Reeds║ ║10║Hollow Org║ ║18║Tin Marimb║ ║26║Sub Bass  ║",
    L"║03║Dusk Pad  ║ ║11║Cold Sync ║ ║19║Rain Bells║ ║27║Bright Str║",
    L"║04║Round Bass║ ║12║Lazy Sweep║ ║20║Slow Brass║ ║28║Echo Harp ║",
    L"║05║Glass Harp║ ║13║Drum Tom  ║ ║21║Wide Pad  ║ ║29║Low Horns ║",
    L"║06║Brassy Saw║ ║14║Velvet Str║ ║22║Fuzz Lead ║ ║30║Soft Lead ║",
    L"║07║Wood Flute║ ║15║Sharp Clav║ ║23║Quiet Keys║ ║31║Bell Pad  ║",
    L"║08║Tide Str  ║ ║16║Air Choir ║ ║24║Toy Piano ║ ║32║Vexa Sine ║",
    L"╚══╩══════════╝ ╚══╩══════════╝ ╚══╩══════════╝ ╚══╩══════════╝",
};

TEST_F(ShellGui, StartsWithReadyTheSettingsAndTheLogOpen) {
    char title[64] = {};
    GetWindowTextA(gui::MainWindow(), title, sizeof title);
    EXPECT_STREQ(title, "Vexa");
    HWND bar = StatusWindow();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(gui::StatusText(bar, 0), "Ready");
    EXPECT_EQ(gui::StatusText(bar, 2), "JX-10");
    EXPECT_EQ(gui::StatusText(bar, 3), "1");
    ASSERT_TRUE(IsLogWindowOpen());
    const std::vector<std::string> log = gui::ListBoxLinesAnsi(LogListHandle());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "Log window opened ...");
    EXPECT_EQ(log[1], "");
    bool workerStarted = false;
    for (const std::string& line : log) workerStarted |= line == "BackgroundThread() started ...";
    EXPECT_TRUE(workerStarted);
}

TEST_F(ShellGui, MenusWhileIdleWithoutABank) {
    ASSERT_FALSE(gui::Document().loaded);
    ExpectMenu(0, {{IDM_OPEN, false}, {IDM_SAVEAS, true}, {IDM_EXIT, false}}, "idle, no bank");
    ExpectMenu(2,
               {{IDM_TRANSMIT, true},
                {IDM_RECEIVE, false},
                {IDM_TEST, true},
                {IDM_WATCH, false},
                {IDM_STOP, true},
                {IDM_OPTIONS, false},
                {IDM_AUDITION, true}},
               "idle, no bank");
    // A Transmit sent anyway with no bank runs nothing.
    const int32_t before = operationsRun.load();
    SendMessageA(gui::MainWindow(), WM_COMMAND, IDM_TRANSMIT, 0);
    Sleep(400);
    EXPECT_EQ(operationsRun.load(), before);
    EXPECT_EQ(IsBusy(), 0);
}

// The menu opened from the keyboard, as a person does: the window system
// itself asks the main window for the popup's states.
TEST_F(ShellGui, MidiMenuOpenedWithAltM) {
    HMENU midi = gui::MenuBarPopup(2);
    ASSERT_NE(midi, nullptr);
    // Start from states the menu's opening has to change.
    EnableMenuItem(midi, IDM_RECEIVE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(midi, IDM_STOP, MF_BYCOMMAND | MF_ENABLED);
    gui::PressKey('M', {VK_MENU});
    const bool opened =
        gui::WaitFor([] { return FindWindowA("#32768", nullptr) != nullptr; }, 3000);
    EXPECT_TRUE(opened) << "the MIDI menu did not open";
    if (opened) {
        EXPECT_FALSE(gui::MenuState(midi, IDM_RECEIVE).grayed);
        EXPECT_TRUE(gui::MenuState(midi, IDM_STOP).grayed);
        EXPECT_TRUE(gui::MenuState(midi, IDM_TEST).grayed);
    }
    gui::PressKey(VK_ESCAPE);
    gui::PressKey(VK_ESCAPE);
    EXPECT_TRUE(gui::WaitFor([] { return FindWindowA("#32768", nullptr) == nullptr; }, 3000));
    // The keys closed the menu; none of them reached the accelerators.
    Sleep(200);
    EXPECT_EQ(IsBusy(), 0);
}

TEST_F(ShellGui, MenusWhileBusyAndEscStops) {
    StartWatch();
    ASSERT_EQ(lastCommand.load(), kCommandWatch);
    ExpectMenu(0, {{IDM_OPEN, true}, {IDM_SAVEAS, true}}, "busy");
    ExpectMenu(2,
               {{IDM_TRANSMIT, true},
                {IDM_RECEIVE, true},
                {IDM_TEST, true},
                {IDM_WATCH, true},
                {IDM_STOP, false},
                {IDM_OPTIONS, true},
                {IDM_AUDITION, true}},
               "busy");
    // Receive asked for while busy is refused: the operation keeps running.
    SendMessageA(gui::MainWindow(), WM_COMMAND, IDM_RECEIVE, 0);
    Sleep(200);
    EXPECT_TRUE(operationRunning.load());
    EXPECT_EQ(lastCommand.load(), kCommandWatch);

    gui::PressKey(VK_ESCAPE);
    EXPECT_TRUE(gui::WaitFor([] { return !operationRunning.load() && IsBusy() == 0; }));
    EXPECT_EQ(lastCommand.load(), kCommandStop);
    ExpectMenu(2, {{IDM_STOP, true}, {IDM_WATCH, false}}, "idle again");
}

TEST_F(ShellGui, EscIsStopAlsoWhenTheLogWindowIsActive) {
    ASSERT_TRUE(IsLogWindowOpen());
    StartWatch();
    SetForegroundWindow(LogWindowHandle());
    SetFocus(LogListHandle());
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    EXPECT_TRUE(gui::WaitFor([] { return !operationRunning.load() && IsBusy() == 0; }));
    EXPECT_TRUE(IsLogWindowOpen()) << "Esc closed the log window instead of stopping";
    if (operationRunning.load()) StopOperation();
}

TEST_F(ShellGui, LogWindowToggleCheckMarkAndCap) {
    HMENU view = gui::MenuBarPopup(3);
    auto checked = [&] {
        gui::PrepareMenuPopup(view, 3);
        return gui::MenuState(view, IDM_LOGWINDOW).checked;
    };
    ASSERT_TRUE(IsLogWindowOpen());
    EXPECT_TRUE(checked());

    SendMessageA(gui::MainWindow(), WM_COMMAND, IDM_LOGWINDOW, 0);
    EXPECT_FALSE(IsLogWindowOpen());
    EXPECT_FALSE(checked());
    EXPECT_EQ(LogPrintf("lost %d\n", 1), 0);

    SendMessageA(gui::MainWindow(), WM_COMMAND, IDM_LOGWINDOW, 0);
    ASSERT_TRUE(IsLogWindowOpen());
    EXPECT_TRUE(checked());
    EXPECT_EQ(gui::ListBoxLinesAnsi(LogListHandle()),
              (std::vector<std::string>{"Log window opened ...", ""}));

    // From this thread, not the window's: each line is still one item.
    for (int i = 0; i < 300; ++i) LogPrintf("line %d\n", i);
    EXPECT_EQ(LogPrintf("two\nparts\n"), 10);
    std::vector<std::string> lines = gui::ListBoxLinesAnsi(LogListHandle());
    ASSERT_EQ(lines.size(), 193u);
    EXPECT_EQ(lines.front(), "line 108");
    EXPECT_EQ(lines[191], "line 299");
    EXPECT_EQ(lines.back(), "two\nparts");
    // The newest line and the five before it are asked to be in view (top
    // 187); the list shows 18 lines, so it stops at its last page.
    EXPECT_EQ(gui::ListBoxTopIndex(LogListHandle()), 193 - 18);

    // The close box: the log closes, the mark goes at the next opening.
    HWND log = LogWindowHandle();
    SendMessageA(log, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(gui::WaitWindowGone(log));
    EXPECT_FALSE(IsLogWindowOpen());
    EXPECT_FALSE(checked());
    SendMessageA(gui::MainWindow(), WM_COMMAND, IDM_LOGWINDOW, 0);
    EXPECT_TRUE(IsLogWindowOpen());
}

TEST_F(ShellGui, StatusBarLayoutAtSeveralWidths) {
    HWND bar = StatusWindow();
    ASSERT_NE(bar, nullptr);
    gui::RunOnUiThread([] { SetStatusField(1, "M-64C"); });
    for (int windowWidth : {900, 560, 420, 300, 120, 700}) {
        SetWindowPos(gui::MainWindow(), nullptr, 0, 0, windowWidth, 400, SWP_NOMOVE | SWP_NOZORDER);
        RECT bounds{};
        ASSERT_TRUE(GetWindowRect(bar, &bounds));
        const int barWidth = bounds.right - bounds.left;
        const PaneLayout expected = ComputePaneLayout(StatusRecord(), barWidth);
        const std::vector<int> edges = gui::StatusPartEdges(bar);
        ASSERT_EQ(static_cast<int>(edges.size()), expected.partCount()) << "bar " << barWidth;
        for (int i = 0; i < expected.partCount(); ++i)
            EXPECT_EQ(edges[static_cast<size_t>(i)], expected.rightEdges[static_cast<size_t>(i)])
                << "bar " << barWidth << " part " << i;
        EXPECT_EQ(gui::StatusText(bar, 0), "Ready") << barWidth;
        // Texts of panes left out are kept and shown again later.
        if (expected.shownPanes > 1) {
            EXPECT_EQ(gui::StatusText(bar, 1), "M-64C") << barWidth;
        }
        // The bar sits at the bottom of the client area, under the listing.
        RECT client{};
        GetClientRect(gui::MainWindow(), &client);
        POINT barTop{bounds.left, bounds.top};
        ScreenToClient(gui::MainWindow(), &barTop);
        RECT listBounds{};
        GetWindowRect(ListingWindow(), &listBounds);
        EXPECT_EQ(barTop.y + (bounds.bottom - bounds.top), client.bottom);
        EXPECT_EQ(listBounds.bottom - listBounds.top, barTop.y);
    }
    // A field set while its pane is not laid out is stored, not shown, and
    // appears when a wider window brings the pane back.
    SetWindowPos(gui::MainWindow(), nullptr, 0, 0, 300, 400, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ(StatusRecord().laidOutCount, 1);
    SetStatusField(3, "Auto");
    SetWindowPos(gui::MainWindow(), nullptr, 0, 0, 800, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(gui::StatusText(bar, 3), "Auto");
    gui::RunOnUiThread([] { RefreshBankView(); });
}

TEST_F(ShellGui, MenuHelpTexts) {
    HWND bar = StatusWindow();
    HWND window = gui::MainWindow();
    struct Case {
        WPARAM selection;
        HMENU menu;
        const char* text;
    };
    const Case cases[] = {
        {MAKEWPARAM(0, MF_POPUP | MF_HILITE), GetMenu(window), "File related functions."},
        {MAKEWPARAM(1, MF_POPUP | MF_HILITE), GetMenu(window), "Edit the sounds of the current bank."},
        {MAKEWPARAM(2, MF_POPUP | MF_HILITE), GetMenu(window), "MIDI related functions."},
        {MAKEWPARAM(4, MF_POPUP | MF_HILITE), GetMenu(window), "Help functions."},
        {MAKEWPARAM(IDM_TRANSMIT, MF_HILITE), Handles().midiMenu,
         "Transmit the current bank of sounds to the synthesizer."},
        {MAKEWPARAM(IDM_LOGWINDOW, MF_HILITE), Handles().viewMenu,
         "Toggle the debugging window on/off."},
        {MAKEWPARAM(IDM_EXIT, MF_HILITE), Handles().fileMenu, "Quit the program."},
        // A gray item says why it is gray instead.
        {MAKEWPARAM(IDM_AUDITION, MF_HILITE | MF_GRAYED), Handles().midiMenu,
         "Open a bank and select a tone to audition it."},
    };
    for (const Case& c : cases) {
        SendMessageA(window, WM_MENUSELECT, c.selection, reinterpret_cast<LPARAM>(c.menu));
        EXPECT_TRUE(gui::StatusIsSimple(bar)) << c.text;
        EXPECT_EQ(gui::StatusSimpleText(bar), c.text);
    }
    // The menu closes: the panes come back.
    SendMessageA(window, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_FALSE(gui::StatusIsSimple(bar));
    EXPECT_EQ(gui::StatusText(bar, 0), "Ready");
}

TEST_F(ShellGui, TransferResultBoxes) {
    struct Case {
        uintptr_t code;
        const char* text;
    };
    const Case cases[] = {
        {kReceiveSucceeded, "Bank successfully received !\n"},
        {kReceiveFailed, "Operation cancelled or an error occurred !\n"},
        {kTransmitSucceeded, "Bank successfully transmitted !\n"},
        {kTransmitFailed, "Operation cancelled or an error occurred !\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(PostToMainWindow(TransferCompleteMessage, c.code, 0));
        // Wine's message box shows the text without its last line feed.
        std::string expected = c.text;
        expected.pop_back();
        const std::string shown = gui::AnswerMessageBox("Vexa");
        EXPECT_TRUE(shown == expected || shown == c.text) << c.code << ": " << shown;
    }
    ASSERT_TRUE(PostToMainWindow(TransferCompleteMessage, 9, 0));
    EXPECT_EQ(gui::FindDialog("Vexa", gui::MainWindow(), 500), nullptr);

    gui::PostMenuCommand(IDM_HELPTOPICS);
    EXPECT_NE(gui::AnswerMessageBox("Vexa").find("Sorry, there is no help available at this time."),
              std::string::npos);
}

TEST_F(ShellGui, OpenedExampleBanksAreListedWithBoxGlyphs) {
    struct Case {
        const char* file;
        const char* kindPane;
        const std::vector<std::wstring>& listing;
    };
    const Case cases[] = {
        {"jx8p-studio-tones.syx", "M-16C", kStudioTonesListing},
        {"jx10-night-session.syx", "M-64C", kNightSessionListing},
        {"jx8p-studio-tones.jx8", "M-16C", kStudioTonesListing},
        {"mks70-night-session.syx", "M-64C", kNightSessionListing},
        {"jx10-night-session.c64", "M-64C", kNightSessionListing},
        {"jx8p-studio-tones.c16", "M-16C", kStudioTonesListing},
        {"jx8p-studio-tones-dump.syx", "M-16C", kStudioTonesListing},
        {"jx10-night-session.jx1", "M-64C", kNightSessionListing},
        {"mks70-night-session.b63", "M-64C", kNightSessionListing},
    };
    HWND list = ListingWindow();
    HWND bar = StatusWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        OpenBankThroughDialog(std::string(VEXA_EXAMPLES_DIR) + "/" + c.file);
        ASSERT_TRUE(gui::WaitFor([&] { return gui::StatusText(bar, 1) == c.kindPane; }));
        EXPECT_EQ(gui::StatusText(bar, 2), "JX-10");
        EXPECT_EQ(gui::StatusText(bar, 3), "1");
        // The frame arrives as Unicode box-drawing characters, not as the
        // ANSI letters that the code page 437 bytes would be.
        EXPECT_EQ(gui::ListBoxLinesW(list), c.listing);
    }
    // The listing's font has the frame's glyphs itself.
    gui::RunOnUiThread([&] {
        HDC dc = GetDC(list);
        ASSERT_NE(dc, nullptr);
        HGDIOBJ previous = SelectObject(dc, ListingFont());
        WORD glyphs[6] = {};
        const wchar_t frame[] = L"\u2554\u2557\u255A\u255D\u2550\u2551";
        EXPECT_EQ(GetGlyphIndicesW(dc, frame, 6, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 6u);
        for (WORD glyph : glyphs) EXPECT_NE(glyph, 0xFFFF) << "face " << ListingFontFace();
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
    });
    ExpectMenu(0, {{IDM_OPEN, false}, {IDM_SAVEAS, false}}, "idle with a bank");
    ExpectMenu(2, {{IDM_TRANSMIT, false}}, "idle with a bank");
}

// What the Help command asked the shell table to open: written on the UI
// thread, read here once the count says it is there.
std::mutex guideLock;
std::vector<std::string> guidesOpened;
std::atomic<bool> guideOpens{true};

bool RecordGuide(const char* path) {
    std::lock_guard<std::mutex> hold(guideLock);
    guidesOpened.emplace_back(path);
    return guideOpens.load();
}

size_t GuidesOpened() {
    std::lock_guard<std::mutex> hold(guideLock);
    return guidesOpened.size();
}

// F1 looks for the guide beside the program (here the test program) and has
// the shell table show it; a missing guide, or one that cannot be shown,
// gets a box naming the path.
TEST_F(ShellGui, F1ShowsTheUserGuideBesideTheProgram) {
    char program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    const std::string guide = UserGuidePath(program);
    const std::string folder = guide.substr(0, guide.find_last_of('\\'));
    // Static: the table must outlive an early return of a failed assertion.
    static ShellOps recording;
    const ShellOps* before = &Shell();
    recording = *before;
    recording.openDocument = RecordGuide;
    SetShell(&recording);
    struct Case {
        bool guidePresent;
        bool opens;
        const char* box;  // the start of the box's text; nullptr: no box
        size_t opened;    // documents asked for so far
    };
    const Case cases[] = {
        {false, true, "Sorry, there is no help available at this time.", 0},
        {true, true, nullptr, 1},
        {true, false, "Unable to show the user guide", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        DeleteFileA(guide.c_str());
        if (c.guidePresent) {
            CreateDirectoryA(folder.c_str(), nullptr);
            CloseHandle(CreateFileA(guide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        }
        guideOpens.store(c.opens);
        gui::PressKey(VK_F1);
        if (c.box != nullptr) {
            const std::string shown = gui::AnswerMessageBox("Vexa");
            EXPECT_EQ(shown.rfind(c.box, 0), 0u) << shown;
            EXPECT_NE(shown.find(guide), std::string::npos) << shown;
        } else {
            EXPECT_TRUE(gui::WaitFor([&] { return GuidesOpened() == c.opened; }));
            EXPECT_EQ(gui::FindDialog("Vexa", gui::MainWindow(), 500), nullptr);
        }
        EXPECT_EQ(GuidesOpened(), c.opened);
    }
    for (const std::string& path : guidesOpened) EXPECT_EQ(path, guide);
    SetShell(before);
    DeleteFileA(guide.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
