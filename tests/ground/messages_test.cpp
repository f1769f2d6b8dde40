// The message boxes against the user guide: every box the program can show
// has its row in the guide's "Messages and what to do" table, with the same
// caption and text, and the guide lists no box the program lacks. Texts are
// compared with their whitespace collapsed (a box's line feeds are a table
// cell's spaces). Also how a box's variable part is filled in.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "ground/messages.h"

namespace {

using Box = std::pair<std::string, std::string>;  // caption, text

std::string Collapsed(std::string_view text) {
    std::istringstream words{std::string(text)};
    std::string out;
    std::string word;
    while (words >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

// The first two cells of each row of the table under the guide's heading,
// header and rule left out.
std::set<Box> GuideBoxes(std::istream& guide) {
    std::set<Box> boxes;
    std::string line;
    while (std::getline(guide, line) && line != "## Messages and what to do") {}
    int row = 0;
    while (std::getline(guide, line) && line.rfind("## ", 0) != 0) {
        if (line.empty() || line[0] != '|') continue;
        const size_t second = line.find('|', 1);
        const size_t third = line.find('|', second + 1);
        if (++row <= 2 || third == std::string::npos) continue;
        boxes.emplace(Collapsed(line.substr(1, second - 1)),
                      Collapsed(line.substr(second + 1, third - second - 1)));
    }
    return boxes;
}

std::string OnlyIn(const std::set<Box>& these, const std::set<Box>& others) {
    std::string out;
    for (const Box& box : these)
        if (!others.contains(box)) out += "\n  " + box.first + " | " + box.second;
    return out;
}

TEST(MessageBoxes, MatchTheUserGuideTable) {
    std::ifstream guide(VEXA_USER_GUIDE);
    ASSERT_TRUE(guide) << VEXA_USER_GUIDE;
    const std::set<Box> documented = GuideBoxes(guide);
    std::set<Box> program;
    for (const BoxMessage& message : AllBoxMessages())
        program.emplace(Collapsed(message.caption), Collapsed(message.text));
    ASSERT_EQ(program.size(), AllBoxMessages().size()) << "two boxes with one caption and text";
    EXPECT_EQ(OnlyIn(program, documented), "") << "boxes missing from the guide";
    EXPECT_EQ(OnlyIn(documented, program), "") << "guide rows that no box shows";
}

TEST(MessageBoxes, VariablePartFilledIn) {
    struct Case {
        MessageId id;
        const char* value;
        const char* text;
    };
    const Case cases[] = {
        {MessageId::NoBankInFile, "MKS-70 messages out of order",
         "The file contains data in an unknown format !\n\nMKS-70 messages out of order"},
        // No reason to give: the box as it was before reasons were given.
        {MessageId::NoBankInFile, "", "The file contains data in an unknown format !\n\n"},
        {MessageId::HelpMissing, "C:\\Vexa\\docs\\user-guide.html",
         "Sorry, there is no help available at this time.\n\n"
         "The user guide C:\\Vexa\\docs\\user-guide.html is missing."},
        // A value holding the blank's own word, or printf's, is put in once, as it is.
        {MessageId::HelpNotShown, "FILE", "Unable to show the user guide FILE in your web browser !"},
        {MessageId::HelpNotShown, "%s%n", "Unable to show the user guide %s%n in your web browser !"},
        {MessageId::SaveFailed, "ignored", "Error saving file !\n\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageText(c.id, c.value), c.text) << c.value;
}

}  // namespace
