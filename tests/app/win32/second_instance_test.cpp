// A second start of the real Vexa.exe, while a first copy runs minimized,
// restores the first copy, brings it to the front and exits with 0 without
// showing anything of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/app/win32/gui_harness.h"

namespace {

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;
};

Process Start(const std::string& exe) {
    Process p;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    p.started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &p.info) != FALSE;
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

}  // namespace
