// A second start of the real Vexa.exe, while a first copy runs minimized,
// restores the first copy, brings it to the front and exits with 0 without
// showing anything of its own; given a file, it hands the file over and the
// first copy opens it, a relative name resolved in the second copy's own
// folder. A copy that does not take the file makes the second one say so
// and exit with 1. A file named on the command line of a first start opens
// at once and goes into the recent files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/view/listing.h"
#include "tests/app/win32/gui_harness.h"

namespace {

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;
};

// folder: the new process's current folder ("" for this one's).
Process Start(const std::string& exe, const std::string& file = "",
              const std::string& folder = "") {
    Process p;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    if (!file.empty()) commandLine += " \"" + file + "\"";
    p.started =
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &p.info) != FALSE;
    return p;
}

int VexaWindowCount() {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "Vexa", "Vexa"); w != nullptr;
         w = FindWindowExA(nullptr, w, "Vexa", "Vexa"))
        ++count;
    return count;
}

TEST(SecondInstance, BringsTheFirstForwardAndExitsWithZero) {
    const std::string exe = gui::WinePathOf(VEXA_EXE);
    Process first = Start(exe);
    ASSERT_TRUE(first.started) << GetLastError();
    // The window exists before its WM_CREATE is done; wait until the copy
    // is idle in its message loop.
    WaitForInputIdle(first.info.hProcess, 10000);
    HWND window = nullptr;
    ASSERT_TRUE(gui::WaitFor([&] { return (window = FindWindowA("Vexa", "Vexa")) != nullptr; }));
    WaitForInputIdle(first.info.hProcess, 10000);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(gui::WaitFor([&] { return IsIconic(window) != FALSE; }));

    Process second = Start(exe);
    ASSERT_TRUE(second.started);
    ASSERT_EQ(WaitForSingleObject(second.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD secondExit = 99;
    GetExitCodeProcess(second.info.hProcess, &secondExit);
    EXPECT_EQ(secondExit, 0u);
    EXPECT_TRUE(gui::WaitFor([&] { return IsIconic(window) == FALSE; }))
        << "first copy still minimized";
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_EQ(VexaWindowCount(), 1);

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(first.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD firstExit = 99;
    GetExitCodeProcess(first.info.hProcess, &firstExit);
    EXPECT_EQ(firstExit, 0u);
    for (Process* p : {&first, &second}) {
        CloseHandle(p->info.hThread);
        CloseHandle(p->info.hProcess);
    }
}

std::string Example(const char* name) {
    return gui::WinePathOf(std::string(VEXA_EXAMPLES_DIR) + "/" + name);
}

// The listing of another copy: its list box is the main window's child 3.
int ListingLineCount(HWND window) {
    HWND list = GetDlgItem(window, 3);
    return list != nullptr ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : -1;
}

HWND WaitForVexaWindow(const Process& p) {
    WaitForInputIdle(p.info.hProcess, 10000);
    HWND window = nullptr;
    gui::WaitFor([&] { return (window = FindWindowA("Vexa", "Vexa")) != nullptr; });
    WaitForInputIdle(p.info.hProcess, 10000);
    return window;
}

DWORD CloseAndWait(Process& p, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    if (WaitForSingleObject(p.info.hProcess, 10000) == WAIT_OBJECT_0)
        GetExitCodeProcess(p.info.hProcess, &exitCode);
    CloseHandle(p.info.hThread);
    CloseHandle(p.info.hProcess);
    return exitCode;
}

std::string FirstRecentFile() {
    char bytes[2048] = {};
    DWORD size = sizeof bytes - 2;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Bramwick\\Vexa", "RecentFiles",
                     RRF_RT_REG_MULTI_SZ, nullptr, bytes, &size) != ERROR_SUCCESS)
        return "";
    return bytes;
}

TEST(SecondInstance, AFileOnTheCommandLineOpensAtStart) {
    const std::string exe = gui::WinePathOf(VEXA_EXE);
    const std::string file = Example("jx8p-studio-tones.syx");
    Process first = Start(exe, file);
    ASSERT_TRUE(first.started) << GetLastError();
    HWND window = WaitForVexaWindow(first);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(gui::WaitFor([&] { return ListingLineCount(window) == kM16CListingLines; }))
        << ListingLineCount(window);
    EXPECT_EQ(FirstRecentFile(), file);
    EXPECT_EQ(CloseAndWait(first, window), 0u);
}

TEST(SecondInstance, HandsItsFileToTheRunningCopyAndExitsWithZero) {
    const std::string exe = gui::WinePathOf(VEXA_EXE);
    Process first = Start(exe, "", "C:\\");
    ASSERT_TRUE(first.started) << GetLastError();
    HWND window = WaitForVexaWindow(first);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ListingLineCount(window), 0);
    ShowWindow(window, SW_MINIMIZE);

    // "bank.syx" typed in a console in the examples folder, while the first
    // copy runs in another folder.
    const std::string file = Example("jx10-night-session.syx");
    Process second = Start(exe, "jx10-night-session.syx", gui::WinePathOf(VEXA_EXAMPLES_DIR));
    ASSERT_TRUE(second.started);
    ASSERT_EQ(WaitForSingleObject(second.info.hProcess, 15000), WAIT_OBJECT_0);
    DWORD secondExit = 99;
    GetExitCodeProcess(second.info.hProcess, &secondExit);
    EXPECT_EQ(secondExit, 0u);
    CloseHandle(second.info.hThread);
    CloseHandle(second.info.hProcess);
    // The M-64C listing in the first copy, which came to the front.
    EXPECT_TRUE(gui::WaitFor([&] { return ListingLineCount(window) == kM64CListingLines; }))
        << ListingLineCount(window);
    EXPECT_TRUE(gui::WaitFor([&] { return IsIconic(window) == FALSE; }));
    EXPECT_EQ(VexaWindowCount(), 1);
    // Remembered as the absolute path it was resolved to.
    EXPECT_EQ(FirstRecentFile(), file);
    EXPECT_EQ(CloseAndWait(first, window), 0u);
}

