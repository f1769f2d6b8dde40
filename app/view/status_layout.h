// The status bar's bookkeeping, apart from the status window itself: the
// configured panes and their widths, how many panes the last layout showed,
// each pane's stored text, the pane-fitting arithmetic that turns a bar
// width into the right edges of the parts, and the search of the menu help
// table. Portable: window and menu handles are opaque integers here.
#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr int32_t kMaxStatusPanes = 6;
inline constexpr int32_t kSizeGripWidth = 18;
inline constexpr int32_t kFirstPaneTextSize = 128;  // pane 0: 127 characters
inline constexpr int32_t kPaneTextSize = 32;        // panes 1..5: 31 characters

struct StatusBarRecord {
    int32_t paneCount = 0;
    std::array<int32_t, kMaxStatusPanes> paneWidths{};
    int32_t laidOutCount = 0;
    char firstPaneText[kFirstPaneTextSize] = {};
    char paneTexts[kMaxStatusPanes - 1][kPaneTextSize] = {};
};

// Step one of every layout: count 0 (or less, or no widths) gives one pane of
// width 0; otherwise at most six panes with their widths copied.
void RecordPaneConfiguration(StatusBarRecord& record, int32_t count, const int32_t* widths);

// The buffer of a pane (128 bytes for pane 0, 32 for the others); empty for
// an index outside 0..5.
std::span<char> PaneText(StatusBarRecord& record, int32_t index);
std::span<const char> PaneText(const StatusBarRecord& record, int32_t index);
// Copies text into the pane's buffer, cut to fit and always terminated;
// false (nothing stored) for an index outside 0..5. A null text stores "".
bool StorePaneText(StatusBarRecord& record, int32_t index, const char* text);
void ClearPaneTexts(StatusBarRecord& record);

// The parts of one layout: shownPanes panes, then the size grip's part.
// rightEdges[0 .. shownPanes] are the SB_SETPARTS edges; the last is -1.
struct PaneLayout {
    int32_t shownPanes = 1;
    std::array<int32_t, kMaxStatusPanes + 1> rightEdges{};
    int32_t partCount() const { return shownPanes + 1; }
};
// The panes that fit a bar barWidth pixels wide. Leading panes are kept while
// their running width stays below the room left of the size grip; a zero
// width ends the list; pane 0 is always shown and takes the room left over.
PaneLayout ComputePaneLayout(const StatusBarRecord& record, int32_t barWidth);

// The menu help table handed to the common controls: pairs of 32-bit values,
// pair 0 = (0, 0), pair 1 = (main menu, 0), pair 2 = (0, 0) ends it.
using MenuHelpTable = std::array<uint32_t, 6>;
MenuHelpTable MakeMenuHelpTable(uint32_t mainMenu);

inline constexpr uint32_t kMenuFlagPopup = 0x10;      // MF_POPUP
inline constexpr uint32_t kMenuFlagSysMenu = 0x2000;  // MF_SYSMENU

// Which pair of the table describes a WM_MENUSELECT: for a popup (not of
// the system menu), the pair whose first value is the menu handle, searched
// from pair 1 on and stopping at a zero first value; mainMenuArgument is then
// the menu handle, or 0 with the ending pair when it is not found. Anything
// else uses pair 0 and no main menu. pairIndex counts pairs (0, 1, 2).
struct MenuHelpChoice {
    int32_t pairIndex = 0;
    uint32_t mainMenuArgument = 0;
    bool popupFound = false;
};
MenuHelpChoice ChooseMenuHelpPair(const MenuHelpTable& table, uint32_t selectionWord,
                                  uint32_t menuHandle);
