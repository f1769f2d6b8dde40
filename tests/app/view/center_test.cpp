// The centring arithmetic: centred over the owner with truncating division,
// then the near edges of the work area before the far ones.
#include <gtest/gtest.h>

#include <limits>

#include "app/view/center.h"

namespace {

struct CenterCase {
    const char* what;
    ScreenRect window;
    ScreenRect owner;
    ScreenRect work;
    int32_t x;
    int32_t y;
};

constexpr ScreenRect kWork{0, 0, 1024, 738};

TEST(CenterPosition, Table) {
    const CenterCase cases[] = {
        {"inside, equal margins", {0, 0, 200, 100}, {100, 100, 700, 500}, kWork, 300, 250},
        {"odd difference truncates", {0, 0, 201, 101}, {100, 100, 700, 500}, kWork, 299, 249},
        // (100 - 201) / 2 = -50 (toward zero), not -51.
        {"owner smaller, negative odd", {0, 0, 201, 201}, {400, 300, 500, 400}, kWork, 350, 250},
        {"left and top clamp", {0, 0, 300, 300}, {-500, -400, -300, -200}, kWork, 0, 0},
        {"right and bottom clamp", {0, 0, 300, 200}, {900, 600, 1100, 800}, kWork, 724, 538},
        {"wider than work: left wins", {0, 0, 1200, 100}, {0, 0, 1024, 738}, kWork, 0, 319},
        {"taller than work: top wins", {0, 0, 100, 900}, {0, 0, 1024, 738}, kWork, 462, 0},
        {"work area not at the origin",
         {0, 0, 100, 100},
         {0, 0, 100, 100},
         {200, 30, 1024, 768},
         200,
         30},
        {"window rect's own place is ignored",
         {500, 500, 700, 600},
         {100, 100, 700, 500},
         kWork,
         300,
         250},
        {"minimised owner far off screen",
         {0, 0, 300, 200},
         {-32000, -32000, -31840, -31976},
         kWork,
         0,
         0},
        {"exactly at the right edge stays",
         {0, 0, 200, 100},
         {824, 638, 1024, 738},
         kWork,
         824,
         638},
    };
    for (const CenterCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ScreenPoint p = CenterPosition(c.window, c.owner, c.work);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

TEST(CenterPosition, ExtremeRectanglesDoNotOverflow) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const ScreenPoint p = CenterPosition({kMin, kMin, kMax, kMax}, {kMax, kMax, kMin, kMin},
                                         {kMin, kMin, kMax, kMax});
    EXPECT_EQ(p.x, kMin);
    EXPECT_EQ(p.y, kMin);
    const ScreenPoint q =
        CenterPosition({0, 0, 10, 10}, {kMax - 5, kMax - 5, kMax, kMax}, {kMin, kMin, kMax, kMax});
    EXPECT_EQ(q.x, kMax - 10);
    EXPECT_EQ(q.y, kMax - 10);
}

}  // namespace
