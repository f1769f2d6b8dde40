// Progress share and DPI arithmetic; see scaling.h.
#include "app/view/scaling.h"

ProgressBarState ProgressFor(int32_t done, int32_t total) {
    if (total <= 0) return {};
    ProgressBarState state;
    state.visible = true;
    state.range = total;
    state.position = done < 0 ? 0 : (done > total ? total : done);
    return state;
}

int32_t ScaleForDpi(int32_t value, uint32_t dpi) {
    if (dpi == 0) dpi = kDefaultDpi;
    // 64-bit product: no overflow for any 32-bit value at any real DPI.
    const int64_t product = static_cast<int64_t>(value) * static_cast<int64_t>(dpi);
    const int64_t half = kDefaultDpi / 2;
    const int64_t scaled = product >= 0 ? (product + half) / kDefaultDpi
                                        : -((-product + half) / static_cast<int64_t>(kDefaultDpi));
    return static_cast<int32_t>(scaled);
}
