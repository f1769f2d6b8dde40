// CenterWindow: reads the two windows' rectangles and the work area from the
// window system and moves the dialog where app/view/center.h says.
#include "app/win32/center_window.h"

#include "app/view/center.h"

namespace {

ScreenRect FromRect(const RECT& rect) {
    return ScreenRect{static_cast<int32_t>(rect.left), static_cast<int32_t>(rect.top),
                      static_cast<int32_t>(rect.right), static_cast<int32_t>(rect.bottom)};
}

}  // namespace

void CenterWindow(HWND window, HWND owner) {
    RECT windowRect;
    if (!GetWindowRect(window, &windowRect)) {
        return;
    }
    RECT workArea;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
        workArea = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    // A dialog without an owner (or with one already gone) is centred over
    // the work area instead.
    RECT ownerRect;
    if (owner == nullptr || !GetWindowRect(owner, &ownerRect)) {
        ownerRect = workArea;
    }
    const ScreenPoint place =
        CenterPosition(FromRect(windowRect), FromRect(ownerRect), FromRect(workArea));
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
