// The log window and the shell table's log line (LogPrintf). Lines are formatted and capped by the line
// store of app/view/text_lines; the list box is only where they end up.
//
// Threads: the window is created and destroyed on the UI thread only, which
// is the only writer of logDialog and logList. LogPrintf runs on the UI
// thread and on the worker. The UI thread stores logList (in WM_INITDIALOG)
// before it publishes logDialog with a release store; a reader that sees
// logDialog set (acquire) therefore sees that window's list. Closing sets
// logDialog to null before the window is destroyed, so a later LogPrintf
// sees the log as closed; a worker call already past that test sends to a
// window that is going away, which the window system answers with 0. A
// worker's line is formatted on the worker and appended on the UI thread
// (one sent message), so the count, delete and insert of one append never
// interleave with another thread's.
#include "app/win32/log_window.h"

#include <atomic>
#include <cstdarg>
#include <deque>
#include <string>

#include "app/win32/resource.h"
#include "ground/shell.h"
#include "app/view/text_lines.h"
#include "app/win32/list_box_sink.h"
#include "app/win32/shell_win32.h"
#include "app/win32/ui_thread.h"

namespace {

std::atomic<HWND> logDialog{nullptr};
std::atomic<HWND> logList{nullptr};
// Lines kept while the log window was closed (KeepLogLine); UI thread only.
std::deque<std::string> keptLines;

void ListInsert(void* context, int32_t index, const char* text) {
    SendMessageA(static_cast<HWND>(context), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text));
}

// On the UI thread.
void AppendLogLine(const char* text) {
    HWND list = logList.load(std::memory_order_acquire);
    if (list == nullptr) return;
    const TextLineSink sink = ListBoxLineSink(list, ListInsert);
    // The delete, insert and scroll of one line are drawn once: each of them
    // alone would update the scroll bars and repaint.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    AppendToSink(sink, text);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

HWND LogWindowHandle() { return logDialog.load(std::memory_order_acquire); }
HWND LogListHandle() { return logList.load(std::memory_order_acquire); }

int LogWindowIsOpen() { return logDialog.load(std::memory_order_acquire) != nullptr ? 1 : 0; }

int OpenLogWindow() {
    if (LogWindowIsOpen()) return 1;
    HWND dialog = CreateDialogParamA(Handles().instance, MAKEINTRESOURCEA(IDD_LOGWINDOW),
                                     nullptr, LogDialogProc, 0);
    if (dialog == nullptr) return 0;
    logDialog.store(dialog, std::memory_order_release);
    LogPrintf("Log window opened ...\n");
    LogPrintf("\n");
    for (const std::string& line : keptLines) LogPrintf("%s\n", line.c_str());
    keptLines.clear();
    return 1;
}

void KeepLogLine(const char* line) {
    if (LogWindowIsOpen()) {
        LogPrintf("%s\n", line);
        return;
    }
    keptLines.emplace_back(line);
    if (keptLines.size() > static_cast<size_t>(kMaxTextLines)) keptLines.pop_front();
}

int CloseLogWindow() {
    HWND dialog = logDialog.exchange(nullptr, std::memory_order_acq_rel);
    if (dialog != nullptr) DestroyWindow(dialog);
    return 0;
}

INT_PTR CALLBACK LogDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        logList.store(GetDlgItem(dialog, IDC_LOGLIST), std::memory_order_release);
        return FALSE;
    case WM_CLOSE:
        // The close box or Alt+F4: the log is closed before the window goes.
        logDialog.store(nullptr, std::memory_order_release);
        DestroyWindow(dialog);
        return TRUE;
    case kLogLineMessage: AppendLogLine(reinterpret_cast<const char*>(lParam)); return TRUE;
    default: return FALSE;
    }
}

int LogToWindow(const char* format, va_list args) {
    HWND dialog = logDialog.load(std::memory_order_acquire);
    if (dialog == nullptr) return 0;
    TextLine line;
    const int32_t length = FormatTextLine(line, format, args);
    RunOnUiThread(dialog, dialog, kLogLineMessage, 0, reinterpret_cast<LPARAM>(line.text.data()),
                  [](WPARAM, LPARAM text) { AppendLogLine(reinterpret_cast<const char*>(text)); });
    return length;
}
