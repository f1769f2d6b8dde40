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
#include <vector>

#include "ground/messages.h"

namespace {

using Box = std::pair<std::string, std::string>;  // caption, text

std::string Collapsed(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (!space) {
            out.push_back(c);
        } else if (!out.empty() && out.back() != ' ') {
            out.push_back(' ');
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// The cells of one Markdown table row, trimmed; empty for a line that is
// not a row. A "\|" inside a cell is a bar of the text.
std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    if (line.empty() || line.front() != '|') return cells;
    std::string cell;
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
            cell.push_back('|');
            ++i;
        } else if (line[i] == '|') {
            cells.push_back(Collapsed(cell));
            cell.clear();
        } else {
            cell.push_back(line[i]);
        }
    }
    return cells;
}

// The (title, message) rows of the table under the guide's heading, or
// nothing when the heading or the table is missing.
std::set<Box> GuideBoxes(std::istream& guide) {
    std::set<Box> boxes;
    std::string line;
    while (std::getline(guide, line) && line != "## Messages and what to do") {}
    bool inTable = false;
    while (std::getline(guide, line)) {
        if (line.rfind("## ", 0) == 0) break;
        const std::vector<std::string> cells = Cells(line);
        if (cells.size() < 2) {
            if (inTable) break;  // the table's end
            continue;
        }
        const bool header = !inTable;
        inTable = true;
        if (header || cells[0].find_first_not_of("-: ") == std::string::npos) continue;
        boxes.emplace(cells[0], cells[1]);
    }
    return boxes;
}

std::string Describe(const std::set<Box>& boxes) {
    std::ostringstream out;
    for (const Box& box : boxes) out << "\n  " << box.first << " | " << box.second;
    return out.str();
}

TEST(MessageBoxes, MatchTheUserGuideTable) {
    std::ifstream guide(VEXA_USER_GUIDE);
    ASSERT_TRUE(guide) << VEXA_USER_GUIDE;
    const std::set<Box> documented = GuideBoxes(guide);

    std::set<Box> program;
    for (const BoxMessage& message : AllBoxMessages())
        program.emplace(Collapsed(message.caption), Collapsed(message.text));
    ASSERT_EQ(program.size(), AllBoxMessages().size()) << "two boxes with one caption and text";

    std::set<Box> undocumented;
    std::set<Box> unknown;
    for (const Box& box : program)
        if (!documented.contains(box)) undocumented.insert(box);
    for (const Box& box : documented)
        if (!program.contains(box)) unknown.insert(box);
    EXPECT_TRUE(undocumented.empty()) << "boxes missing from the guide:" << Describe(undocumented);
    EXPECT_TRUE(unknown.empty()) << "guide rows no box shows:" << Describe(unknown);
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
        // A value holding the blank's own word is put in once, as it is.
        {MessageId::HelpNotShown, "FILE",
         "Unable to show the user guide FILE in your web browser !"},
        {MessageId::HelpNotShown, "%s%n", "Unable to show the user guide %s%n in your web browser !"},
        {MessageId::SaveFailed, "ignored", "Error saving file !\n\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageText(c.id, c.value), c.text) << c.value;
}

}  // namespace
