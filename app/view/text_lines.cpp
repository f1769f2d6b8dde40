// Bounded line formatting and the append plan of the listing and the log.
#include "app/view/text_lines.h"

#include <cstdio>

int32_t FormatTextLine(TextLine& line, const char* format, va_list args) {
    line.text[0] = '\0';
    line.length = 0;
    if (format == nullptr) return 0;
    const int written = std::vsnprintf(line.text.data(), line.text.size(), format, args);
    if (written < 0) {
        line.text[0] = '\0';
        return 0;
    }
    // vsnprintf reports the length the whole text would have had; what is
    // stored is cut to the buffer.
    const int32_t stored = written < kTextLineSize ? written : kTextLineSize - 1;
    line.text[static_cast<size_t>(stored)] = '\0';
    line.length = stored;
    if (stored > 0 && line.text[static_cast<size_t>(stored - 1)] == '\n') {
        line.length = stored - 1;
        line.text[static_cast<size_t>(line.length)] = '\0';
    }
    return stored;
}

int32_t FormatTextLineF(TextLine& line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t length = FormatTextLine(line, format, args);
    va_end(args);
    return length;
}

AppendPlan PlanAppend(int32_t count) {
    AppendPlan plan;
    int32_t n = count < 0 ? 0 : count;
    if (n > kMaxTextLines - 1) {
        plan.deleteOldest = true;
        n = n - 1;
    }
    plan.insertIndex = n;
    plan.topIndex = n > kLinesKeptAboveNewest ? n - kLinesKeptAboveNewest : 0;
    return plan;
}

void AppendToSink(const TextLineSink& sink, const char* text) {
    const AppendPlan plan = PlanAppend(sink.count(sink.context));
    if (plan.deleteOldest) sink.deleteFirst(sink.context);
    sink.insert(sink.context, plan.insertIndex, text);
    sink.setTopIndex(sink.context, plan.topIndex);
}
