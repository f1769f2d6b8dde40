// Remote control of Vexa.exe through window messages. Under Wine, text
// messages with pointers (WM_GETTEXT, LB_GETTEXT, CB_GETLBTEXT) are carried
// across processes only for the wide versions; status bar texts have no
// such marshalling, so they are read into memory allocated in Vexa itself.
#include "tests/e2e/harness/vexa_remote.h"

#include <commctrl.h>
#include <dlgs.h>

#include "app/win32/resource.h"

namespace e2e {

namespace {

constexpr UINT kTimeout = 2000;

LRESULT Send(HWND window, UINT message, WPARAM w, LPARAM l, bool* ok = nullptr) {
    DWORD_PTR result = 0;
    const LRESULT sent =
        SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, kTimeout, &result);
    if (ok) *ok = sent != 0;
    return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
    wchar_t text[1024] = L"";
    Send(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

HWND ChildOfClass(HWND parent, const wchar_t* className) {
    return FindWindowExW(parent, nullptr, className, nullptr);
}

std::vector<std::string> ListBoxLines(HWND list) {
    std::vector<std::string> lines;
    if (!list) return lines;
    const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
    // The list may change between two messages (a watch logs lines while
    // the oldest are dropped), so item i can be longer by the time its text
    // is fetched than LB_GETTEXTLEN said. LB_GETTEXT takes no buffer size:
    // the buffer is sized for the longest line the program ever makes
    // (511 characters) with room to spare, and the length it returns is used.
    constexpr size_t kLineRoom = 4096;
    std::wstring line(kLineRoom + 1, L'\0');
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || length > static_cast<LRESULT>(kLineRoom)) continue;
        line.assign(kLineRoom + 1, L'\0');
        const LRESULT copied =
            Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        if (copied < 0 || copied > static_cast<LRESULT>(kLineRoom)) continue;
        lines.push_back(Narrow(line.substr(0, static_cast<size_t>(copied))));
    }
    return lines;
}

struct Search {
    DWORD pid;
    std::wstring caption;
    HWND found;
};

BOOL CALLBACK FindOne(HWND window, LPARAM data) {
    Search* s = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window)) return TRUE;
    wchar_t className[64] = L"";
    wchar_t title[256] = L"";
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 256);
    if (wcscmp(className, L"#32770") == 0 && s->caption == title) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

bool StartVexa(Vexa& vexa, const std::wstring& exe) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &vexa.process))
        return false;
    // The window may exist before its creation has finished; wait for idle.
    WaitForInputIdle(vexa.process.hProcess, 15000);
    for (int i = 0; i < 300 && !vexa.main; ++i) {
        HWND w = FindWindowW(L"Vexa", L"Vexa");
        DWORD pid = 0;
        if (w) GetWindowThreadProcessId(w, &pid);
        if (w && pid == vexa.process.dwProcessId)
            vexa.main = w;
        else
            Sleep(50);
    }
    WaitForInputIdle(vexa.process.hProcess, 15000);
    return vexa.main != nullptr;
}

bool IsRunning(const Vexa& vexa) {
    return vexa.process.hProcess && WaitForSingleObject(vexa.process.hProcess, 0) == WAIT_TIMEOUT;
}

