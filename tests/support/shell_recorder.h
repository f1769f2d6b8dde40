// A stand-in for the application shell in host tests: every call that the
// worker-side code makes on the shell (status texts, log lines, listing
// refreshes, posted messages, message boxes) is kept in order, so a test can
// check the whole conversation. Thread-safe: the worker writes, the test
// thread reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ShellCall {
    enum class Kind { Status, Field, Log, Refresh, Post, MessageBox, Progress };
    Kind kind;
    std::string text;       // status, field, log line, message box text
    std::string caption{};  // message box caption
    int index = 0;          // status field index
    uint32_t message = 0;   // posted message
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t style = 0;  // message box style
    int32_t done = 0;    // transfer progress: done of total
    int32_t total = 0;
};

namespace shell_recorder {

// Installs the recorder as the shell (SetShell), forgets every recorded call
// and restores the defaults: log open, message boxes answered with OK, posts
// succeed, no hook.
void Reset();
std::vector<ShellCall> Calls();
std::vector<std::string> StatusTexts();
std::vector<std::string> LogLines();
std::vector<ShellCall> Posts();
std::vector<ShellCall> MessageBoxes();
int RefreshCount();
// The transfer progress calls in order, as (done, total).
std::vector<std::pair<int32_t, int32_t>> Progress();

void SetLogOpen(bool open);
void SetMessageBoxAnswer(int answer);
// Called (outside the recorder's lock) after every recorded call, on the
// calling thread; tests use it to act at a given moment, for example to post
// Stop when a certain status text appears.
void SetHook(std::function<void(const ShellCall&)> hook);

}  // namespace shell_recorder
