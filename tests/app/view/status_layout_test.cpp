// Pane configuration, fitting and stored texts of the status bar, and the
// menu help table search.
#include "app/view/status_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ground/commands.h"

namespace {

std::vector<int32_t> Edges(const PaneLayout& layout) {
    return {layout.rightEdges.begin(), layout.rightEdges.begin() + layout.partCount()};
}

TEST(PaneLayout, FitsLeadingPanesAndPacksThemRight) {
    struct Case {
        std::vector<int32_t> widths;
        int32_t barWidth;
        std::vector<int32_t> edges;
    };
    const Case cases[] = {
        {{320, 64, 64, 64}, 600, {390, 454, 518, 582, -1}},
        {{320, 64, 64, 64}, 400, {382, -1}},
        // Exactly reaching the room left of the grip leaves the pane out.
        {{320, 64, 64, 64}, 530, {384, 448, 512, -1}},
        {{320, 64, 64, 64}, 531, {321, 385, 449, 513, -1}},
        // Narrower than pane 0 and even narrower than the grip.
        {{320, 64, 64, 64}, 100, {82, -1}},
        {{320, 64, 64, 64}, 10, {0, -1}},
        // A zero width ends the list even with non-zero widths after it.
        {{100, 0, 64}, 1000, {982, -1}},
        {{100, 50, 0, 64}, 1000, {932, 982, -1}},
        // Count 0: one pane of width 0 spanning the bar up to the grip.
        {{}, 300, {282, -1}},
        // Above six panes only six are kept.
        {{10, 10, 10, 10, 10, 10, 10, 10}, 1000, {932, 942, 952, 962, 972, 982, -1}},
    };
    for (const Case& c : cases) {
        StatusBarRecord record;
        RecordPaneConfiguration(record, static_cast<int32_t>(c.widths.size()), c.widths.data());
        EXPECT_EQ(Edges(ComputePaneLayout(record, c.barWidth)), c.edges)
            << "bar " << c.barWidth << ", " << c.widths.size() << " panes";
    }
}

TEST(PaneLayout, CountIsClampedAndRecorded) {
    StatusBarRecord record;
    const int32_t widths[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    RecordPaneConfiguration(record, 8, widths);
    EXPECT_EQ(record.paneCount, 6);
    RecordPaneConfiguration(record, 0, widths);
    EXPECT_EQ(record.paneCount, 1);
    EXPECT_EQ(record.paneWidths[0], 0);
    RecordPaneConfiguration(record, -3, widths);
    EXPECT_EQ(record.paneCount, 1);
    RecordPaneConfiguration(record, 2, nullptr);
    EXPECT_EQ(record.paneCount, 1);
}

TEST(PaneText, CopiesAreBoundedAndTerminated) {
    StatusBarRecord record;
    const std::string longText(300, 'q');
    ASSERT_TRUE(StorePaneText(record, 0, longText.c_str()));
    EXPECT_EQ(std::string(record.firstPaneText), longText.substr(0, 127));
    for (int32_t i = 1; i < kMaxStatusPanes; ++i) {
        ASSERT_TRUE(StorePaneText(record, i, longText.c_str()));
        EXPECT_EQ(std::string(record.paneTexts[i - 1]), longText.substr(0, 31)) << i;
    }
    EXPECT_TRUE(StorePaneText(record, 3, "M-64C"));
    EXPECT_STREQ(PaneText(record, 3).data(), "M-64C");
    EXPECT_STREQ(PaneText(record, 4).data(), longText.substr(0, 31).c_str());
    EXPECT_TRUE(StorePaneText(record, 2, nullptr));
    EXPECT_STREQ(PaneText(record, 2).data(), "");
    for (int32_t bad : {-1, 6, 100}) {
        EXPECT_FALSE(StorePaneText(record, bad, "x")) << bad;
        EXPECT_TRUE(PaneText(record, bad).empty());
    }
    ClearPaneTexts(record);
    for (int32_t i = 0; i < kMaxStatusPanes; ++i) EXPECT_STREQ(PaneText(record, i).data(), "");
}

TEST(MenuHelp, PopupsOfTheMenuBarUseTheirPair) {
    const uint32_t menuBar = 0x1234;
    const MenuHelpTable table = MakeMenuHelpTable(menuBar);
    struct Case {
        uint32_t selection;
        uint32_t menu;
        int32_t pair;
        uint32_t mainMenu;
    };
    // The selection word: the item in the low half, the menu flags above.
    constexpr uint32_t kPopup = kMenuFlagPopup << 16;
    constexpr uint32_t kSysMenu = kMenuFlagSysMenu << 16;
    constexpr uint32_t kHighlighted = 0x80u << 16;  // MF_HILITE, which the choice ignores
    const Case cases[] = {
        {kPopup | 0, menuBar, 1, menuBar},                 // File title
        {kPopup | kHighlighted | 3, menuBar, 1, menuBar},  // Help title, highlighted
        {kPopup | 1, 0x5678, 2, 0},                        // popup of another menu
        {kSysMenu | kPopup | 0, menuBar, 0, 0},            // system menu popup
        {kHighlighted | kCommandTransmit, 0x5678, 0, 0},   // a command
        {0xFFFF0000u, 0, 0, 0},                            // the menu closed
    };
    for (const Case& c : cases) {
        const MenuHelpChoice choice = ChooseMenuHelpPair(table, c.selection, c.menu);
        EXPECT_EQ(choice.pairIndex, c.pair) << std::hex << c.selection;
        EXPECT_EQ(choice.mainMenuArgument, c.mainMenu) << std::hex << c.selection;
        EXPECT_EQ(choice.popupFound, c.mainMenu != 0);
    }
}

}  // namespace