int WaitForExit(Vexa& vexa, DWORD timeoutMs) {
    if (!vexa.process.hProcess) return -1;
    if (WaitForSingleObject(vexa.process.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(vexa.process.hProcess, &code);
    return static_cast<int>(code);
}

void KillVexa(Vexa& vexa) {
    if (IsRunning(vexa)) {
        TerminateProcess(vexa.process.hProcess, 99);
        WaitForSingleObject(vexa.process.hProcess, 5000);
    }
    if (vexa.process.hProcess) CloseHandle(vexa.process.hProcess);
    if (vexa.process.hThread) CloseHandle(vexa.process.hThread);
    vexa = Vexa{};
}

void PostCommand(const Vexa& vexa, int command) {
    PostMessageW(vexa.main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void PressListingKey(const Vexa& vexa, int virtualKey) {
    HWND list = GetDlgItem(vexa.main, 3);
    const WPARAM key = static_cast<WPARAM>(virtualKey);
    PostMessageW(list, WM_KEYDOWN, key, 1);
    PostMessageW(list, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PostClose(const Vexa& vexa) { PostMessageW(vexa.main, WM_CLOSE, 0, 0); }

std::string StatusText(const Vexa& vexa, int pane) {
    HWND bar = ChildOfClass(vexa.main, STATUSCLASSNAMEW);
    if (!bar) return "";
    void* remote = VirtualAllocEx(vexa.process.hProcess, nullptr, 512, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return "";
    std::string text;
    bool ok = false;
    const LRESULT r =
        Send(bar, SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(remote), &ok);
    char local[512] = "";
    SIZE_T read = 0;
    if (ok && LOWORD(r) < sizeof local &&
        ReadProcessMemory(vexa.process.hProcess, remote, local, sizeof local, &read)) {
        local[LOWORD(r)] = '\0';
        text = local;
    }
    VirtualFreeEx(vexa.process.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

int WaitForStatus(const Vexa& vexa, const std::string& text, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (StatusText(vexa, 0) == text) return static_cast<int>(GetTickCount64() - start);
        if (GetTickCount64() - start > timeoutMs || !IsRunning(vexa)) return -1;
        Sleep(pollMs);
    }
}

std::vector<std::string> ListingLines(const Vexa& vexa) {
    return ListBoxLines(GetDlgItem(vexa.main, 3));
}

std::vector<std::string> LogLines(const Vexa& vexa) {
    // The log window is a modeless dialog of the program with its list.
    Search s{vexa.process.dwProcessId, L"", nullptr};
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == s.pid && GetDlgItem(w, IDC_LOGLIST)) found = w;
    }
    return found ? ListBoxLines(GetDlgItem(found, IDC_LOGLIST)) : std::vector<std::string>{};
}

HWND FindDialog(const Vexa& vexa, const std::wstring& caption) {
    Search s{vexa.process.dwProcessId, caption, nullptr};
    EnumWindows(FindOne, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForDialog(const Vexa& vexa, const std::wstring& caption, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (HWND d = FindDialog(vexa, caption)) return d;
        if (GetTickCount64() - start > timeoutMs || !IsRunning(vexa)) return nullptr;
        Sleep(10);
    }
}

bool WaitForDialogGone(HWND dialog, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (GetTickCount64() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : "";
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {
std::string SelectByName(HWND combo, const std::string& name) {
    if (!combo) return "the device list is missing";
    const LRESULT count = Send(combo, CB_GETCOUNT, 0, 0);
    std::string seen;
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        const LRESULT length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || length >= 256) continue;
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (Narrow(text) == name) {
            Send(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return Send(combo, CB_GETCURSEL, 0, 0) == i ? "" : "the device could not be selected";
        }
        seen += " [" + Narrow(text) + "]";
    }
    return "\"" + name + "\" is not listed; the list holds" + (seen.empty() ? " nothing" : seen) +
           " (" + std::to_string(count) + " entries)";
}
}  // namespace

std::string SetOptions(const Vexa& vexa, const std::string& input, const std::string& output,
                       int synthButton, int channelButton) {
    PostCommand(vexa, IDM_OPTIONS);
    HWND dialog = WaitForDialog(vexa, L"Options", 5000);
    if (!dialog) return "the Options dialog did not open";
    std::string problem = SelectByName(GetDlgItem(dialog, IDC_INPUT_DEVICE), input);
    if (problem.empty()) problem = SelectByName(GetDlgItem(dialog, IDC_OUTPUT_DEVICE), output);
    for (int button : {synthButton, channelButton}) {
        if (!problem.empty()) break;
        HWND radio = GetDlgItem(dialog, button);
        if (!radio)
            problem = "radio button " + std::to_string(button) + " is missing";
        else {
            Send(radio, BM_CLICK, 0, 0);
            if (Send(radio, BM_GETCHECK, 0, 0) != BST_CHECKED)
                problem = "radio button " + std::to_string(button) + " stays unchecked";
        }
    }
    PressButton(dialog, problem.empty() ? IDOK : IDCANCEL);
    if (!WaitForDialogGone(dialog, 5000))
        return problem.empty() ? "the Options dialog did not close" : problem;
    return problem;
}

bool ChooseFile(HWND dialog, const std::wstring& path) {
    // The Explorer-style dialogs keep the name in combo box cmb13, older ones in edit edt1.
    bool set = false;
    for (int id : {cmb13, edt1}) {
        if (HWND field = GetDlgItem(dialog, id)) {
            Send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            set = true;
        }
    }
    if (set) PressButton(dialog, IDOK);
    return set;
}

double CpuMillis(const Vexa& vexa) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(vexa.process.hProcess, &created, &exited, &kernel, &user)) return -1;
    auto value = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0;
    };
    return value(kernel) + value(user);
}

}  // namespace e2e
