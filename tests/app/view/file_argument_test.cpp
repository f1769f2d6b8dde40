// The bank file named on the command line.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/view/file_argument.h"

namespace {

TEST(FirstFileArgument, QuotedOrNotFirstOfSeveral) {
    struct Case {
        const char* line;
        bool found;
        const char* file;
    };
    const Case cases[] = {
        {"", false, ""},
        {nullptr, false, ""},
        {"   \t", false, ""},
        {"C:\\a.syx", true, "C:\\a.syx"},
        {"  \"C:\\My Banks\\a b.syx\"  ", true, "C:\\My Banks\\a b.syx"},
        {"\"C:\\My Banks\\a.syx\" \"C:\\b.syx\"", true, "C:\\My Banks\\a.syx"},
        {"C:\\a.syx C:\\b.syx", true, "C:\\a.syx"},
        {"\"C:\\no closing quote.syx", true, "C:\\no closing quote.syx"},
        {"\"\"", false, ""},
    };
    for (const Case& c : cases) {
        std::array<char, 64> out{};
        out[0] = 'x';
        EXPECT_EQ(FirstFileArgument(c.line, out), c.found) << (c.line ? c.line : "null");
        EXPECT_STREQ(out.data(), c.file) << (c.line ? c.line : "null");
    }
}

TEST(FirstFileArgument, TooLongForTheBufferIsNone) {
    std::array<char, 8> out{};
    EXPECT_TRUE(FirstFileArgument("1234567", out));
    EXPECT_FALSE(FirstFileArgument("12345678", out));
    EXPECT_STREQ(out.data(), "");
}

}  // namespace
