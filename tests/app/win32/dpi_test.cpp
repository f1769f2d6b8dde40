// The shell at 144 and 192 DPI: nothing cut, the listing's columns aligned.
// Wine takes its DPI from the prefix's registry (Control Panel\Desktop,
// LogPixels) when a program starts, so the parent test sets it, runs this
// program again as a child that starts the shell and measures, and puts the
// old value back. The child measures what a person would see: each status
// pane's text against its part, the listing font's size and fixed pitch
// (every line as wide as its characters times one width, so the columns
// line up), and each text of the Options and About dialogs against its
// control.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/win32/file_flows.h"
#include "app/win32/listing_view.h"
#include "app/win32/main_window.h"
#include "app/win32/status_bar.h"
#include "app/win32/resource.h"
#include "tests/app/win32/gui_harness.h"

namespace {

constexpr char kChildVariable[] = "VEXA_DPI_CHILD";
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

int ChildDpi() {
    const char* value = std::getenv(kChildVariable);
    return value != nullptr ? std::atoi(value) : 0;
}

SIZE TextSize(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

std::wstring WindowTextW(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    std::wstring shown;
    // A mnemonic's ampersand takes no room.
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c == L'&' && c[1] != L'\0') ++c;
        shown += *c;
    }
    return shown;
}

// Each button and static text of the dialog fits its control: the text's
// extent in the control's font, plus the check box or radio button for
// those, within the control's client width, and its height within the
// client height.
void ExpectDialogTextsFit(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        const std::string kind = className;
        if (kind != "Button" && kind != "Static") continue;
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const LONG type = style & 0x0F;
        if (kind == "Static" && (type == SS_ICON || type == SS_BITMAP)) continue;
        if (kind == "Button" && type == BS_GROUPBOX) continue;
        const std::wstring text = WindowTextW(child);
        if (text.empty() || text.find(L'\n') != std::wstring::npos) continue;
        HDC dc = GetDC(child);
        ASSERT_NE(dc, nullptr);
        HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        const SIZE size = TextSize(dc, text);
        SelectObject(dc, previous);
        ReleaseDC(child, dc);
        RECT client{};
        GetClientRect(child, &client);
        LONG room = client.right;
        const bool box =
            kind == "Button" && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON ||
                                 type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
        if (box) room -= GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
        const bool wraps = kind == "Static" && (type == SS_LEFT || type == SS_CENTER);
        if (wraps && size.cx > room) {
            // A static that wraps: its lines must fit its height.
            const LONG lines = (size.cx + room - 1) / room;
            EXPECT_LE(lines * size.cy, client.bottom)
                << kind << " cut: " << std::string(text.begin(), text.end());
            continue;
        }
        EXPECT_LE(size.cx, room) << kind << " cut: " << std::string(text.begin(), text.end());
        EXPECT_LE(size.cy, client.bottom)
            << kind << " cut: " << std::string(text.begin(), text.end());
    }
}

void MeasureDialog(UINT command, const char* caption) {
    gui::PostMenuCommand(command);
    HWND dialog = gui::FindDialog(caption, gui::MainWindow());
    ASSERT_NE(dialog, nullptr) << caption;
    ExpectDialogTextsFit(dialog);
    gui::PressButton(dialog, IDCANCEL);
    if (!gui::WaitWindowGone(dialog, 2000)) {
        gui::PressButton(dialog, IDOK);
        gui::WaitWindowGone(dialog);
    }
}

TEST(DpiChild, NothingIsCutAndColumnsStayAligned) {
    const int dpi = ChildDpi();
    if (dpi == 0) GTEST_SKIP() << "runs as the child of Dpi.At144And192";
    HWND window = gui::StartShell();
    ASSERT_NE(window, nullptr);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi) << "the prefix's DPI was not taken";
    ReleaseDC(nullptr, screen);
    const std::string bank =
        gui::WinePathOf(std::string(VEXA_EXAMPLES_DIR) + "/jx10-night-session.syx");
    gui::RunOnUiThread(
        [&] { OpenBankCommand(window, *MainWindowState(window), ShowBankView, bank.c_str()); });

    // The status bar: each pane's text within its part.
    HWND bar = StatusWindow();
    ASSERT_NE(bar, nullptr);
    gui::RunOnUiThread([&] {
        HDC dc = GetDC(bar);
        HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)));
        const std::vector<int> edges = gui::StatusPartEdges(bar);
        for (int part = 0; part + 1 < static_cast<int>(edges.size()); ++part) {
            const std::string text = gui::StatusText(bar, part);
            RECT rect{};
            SendMessageW(bar, SB_GETRECT, static_cast<WPARAM>(part),
                         reinterpret_cast<LPARAM>(&rect));
            const SIZE size = TextSize(dc, std::wstring(text.begin(), text.end()));
            EXPECT_LE(size.cx, rect.right - rect.left) << "pane " << part << ": " << text;
            EXPECT_LE(size.cy, rect.bottom - rect.top) << "pane " << part << ": " << text;
        }
        SelectObject(dc, previous);
        ReleaseDC(bar, dc);
    });

    // The listing: 9 points at this DPI, fixed pitch, and each line as wide
    // as its characters, so the columns line up; the list scrolls as far as
    // the widest line.
    HWND list = ListingWindow();
    ASSERT_NE(list, nullptr);
    const std::vector<std::wstring> lines = gui::ListBoxLinesW(list);
    ASSERT_FALSE(lines.empty());
    gui::RunOnUiThread([&] {
        HDC dc = GetDC(list);
        HGDIOBJ previous = SelectObject(dc, ListingFont());
        TEXTMETRICW metrics{};
        ASSERT_TRUE(GetTextMetricsW(dc, &metrics));
        EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(9, dpi, 72));
        EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "not a fixed-pitch font";
        const SIZE one = TextSize(dc, L"M");
        LONG widest = 0;
        for (const std::wstring& line : lines) {
            if (line.empty()) continue;
            const SIZE size = TextSize(dc, line);
            EXPECT_EQ(size.cx, one.cx * static_cast<LONG>(line.size())) << "line not aligned";
            if (size.cx > widest) widest = size.cx;
        }
        EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), widest);
        EXPECT_GE(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), metrics.tmHeight);
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
    });

    MeasureDialog(IDM_OPTIONS, "Options");
    MeasureDialog(IDM_ABOUT, "About Vexa");
}

// Runs this program again as the child at each DPI.
TEST(Dpi, At144And192) {
    if (ChildDpi() != 0) GTEST_SKIP() << "the child";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0;
    DWORD size = sizeof old;
    const bool hadOld = RegQueryValueExA(key, "LogPixels", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(&old), &size) == ERROR_SUCCESS;
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    for (DWORD dpi : {144u, 192u}) {
        SCOPED_TRACE(dpi);
        ASSERT_EQ(RegSetValueExA(key, "LogPixels", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
                  ERROR_SUCCESS);
        SetEnvironmentVariableA(kChildVariable, std::to_string(dpi).c_str());
        std::string commandLine = std::string("\"") + self + "\" --gtest_filter=DpiChild.*";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        const BOOL started = CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &child);
        SetEnvironmentVariableA(kChildVariable, nullptr);
        ASSERT_TRUE(started) << GetLastError();
        EXPECT_EQ(WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
        DWORD exitCode = 99;
        GetExitCodeProcess(child.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u) << "the child's measurements failed (its output is above)";
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (hadOld)
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old),
                       sizeof old);
    else
        RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
}

}  // namespace
