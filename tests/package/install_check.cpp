// Checks a copy of Vexa installed by the setup program, or its absence after
// the uninstaller ran; run by run-package-test.sh in a throwaway Wine prefix:
//   Installed.*  after a silent install: the files in the per-user program
//                folder, the Start-menu shortcut, the uninstall entry, "Open
//                with" for .syx without a default program, and the installed
//                Vexa.exe starting (from another folder) and showing its
//                window;
//   Portable.*   the unpacked zip's Vexa.exe starting the same way (the
//                folder named by VEXA_PORTABLE_DIR);
//   Removed.*    after a silent uninstall: files, shortcut and registrations
//                gone, the program's settings key kept.
// The suites contradict each other: run one at a time with --gtest_filter.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vexa_version.h"

namespace {

constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vexa";
constexpr const char* kProgId = "Vexa.SysExBank";
constexpr const char* kSettingsKey = "Software\\Bramwick\\Vexa";

// The files that both packages carry, relative to the program folder.
constexpr const char* kPackagedFiles[] = {"Vexa.exe",
                                          "vexa-cli.exe",
                                          "README.md",
                                          "LICENSE.txt",
                                          "docs\\user-guide.md",
                                          "docs\\user-guide.html",
                                          "docs\\main-m64c.png",
                                          "examples\\jx10-night-session.syx",
                                          "examples\\jx8p-studio-tones.syx",
                                          "examples\\mks70-night-session.syx"};

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

std::string InstallDir() { return Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Vexa"; }
std::string ShortcutPath() { return Folder(CSIDL_PROGRAMS) + "\\Vexa.lnk"; }

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

bool KeyExists(const std::string& subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A string value, "<missing>" when there is none or it is not a string.
std::string ReadString(const std::string& subKey, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, subKey.c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

bool ValueExists(const std::string& subKey, const char* name) {
    return RegGetValueA(HKEY_CURRENT_USER, subKey.c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

std::string ShortcutTarget(const std::string& link) {
    std::string target = "<unreadable>";
    if (FAILED(CoInitialize(nullptr))) return target;
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(
                shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::wstring wide(link.begin(), link.end());
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return target;
}

bool WaitFor(bool (*condition)(), DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

bool VexaWindowShown() {
    const HWND window = FindWindowA("Vexa", "Vexa");
    return window != nullptr && IsWindowVisible(window);
}

// Starts the exe with the Windows folder as its working folder (not its
// own), waits for its main window, closes it and returns its exit code.
void StartShowAndClose(const std::string& exe) {
    ASSERT_TRUE(Exists(exe)) << exe;
    ASSERT_EQ(FindWindowA("Vexa", "Vexa"), nullptr) << "a Vexa window is already there";
    const std::string elsewhere = Folder(CSIDL_WINDOWS);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               elsewhere.c_str(), &startup, &process))
        << GetLastError();
    WaitForInputIdle(process.hProcess, 10000);
    const bool shown = WaitFor(VexaWindowShown, 15000);
    EXPECT_TRUE(shown) << "no visible Vexa window";
    if (shown) PostMessageA(FindWindowA("Vexa", "Vexa"), WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    if (WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 98);
        ADD_FAILURE() << "Vexa did not end after WM_CLOSE";
    }
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(Installed, FilesAreInThePerUserProgramFolder) {
    const std::string dir = InstallDir();
    for (const char* file : kPackagedFiles) EXPECT_TRUE(Exists(dir + "\\" + file)) << file;
    EXPECT_TRUE(Exists(dir + "\\Uninstall.exe"));
}

TEST(Installed, StartMenuShortcutStartsTheInstalledProgram) {
    ASSERT_TRUE(Exists(ShortcutPath())) << ShortcutPath();
    const std::string target = ShortcutTarget(ShortcutPath());
    EXPECT_TRUE(SamePath(target, InstallDir() + "\\Vexa.exe")) << target;
}

TEST(Installed, UninstallEntryDescribesTheProgram) {
    const std::string dir = InstallDir();
    EXPECT_EQ(ReadString(kUninstallKey, "DisplayName"), "Vexa");
    EXPECT_EQ(ReadString(kUninstallKey, "DisplayVersion"), kVexaVersion);
    EXPECT_EQ(ReadString(kUninstallKey, "Publisher"), kVexaPublisher);
    EXPECT_TRUE(SamePath(ReadString(kUninstallKey, "DisplayIcon"), dir + "\\Vexa.exe,0"));
    EXPECT_TRUE(
        SamePath(ReadString(kUninstallKey, "UninstallString"), "\"" + dir + "\\Uninstall.exe\""));
    EXPECT_TRUE(SamePath(ReadString(kUninstallKey, "QuietUninstallString"),
                         "\"" + dir + "\\Uninstall.exe\" /S"));
    EXPECT_TRUE(SamePath(ReadString(kUninstallKey, "InstallLocation"), dir));
    // In KB; the two exes alone make some hundreds.
    DWORD sizeKb = 0;
    DWORD size = sizeof sizeKb;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD,
                           nullptr, &sizeKb, &size),
              ERROR_SUCCESS);
    EXPECT_GT(sizeKb, 100u);
    EXPECT_LT(sizeKb, 100000u);
}

TEST(Installed, SyxFilesOfferOpenWithVexaWithoutMakingItTheDefault) {
    const std::string command = "\"" + InstallDir() + "\\Vexa.exe\" \"%1\"";
    EXPECT_TRUE(ValueExists("Software\\Classes\\.syx\\OpenWithProgids", kProgId));
    EXPECT_TRUE(SamePath(
        ReadString(std::string("Software\\Classes\\") + kProgId + "\\shell\\open\\command", ""),
        command));
    EXPECT_TRUE(
        SamePath(ReadString("Software\\Classes\\Applications\\Vexa.exe\\shell\\open\\command", ""),
                 command));
    EXPECT_TRUE(ValueExists("Software\\Classes\\Applications\\Vexa.exe\\SupportedTypes", ".syx"));
    // The extension's default program is left to the user.
    EXPECT_FALSE(ValueExists("Software\\Classes\\.syx", ""));
}

TEST(Installed, ProgramStartsFromAnotherFolderAndShowsItsWindow) {
    StartShowAndClose(InstallDir() + "\\Vexa.exe");
}

TEST(Portable, ProgramStartsFromAnotherFolderAndShowsItsWindow) {
    const char* dir = std::getenv("VEXA_PORTABLE_DIR");
    ASSERT_NE(dir, nullptr) << "VEXA_PORTABLE_DIR names the unpacked zip's folder";
    for (const char* file : kPackagedFiles)
        EXPECT_TRUE(Exists(std::string(dir) + "\\" + file)) << file;
    StartShowAndClose(std::string(dir) + "\\Vexa.exe");
}

TEST(Removed, FilesShortcutAndRegistrationsAreGone) {
    EXPECT_FALSE(Exists(InstallDir())) << InstallDir();
    EXPECT_FALSE(Exists(ShortcutPath()));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(std::string("Software\\Classes\\") + kProgId));
    EXPECT_FALSE(KeyExists("Software\\Classes\\Applications\\Vexa.exe"));
    EXPECT_FALSE(ValueExists("Software\\Classes\\.syx\\OpenWithProgids", kProgId));
}

TEST(Removed, SettingsKeyIsKept) {
    // run-package-test.sh wrote this value before installing.
    EXPECT_EQ(ReadString(kSettingsKey, "PackageTest"), "kept");
}

}  // namespace
