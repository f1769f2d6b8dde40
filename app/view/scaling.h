// Two small pieces of arithmetic for the shell's drawing: the progress bar's
// state for a share of a transfer, and sizes designed at 96 DPI scaled to a
// monitor's DPI. Portable: no platform headers.
#pragma once

#include <cstdint>

// The progress bar as the shell shows it: hidden, or visible with the range
// 0..range and the position.
struct ProgressBarState {
    bool visible = false;
    int32_t range = 0;
    int32_t position = 0;
};
// done of total items: a total of 0 or less hides the bar; done is kept
// within 0..total.
ProgressBarState ProgressFor(int32_t done, int32_t total);

inline constexpr uint32_t kDefaultDpi = 96;
// value (pixels at 96 DPI) at dpi, rounded to nearest, halves away from
// zero; a dpi of 0 (unknown) counts as 96. Works for negative values, as
// font heights are.
int32_t ScaleForDpi(int32_t value, uint32_t dpi);
