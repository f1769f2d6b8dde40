// A list box as the sink of the line store: the count, the delete of the
// oldest line and the scroll are the same for the listing and the log; only
// how a line's text is inserted differs (UTF-16 from code page 437 for the
// listing, plain ANSI for the log).
#pragma once

#include <windows.h>

#include "app/view/text_lines.h"

TextLineSink ListBoxLineSink(HWND list,
                             void (*insert)(void* list, int32_t index, const char* text));