// A stand-in for a running copy that does not take the file: it holds the
// copy's semaphore and, when asked to, shows a window of its class and
// title that answers FALSE to the hand-over.
LRESULT CALLBACK RefusingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) return FALSE;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Runs this thread's messages (the stand-in window's) until the process
// ends or the time is up; true when it ended.
bool PumpUntilEnded(HANDLE process, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
            return true;
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return false;
}

TEST(SecondInstance, AHandOverNotTakenIsSaidAndExitsWithOne) {
    const std::string exe = gui::WinePathOf(VEXA_EXE);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RefusingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Vexa";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    const struct {
        const char* what;
        bool window;
    } cases[] = {{"no window within 5 s", false}, {"the hand-over refused", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, "Vexa");
        ASSERT_NE(semaphore, nullptr);
        ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a copy still runs";
        HWND standIn = nullptr;
        if (c.window) {
            standIn = CreateWindowA("Vexa", "Vexa", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
            ASSERT_NE(standIn, nullptr);
        }
        Process second = Start(exe, Example("jx10-night-session.syx"));
        ASSERT_TRUE(second.started);
        HWND box = nullptr;
        const DWORD start = GetTickCount();
        while (box == nullptr && GetTickCount() - start < 15000) {
            PumpUntilEnded(second.info.hProcess, 100);
            box = FindWindowA("#32770", "Vexa");
        }
        ASSERT_NE(box, nullptr) << "no box from the second copy";
        EXPECT_EQ(gui::MessageBoxText(box),
                  "Vexa is already running but did not answer. Try again when it is idle.");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(PumpUntilEnded(second.info.hProcess, 10000));
        DWORD exitCode = 99;
        GetExitCodeProcess(second.info.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 1u);
        CloseHandle(second.info.hThread);
        CloseHandle(second.info.hProcess);
        if (standIn != nullptr) DestroyWindow(standIn);
        CloseHandle(semaphore);
    }
}

}  // namespace
