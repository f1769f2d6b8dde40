// Where a dialog goes when it is first shown: centred over its owner and
// kept inside the work area. Pure arithmetic over rectangles, so it can be
// checked without a window system. Portable: no platform headers.
#pragma once

#include <cstdint>

struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The window's new top-left corner. Centred with divisions that truncate
// toward zero, then clamped: the left (top) edge of the work area first, and
// only when that did not apply, its right (bottom) edge. A window larger
// than the work area therefore starts at the left (top) edge and may reach
// past the right (bottom) one.
ScreenPoint CenterPosition(const ScreenRect& window, const ScreenRect& owner,
                           const ScreenRect& workArea);
