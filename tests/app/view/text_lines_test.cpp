// The line store shared by the listing and the log, run over a vector that
// stands in for a list box.
#include "app/view/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeList {
    std::vector<std::string> lines;
    std::vector<int32_t> tops;
};

TextLineSink SinkOver(FakeList& list) {
    TextLineSink sink;
    sink.context = &list;
    sink.count = [](void* c) {
        return static_cast<int32_t>(static_cast<FakeList*>(c)->lines.size());
    };
    sink.deleteFirst = [](void* c) {
        auto& l = static_cast<FakeList*>(c)->lines;
        l.erase(l.begin());
    };
    sink.insert = [](void* c, int32_t index, const char* text) {
        auto& l = static_cast<FakeList*>(c)->lines;
        l.insert(l.begin() + index, text);
    };
    sink.setTopIndex = [](void* c, int32_t index) {
        static_cast<FakeList*>(c)->tops.push_back(index);
    };
    return sink;
}

TEST(FormatTextLine, RemovesExactlyOneTrailingLineFeed) {
    struct Case {
        const char* format;
        const char* stored;
        int32_t length;
    };
    const Case cases[] = {
        {"", "", 0},
        {"\n", "", 1},
        {"Ready\n", "Ready", 6},
        {"Ready", "Ready", 5},
        {"two\n\n", "two\n", 5},
        {"a\nb", "a\nb", 3},
        {"100%%\n", "100%", 5},
    };
    for (const Case& c : cases) {
        TextLine line;
        EXPECT_EQ(FormatTextLineF(line, c.format), c.length) << c.format;
        EXPECT_STREQ(line.text.data(), c.stored) << c.format;
        EXPECT_EQ(line.length, static_cast<int32_t>(std::string(c.stored).size()));
    }
}

TEST(FormatTextLine, LongTextsAreCutAndTerminated) {
    const std::string big(2000, 'x');
    for (size_t size : {510u, 511u, 512u, 513u, 2000u}) {
        TextLine line;
        line.text.fill('#');
        const int32_t length = FormatTextLineF(line, "%s", big.substr(0, size).c_str());
        const int32_t expected = size < 511 ? static_cast<int32_t>(size) : 511;
        EXPECT_EQ(length, expected) << size;
        EXPECT_EQ(std::string(line.text.data()), big.substr(0, static_cast<size_t>(expected)));
    }
    // A line feed past the cut is not there to be removed; one at the cut is.
    TextLine line;
    EXPECT_EQ(FormatTextLineF(line, "%s\n", std::string(510, 'y').c_str()), 511);
    EXPECT_EQ(line.length, 510);
    EXPECT_EQ(FormatTextLineF(line, "%s\n", std::string(511, 'y').c_str()), 511);
    EXPECT_EQ(line.length, 511);
}

TEST(FormatTextLine, NullFormatGivesEmptyLine) {
    TextLine line;
    line.text[0] = 'z';
    EXPECT_EQ(FormatTextLineF(line, nullptr), 0);
    EXPECT_STREQ(line.text.data(), "");
}

TEST(PlanAppend, CapAndTopIndex) {
    struct Case {
        int32_t count;
        bool deleteOldest;
        int32_t insert;
        int32_t top;
    };
    const Case cases[] = {
        {-1, false, 0, 0},  {0, false, 0, 0},       {5, false, 5, 0},      {6, false, 6, 1},
        {10, false, 10, 5}, {192, false, 192, 187}, {193, true, 192, 187}, {250, true, 249, 244},
    };
    for (const Case& c : cases) {
        const AppendPlan plan = PlanAppend(c.count);
        EXPECT_EQ(plan.deleteOldest, c.deleteOldest) << c.count;
        EXPECT_EQ(plan.insertIndex, c.insert) << c.count;
        EXPECT_EQ(plan.topIndex, c.top) << c.count;
    }
}

TEST(AppendToSink, KeepsTheNewest193Lines) {
    FakeList list;
    const TextLineSink sink = SinkOver(list);
    for (int i = 0; i < 300; ++i) AppendToSink(sink, std::to_string(i).c_str());
    ASSERT_EQ(list.lines.size(), 193u);
    EXPECT_EQ(list.lines.front(), "107");
    EXPECT_EQ(list.lines.back(), "299");
    EXPECT_EQ(list.tops.front(), 0);
    EXPECT_EQ(list.tops[10], 5);
    EXPECT_EQ(list.tops.back(), 187);
}

}  // namespace
