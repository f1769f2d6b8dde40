// The rules shared by the two text-line displays, the bank listing and the
// log window: a line is formatted into a bounded buffer, loses one trailing
// line feed, and is appended to a store of at most 193 lines that drops its
// oldest line and scrolls so that the newest line and the five before it are
// in view. The displays themselves are only sinks for these decisions.
// Portable: knows nothing of list boxes or windows.
#pragma once

#include <array>
#include <cstdarg>
#include <cstdint>

inline constexpr int32_t kMaxTextLines = 193;
inline constexpr int32_t kTextLineSize = 512;  // 511 characters and the zero
inline constexpr int32_t kLinesKeptAboveNewest = 5;

struct TextLine {
    std::array<char, kTextLineSize> text{};  // always zero-terminated
    int32_t length = 0;                      // characters in text
};

// Formats into line, never past its buffer and always terminated; a text
// that does not fit is cut at 511 characters, a format error gives the empty
// text. Then removes one trailing line feed. Returns the formatted length
// (the characters stored, counted before the line feed was removed).
int32_t FormatTextLine(TextLine& line, const char* format, va_list args);
int32_t FormatTextLineF(TextLine& line, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// What appending to a store of `count` lines does: delete the oldest first
// when the store is full, insert at insertIndex, then show topIndex first.
// A negative count (the display could not tell) counts as empty.
struct AppendPlan {
    bool deleteOldest = false;
    int32_t insertIndex = 0;
    int32_t topIndex = 0;
};
AppendPlan PlanAppend(int32_t count);

// A display that takes the plan's steps. context is handed back unchanged.
struct TextLineSink {
    void* context = nullptr;
    int32_t (*count)(void* context) = nullptr;
    void (*deleteFirst)(void* context) = nullptr;
    void (*insert)(void* context, int32_t index, const char* text) = nullptr;
    void (*setTopIndex)(void* context, int32_t index) = nullptr;
};

// Appends one finished line (no formatting, no line feed handling) to the
// sink following PlanAppend.
void AppendToSink(const TextLineSink& sink, const char* text);
