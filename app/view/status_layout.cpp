// Pane configuration, stored texts and the pane-fitting arithmetic of the
// status bar.
#include "app/view/status_layout.h"

#include <cstring>

void RecordPaneConfiguration(StatusBarRecord& record, int32_t count, const int32_t* widths) {
    if (count <= 0 || widths == nullptr) {
        record.paneCount = 1;
        record.paneWidths[0] = 0;
        return;
    }
    record.paneCount = count < kMaxStatusPanes ? count : kMaxStatusPanes;
    for (int32_t i = 0; i < record.paneCount; ++i)
        record.paneWidths[static_cast<size_t>(i)] = widths[i];
}

std::span<char> PaneText(StatusBarRecord& record, int32_t index) {
    if (index == 0) return std::span<char>(record.firstPaneText);
    if (index < 1 || index >= kMaxStatusPanes) return {};
    return std::span<char>(record.paneTexts[index - 1]);
}

std::span<const char> PaneText(const StatusBarRecord& record, int32_t index) {
    return PaneText(const_cast<StatusBarRecord&>(record), index);
}

bool StorePaneText(StatusBarRecord& record, int32_t index, const char* text) {
    const std::span<char> buffer = PaneText(record, index);
    if (buffer.empty()) return false;
    const char* source = text != nullptr ? text : "";
    const size_t length = strnlen(source, buffer.size() - 1);
    std::memcpy(buffer.data(), source, length);
    buffer[length] = '\0';
    return true;
}

void ClearPaneTexts(StatusBarRecord& record) {
    for (int32_t i = 0; i < kMaxStatusPanes; ++i) PaneText(record, i)[0] = '\0';
}

PaneLayout ComputePaneLayout(const StatusBarRecord& record, int32_t barWidth) {
    // A bar narrower than the grip gives room 0 rather than a negative edge,
    // which the status window would read as "up to the right border".
    int32_t room = barWidth - kSizeGripWidth;
    if (room < 0) room = 0;

    int32_t shown = 0;
    int32_t sum = 0;
    const int32_t count = record.paneCount < kMaxStatusPanes ? record.paneCount : kMaxStatusPanes;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t width = record.paneWidths[static_cast<size_t>(i)];
        if (width == 0) break;
        sum += width;
        if (sum >= room) break;
        ++shown;
    }
    if (shown == 0) shown = 1;

    PaneLayout layout;
    layout.shownPanes = shown;
    layout.rightEdges[static_cast<size_t>(shown)] = -1;
    int32_t x = room;
    for (int32_t j = shown - 1; j >= 0; --j) {
        layout.rightEdges[static_cast<size_t>(j)] = x;
        x -= record.paneWidths[static_cast<size_t>(j)];
    }
    return layout;
}

MenuHelpTable MakeMenuHelpTable(uint32_t mainMenu) { return {0, 0, mainMenu, 0, 0, 0}; }

MenuHelpChoice ChooseMenuHelpPair(const MenuHelpTable& table, uint32_t selectionWord,
                                  uint32_t menuHandle) {
    MenuHelpChoice choice;
    const uint32_t flags = selectionWord >> 16;
    if ((flags & kMenuFlagPopup) == 0 || (flags & kMenuFlagSysMenu) != 0) return choice;
    constexpr int32_t kPairs = static_cast<int32_t>(std::tuple_size_v<MenuHelpTable> / 2);
    for (int32_t pair = 1; pair < kPairs; ++pair) {
        const uint32_t first = table[static_cast<size_t>(2 * pair)];
        if (first == 0) {
            choice.pairIndex = pair;
            return choice;
        }
        if (first == menuHandle) {
            choice.pairIndex = pair;
            choice.mainMenuArgument = menuHandle;
            choice.popupFound = true;
            return choice;
        }
    }
    // A table without its ending pair: fall back to its last pair.
    choice.pairIndex = kPairs - 1;
    return choice;
}
