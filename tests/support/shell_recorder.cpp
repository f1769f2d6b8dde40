// Records the shell calls of the worker-side code for host tests.
#include "tests/support/shell_recorder.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "ground/shell.h"

namespace {

struct Recorder {
    std::mutex lock;
    std::vector<ShellCall> calls;
    bool logOpen = true;
    int messageBoxAnswer = kIdOk;
    std::function<void(const ShellCall&)> hook;
};

Recorder& TheRecorder() {
    static Recorder recorder;
    return recorder;
}

void Record(ShellCall call) {
    Recorder& r = TheRecorder();
    std::function<void(const ShellCall&)> hook;
    {
        std::lock_guard<std::mutex> guard(r.lock);
        r.calls.push_back(call);
        hook = r.hook;
    }
    if (hook) hook(call);
}

std::vector<ShellCall> CallsOfKind(ShellCall::Kind kind) {
    std::vector<ShellCall> result;
    for (const ShellCall& c : shell_recorder::Calls())
        if (c.kind == kind) result.push_back(c);
    return result;
}

std::vector<std::string> TextsOfKind(ShellCall::Kind kind) {
    std::vector<std::string> result;
    for (const ShellCall& c : CallsOfKind(kind)) result.push_back(c.text);
    return result;
}

}  // namespace

// The recorder's ShellOps table, installed by shell_recorder::Reset.
namespace {

void RecordStatus(const char* text) {
    ShellCall call{ShellCall::Kind::Status, text ? text : ""};
    Record(call);
}

void RecordField(int index, const char* text) {
    ShellCall call{ShellCall::Kind::Field, text ? text : ""};
    call.index = index;
    Record(call);
}

int RecordLogLine(const char* format, va_list args) {
    {
        Recorder& r = TheRecorder();
        std::lock_guard<std::mutex> guard(r.lock);
        if (!r.logOpen) return 0;
    }
    char line[512];
    int n = std::vsnprintf(line, sizeof line, format, args);
    if (n < 0) line[0] = '\0';
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    Record(ShellCall{ShellCall::Kind::Log, text});
    return n;
}

int RecordedLogOpen() {
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.logOpen ? 1 : 0;
}

void RecordRefresh() { Record(ShellCall{ShellCall::Kind::Refresh, ""}); }

bool RecordPost(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    ShellCall call{ShellCall::Kind::Post, ""};
    call.message = message;
    call.wParam = wParam;
    call.lParam = lParam;
    Record(call);
    return true;
}

int RecordMessageBox(uintptr_t /*owner*/, const char* text, const char* caption, uint32_t style) {
    ShellCall call{ShellCall::Kind::MessageBox, text ? text : ""};
    call.caption = caption ? caption : "";
    call.style = style;
    int answer;
    {
        Recorder& r = TheRecorder();
        std::lock_guard<std::mutex> guard(r.lock);
        answer = r.messageBoxAnswer;
    }
    Record(call);
    return answer;
}

void RecordProgress(int32_t done, int32_t total) {
    ShellCall call{ShellCall::Kind::Progress, ""};
    call.done = done;
    call.total = total;
    Record(call);
}

// Nothing here opens documents; the GUI tests record what the Help command
// would open with a table of their own.
bool NoDocument(const char*) { return false; }

constexpr ShellOps kRecorderShell{RecordStatus,  RecordField,      RecordLogLine,  RecordedLogOpen,
                                  RecordRefresh, RecordPost,       RecordMessageBox, RecordProgress,
                                  NoDocument};

}  // namespace

namespace shell_recorder {

void Reset() {
    SetShell(&kRecorderShell);
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.calls.clear();
    r.logOpen = true;
    r.messageBoxAnswer = kIdOk;
    r.hook = nullptr;
}

std::vector<ShellCall> Calls() {
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.calls;
}

std::vector<std::string> StatusTexts() { return TextsOfKind(ShellCall::Kind::Status); }
std::vector<std::string> LogLines() { return TextsOfKind(ShellCall::Kind::Log); }
std::vector<ShellCall> Posts() { return CallsOfKind(ShellCall::Kind::Post); }
std::vector<ShellCall> MessageBoxes() { return CallsOfKind(ShellCall::Kind::MessageBox); }
int RefreshCount() { return static_cast<int>(CallsOfKind(ShellCall::Kind::Refresh).size()); }
std::vector<std::pair<int32_t, int32_t>> Progress() {
    std::vector<std::pair<int32_t, int32_t>> result;
    for (const ShellCall& c : CallsOfKind(ShellCall::Kind::Progress))
        result.emplace_back(c.done, c.total);
    return result;
}

void SetLogOpen(bool open) {
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.logOpen = open;
}

void SetMessageBoxAnswer(int answer) {
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.messageBoxAnswer = answer;
}

void SetHook(std::function<void(const ShellCall&)> hook) {
    Recorder& r = TheRecorder();
    std::lock_guard<std::mutex> guard(r.lock);
    r.hook = std::move(hook);
}

}  // namespace shell_recorder
