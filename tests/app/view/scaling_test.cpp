// The progress bar's state for a share done, and sizes scaled from 96 DPI.
#include <gtest/gtest.h>

#include <limits>

#include "app/view/scaling.h"

namespace {

TEST(ProgressFor, HiddenWithoutTotalPositionKeptInRange) {
    struct Case {
        int32_t done, total;
        bool visible;
        int32_t range, position;
    };
    const Case cases[] = {
        {0, 0, false, 0, 0},      {5, -1, false, 0, 0},       {0, 114, true, 114, 0},
        {63, 114, true, 114, 63}, {114, 114, true, 114, 114}, {115, 114, true, 114, 114},
        {-3, 16, true, 16, 0},
    };
    for (const Case& c : cases) {
        const ProgressBarState s = ProgressFor(c.done, c.total);
        EXPECT_EQ(s.visible, c.visible) << c.done << "/" << c.total;
        EXPECT_EQ(s.range, c.range) << c.done << "/" << c.total;
        EXPECT_EQ(s.position, c.position) << c.done << "/" << c.total;
    }
}

TEST(ScaleForDpi, RoundsToNearestBothWays) {
    struct Case {
        int32_t value;
        uint32_t dpi;
        int32_t scaled;
    };
    const Case cases[] = {
        {320, 96, 320},
        {320, 144, 480},
        {320, 192, 640},
        {64, 0, 64},
        {-12, 144, -18},
        {-13, 144, -20},  // -19.5 rounds away from zero
        {1, 120, 1},
        {3, 120, 4},  // 1.25 -> 1, 3.75 -> 4
        {std::numeric_limits<int32_t>::max() / 2, 192, std::numeric_limits<int32_t>::max() - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
}

}  // namespace
