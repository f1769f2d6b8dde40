// The in-process GUI harness: the real start-up on a UI thread, and the
// helpers a test uses to act on and read the windows from its own thread.
#include "tests/app/win32/gui_harness.h"

#include <commctrl.h>
#include <dlgs.h>

#include <array>
#include <atomic>
#include <cstdlib>

#include "app/view/cp437.h"
#include "app/win32/main_window.h"
#include "app/win32/shell_win32.h"
#include "app/win32/startup.h"
#include "transfer/transfer.h"

namespace gui {
namespace {

constexpr UINT kRunOnUiMessage = WM_APP + 40;
constexpr char kHelperClass[] = "VexaGuiHarnessHelper";

struct Harness {
    HANDLE uiThread = nullptr;
    HANDLE helperReady = nullptr;
    std::atomic<HWND> helper{nullptr};
    std::atomic<bool> ended{false};
    std::atomic<int> exitCode{0};
    OperationRunner runner = nullptr;
};
Harness harness;

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunOnUiMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI UiThread(void*) {
    WNDCLASSA helperClass{};
    helperClass.lpfnWndProc = HelperProc;
    helperClass.hInstance = GetModuleHandleA(nullptr);
    helperClass.lpszClassName = kHelperClass;
    RegisterClassA(&helperClass);
    // A message-only window of the UI thread: the start-up's message loop
    // delivers what is sent to it, so tests can run code on this thread.
    harness.helper.store(CreateWindowExA(0, kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         helperClass.hInstance, nullptr));
    SetEvent(harness.helperReady);
    harness.exitCode.store(RunVexa(GetModuleHandleA(nullptr), SW_SHOWNORMAL, harness.runner));
    harness.ended.store(true);
    return 0;
}

constexpr char kSettingsKey[] = "Software\\Bramwick\\Vexa";

// The settings key is shared with the other tests of the prefix: what was
// there before a test wrote its own settings is put back when the test
// program ends. The two device names are written too (empty: no device),
// as the program's own save writes them: without them the start-up takes
// the stored settings for unreadable and keeps its defaults.
struct SavedValue {
    const char* name;
    bool existed = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
struct SavedSettings {
    bool keyExisted = false;
    std::array<SavedValue, 3> values = {{{"Options", false, REG_NONE, {}},
                                         {"InputDevice", false, REG_NONE, {}},
                                         {"OutputDevice", false, REG_NONE, {}}}};
};
SavedSettings savedSettings;

void RestoreSettings() {
    if (!savedSettings.keyExisted) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const SavedValue& value : savedSettings.values) {
        if (value.existed)
            RegSetValueExA(key, value.name, 0, value.type, value.bytes.data(),
                           static_cast<DWORD>(value.bytes.size()));
        else
            RegDeleteValueA(key, value.name);
    }
    RegCloseKey(key);
}

void WriteSettings(const StartOptions& options) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        savedSettings.keyExisted = true;
        for (SavedValue& value : savedSettings.values) {
            DWORD size = 0;
            if (RegQueryValueExA(key, value.name, nullptr, &value.type, nullptr, &size) !=
                ERROR_SUCCESS)
                continue;
            value.existed = true;
            value.bytes.resize(size);
            RegQueryValueExA(key, value.name, nullptr, nullptr, value.bytes.data(), &size);
        }
        RegCloseKey(key);
    }
    std::atexit(RestoreSettings);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const BYTE block[4] = {1, static_cast<BYTE>(options.synthType),
                           static_cast<BYTE>(options.midiChannel), 0};
    RegSetValueExA(key, "Options", 0, REG_BINARY, block, sizeof block);
    const BYTE none[1] = {0};
    RegSetValueExA(key, "InputDevice", 0, REG_SZ, none, sizeof none);
    RegSetValueExA(key, "OutputDevice", 0, REG_SZ, none, sizeof none);
    RegCloseKey(key);
}

struct DialogSearch {
    const char* caption;
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, search->caption) != 0) return TRUE;
    if (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK DescribeChild(HWND child, LPARAM lParam) {
    char className[64] = {};
    char text[128] = {};
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    char line[256] = {};
    wsprintfA(line, "  id 0x%x %s \"%s\"\n", GetDlgCtrlID(child), className, text);
    *reinterpret_cast<std::string*>(lParam) += line;
    return TRUE;
}

std::array<uint8_t, 0x10000>& Cp437Reverse() {
    static std::array<uint8_t, 0x10000> table = [] {
        std::array<uint8_t, 0x10000> t{};
        t.fill('?');
        for (int b = 255; b >= 1; --b)
            t[Cp437ToUtf16(static_cast<uint8_t>(b))] = static_cast<uint8_t>(b);
        return t;
    }();
    return table;
}

}  // namespace

HWND StartShell(const StartOptions& options) {
    if (harness.uiThread == nullptr) {
        if (options.writeSettings) WriteSettings(options);
        harness.runner =
            options.operationRunner != nullptr ? options.operationRunner : RunTransferJob;
        harness.helperReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        harness.uiThread = CreateThread(nullptr, 0, UiThread, nullptr, 0, nullptr);
        if (harness.uiThread == nullptr) return nullptr;
        WaitForSingleObject(harness.helperReady, kDefaultTimeoutMs);
    }
    if (!WaitFor([] { return MainWindow() != nullptr || harness.ended.load(); })) return nullptr;
    if (MainWindow() == nullptr) return nullptr;
    // A round trip through the UI thread's queue: it has reached its message
    // loop (or a modal loop) once this returns.
    RunOnUiThread([] {});
    return MainWindow();
}

