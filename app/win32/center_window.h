// Places a dialog over its owner when it is first shown (see app/view/center.h
// for the arithmetic).
#pragma once

#include <windows.h>

// Moves window; it keeps its size and its place in the Z order.
void CenterWindow(HWND window, HWND owner);
