// The centring arithmetic behind CenterWindow: centred over the owner, then
// kept inside the work area. Portable: no window system here, only numbers.
#include "app/view/center.h"

#include <algorithm>
#include <limits>

namespace {

// Worked in 64 bits so that no rectangle the system can report (an owner
// parked far off screen, a bogus work area) overflows; the result is
// brought back into the 32-bit range at the end.
int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// One axis: start and length of the window, of the owner, and the work
// area's two edges. The near edge wins over the far one.
int64_t PlaceOnAxis(int64_t size, int64_t ownerStart, int64_t ownerSize, int64_t nearEdge,
                    int64_t farEdge) {
    // C++ integer division truncates toward zero, which is the rounding
    // wanted when the owner is smaller than the window.
    int64_t start = ownerStart + (ownerSize - size) / 2;
    if (start < nearEdge) {
        start = nearEdge;
    } else if (start + size > farEdge) {
        start = farEdge - size;
    }
    return start;
}

}  // namespace

ScreenPoint CenterPosition(const ScreenRect& window, const ScreenRect& owner,
                           const ScreenRect& workArea) {
    const int64_t w = int64_t{window.right} - window.left;
    const int64_t h = int64_t{window.bottom} - window.top;
    const int64_t ownerW = int64_t{owner.right} - owner.left;
    const int64_t ownerH = int64_t{owner.bottom} - owner.top;
    ScreenPoint point;
    point.x = Saturate(PlaceOnAxis(w, owner.left, ownerW, workArea.left, workArea.right));
    point.y = Saturate(PlaceOnAxis(h, owner.top, ownerH, workArea.top, workArea.bottom));
    return point;
}