HWND MainWindow() { return MainWindowHandle(); }

bool WaitShellEnded(DWORD timeoutMs, int* exitCode) {
    if (harness.uiThread == nullptr) return false;
    if (WaitForSingleObject(harness.uiThread, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode != nullptr) *exitCode = harness.exitCode.load();
    return true;
}

void RunOnUiThread(const std::function<void()>& fn) {
    HWND helper = harness.helper.load();
    if (helper == nullptr || harness.ended.load()) return;
    SendMessageA(helper, kRunOnUiMessage, 0, reinterpret_cast<LPARAM>(&fn));
}

BankDocument Document() {
    BankDocument document;
    RunOnUiThread([&] {
        if (const AppState* state = MainWindowState(MainWindow())) document = state->document;
    });
    return document;
}

void ChangeDocument(const std::function<void(BankDocument&)>& change) {
    RunOnUiThread([&] {
        if (AppState* state = MainWindowState(MainWindow())) change(state->document);
    });
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(10);
    }
}

void PostMenuCommand(UINT command) {
    PostMessageA(MainWindow(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

HWND FindDialog(const char* caption, HWND owner, DWORD timeoutMs) {
    DialogSearch search{caption, owner, nullptr};
    WaitFor(
        [&] {
            search.found = nullptr;
            EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool WaitWindowGone(HWND window, DWORD timeoutMs) {
    return WaitFor([window] { return !IsWindow(window); }, timeoutMs);
}

std::string DescribeChildren(HWND window) {
    std::string description;
    EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&description));
    return description;
}

std::string MessageBoxText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

bool EnterFileName(HWND fileDialog, const std::string& path) {
    for (int id : {cmb13, edt1})
        if (GetDlgItem(fileDialog, id) != nullptr && SetDlgItemTextA(fileDialog, id, path.c_str()))
            return true;
    return false;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string AnswerMessageBox(const char* caption, int button, DWORD timeoutMs) {
    HWND box = FindDialog(caption, MainWindow(), timeoutMs);
    if (box == nullptr) return "";
    std::string text = MessageBoxText(box);
    PressButton(box, button);
    WaitWindowGone(box);
    return text;
}

std::vector<std::wstring> ListBoxLinesW(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::wstring line(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(length));
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ListBoxLinesCp437(HWND list) {
    std::vector<std::string> lines;
    for (const std::wstring& wide : ListBoxLinesW(list)) {
        std::string line;
        for (wchar_t c : wide)
            line.push_back(static_cast<char>(Cp437Reverse()[static_cast<uint16_t>(c)]));
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ListBoxLinesAnsi(HWND list) {
    std::vector<std::string> lines;
    for (const std::wstring& wide : ListBoxLinesW(list)) {
        std::string line;
        for (wchar_t c : wide) line.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        lines.push_back(line);
    }
    return lines;
}

int ListBoxTopIndex(HWND list) {
    return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
}

std::string StatusText(HWND bar, int part) {
    // SB_GETTEXTLENGTH does not know the simple-mode part (255) everywhere;
    // every text the bar holds fits this buffer.
    std::array<char, 1024> text{};
    SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(text.data()));
    text.back() = '\0';
    return text.data();
}

std::vector<int> StatusPartEdges(HWND bar) {
    std::array<int, 256> edges{};
    const LRESULT count =
        SendMessageA(bar, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    return {edges.begin(), edges.begin() + (count > 0 ? count : 0)};
}

bool StatusIsSimple(HWND bar) { return SendMessageA(bar, SB_ISSIMPLE, 0, 0) != 0; }

std::string StatusSimpleText(HWND bar) {
    if (!StatusIsSimple(bar)) return "";
    // Windows reads the simple part as 255; Wine's status window answers
    // only for the parts it has, and gives the simple text for part 0.
    std::string text = StatusText(bar, 255);
    return text.empty() ? StatusText(bar, 0) : text;
}

void PrepareMenuPopup(HMENU popup, int position) {
    SendMessageA(MainWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                 MAKELPARAM(position, FALSE));
}

MenuItemState MenuState(HMENU popup, UINT command) {
    MenuItemState state;
    const UINT flags = GetMenuState(popup, command, MF_BYCOMMAND);
    if (flags == static_cast<UINT>(-1)) return state;
    state.exists = true;
    state.grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    state.checked = (flags & MF_CHECKED) != 0;
    return state;
}

HMENU MenuBarPopup(int position) { return GetSubMenu(GetMenu(MainWindow()), position); }

void PressKey(WORD virtualKey, std::initializer_list<WORD> modifiers) {
    PressKeyIn(MainWindow(), virtualKey, modifiers);
}

void PressKeyIn(HWND window, WORD virtualKey, std::initializer_list<WORD> modifiers) {
    SetForegroundWindow(window);
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD m : modifiers) key(m, false);
    key(virtualKey, false);
    key(virtualKey, true);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) key(*it, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::string WinePathOf(const std::string& unixPath) {
    std::string path = "Z:";
    for (char c : unixPath) path.push_back(c == '/' ? '\\' : c);
    return path;
}

}  // namespace gui
