// The list box messages shared by the listing and the log window's sinks.
// None of them carries text, so one character set serves both lists.
#include "app/win32/list_box_sink.h"

namespace {

int32_t ListCount(void* list) {
    return static_cast<int32_t>(SendMessageW(static_cast<HWND>(list), LB_GETCOUNT, 0, 0));
}

void ListDeleteFirst(void* list) { SendMessageW(static_cast<HWND>(list), LB_DELETESTRING, 0, 0); }

void ListSetTop(void* list, int32_t index) {
    SendMessageW(static_cast<HWND>(list), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

}  // namespace

TextLineSink ListBoxLineSink(HWND list,
                             void (*insert)(void* list, int32_t index, const char* text)) {
    TextLineSink sink;
    sink.context = list;
    sink.count = ListCount;
    sink.deleteFirst = ListDeleteFirst;
    sink.insert = insert;
    sink.setTopIndex = ListSetTop;
    return sink;
}
